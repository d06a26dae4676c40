// The lazily resolved NVAPI entry points: each interface ID is asked for once
// and its address kept until the library goes.
#include "gpu/NvapiBackend.h"

#include "gpu/NvapiModule.h"
#include "gpu/ProcCast.h"

namespace gpu {

namespace {

struct LazyEntry
{
    NvU32 interfaceId;
    void* address;
    bool tried;
};

enum EntryIndex { kEnumDisplay, kEnumPhysicalGpus, kEnumLogicalGpus, kModeA, kModeB, kModeC, kEntryCount };

LazyEntry g_entries[kEntryCount] = {
    {0x20DE9260, nullptr, false}, // NvEnumDisplay
    {0xE5AC921F, nullptr, false}, // NvAPI_EnumPhysicalGPUs
    {0x48B3EA59, nullptr, false}, // NvAPI_EnumLogicalGPUs
    {0xB23B70EE, nullptr, false}, // NvClockModeA
    {0xFDFC7D49, nullptr, false}, // NvClockModeB
    {0xFA579A0F, nullptr, false}, // NvClockModeC
};

void* Resolve(LazyEntry& entry)
{
    const detail::NvQueryInterfaceFn query = detail::NvapiQueryFunction();
    if (!query || entry.address)
        return entry.address;
    if (entry.tried)
        return nullptr;
    entry.tried = true;
    entry.address = query(entry.interfaceId);
    return entry.address;
}

// NVAPI entry points are __cdecl, as in NVAPI's published headers.
template <typename... Args>
NvAPI_Status CallEntry(EntryIndex index, Args... args)
{
    using EntryFn = NvAPI_Status(__cdecl*)(Args...);
    void* address = Resolve(g_entries[index]);
    if (!address)
        return NVAPI_NO_IMPLEMENTATION;
    return detail::EntryAs<EntryFn>(address)(args...);
}

} // namespace

namespace detail {

void ForgetNvapiEntries()
{
    for (LazyEntry& entry : g_entries) {
        entry.address = nullptr;
        entry.tried = false;
    }
}

} // namespace detail

NvAPI_Status NvEnumDisplay(NvU32 index, NvDisplayHandle* pHandle)
{
    return CallEntry(kEnumDisplay, index, pHandle);
}

NvAPI_Status NvAPI_EnumPhysicalGPUs(NvPhysicalGpuHandle (&handles)[NVAPI_MAX_PHYSICAL_GPUS], NvU32* pCount)
{
    return CallEntry(kEnumPhysicalGpus, &handles[0], pCount);
}

NvAPI_Status NvAPI_EnumLogicalGPUs(NvLogicalGpuHandle (&handles)[NVAPI_MAX_LOGICAL_GPUS], NvU32* pCount)
{
    return CallEntry(kEnumLogicalGpus, &handles[0], pCount);
}

NvAPI_Status NvClockModeA(NvPhysicalGpuHandle hGpu, int mode)
{
    return CallEntry(kModeA, hGpu, mode);
}

NvAPI_Status NvClockModeB(NvPhysicalGpuHandle hGpu, int mode, int option)
{
    return CallEntry(kModeB, hGpu, mode, option);
}

NvAPI_Status NvClockModeC(NvPhysicalGpuHandle hGpu, int mode)
{
    return CallEntry(kModeC, hGpu, mode);
}

} // namespace gpu
