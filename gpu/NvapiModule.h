// State shared by the NVIDIA backend's files: the query function that
// LoadNvapi holds, and the caches that must not outlive the library.
#pragma once
#include "gpu/NvapiTypes.h"

namespace gpu::detail {

using NvQueryInterfaceFn = void*(__cdecl*)(NvU32 interfaceId);

// nvapi_QueryInterface of the loaded library, or null.
NvQueryInterfaceFn NvapiQueryFunction();

// Drops every cached entry address and resolution mark.
void ForgetNvapiEntries();

// Clears the display, physical and logical handle tables.
void ForgetNvidiaTables();

} // namespace gpu::detail
