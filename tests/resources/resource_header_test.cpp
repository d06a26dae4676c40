// The identifiers the code shares with the resource script.
#include "resource.h"
#include "version.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ResourceHeader, IdentifiersHaveTheirNumbers)
{
    const struct
    {
        const char* name;
        int value, expected;
    } ids[] = {
        {"IDD_ABOUTBOX", IDD_ABOUTBOX, 100},
        {"IDS_ABOUTBOX", IDS_ABOUTBOX, 101},
        {"IDS_LEGAL_NOTICE", IDS_LEGAL_NOTICE, 102},
        {"IDS_LEGAL_NOTICE_SHORT", IDS_LEGAL_NOTICE_SHORT, 103},
        {"IDD_KORVANE_DIALOG", IDD_KORVANE_DIALOG, 102},
        {"IDR_MAINFRAME", IDR_MAINFRAME, 130},
        {"IDI_MENU_CHECK_RED", IDI_MENU_CHECK_RED, 131},
        {"IDI_MENU_CHECK_BLACK", IDI_MENU_CHECK_BLACK, 132},
        {"IDI_MENU_ABOUT", IDI_MENU_ABOUT, 133},
        {"IDI_MENU_EXIT", IDI_MENU_EXIT, 134},
        {"IDD_BLANK", IDD_BLANK, 136},
        {"IDC_RADIO_OVERCLOCK", IDC_RADIO_OVERCLOCK, 1000},
        {"IDC_RADIO_DOWNCLOCK", IDC_RADIO_DOWNCLOCK, 1001},
        {"IDC_LEGAL_NOTICE", IDC_LEGAL_NOTICE, 1001},
        {"IDC_VERSION_TEXT", IDC_VERSION_TEXT, 1002},
        {"IDC_STATIC", IDC_STATIC, -1},
    };
    for (const auto& id : ids)
        EXPECT_EQ(id.value, id.expected) << id.name;
}

TEST(ResourceHeader, VersionNumbersAgreeWithTheirText)
{
    const int parts[] = {KORVANE_VERSION_LIST};
    const int named[] = {KORVANE_VERSION_MAJOR, KORVANE_VERSION_MINOR, KORVANE_VERSION_BUILD,
                         KORVANE_VERSION_PATCH};
    EXPECT_EQ(std::memcmp(parts, named, sizeof parts), 0);
    EXPECT_EQ(named[0], 2);
    EXPECT_EQ(named[1], 0);
    EXPECT_EQ(named[2], 1206);
    EXPECT_EQ(named[3], 601);
    EXPECT_STREQ(KORVANE_VERSION_STRING, "2.0.1206.0601");
}

} // namespace
