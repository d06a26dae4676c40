// The file name of NVIDIA's driver library, chosen when the program is
// compiled: a process loads only libraries of its own architecture, and the
// driver installs its 64-bit library as nvapi64.dll beside the 32-bit
// nvapi.dll. Both export the same nvapi_QueryInterface and interface IDs.
#pragma once

#ifdef _WIN64
#define KORVANE_NVAPI_LIBRARY "nvapi64.dll"
#else
#define KORVANE_NVAPI_LIBRARY "nvapi.dll"
#endif

namespace gpu {

inline constexpr wchar_t kNvapiLibrary[] = L"" KORVANE_NVAPI_LIBRARY;

} // namespace gpu
