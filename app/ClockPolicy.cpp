#include "ClockPolicy.h"

ClockDecision DecideClocks(const ClockState& state)
{
    if (!state.chosen)
        return {false, HoldReason::NotChosen};
    // Before availability: a user's Enable runs even while the firmware
    // withholds the feature, and only the power condition holds it back.
    if (state.acOnly && !state.onAC)
        return {false, HoldReason::OnBattery};
    if (!state.available)
        return {false, HoldReason::Unavailable};
    if (!state.sessionActive)
        return {false, HoldReason::SessionInactive};
    return {true, HoldReason::None};
}

HoldReason ClocksDifferBecause(ClocksInForce inForce, const ClockState& state)
{
    if (inForce == (state.chosen ? ClocksInForce::Overclocked : ClocksInForce::Default))
        return HoldReason::None;
    const ClockDecision decision = DecideClocks(state);
    if (inForce == ClocksInForce::Default && !decision.overclock)
        return decision.reason;
    return HoldReason::SessionInactive;
}

const char* HoldReasonText(HoldReason reason)
{
    // In the order of HoldReason.
    static const char* const kTexts[] = {
        "",
        "the default clocks are chosen",
        "running on battery",
        "the firmware does not offer the overclock",
        "held back while the session was not active",
    };
    return kTexts[static_cast<int>(reason)];
}
