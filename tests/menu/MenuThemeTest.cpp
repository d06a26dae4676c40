// What the palette is chosen from, read where the system keeps it: the app
// theme in the user's registry, high contrast through its question (Wine
// cannot turn it on), the system colours of the moment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MenuTheme.h"

namespace {

const wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const wchar_t kValue[] = L"AppsUseLightTheme";

// The user's AppsUseLightTheme as it was, put back at the end of the test.
class SavedAppTheme
{
public:
    SavedAppTheme()
    {
        DWORD size = 0;
        m_had = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &m_type, nullptr, &size) ==
                ERROR_SUCCESS;
        if (m_had) {
            m_data.resize(size);
            RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &m_type, m_data.data(), &size);
        }
    }
    ~SavedAppTheme()
    {
        if (m_had)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, m_type, m_data.data(), DWORD(m_data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
    SavedAppTheme(const SavedAppTheme&) = delete;
    SavedAppTheme& operator=(const SavedAppTheme&) = delete;

private:
    bool m_had = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_data;
};

bool g_highContrast = false;
bool FakeHighContrast()
{
    return g_highContrast;
}

} // namespace

TEST(MenuTheme, OnlyTheDwordZeroMakesTheAppThemeDark)
{
    const SavedAppTheme saved;
    const DWORD zero = 0, one = 1, two = 2;
    const ULONGLONG zero64 = 0;
    const struct
    {
        const char* name;
        DWORD type; // REG_NONE: the value is absent
        const void* data;
        DWORD size;
        bool dark;
    } rows[] = {
        {"absent", REG_NONE, nullptr, 0, false},
        {"DWORD 0", REG_DWORD, &zero, sizeof zero, true},
        {"DWORD 1", REG_DWORD, &one, sizeof one, false},
        {"DWORD 2", REG_DWORD, &two, sizeof two, false},
        {"the text 0", REG_SZ, L"0", sizeof L"0", false},
        {"a QWORD 0", REG_QWORD, &zero64, sizeof zero64, false},
        {"four zero bytes", REG_BINARY, &zero, sizeof zero, false},
        {"an empty DWORD", REG_DWORD, &zero, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
        if (row.type != REG_NONE) {
            ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, row.type, row.data, row.size),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(AppsUseDarkTheme(), row.dark);
        EXPECT_EQ(ReadMenuTheme().bDark, row.dark);
    }
}

TEST(MenuTheme, HighContrastAndTheSystemColoursAreReadAtEachCall)
{
    const HighContrastFn previous = SetHighContrastForTesting(&FakeHighContrast);
    for (bool on : {true, false, true}) {
        g_highContrast = on;
        EXPECT_EQ(HighContrastOn(), on);
        EXPECT_EQ(ReadMenuTheme().bHighContrast, on);
    }

    const INT element = COLOR_HIGHLIGHT;
    const COLORREF before = GetSysColor(element);
    const COLORREF changed = RGB(1, 2, 3);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    EXPECT_EQ(ReadMenuTheme().clrHighlight, changed);
    SetSysColors(1, &element, &before);
    EXPECT_EQ(ReadMenuTheme().clrHighlight, before);
    SetHighContrastForTesting(previous);
}
