// Typing an address looked up at run time (GetProcAddress, nvapi_QueryInterface).
#pragma once
#include <windows.h>

namespace gpu::detail {

// The detour through void (*)() keeps -Wcast-function-type quiet: FARPROC's
// declared type has nothing to do with the export's real one.
template <typename Fn>
Fn ProcAs(FARPROC proc)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

template <typename Fn>
Fn EntryAs(void* address)
{
    return reinterpret_cast<Fn>(address);
}

} // namespace gpu::detail
