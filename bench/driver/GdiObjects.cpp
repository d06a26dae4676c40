#include "GdiObjects.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

namespace {

// Our own declaration of a table entry: the same 24 bytes in 32- and 64-bit
// builds.
struct GdiHandleEntry
{
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type; // 0 for a free entry
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entry layout");
constexpr size_t kGdiHandleCount = 0x10000;
#ifdef _WIN64
constexpr size_t kPebGdiTableOffset = 0xF8;
#else
constexpr size_t kPebGdiTableOffset = 0x94;
#endif

typedef LONG(WINAPI* QueryInformationProcessFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);

} // namespace

// Reading a page of the table makes it the process's own memory, so the read
// stops at the first page no handle has used yet (Wine hands entries out from
// the front): the used pages are the process's own already, and the sample
// changes by one page at most.
long long GdiObjects(HANDLE process)
{
    auto query = reinterpret_cast<QueryInformationProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    // PROCESS_BASIC_INFORMATION: the PEB's address is its second field.
    ULONG_PTR basic[6] = {};
    if (!query || query(process, 0, basic, sizeof basic, nullptr) != 0)
        return -1;
    ULONG_PTR table = 0;
    SIZE_T done = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic[1]) + kPebGdiTableOffset, &table,
                           sizeof table, &done) ||
        !table)
        return -1;
    constexpr size_t kPage = 4096;
    constexpr size_t kTableBytes = kGdiHandleCount * sizeof(GdiHandleEntry);
    std::vector<BYTE> page(kPage);
    long long live = 0;
    for (size_t offset = 0; offset < kTableBytes; offset += kPage) {
        if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(table) + offset, page.data(), kPage, &done))
            return -1;
        if (std::all_of(page.begin(), page.end(), [](BYTE b) { return b == 0; }))
            break;
        // Entries straddle pages: count each by the page that holds its type.
        for (size_t at = 0; at < kPage; ++at) {
            const size_t byte = offset + at;
            if (byte % sizeof(GdiHandleEntry) == offsetof(GdiHandleEntry, type) && page[at] != 0)
                ++live;
        }
    }
    return live;
}

} // namespace bench
