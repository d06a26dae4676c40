#include "LinuxProcess.h"

#include "Files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

namespace {

std::string ReadLinuxFile(const std::string& path)
{
    std::string text;
    drive::ReadTextFile(drive::Widen("Z:" + path), &text);
    return text;
}

long long StatusField(const std::string& status, const char* name)
{
    size_t at = status.find(std::string(name) + ":");
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + std::strlen(name) + 1);
}

} // namespace

int UnixPidOf(const std::wstring& exe)
{
    std::string wanted = drive::Narrow(exe);
    CharLowerBuffA(&wanted[0], static_cast<DWORD>(wanted.size()));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int pid = 0;
    do {
        int candidate = _wtoi(found.cFileName);
        if (candidate <= 0)
            continue;
        std::string line = ReadLinuxFile("/proc/" + std::to_string(candidate) + "/cmdline");
        std::replace(line.begin(), line.end(), '\0', ' ');
        CharLowerBuffA(&line[0], static_cast<DWORD>(line.size()));
        if (line.find(wanted) != std::string::npos)
            pid = candidate;
    } while (!pid && FindNextFileW(find, &found));
    FindClose(find);
    return pid;
}

UnixCounters ReadUnixCounters(int pid)
{
    UnixCounters c;
    if (!pid)
        return c;
    const std::string base = "/proc/" + std::to_string(pid);
    std::string status = ReadLinuxFile(base + "/status");
    c.rssKb = StatusField(status, "VmRSS");
    c.threads = StatusField(status, "Threads");
    std::string rollup = ReadLinuxFile(base + "/smaps_rollup");
    // Clean private pages turn shared as soon as another process maps the
    // same file, so only the dirty ones are the process's own.
    c.privateKb = StatusField(rollup, "Private_Dirty");
    // utime and stime, fields 14 and 15, after the command name in brackets.
    std::string stat = ReadLinuxFile(base + "/stat");
    size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        long long utime = 0, stime = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld",
                        &utime, &stime) == 2)
            c.cpuMs = static_cast<double>(utime + stime) * 10.0; // USER_HZ is 100
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(drive::Widen("Z:" + base + "/task/*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            int tid = _wtoi(found.cFileName);
            if (tid <= 0)
                continue;
            std::string task = ReadLinuxFile(base + "/task/" + std::to_string(tid) + "/status");
            c.contextSwitches += std::max(0LL, StatusField(task, "voluntary_ctxt_switches")) +
                                 std::max(0LL, StatusField(task, "nonvoluntary_ctxt_switches"));
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return c;
}

} // namespace bench
