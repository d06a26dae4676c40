// Clock modes on AMD hardware: adapter 0 set to its maximum or default clocks.
#include "gpu/AdlBackend.h"
#include "gpu/ApStateBits.h"
#include "gpu/ClockModes.h"

#include "diag/DiagnosticLog.h"
#include "firmware/PipeProtocol.h"

namespace gpu {

namespace {

constexpr int kFirstAdapter = 0;

ADLAdapterODClockConfig MakeClockConfig(const ADLAdapterODClockInfo& info, int memoryClock, int engineClock)
{
    ADLAdapterODClockConfig config{};
    config.iSize = sizeof(ADLAdapterODClockConfig);
    config.iFlags = info.iFlags;
    config.iMemoryClock = memoryClock;
    config.iEngineClock = engineClock;
    return config;
}

} // namespace

void ApplyOverclockAmd(const ADLAdapterODClockInfo& info)
{
    int apState = ReadAPState(detail::kApplyApFallback);
    const int apRead = apState;
    ADLAdapterODClockConfig config =
        MakeClockConfig(info, info.sMemoryClock.iMaxClock, info.sEngineClock.iMaxClock);
    const int result = AdlSetODClockConfig(kFirstAdapter, &config);
    if (result == ADL_OK)
        apState |= detail::kApOverclockedBit;
    const bool verified = WriteAPState(apState);
    diag::Log("AMD overclocked clocks (engine %d, memory %d): driver status %d; AP read %d, written %d (%s)",
              config.iEngineClock, config.iMemoryClock, result, apRead, apState,
              verified ? "verified" : "not verified");
}

void RestoreDefaultClocksAmd(const ADLAdapterODClockInfo& info)
{
    ADLAdapterODClockConfig config =
        MakeClockConfig(info, info.sMemoryClock.iDefaultClock, info.sEngineClock.iDefaultClock);
    const int result = AdlSetODClockConfig(kFirstAdapter, &config);
    int apState = ReadAPState(detail::kRestoreApFallback);
    const int apRead = apState;
    if (result == ADL_OK)
        apState &= detail::kApRestoreMask;
    const bool verified = WriteAPState(apState);
    diag::Log("AMD default clocks (engine %d, memory %d): driver status %d; AP read %d, written %d (%s)",
              config.iEngineClock, config.iMemoryClock, result, apRead, apState,
              verified ? "verified" : "not verified");
}

} // namespace gpu
