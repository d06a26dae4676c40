// Power broadcasts and session changes sent to the main window.
#include "KorvaneTest.h"

namespace e2e {
namespace {

class PowerSession : public KorvaneTest
{};

constexpr WPARAM kApmSuspend = 4;
constexpr WPARAM kApmResumeSuspend = 7;
constexpr WPARAM kApmPowerStatusChange = 10;
constexpr WPARAM kApmResumeAutomatic = 0x12;

TEST_F(PowerSession, ResumeWaitsThenRestoresDefaultsAndGraysTheModeEntries)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_EQ(notebook->ClockMode(), "overclocked");

    // Broadcasts other than the user's resume change nothing.
    for (WPARAM type : {kApmSuspend, kApmPowerStatusChange, kApmResumeAutomatic}) {
        Mark();
        LRESULT result = -1;
        ASSERT_TRUE(drive::SendPowerBroadcast(main, type, 0, &result));
        EXPECT_EQ(result, 0) << "no power-setting record, result 0";
        EXPECT_EQ(CommandsSinceMark(), Commands()) << type;
    }

    Mark();
    const ULONGLONG sent = GetTickCount64();
    LRESULT result = -1;
    ASSERT_TRUE(drive::SendPowerBroadcast(main, kApmResumeSuspend, 0, &result));
    EXPECT_GE(GetTickCount64() - sent, 1900u) << "the handler waits 2000 ms";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(0));
    EXPECT_EQ(ClockCallsSinceMark(), NvRestoreCalls());
    EXPECT_EQ(notebook->ClockMode(), "default");

    // The feature counts as unavailable now: Enable is grayed and does nothing.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    Mark();
    ASSERT_TRUE(drive::ChooseFromMenu(menu, drive::MenuEntry::Enable));
    ASSERT_NO_FATAL_FAILURE(FlushPostedMessages());
    EXPECT_EQ(CommandsSinceMark(), Commands());
    EXPECT_EQ(notebook->ClockMode(), "default");
}

// Each session change opens, closes or keeps the gate of the clock
// operations and reads the feature's availability again; none changes a
// clock itself. The gate is probed with the menu's Enable command.
TEST_F(PowerSession, SessionChangesGateTheClockOperations)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    struct Change
    {
        WPARAM code;
        bool openAfter;
    };
    const Change changes[] = {
        {7, false}, // WTS_SESSION_LOCK
        {3, false}, // WTS_REMOTE_CONNECT: unchanged
        {8, true},  // WTS_SESSION_UNLOCK
        {4, true},  // WTS_REMOTE_DISCONNECT: unchanged
        {2, false}, // WTS_CONSOLE_DISCONNECT
        {9, false}, // unknown: unchanged
        {1, true},  // WTS_CONSOLE_CONNECT
        {6, false}, // WTS_SESSION_LOGOFF
        {5, true},  // WTS_SESSION_LOGON
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.code);
        Mark();
        ASSERT_TRUE(drive::SendSessionChange(main, change.code));
        EXPECT_EQ(CommandsSinceMark(), Commands{drive::kQuerySystem0});
        EXPECT_EQ(ClockCallsSinceMark(), Commands()) << "a session change touches no clock";

        Mark();
        ASSERT_TRUE(SendCommand(drive::kMenuEnable));
        EXPECT_EQ(CommandsSinceMark(), change.openAfter ? drive::ClockOperation(1) : Commands());
        EXPECT_EQ(ClockCallsSinceMark(), change.openAfter ? NvApplyCalls() : Commands());
    }
}

TEST_F(PowerSession, LockedSessionKeepsTheClocksUntilTheUserActsAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_TRUE(drive::SendSessionChange(main, 7));

    // Disable while locked: remembered, but no clock change and no AP write.
    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    EXPECT_EQ(CommandsSinceMark(), Commands());
    EXPECT_EQ(notebook->ClockMode(), "overclocked");

    // Unlocking applies nothing by itself.
    Mark();
    ASSERT_TRUE(drive::SendSessionChange(main, 8));
    EXPECT_EQ(CommandsSinceMark(), Commands{drive::kQuerySystem0});
    EXPECT_EQ(notebook->ClockMode(), "overclocked");

    // The remembered choice shows in the menu: Disable carries the mark, so
    // the user's Disable now acts.
    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(0));
    EXPECT_EQ(notebook->ClockMode(), "default");
}

TEST_F(PowerSession, AfterLogoffClosingChangesNoClock)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_TRUE(drive::SendSessionChange(main, 6));
    Mark();
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(CommandsSinceMark(), Commands());
    EXPECT_EQ(ClockCallsSinceMark(), Commands());
    EXPECT_EQ(notebook->ClockMode(), "overclocked") << "the logged-off session's clocks stay";
    EXPECT_EQ(ApState(), 1);
}

} // namespace
} // namespace e2e
