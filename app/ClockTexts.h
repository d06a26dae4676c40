// What the tray icon says about the clocks: its tip and its notices.
#pragma once
#include <windows.h>

#include "ClockPolicy.h"

// What brought the clocks in force about.
enum class ClockCause {
    User,                // the user's own choice or click
    FirmwareUnavailable, // start-up found the feature unavailable
    FirmwareWithdrew,    // a firmware event took the feature away or forced the default clocks
    FirmwareOffers,      // firmware event 0x60 offered the feature again
    Resume,              // resume from suspend
    OnBattery,           // the power source went to battery
    BackOnAC,            // the power source came back to AC power
};

// The tray tip: "QEL Korvane", then on a second line the clocks in force
// and, when they differ from the user's choice, why ("Default clocks:
// running on battery").
void TrayTipText(ClocksInForce inForce, HoldReason difference, wchar_t (&out)[128]);

// The notice for clocks cause put in force ("Overclocked again: back on AC
// power").
void NoticeText(ClocksInForce inForce, ClockCause cause, wchar_t (&out)[256]);

// For the log.
const char* ClockCauseName(ClockCause cause);
const char* ClocksName(ClocksInForce inForce);
