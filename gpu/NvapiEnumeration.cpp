// Display and GPU enumeration into the module's fixed handle tables.
#include "gpu/NvapiBackend.h"

#include "gpu/NvapiModule.h"

#include "diag/DiagnosticLog.h"

namespace gpu {

namespace {

NvDisplayHandle g_displays[kNvMaxDisplayHandles] = {};
NvPhysicalGpuHandle g_physicalGpus[NVAPI_MAX_PHYSICAL_GPUS] = {};
NvU32 g_physicalGpuCount = 0;
NvLogicalGpuHandle g_logicalGpus[NVAPI_MAX_LOGICAL_GPUS] = {};
NvU32 g_logicalGpuCount = 0;

} // namespace

namespace detail {

void ForgetNvidiaTables()
{
    for (NvDisplayHandle& handle : g_displays)
        handle = nullptr;
    for (NvPhysicalGpuHandle& handle : g_physicalGpus)
        handle = nullptr;
    for (NvLogicalGpuHandle& handle : g_logicalGpus)
        handle = nullptr;
    g_physicalGpuCount = 0;
    g_logicalGpuCount = 0;
}

} // namespace detail

bool EnumerateNvidia()
{
    // A driver that keeps answering beyond the table's end is taken as
    // having listed them all: the table is full and nothing reads it anyway.
    for (NvU32 index = 0; index < kNvMaxDisplayHandles; ++index) {
        const NvAPI_Status status = NvEnumDisplay(index, &g_displays[index]);
        if (status == NVAPI_END_ENUMERATION)
            break;
        if (status != NVAPI_OK) {
            diag::Log("NVIDIA: display %u not enumerated (status %d)", index, status);
            return false;
        }
    }
    const NvAPI_Status physical = NvAPI_EnumPhysicalGPUs(g_physicalGpus, &g_physicalGpuCount);
    if (physical != NVAPI_OK) {
        diag::Log("NVIDIA: physical GPUs not enumerated (status %d)", physical);
        return false;
    }
    const NvAPI_Status logical = NvAPI_EnumLogicalGPUs(g_logicalGpus, &g_logicalGpuCount);
    if (logical != NVAPI_OK)
        diag::Log("NVIDIA: logical GPUs not enumerated (status %d)", logical);
    return logical == NVAPI_OK;
}

NvPhysicalGpuHandle FirstPhysicalGpu()
{
    return g_physicalGpus[0];
}

} // namespace gpu
