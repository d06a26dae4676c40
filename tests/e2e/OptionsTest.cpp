// The user's choice and the two options from outside: stored in the Wine
// prefix's HKCU across a restart, "only on AC power" following real power
// broadcasts once they have held, its notice, and the command line.
#include "KorvaneTest.h"

#include "StoredSettings.h"
#include "Tray.h"

namespace e2e {
namespace {

class Options : public KorvaneTest
{};

TEST_F(Options, TheChoiceSurvivesARestart)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_NO_FATAL_FAILURE(ChooseAndSettle(drive::MenuEntry::Disable, 3));
    DWORD stored = 99;
    ASSERT_TRUE(drive::StoredSetting(L"Overclock", &stored));
    EXPECT_EQ(stored, 0u);
    EXPECT_EQ(CloseKorvane(), 0);

    ASSERT_NO_FATAL_FAILURE(Relaunch());
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(0)) << "start-up restores the chosen default clocks";
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_EQ(ApState(), 0);
}

TEST_F(Options, OnlyOnACPowerFollowsThePowerSourceOnceTheChangeHasHeld)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    std::string output;
    ASSERT_EQ(RunCommand(L"/ac-only on", &output), 0u);
    EXPECT_EQ(output, "/ac-only on: done.\r\n");
    DWORD stored = 0;
    ASSERT_TRUE(drive::StoredSetting(L"OnlyOnACPower", &stored));
    EXPECT_EQ(stored, 1u);

    // Unplugged: nothing until the change has held for the settle time.
    Mark();
    const ULONGLONG unplugged = GetTickCount64();
    ASSERT_TRUE(drive::SendPowerSource(main, 1));
    EXPECT_EQ(CommandsSinceMark(), Commands());
    ASSERT_TRUE(WaitForCommands(3, 10000));
    EXPECT_GE(GetTickCount64() - unplugged, 2900u) << "the settle time is about 3 s";
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(0));
    EXPECT_EQ(ClockCallsSinceMark(), NvRestoreCalls());
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_TRUE(drive::WaitUntil([] { return drive::FindNoticeBalloon() != nullptr; }, 10000))
        << "the notice shows from the tray";
    ASSERT_EQ(RunCommand(L"/status", &output), 0u);
    EXPECT_NE(output.find("only on AC power: on\r\n"), std::string::npos) << output;
    EXPECT_NE(output.find("clocks now: default, running on battery\r\n"), std::string::npos) << output;

    // A wiggle shorter than the settle time switches nothing.
    Mark();
    ASSERT_TRUE(drive::SendPowerSource(main, 0));
    Sleep(1000);
    ASSERT_TRUE(drive::SendPowerSource(main, 1));
    EXPECT_FALSE(WaitForCommands(1, 4500));
    EXPECT_EQ(notebook->ClockMode(), "default");

    // Back on AC power: the choice comes back.
    Mark();
    ASSERT_TRUE(drive::SendPowerSource(main, 0));
    ASSERT_TRUE(WaitForCommands(3, 10000));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(1));
    EXPECT_EQ(notebook->ClockMode(), "overclocked");
}

TEST_F(Options, NoticesOffFromTheCommandLineShowsNoBalloon)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    std::string output;
    ASSERT_EQ(RunCommand(L"--NOTICES OFF", &output), 0u);
    DWORD stored = 1;
    ASSERT_TRUE(drive::StoredSetting(L"Notices", &stored));
    EXPECT_EQ(stored, 0u);
    ASSERT_TRUE(notebook->Firmware().Control("set system1 1"));
    Mark();
    ASSERT_TRUE(notebook->Firmware().Control("event 93")); // 0x5D
    ASSERT_TRUE(WaitForCommands(4, 15000));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_FALSE(drive::WaitUntil([] { return drive::FindNoticeBalloon() != nullptr; }, 5000));
    ASSERT_EQ(RunCommand(L"/status", &output), 0u);
    EXPECT_NE(output.find("notices: off\r\n"), std::string::npos) << output;
    EXPECT_EQ(RunCommand(L"/notices maybe", &output), 2u);
    EXPECT_NE(output.find("usage:"), std::string::npos);
}

} // namespace
} // namespace e2e
