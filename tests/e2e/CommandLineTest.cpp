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
    DWORD Run(const wchar_t* arguments, std::string* output)
    {
        DWORD status = 1000;
        EXPECT_TRUE(notebook->RunKorvane(arguments, 30000, &status, output))
            << drive::Narrow(arguments) << " does not end";
        return status;
    }
};

std::string Status(bool available, bool overclocked)
{
    return std::string(available ? "feature: available\r\n" : "feature: not available\r\n") +
           (overclocked ? "clocks chosen: overclocked\r\n" : "clocks chosen: default\r\n") +
           "GPU backend: NVIDIA\r\nsession: active\r\n";
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
        EXPECT_EQ(output, Status(false, true));
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

} // namespace
} // namespace e2e
