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

// Enable, Disable, separator, About, separator, Exit as plain text entries;
// the chosen mode carries the radio check, and both mode entries are grayed
// while the feature is unavailable. nullptr when the menu cannot be made.
std::unique_ptr<CMenu> BuildTextTrayMenu(bool bAvailable, bool bEnabled);
