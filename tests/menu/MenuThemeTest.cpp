// What the palette is chosen from, read where the system keeps it: the app
// theme in the user's registry, high contrast through its question (Wine
// cannot turn it on), the system colours of the moment.
#include <gtest/gtest.h>

#include "AppThemeScope.h"
#include "MenuTheme.h"
#include "SeamScope.h"

namespace {

bool g_highContrast = false;
bool FakeHighContrast()
{
    return g_highContrast;
}

} // namespace

TEST(MenuTheme, OnlyTheDwordZeroMakesTheAppThemeDark)
{
    AppThemeScope theme;
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
        ASSERT_TRUE(theme.Write(row.type, row.data, row.size));
        EXPECT_EQ(AppsUseDarkTheme(), row.dark);
        EXPECT_EQ(ReadMenuTheme().bDark, row.dark);
    }
}

TEST(MenuTheme, HighContrastAndTheSystemColoursAreReadAtEachCall)
{
    const SeamScope<&SetHighContrastForTesting> highContrast{&FakeHighContrast};
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
}
