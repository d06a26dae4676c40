// One-time breakpoints in a process this one debugs: each on the entry of a
// function start-up runs once, read from a marks file of bench/phases.py.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

struct Mark
{
    ULONG_PTR rva = 0;
    std::string label;
    ULONG_PTR address = 0; // 0 while not set, and again once hit
    BYTE original = 0;
};

// The marks of a file of "RVA<TAB>label" lines; none for an empty path or an
// unreadable file.
std::vector<Mark> ReadMarks(const std::wstring& path);

// Writes one byte of process's code, keeping the one it replaces in
// *previous when that is not null.
bool PatchByte(HANDLE process, ULONG_PTR address, BYTE value, BYTE* previous);

// Puts the thread back on the breakpoint's address, now holding the original
// instruction again.
bool RewindTo(DWORD threadId, ULONG_PTR address);

} // namespace bench
