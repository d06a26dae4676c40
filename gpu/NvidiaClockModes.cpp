// Clock modes on NVIDIA hardware. Every entry point is called even when an
// earlier one failed, so the driver always sees the whole sequence.
#include "gpu/ApStateBits.h"
#include "gpu/ClockModes.h"
#include "gpu/NvapiBackend.h"

#include "diag/DiagnosticLog.h"
#include "firmware/PipeProtocol.h"

namespace gpu {

void ApplyOverclockNvidia()
{
    int apState = ReadAPState(detail::kApplyApFallback);
    const int apRead = apState;
    const NvPhysicalGpuHandle hGpu = FirstPhysicalGpu();
    const NvAPI_Status a = NvClockModeA(hGpu, 1);
    const NvAPI_Status b = NvClockModeB(hGpu, 1, 0);
    const NvAPI_Status c = NvClockModeC(hGpu, 0);
    if (a == NVAPI_OK && b == NVAPI_OK && c == NVAPI_OK)
        apState |= detail::kApOverclockedBit;
    const bool verified = WriteAPState(apState);
    diag::Log("NVIDIA overclocked clocks: driver statuses %d %d %d; AP read %d, written %d (%s)", a, b, c,
              apRead, apState, verified ? "verified" : "not verified");
}

void RestoreDefaultClocksNvidia()
{
    const NvPhysicalGpuHandle hGpu = FirstPhysicalGpu();
    const NvAPI_Status a = NvClockModeA(hGpu, 0);
    const NvAPI_Status c = NvClockModeC(hGpu, 1);
    int apState = ReadAPState(detail::kRestoreApFallback);
    const int apRead = apState;
    if (a == NVAPI_OK && c == NVAPI_OK)
        apState &= detail::kApRestoreMask;
    const bool verified = WriteAPState(apState);
    diag::Log("NVIDIA default clocks: driver statuses %d %d; AP read %d, written %d (%s)", a, c, apRead,
              apState, verified ? "verified" : "not verified");
}

} // namespace gpu
