// Which backend a clock change goes through.
#include "gpu/ClockModes.h"

namespace gpu {

void ApplyOverclock(const ClockGate& gate)
{
    if (!gate.bSessionActive)
        return;
    if (gate.bNvidia)
        ApplyOverclockNvidia();
    else if (gate.bAmd && gate.pAdlInfo)
        ApplyOverclockAmd(*gate.pAdlInfo);
}

void RestoreDefaultClocks(const ClockGate& gate)
{
    if (!gate.bSessionActive)
        return;
    if (gate.bNvidia)
        RestoreDefaultClocksNvidia();
    else if (gate.bAmd && gate.pAdlInfo)
        RestoreDefaultClocksAmd(*gate.pAdlInfo);
}

} // namespace gpu
