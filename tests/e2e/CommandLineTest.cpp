// Korvane.exe started with an argument: it steers the running Korvane as its
// menu does, or reports that none runs, and never starts one itself.
#include "KorvaneTest.h"

#include "Files.h"
#include "Tray.h"

namespace e2e {
namespace {

class CommandLine : public KorvaneTest
{
protected:
    // Runs Korvane.exe with arguments from the notebook's folder; its exit
    // status, and its standard output in *output.
    DWORD Run(const wchar_t* arguments, std::string* output) { return RunCommand(arguments, output); }
};

std::string Status(bool available, bool overclocked)
{
    return std::string(available ? "feature: available\r\n" : "feature: not available\r\n") +
           (overclocked ? "clocks chosen: overclocked\r\n" : "clocks chosen: default\r\n") +
           "GPU backend: NVIDIA\r\nsession: active\r\nonly on AC power: off\r\nnotices: on\r\n";
}

TEST_F(CommandLine, StatusFollowsDisableAndEnable)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    const int iconsBefore = drive::TrayIconCount();
    struct Step
    {
        const wchar_t* arguments;
        std::string output;
        Commands commands;
        const char* mode;
    };
    const Step steps[] = {
        {L"/status", Status(true, true), {}, "overclocked"},
        {L"/disable", "/disable: done.\r\n", drive::ClockOperation(0), "default"},
        {L"/STATUS", Status(true, false), {}, "default"},
        {L"--Enable", "/enable: done.\r\n", drive::ClockOperation(1), "overclocked"},
        {L"--status", Status(true, true), {}, "overclocked"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(drive::Narrow(step.arguments));
        Mark();
        std::string output;
        EXPECT_EQ(Run(step.arguments, &output), 0u);
        EXPECT_EQ(output, step.output);
        EXPECT_EQ(CommandsSinceMark(), step.commands);
        EXPECT_EQ(SubscriptionsSinceMark(), 0) << "no second start-up";
        EXPECT_EQ(notebook->ClockMode(), step.mode);
    }
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore) << "no second icon";
    EXPECT_TRUE(korvane.IsRunning());
}

TEST_F(CommandLine, GrayedEnableAndDisableDoNothing)
{
    setup.firmware.system0 = 0;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    for (const wchar_t* arguments : {L"/enable", L"/disable"}) {
        SCOPED_TRACE(drive::Narrow(arguments));
        Mark();
        std::string output;
        EXPECT_EQ(Run(arguments, &output), 0u);
        EXPECT_NE(output.find("nothing done"), std::string::npos) << output;
        EXPECT_EQ(CommandsSinceMark(), Commands());
        EXPECT_EQ(ClockCallsSinceMark(), Commands());
        // The choice made at start-up stays: a plain WM_COMMAND 301 would
        // have changed it.
        EXPECT_EQ(Run(L"/status", &output), 0u);
        EXPECT_EQ(output,
                  Status(false, true) + "clocks now: default, the firmware does not offer the overclock\r\n");
    }
}

TEST_F(CommandLine, ExitEndsKorvaneThroughItsExitCommand)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    const int iconsBefore = drive::TrayIconCount();
    Mark();
    std::string output;
    EXPECT_EQ(Run(L"/exit", &output), 0u);
    EXPECT_EQ(output, "/exit: done.\r\n");
    EXPECT_FALSE(korvane.IsRunning()) << "/exit returned before Korvane ended";
    DWORD status = 1;
    ASSERT_TRUE(korvane.WaitForExit(0, &status));
    EXPECT_EQ(status, 0u);
    ExpectExitRestoredTwiceAndIconGone(iconsBefore);
}

// A script run while the session is locked, disconnected or logged off:
// Korvane would end without restoring the clocks, so it is not ended.
TEST_F(CommandLine, ExitIsRefusedWhileTheSessionIsNotActive)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    struct Gap
    {
        WPARAM closes;
        WPARAM opens;
    };
    // Lock and unlock, console disconnect and connect, logoff and logon.
    const Gap gaps[] = {{7, 8}, {2, 1}, {6, 5}};
    std::string output;
    for (const Gap& gap : gaps) {
        SCOPED_TRACE(gap.closes);
        ASSERT_TRUE(drive::SendSessionChange(main, gap.closes));
        Mark();
        EXPECT_EQ(Run(L"/exit", &output), 4u);
        EXPECT_NE(output.find("Korvane keeps running"), std::string::npos) << output;
        EXPECT_TRUE(korvane.IsRunning());
        EXPECT_EQ(CommandsSinceMark(), Commands());
        EXPECT_EQ(notebook->ClockMode(), "overclocked");
        ASSERT_TRUE(drive::SendSessionChange(main, gap.opens));
    }

    const int iconsBefore = drive::TrayIconCount();
    Mark();
    EXPECT_EQ(Run(L"/exit", &output), 0u);
    EXPECT_EQ(output, "/exit: done.\r\n");
    ExpectExitRestoredTwiceAndIconGone(iconsBefore);
}

TEST_F(CommandLine, WithoutARunningKorvaneNothingStarts)
{
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    ASSERT_TRUE(notebook->StartFirmware());
    const int iconsBefore = drive::TrayIconCount();
    struct Case
    {
        const wchar_t* arguments;
        DWORD status;
        const char* says;
    };
    const Case cases[] = {
        {L"/status", 1, "not running"},  {L"/ENABLE", 1, "not running"},  {L"--disable", 1, "not running"},
        {L"--exit", 1, "not running"},   {L"/bogus", 2, "usage:"},        {L"status", 2, "usage:"},
        {L"-status", 2, "usage:"},       {L"/status /exit", 2, "usage:"}, {L"\"\"", 2, "usage:"},
        {L"/status extra", 2, "usage:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(drive::Narrow(c.arguments));
        std::string output;
        EXPECT_EQ(Run(c.arguments, &output), c.status);
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
    }
    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(log, std::vector<std::string>()) << "no firmware command, no subscription";
    EXPECT_EQ(notebook->NvapiCalls(), Commands()) << "no driver call";
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore) << "no icon";
    EXPECT_EQ(notebook->DiagnosticLog(), Commands()) << "no start recorded";
}

// Windows of the main dialog's class and caption in the order a search over
// the top-level windows meets them.
std::vector<HWND> Namesakes()
{
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t text[32];
            if (GetClassNameW(window, text, 32) && std::wstring(text) == L"#32770" &&
                GetWindowTextW(window, text, 32) && std::wstring(text) == L"NVIDIA Korvane")
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

struct LookAlikeCase
{
    std::string name;
    const wchar_t* mode;
    bool hung;
};

class LookAlike : public CommandLine, public ::testing::WithParamInterface<LookAlikeCase>
{};

// Another program's window with Korvane's class and caption, met by the
// search before Korvane's: /status still reports the real Korvane, and a
// hung look-alike is passed over without waiting for its answer.
TEST_P(LookAlike, StatusReportsTheRealKorvane)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    drive::ChildProcess other;
    ASSERT_TRUE(other.Start(drive::JoinPath(drive::ProgramFolder(), L"korvane-lookalike.exe"),
                            GetParam().mode, drive::ProgramFolder(), {}));
    HWND window = nullptr;
    ASSERT_TRUE(drive::WaitUntil(
        [&] { return (window = drive::FindProcessWindow(other.ProcessId(), L"#32770", nullptr, false)); },
        10000));
    const std::vector<HWND> order = Namesakes();
    ASSERT_EQ(order.size(), 2u);
    ASSERT_EQ(order.front(), window) << "the search meets the look-alike first";
    if (GetParam().hung) {
        ASSERT_TRUE(drive::WaitUntil([&] { return IsHungAppWindow(window) != FALSE; }, 15000))
            << "the look-alike is not taken for hung";
    }

    const ULONGLONG start = GetTickCount64();
    std::string output;
    EXPECT_EQ(Run(L"/status", &output), 0u);
    EXPECT_LT(GetTickCount64() - start, 10000u) << "the look-alike's answer was waited for";
    EXPECT_EQ(output, Status(true, true));
}

INSTANTIATE_TEST_SUITE_P(Windows, LookAlike,
                         ::testing::Values(LookAlikeCase{"answering", L"answering", false},
                                           LookAlikeCase{"hung", L"hung", true}),
                         CaseName<LookAlikeCase>);

} // namespace
} // namespace e2e
