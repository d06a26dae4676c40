// The tray menu for people who use a screen reader: standard text entries,
// which assistive technology reads aloud, where the owner-drawn ones carry
// no text it can read.
#pragma once
#include <windows.h>

#include <memory>

#include "Menu.h"

using ScreenReaderFn = bool (*)();

// True while the system says a screen reader is running.
bool ScreenReaderRunning();
// Replaces the question and returns the previous one (tests only).
ScreenReaderFn SetScreenReaderForTesting(ScreenReaderFn fn);

// What the tray menu shows.
struct TrayMenuState
{
    bool available; // the firmware offers the feature: the mode entries are selectable
    bool enabled;   // the user's choice is the overclocked clocks
    bool acOnly;    // "Only on AC power" is checked
    bool notices;   // "Notices" is checked
};

// Enable, Disable, separator, Only on AC power, Notices, separator, About,
// separator, Exit as plain text entries; the chosen mode carries the radio
// check, each option that is on a check mark, and both mode entries are
// grayed while the feature is unavailable. nullptr when the menu cannot be
// made.
std::unique_ptr<CMenu> BuildTextTrayMenu(const TrayMenuState& state);
