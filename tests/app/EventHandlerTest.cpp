// Firmware events, power broadcasts and session changes, row by row: the
// waits asked for, the firmware commands, the clock calls and the flags.
#include "AppScenario.h"

#include <wtsapi32.h>

#include <cstring>
#include <optional>

#include "MainState.h"

using namespace apptest;

namespace {

std::optional<std::string> ReplyOf(const char* text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

// The dialog as start-up leaves it with the NVIDIA backend, not created:
// the handlers are called directly.
class Handlers : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
    }

    std::unique_ptr<CKorvaneDlg> Dialog(bool available, bool enabled)
    {
        auto dlg = std::make_unique<CKorvaneDlg>();
        StartNvidia(*dlg);
        dlg->m_bOCAvailable = available;
        dlg->m_bOCEnabled = enabled;
        firmware->ap = "6";
        g_bSessionActive = TRUE;
        Mark();
        return dlg;
    }
};

struct QelRow
{
    const char* name;
    WPARAM code;
    bool enabled;
    bool availableBefore;
    const char* system0; // nullptr: the query fails
    const char* system1;
    Steps steps;
    bool availableAfter;
    bool onACAfter;
};

TEST_F(Handlers, FirmwareEvents)
{
    const Steps waitThen0 = {Wait(3000), Pipe(kSystem0)};
    const Steps waitThen1 = {Wait(3000), Pipe(kSystem1)};
    const Steps waitThenBoth = {Wait(3000), Pipe(kSystem1), Pipe(kSystem0)};
    const QelRow rows[] = {
        {"0x60 available, overclock chosen", 0x60, true, false, "2", "0", waitThen0 + NvidiaApply(6), true,
         true},
        {"0x60 available, default chosen", 0x60, false, false, "2", "0", waitThen0, true, true},
        {"0x60 unavailable", 0x60, true, true, "4", "0", waitThen0 + NvidiaRestore(6), false, true},
        {"0x60 query fails", 0x60, true, true, nullptr, "0", waitThen0 + NvidiaRestore(6), false, true},
        {"0x160 acts as 0x60", 0x160, true, false, "2", "0", waitThen0 + NvidiaApply(6), true, true},
        {"0x5D forced by System:1, System:0 not asked", 0x5D, true, true, "4", "1",
         waitThen1 + NvidiaRestore(6), false, true},
        {"0x5D forced by System:0 bit 4", 0x5D, true, true, "4", "0", waitThenBoth + NvidiaRestore(6), false,
         true},
        {"0x5D neither", 0x5D, true, true, "3", "2", waitThenBoth, true, true},
        {"0x79 forced by System:1", 0x79, true, true, "0", "1", waitThen1 + NvidiaRestore(6), false, true},
        {"0x79 neither, available kept", 0x79, true, true, "3", "2", waitThenBoth, true, true},
        {"0x79 neither, unavailable kept", 0x79, true, false, "3", "2", waitThenBoth, false, true},
        {"0x79 both queries fail", 0x79, true, true, nullptr, nullptr, waitThenBoth, true, true},
        {"0x39 battery", 0x39, true, true, "4", "1", {}, true, false},
        {"unknown 0x42", 0x42, true, true, "4", "1", {}, true, true},
        {"0x100 has low byte 0", 0x100, true, false, "2", "1", {}, false, true},
    };
    for (const QelRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto dlg = Dialog(row.availableBefore, row.enabled);
        ASSERT_FALSE(HasFatalFailure());
        dlg->m_bOnAC = true;
        firmware->system0 = ReplyOf(row.system0);
        firmware->system1 = ReplyOf(row.system1);

        EXPECT_EQ(dlg->OnQelEvent(row.code, 0x1234), 1);
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_EQ(dlg->m_bOCAvailable, row.availableAfter);
        EXPECT_EQ(dlg->m_bOCEnabled, row.enabled) << "the user's choice is kept";
        EXPECT_EQ(dlg->m_bOnAC, row.onACAfter);
    }
}

// A power-setting record as the system passes it: GUID, data length, data.
struct Setting
{
    GUID guid;
    DWORD length;
    DWORD value;
};

class SettingRecord
{
public:
    explicit SettingRecord(const Setting& setting)
    {
        std::memcpy(m_bytes, &setting.guid, sizeof(GUID));
        std::memcpy(m_bytes + 4, &setting.length, sizeof(DWORD));
        std::memcpy(m_bytes + 5, &setting.value, sizeof(DWORD));
    }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(m_bytes); }

private:
    DWORD m_bytes[8] = {};
};

const GUID kAcDcPowerSource = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};
// GUID_CONSOLE_DISPLAY_STATE
const GUID kDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};

struct PowerRow
{
    const char* name;
    WPARAM type;
    std::optional<Setting> setting; // else lParam is raw
    LPARAM raw;
    bool onACBefore;
    LRESULT result;
    Steps steps;
    bool availableAfter;
    bool onACAfter;
};

TEST_F(Handlers, PowerBroadcasts)
{
    const Steps resume = Steps{Wait(2000)} + NvidiaRestore(6);
    const PowerRow rows[] = {
        {"resume from suspend", PBT_APMRESUMESUSPEND, std::nullopt, 0, true, 0, resume, false, true},
        {"resume with a non-zero lParam", PBT_APMRESUMESUSPEND, std::nullopt, 0x7, true, 1, resume, false,
         true},
        {"automatic resume alone", PBT_APMRESUMEAUTOMATIC, std::nullopt, 0, true, 0, {}, true, true},
        {"suspend", PBT_APMSUSPEND, std::nullopt, 0, true, 0, {}, true, true},
        {"setting change without a record",
         PBT_POWERSETTINGCHANGE,
         std::nullopt,
         0,
         false,
         0,
         {},
         true,
         false},
        {"AC power", PBT_POWERSETTINGCHANGE, Setting{kAcDcPowerSource, 4, 0}, 0, false, 1, {}, true, true},
        {"battery", PBT_POWERSETTINGCHANGE, Setting{kAcDcPowerSource, 4, 1}, 0, true, 1, {}, true, false},
        {"short-term source on AC",
         PBT_POWERSETTINGCHANGE,
         Setting{kAcDcPowerSource, 4, 2},
         0,
         true,
         1,
         {},
         true,
         true},
        {"short-term source on battery",
         PBT_POWERSETTINGCHANGE,
         Setting{kAcDcPowerSource, 4, 2},
         0,
         false,
         1,
         {},
         true,
         false},
        {"another setting",
         PBT_POWERSETTINGCHANGE,
         Setting{kDisplayState, 4, 0},
         0,
         false,
         1,
         {},
         true,
         false},
        {"wrong length 2",
         PBT_POWERSETTINGCHANGE,
         Setting{kAcDcPowerSource, 2, 0},
         0,
         false,
         1,
         {},
         true,
         false},
        {"wrong length 8",
         PBT_POWERSETTINGCHANGE,
         Setting{kAcDcPowerSource, 8, 0},
         0,
         false,
         1,
         {},
         true,
         false},
        // Other broadcasts carry no record: their lParam is never read.
        {"status change, lParam 1", PBT_APMPOWERSTATUSCHANGE, std::nullopt, 1, true, 1, {}, true, true},
        {"status change, lParam 0xDEADBEEF",
         PBT_APMPOWERSTATUSCHANGE,
         std::nullopt,
         LPARAM(0xDEADBEEF),
         false,
         1,
         {},
         true,
         false},
        {"unknown type, lParam 0xDEADBEEF", 0x42, std::nullopt, LPARAM(0xDEADBEEF), true, 1, {}, true, true},
    };
    for (const PowerRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto dlg = Dialog(true, true);
        ASSERT_FALSE(HasFatalFailure());
        dlg->m_bOnAC = row.onACBefore;
        std::optional<SettingRecord> record;
        if (row.setting)
            record.emplace(*row.setting);

        EXPECT_EQ(dlg->OnPowerBroadcast(row.type, record ? record->Address() : row.raw), row.result);
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_EQ(dlg->m_bOCAvailable, row.availableAfter);
        EXPECT_TRUE(dlg->m_bOCEnabled);
        EXPECT_EQ(dlg->m_bOnAC, row.onACAfter);
    }
}

TEST_F(Handlers, SessionChangesMoveTheGateAndReadAvailabilityOnly)
{
    // -1: the gate stays as it was.
    const int gateAfter[11] = {-1, 1, 0, -1, -1, 1, 0, 0, 1, -1, -1};
    for (UINT code = 0; code <= 10; ++code) {
        for (BOOL gateBefore : {FALSE, TRUE}) {
            SCOPED_TRACE("code " + std::to_string(code) + ", gate " + std::to_string(gateBefore));
            // The answer differs from the flag held, so each row shows it is read again.
            auto dlg = Dialog(!gateBefore, true);
            ASSERT_FALSE(HasFatalFailure());
            g_bSessionActive = gateBefore;
            firmware->system0 = gateBefore ? ReplyOf("2") : std::nullopt;

            dlg->OnSessionChange(code, 5);
            EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)}) << "no wait, no clock change";
            EXPECT_EQ(g_bSessionActive, gateAfter[code] < 0 ? gateBefore : gateAfter[code]);
            EXPECT_EQ(dlg->m_bOCAvailable, gateBefore != FALSE);
            EXPECT_TRUE(dlg->m_bOCEnabled);
        }
    }
}

struct LockedRow
{
    const char* name;
    std::vector<UINT> closedBy;
    void (*act)(CKorvaneDlg&);
    bool availableBefore;
    bool enabledBefore;
    Steps steps;
    bool availableAfter;
    bool enabledAfter;
};

TEST_F(Handlers, WhileTheSessionIsInactiveOnlyFlagsChange)
{
    const LockedRow rows[] = {
        {"Enable",
         {WTS_SESSION_LOCK},
         [](CKorvaneDlg& d) { d.OnCommand(IDM_ENABLE, 0); },
         true,
         false,
         {},
         true,
         true},
        {"Disable",
         {WTS_SESSION_LOCK},
         [](CKorvaneDlg& d) { d.OnCommand(IDM_DISABLE, 0); },
         true,
         true,
         {},
         true,
         false},
        {"Exit",
         {WTS_SESSION_LOCK},
         [](CKorvaneDlg& d) { d.OnCommand(IDM_EXIT, 0); },
         true,
         true,
         {},
         true,
         false},
        {"Enable after console disconnect and remote connect",
         {WTS_CONSOLE_DISCONNECT, WTS_REMOTE_CONNECT},
         [](CKorvaneDlg& d) { d.OnCommand(IDM_ENABLE, 0); },
         true,
         false,
         {},
         true,
         true},
        {"0x60 available",
         {WTS_SESSION_LOCK},
         [](CKorvaneDlg& d) { d.OnQelEvent(0x60, 0); },
         false,
         true,
         {Wait(3000), Pipe(kSystem0)},
         true,
         true},
        {"0x5D forced",
         {WTS_SESSION_LOCK},
         [](CKorvaneDlg& d) { d.OnQelEvent(0x5D, 0); },
         true,
         true,
         {Wait(3000), Pipe(kSystem1)},
         false,
         true},
        {"resume",
         {WTS_SESSION_LOGOFF},
         [](CKorvaneDlg& d) { d.OnPowerBroadcast(PBT_APMRESUMESUSPEND, 0); },
         true,
         true,
         {Wait(2000)},
         false,
         true},
    };
    for (const LockedRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto dlg = Dialog(row.availableBefore, row.enabledBefore);
        ASSERT_FALSE(HasFatalFailure());
        firmware->system0 = "2";
        firmware->system1 = "1";
        for (UINT code : row.closedBy)
            dlg->OnSessionChange(code, 1);
        ASSERT_EQ(g_bSessionActive, FALSE);
        dlg->m_bOCAvailable = row.availableBefore;
        Mark();

        row.act(*dlg);
        EXPECT_EQ(Recorded(), row.steps) << "no AP command, no driver call";
        EXPECT_EQ(dlg->m_bOCAvailable, row.availableAfter);
        EXPECT_EQ(dlg->m_bOCEnabled, row.enabledAfter);

        // Opening the gate again applies nothing by itself.
        Mark();
        dlg->OnSessionChange(WTS_SESSION_UNLOCK, 1);
        EXPECT_EQ(g_bSessionActive, TRUE);
        EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)});
    }
}

} // namespace
