// Which clocks the GPU should run, decided from the state alone. The handlers
// ask this one function and act on its answer; it changes nothing itself.
#pragma once

// Why the overclock is not wanted, in the order the conditions are tested.
enum class HoldReason {
    None,            // the overclock is wanted
    NotChosen,       // the user chose the default clocks
    OnBattery,       // "only on AC power" is on and the notebook runs on battery
    Unavailable,     // the firmware does not offer the feature
    SessionInactive, // the session is locked, disconnected or logged off
};

struct ClockState
{
    bool chosen;        // the user's choice is the overclocked clocks
    bool available;     // the firmware offers the feature
    bool sessionActive; // clock changes are not held back
    bool acOnly;        // the option "only on AC power"
    bool onAC;          // the settled power source is AC power
};

struct ClockDecision
{
    bool overclock;
    HoldReason reason;
};

ClockDecision DecideClocks(const ClockState& state);

// What the program last put in force; Unknown until a clock change has run.
enum class ClocksInForce { Unknown, Default, Overclocked };

// Why the clocks in force differ from the user's choice: None when they
// agree; SessionInactive also when a change was held back by a session that
// has become active since (nothing applies it then but the user).
HoldReason ClocksDifferBecause(ClocksInForce inForce, const ClockState& state);

// The reason as the log, the tooltip and /status word it ("running on
// battery"); empty for None.
const char* HoldReasonText(HoldReason reason);
