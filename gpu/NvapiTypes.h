// NVAPI's status values, handles and table limits, declared as NVAPI
// publishes them for 32-bit Windows.
#pragma once
#include <cstdint>

namespace gpu {

using NvU32 = std::uint32_t;
using NvAPI_Status = int;

constexpr NvAPI_Status NVAPI_OK = 0;
constexpr NvAPI_Status NVAPI_ERROR = -1;
constexpr NvAPI_Status NVAPI_LIBRARY_NOT_FOUND = -2;
constexpr NvAPI_Status NVAPI_NO_IMPLEMENTATION = -3;
constexpr NvAPI_Status NVAPI_END_ENUMERATION = -7;

// Opaque driver handles; only their values travel back to the driver.
struct NvDisplayHandle__;
struct NvPhysicalGpuHandle__;
struct NvLogicalGpuHandle__;
using NvDisplayHandle = NvDisplayHandle__*;
using NvPhysicalGpuHandle = NvPhysicalGpuHandle__*;
using NvLogicalGpuHandle = NvLogicalGpuHandle__*;

constexpr NvU32 NVAPI_MAX_PHYSICAL_GPUS = 64;
constexpr NvU32 NVAPI_MAX_LOGICAL_GPUS = 64;
// Room in the display table; enumeration never goes past it.
constexpr NvU32 kNvMaxDisplayHandles = 128;

} // namespace gpu
