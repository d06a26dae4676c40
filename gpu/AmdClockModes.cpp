// Clock modes on AMD hardware: adapter 0 set to its maximum or default clocks.
#include "gpu/AdlBackend.h"
#include "gpu/ApStateBits.h"
#include "gpu/ClockModes.h"

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
    ADLAdapterODClockConfig config =
        MakeClockConfig(info, info.sMemoryClock.iMaxClock, info.sEngineClock.iMaxClock);
    if (AdlSetODClockConfig(kFirstAdapter, &config) == ADL_OK)
        apState |= detail::kApOverclockedBit;
    WriteAPState(apState);
}

void RestoreDefaultClocksAmd(const ADLAdapterODClockInfo& info)
{
    ADLAdapterODClockConfig config =
        MakeClockConfig(info, info.sMemoryClock.iDefaultClock, info.sEngineClock.iDefaultClock);
    const int result = AdlSetODClockConfig(kFirstAdapter, &config);
    int apState = ReadAPState(detail::kRestoreApFallback);
    if (result == ADL_OK)
        apState &= detail::kApRestoreMask;
    WriteAPState(apState);
}

} // namespace gpu
