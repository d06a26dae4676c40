// The user's settings, kept under HKCU\Software\Korvane as REG_DWORD values
// of 0 or 1: "Overclock" (the chosen clocks: 1 overclocked, 0 default),
// "OnlyOnACPower" and "Notices". Read at start-up, each written when it
// changes. A value that is missing, of another type or out of range counts
// as absent (the latter two with a log record); a write that fails is
// logged and changes nothing else.
#pragma once
#include <windows.h>

struct StoredSettings
{
    bool overclockChosen = true;
    bool acOnly = false;
    bool notices = true;
};

enum class Setting { Overclock, AcOnly, Notices };

StoredSettings LoadSettings();
// False when the value could not be written.
bool SaveSetting(Setting setting, bool on);

// Where the settings are kept: root\path.
struct SettingsKey
{
    HKEY root;
    const wchar_t* path;
};
// Puts the settings under key instead and returns the previous place (tests
// only; path must outlive its use).
SettingsKey SetSettingsKeyForTesting(const SettingsKey& key);
