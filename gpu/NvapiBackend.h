// NVIDIA backend: the driver library (gpu/NvapiLibrary.h) loaded at run time and reached through
// nvapi_QueryInterface by interface ID. Module-level state, one per process.
#pragma once
#include "gpu/NvapiTypes.h"

namespace gpu {

// Loads kNvapiLibrary (once; a held handle is reused) and runs NvAPI_Initialize.
// NVAPI_OK, NVAPI_LIBRARY_NOT_FOUND when the library does not load, or
// NVAPI_ERROR when its query function or initialisation is missing or fails;
// the library is unloaded then.
int LoadNvapi();

// Enumerates displays (at most kNvMaxDisplayHandles), then physical and
// logical GPUs into the module's tables. True when all enumerations succeed.
bool EnumerateNvidia();

// The first entry of the physical GPU table; null before a successful
// enumeration.
NvPhysicalGpuHandle FirstPhysicalGpu();

// Lazily resolved entry points. Each asks nvapi_QueryInterface for its ID
// once, caches the answer and returns the entry's status, or
// NVAPI_NO_IMPLEMENTATION when the driver does not offer it.
NvAPI_Status NvEnumDisplay(NvU32 index, NvDisplayHandle* pHandle);
NvAPI_Status NvAPI_EnumPhysicalGPUs(NvPhysicalGpuHandle (&handles)[NVAPI_MAX_PHYSICAL_GPUS], NvU32* pCount);
NvAPI_Status NvAPI_EnumLogicalGPUs(NvLogicalGpuHandle (&handles)[NVAPI_MAX_LOGICAL_GPUS], NvU32* pCount);
NvAPI_Status NvClockModeA(NvPhysicalGpuHandle hGpu, int mode);
NvAPI_Status NvClockModeB(NvPhysicalGpuHandle hGpu, int mode, int option);
NvAPI_Status NvClockModeC(NvPhysicalGpuHandle hGpu, int mode);

// Unloads the library and forgets every address and handle (tests only).
void ResetNvapiForTesting();

} // namespace gpu
