// What Windows (here Wine) tells of another process: its memory counters,
// kernel handles, GDI objects and threads.
#pragma once

#include <windows.h>

namespace bench {

// -1 where a figure cannot be read.
struct WindowsCounters
{
    double privateKb = -1;
    double workingSetKb = -1;
    long long handles = -1;
    long long gdiObjects = -1;
    long long threads = -1;
};

WindowsCounters ReadWindowsCounters(HANDLE process, DWORD pid);

} // namespace bench
