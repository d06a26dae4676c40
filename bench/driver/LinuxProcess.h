// The Linux side of a Wine process, read through Z: (the Linux root): what
// Wine does not give for another process (its private memory, its threads
// as Linux runs them, its CPU time and context switches).
#pragma once

#include <string>

namespace bench {

// The Linux process that runs `exe` (a Windows path, matched without case in
// the command line Wine gives it); 0 when there is none.
int UnixPidOf(const std::wstring& exe);

struct UnixCounters
{
    long long rssKb = -1;
    long long privateKb = -1; // resident pages written by this process alone
    long long threads = -1;
    long long contextSwitches = 0;
    double cpuMs = 0;
};

// The counters of Linux process pid; those of no process for 0.
UnixCounters ReadUnixCounters(int pid);

} // namespace bench
