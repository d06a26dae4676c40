#include "CaughtException.h"

#include <exception>

namespace {
DebugOutputFn g_output = &::OutputDebugStringW;

// Appends at most what fits, leaving the terminator; the message of a
// standard exception is ASCII in practice, other bytes become '?'.
void Append(wchar_t* text, size_t size, size_t* used, const char* narrow)
{
    for (; *narrow && *used + 1 < size; ++narrow)
        text[(*used)++] = static_cast<unsigned char>(*narrow) < 0x80 ? static_cast<wchar_t>(*narrow) : L'?';
    text[*used] = L'\0';
}

void Append(wchar_t* text, size_t size, size_t* used, const wchar_t* wide)
{
    for (; *wide && *used + 1 < size; ++wide)
        text[(*used)++] = *wide;
    text[*used] = L'\0';
}
} // namespace

void ReportCaughtException(const wchar_t* where) noexcept
{
    // A fixed buffer: the exception may be an allocation that failed.
    wchar_t text[512];
    size_t used = 0;
    Append(text, 512, &used, L"Korvane: ");
    Append(text, 512, &used, where ? where : L"?");
    Append(text, 512, &used, L": ");
    try {
        throw;
    } catch (const std::exception& e) {
        Append(text, 512, &used, e.what());
    } catch (...) {
        Append(text, 512, &used, L"unknown exception");
    }
    Append(text, 512, &used, L"\n");
    g_output(text);
}

DebugOutputFn SetDebugOutputForTesting(DebugOutputFn fn)
{
    const DebugOutputFn previous = g_output;
    g_output = fn ? fn : &::OutputDebugStringW;
    return previous;
}
