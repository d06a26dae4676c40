#include "Settings.h"

#include "Seam.h"
#include "diag/DiagnosticLog.h"

namespace {

SettingsKey g_key = {HKEY_CURRENT_USER, L"Software\\Korvane"};

struct SettingName
{
    const wchar_t* value; // the registry value
    const char* log;      // the same, for the log
};

const SettingName& NameOf(Setting setting)
{
    static const SettingName kNames[] = {
        {L"Overclock", "Overclock"}, {L"OnlyOnACPower", "OnlyOnACPower"}, {L"Notices", "Notices"}};
    return kNames[static_cast<int>(setting)];
}

class KeyOwner
{
public:
    KeyOwner() = default;
    ~KeyOwner()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    KeyOwner(const KeyOwner&) = delete;
    KeyOwner& operator=(const KeyOwner&) = delete;
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// The stored value of setting, or fallback when it is missing or unusable.
bool ReadValue(HKEY key, Setting setting, bool fallback)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = ::RegQueryValueExW(key, NameOf(setting).value, nullptr, &type,
                                           reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return fallback;
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value || value > 1) {
        diag::Log("stored setting %s ignored (status %ld, type %lu, size %lu, value %lu): %s is used",
                  NameOf(setting).log, status, type, size, status == ERROR_SUCCESS ? value : 0UL,
                  fallback ? "on" : "off");
        return fallback;
    }
    return value == 1;
}

} // namespace

SettingsKey SetSettingsKeyForTesting(const SettingsKey& key)
{
    return Swap(g_key, key);
}

StoredSettings LoadSettings()
{
    StoredSettings settings;
    KeyOwner key;
    const LONG status = ::RegOpenKeyExW(g_key.root, g_key.path, 0, KEY_QUERY_VALUE, key.Receive());
    if (status != ERROR_SUCCESS) {
        if (status != ERROR_FILE_NOT_FOUND)
            diag::Log("stored settings cannot be read (status %ld): the defaults are used", status);
        return settings;
    }
    settings.overclockChosen = ReadValue(key.Get(), Setting::Overclock, settings.overclockChosen);
    settings.acOnly = ReadValue(key.Get(), Setting::AcOnly, settings.acOnly);
    settings.notices = ReadValue(key.Get(), Setting::Notices, settings.notices);
    return settings;
}

bool SaveSetting(Setting setting, bool on)
{
    KeyOwner key;
    LONG status = ::RegCreateKeyExW(g_key.root, g_key.path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (status == ERROR_SUCCESS) {
        const DWORD value = on ? 1 : 0;
        status = ::RegSetValueExW(key.Get(), NameOf(setting).value, 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    if (status != ERROR_SUCCESS) {
        diag::Log("setting %s not stored (status %ld)", NameOf(setting).log, status);
        return false;
    }
    diag::Log("setting %s stored: %d", NameOf(setting).log, on ? 1 : 0);
    return true;
}
