// The power source: asked of the system at start-up and after resume, and
// how long a reported change must hold before the clocks follow it.
#pragma once
#include <windows.h>

// The window timer that ends the settle time.
constexpr UINT_PTR kPowerSettleTimer = 0x4B50;

using PowerStatusFn = BOOL(WINAPI*)(LPSYSTEM_POWER_STATUS status);

// False only when the system says the notebook runs on battery: a source it
// reports as unknown, or a question it cannot answer, counts as AC power.
bool ReadOnACPower();
// Replaces the question and returns the previous one (tests only).
PowerStatusFn SetPowerStatusForTesting(PowerStatusFn fn);

UINT PowerSettleDelay();
// Replaces the settle time and returns the previous one (tests only).
UINT SetPowerSettleDelayForTesting(UINT milliseconds);
