// The settings store: what a first start reads, what is written and read
// back, values that cannot be used, and a key that cannot be written.
#include "AppScenario.h"
#include "LogRecords.h"

#include <vector>

#include "Settings.h"

using namespace apptest;

namespace {

class SettingsStore : public ::testing::Test
{
protected:
    void SetUp() override { ForgetTestSettings(); }
    void TearDown() override { ForgetTestSettings(); }

    static void Store(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, TestSettingsPath(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static bool StoredDword(const wchar_t* name, DWORD* value)
    {
        DWORD size = sizeof *value;
        return RegGetValueW(HKEY_CURRENT_USER, TestSettingsPath(), name, RRF_RT_REG_DWORD, nullptr, value,
                            &size) == ERROR_SUCCESS;
    }

private:
    SeamScope<&SetSettingsKeyForTesting> m_key{SettingsKey{HKEY_CURRENT_USER, TestSettingsPath()}};
};

void ExpectSettings(const StoredSettings& settings, bool overclock, bool acOnly, bool notices)
{
    EXPECT_EQ(settings.overclockChosen, overclock);
    EXPECT_EQ(settings.acOnly, acOnly);
    EXPECT_EQ(settings.notices, notices);
}

TEST_F(SettingsStore, NothingStoredReadsAsOverclockedWithTheOptionsAtTheirDefaults)
{
    const LogMark mark;
    ExpectSettings(LoadSettings(), true, false, true);
    EXPECT_TRUE(mark.RecordsSince().empty()) << "a first start has nothing to report";
}

struct SaveRow
{
    Setting setting;
    bool on;
    const wchar_t* name;
    bool overclock, acOnly, notices; // read back afterwards
};

TEST_F(SettingsStore, EachChangeIsWrittenAsADwordAndReadBack)
{
    const SaveRow rows[] = {
        {Setting::Overclock, false, L"Overclock", false, false, true},
        {Setting::AcOnly, true, L"OnlyOnACPower", false, true, true},
        {Setting::Notices, false, L"Notices", false, true, false},
        {Setting::Overclock, true, L"Overclock", true, true, false},
        {Setting::AcOnly, false, L"OnlyOnACPower", true, false, false},
    };
    for (const SaveRow& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.name) + (row.on ? " on" : " off"));
        EXPECT_TRUE(SaveSetting(row.setting, row.on));
        DWORD value = 99;
        ASSERT_TRUE(StoredDword(row.name, &value));
        EXPECT_EQ(value, row.on ? 1u : 0u);
        ExpectSettings(LoadSettings(), row.overclock, row.acOnly, row.notices);
    }
}

struct BadRow
{
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
};

TEST_F(SettingsStore, AValueOfAnotherTypeOrOutOfRangeCountsAsAbsentAndIsLogged)
{
    const BadRow rows[] = {
        {"DWORD 2", REG_DWORD, {2, 0, 0, 0}},
        {"DWORD 0xFFFFFFFF", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"string \"0\"", REG_SZ, {'0', 0, 0, 0}},
        {"binary of four bytes", REG_BINARY, {0, 0, 0, 0}},
        {"QWORD 0", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"DWORD of two bytes", REG_DWORD, {0, 0}},
        {"empty DWORD", REG_DWORD, {}},
    };
    for (const BadRow& row : rows) {
        SCOPED_TRACE(row.name);
        ForgetTestSettings();
        // Each value would turn its setting over from the default.
        for (const wchar_t* name : {L"Overclock", L"OnlyOnACPower", L"Notices"})
            Store(name, row.type, row.data.data(), static_cast<DWORD>(row.data.size()));
        const LogMark mark;
        ExpectSettings(LoadSettings(), true, false, true);
        for (const char* name : {"Overclock", "OnlyOnACPower", "Notices"}) {
            EXPECT_TRUE(mark.Logged(std::string("stored setting ") + name + " ignored")) << name;
        }
    }
}

TEST_F(SettingsStore, GoodAndBadValuesAreTakenOneByOne)
{
    // The middle one would read as on were its type not looked at.
    const DWORD zero = 0;
    const BYTE one[4] = {1, 0, 0, 0};
    Store(L"Overclock", REG_DWORD, &zero, sizeof zero);
    Store(L"OnlyOnACPower", REG_BINARY, one, sizeof one);
    Store(L"Notices", REG_DWORD, &zero, sizeof zero);
    ExpectSettings(LoadSettings(), false, false, false);
}

TEST_F(SettingsStore, AKeyThatCannotBeWrittenFailsTheWriteAndIsLogged)
{
    {
        UnwritableSettings unwritable;
        ASSERT_TRUE(unwritable.Ready());
        const LogMark mark;
        EXPECT_FALSE(SaveSetting(Setting::Overclock, false));
        EXPECT_TRUE(mark.Logged("setting Overclock not stored"));
        ExpectSettings(LoadSettings(), true, false, true);
    }
    ExpectSettings(LoadSettings(), true, false, true);
}

} // namespace
