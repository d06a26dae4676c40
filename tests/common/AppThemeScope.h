// The user's app theme (AppsUseLightTheme under HKCU\...\Personalize) as a
// test writes it, put back as it was however the test ends.
#pragma once
#include <windows.h>

#include <vector>

class AppThemeScope
{
public:
    AppThemeScope()
    {
        DWORD size = 0;
        m_had = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &m_type, nullptr, &size) ==
                ERROR_SUCCESS;
        if (m_had) {
            m_data.resize(size);
            RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &m_type, m_data.data(), &size);
        }
    }
    ~AppThemeScope()
    {
        if (m_had)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, m_type, m_data.data(), DWORD(m_data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
    AppThemeScope(const AppThemeScope&) = delete;
    AppThemeScope& operator=(const AppThemeScope&) = delete;

    // Writes the value as given; REG_NONE removes it.
    bool Write(DWORD type, const void* data, DWORD size)
    {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
        return type == REG_NONE ||
               RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, type, data, size) == ERROR_SUCCESS;
    }
    bool SetLight(bool light)
    {
        const DWORD value = light ? 1 : 0;
        return Write(REG_DWORD, &value, sizeof value);
    }

private:
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    static constexpr const wchar_t* kValue = L"AppsUseLightTheme";
    bool m_had = false;
    DWORD m_type = REG_NONE;
    std::vector<BYTE> m_data;
};
