// AMD backend: ADL (atiadlxx.dll, else atiadlxy.dll) loaded at run time, its
// context created and adapter 0's overdrive clock information read once.
#pragma once
#include "gpu/AdlTypes.h"

#include <windows.h>

namespace gpu {

constexpr int ADL_OK = 0;
constexpr int ADL_ERR = -1;

// ADL's allocation callback: size bytes from the C heap, or null.
void* __stdcall AdlAllocCallback(int size);

// Loads ADL into *phAdl, checks its ten functions, creates the ADL context and
// reads adapter 0's clock information into *pInfo. A missing function or a
// failing ADL call shows a warning owned by owner and gives false; no library
// gives false without a warning. The library stays loaded in every case.
bool InitAdlBackend(HWND owner, HMODULE* phAdl, ADLAdapterODClockInfo* pInfo);

// ADL_Display_ODClockConfig_Set; ADL_ERR while the function is unresolved.
int AdlSetODClockConfig(int adapterIndex, ADLAdapterODClockConfig* pConfig);

// Unloads the library and forgets the resolved functions (tests only).
void ResetAdlForTesting();

} // namespace gpu
