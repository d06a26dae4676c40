// Which backend a clock change goes through.
#include "gpu/ClockModes.h"

#include "diag/DiagnosticLog.h"

namespace gpu {

void ApplyOverclock(const ClockGate& gate)
{
    if (!gate.bSessionActive) {
        diag::Log("overclocked clocks not applied: the session is not active");
        return;
    }
    if (gate.bNvidia)
        ApplyOverclockNvidia();
    else if (gate.bAmd && gate.pAdlInfo)
        ApplyOverclockAmd(*gate.pAdlInfo);
}

void RestoreDefaultClocks(const ClockGate& gate)
{
    if (!gate.bSessionActive) {
        diag::Log("default clocks not restored: the session is not active");
        return;
    }
    if (gate.bNvidia)
        RestoreDefaultClocksNvidia();
    else if (gate.bAmd && gate.pAdlInfo)
        RestoreDefaultClocksAmd(*gate.pAdlInfo);
}

} // namespace gpu
