// The two clock modes, switched through whichever backend started, with bit 0
// of the firmware's AP state following the outcome.
#pragma once
#include "gpu/AdlTypes.h"

namespace gpu {

// What the main window knows when a clock change is asked for.
struct ClockGate
{
    bool bSessionActive;                   // the interactive session is active
    bool bNvidia;                          // the NVIDIA backend started
    bool bAmd;                             // the AMD backend started
    const ADLAdapterODClockInfo* pAdlInfo; // clock information read at start-up
};

// Nothing while the session is inactive; otherwise NVIDIA when it started,
// else AMD when it started (and its clock information is given), else nothing.
void ApplyOverclock(const ClockGate& gate);
void RestoreDefaultClocks(const ClockGate& gate);

// Switch the first physical GPU and write the AP state: bit 0 set after a
// fully successful apply, cleared (with bits 8 to 31) after a successful restore.
void ApplyOverclockNvidia();
void RestoreDefaultClocksNvidia();

// Set adapter 0 to the maximum or the default clocks of info and write the
// AP state likewise.
void ApplyOverclockAmd(const ADLAdapterODClockInfo& info);
void RestoreDefaultClocksAmd(const ADLAdapterODClockInfo& info);

} // namespace gpu
