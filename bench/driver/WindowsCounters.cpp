#include "WindowsCounters.h"

#include "GdiObjects.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace bench {

namespace {

// The system handle list (NtQuerySystemInformation class 16), our own
// declarations of its records.
struct SystemHandleEntry
{
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

struct SystemHandleList
{
    ULONG count;
    SystemHandleEntry entries[1];
};

typedef LONG(WINAPI* QuerySystemInformationFn)(ULONG, PVOID, ULONG, PULONG);

// Kernel handles of process pid; -1 when the list cannot be read.
long long KernelHandles(DWORD pid)
{
    auto query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            auto* list = reinterpret_cast<SystemHandleList*>(buffer.data());
            long long count = 0;
            for (ULONG i = 0; i < list->count; ++i)
                count += list->entries[i].ownerPid == pid;
            return count;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return -1;
}

} // namespace

WindowsCounters ReadWindowsCounters(HANDLE process, DWORD pid)
{
    WindowsCounters c;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        c.privateKb = static_cast<double>(memory.PrivateUsage) / 1024.0;
        c.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
    }
    c.handles = KernelHandles(pid);
    c.gdiObjects = GdiObjects(process);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        c.threads = 0;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == pid)
                ++c.threads;
        }
        CloseHandle(snapshot);
    }
    return c;
}

} // namespace bench
