#include "diag/LogText.h"

#include <cstdio>
#include <cstring>

namespace diag {

void Escape(const char* text, size_t size, size_t maxBytes, TextBuffer out)
{
    static const char kHex[] = "0123456789ABCDEF";
    if (!out.text || out.size == 0)
        return;
    size_t used = 0;
    auto put = [&](const char* piece, size_t length) {
        if (used + length >= out.size)
            return false;
        std::memcpy(out.text + used, piece, length);
        used += length;
        return true;
    };
    size_t i = 0;
    for (; text && i < size && i < maxBytes && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char escaped[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
        const bool printable = c >= 0x20 && c <= 0x7E;
        const bool fits = printable ? put(text + i, 1) : put(escaped, sizeof escaped);
        if (!fits)
            break;
    }
    if (text && i < size && text[i] != '\0')
        put("...", 3);
    out.text[used] = '\0';
}

size_t FormatRecord(const SYSTEMTIME& time, const char* text, TextBuffer out)
{
    if (!out.text || out.size == 0)
        return 0;
    char stamp[32];
    const int stampLength =
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02uT%02u:%02u:%02u.%03u ", time.wYear % 10000u,
                      time.wMonth % 100u, time.wDay % 100u, time.wHour % 100u, time.wMinute % 100u,
                      time.wSecond % 100u, time.wMilliseconds % 1000u);
    const size_t prefix = stampLength > 0 ? static_cast<size_t>(stampLength) : 0;
    // Room for the stamp, CR LF and the terminator.
    if (out.size < prefix + 3) {
        out.text[0] = '\0';
        return 0;
    }
    std::memcpy(out.text, stamp, prefix);
    const size_t room = out.size - prefix - 3;
    size_t length = text ? ::strnlen(text, room + 1) : 0;
    if (length > room) {
        length = room;
        // Never half a UTF-8 sequence: back up to the start of the cut character.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    for (size_t i = 0; i < length; ++i)
        out.text[prefix + i] = text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    size_t end = prefix + length;
    out.text[end++] = '\r';
    out.text[end++] = '\n';
    out.text[end] = '\0';
    return end;
}

} // namespace diag
