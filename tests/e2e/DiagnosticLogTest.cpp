// Korvane's diagnostic log, read from outside: what one run records and in
// which order, the bound kept by rotation, and a log that cannot be written.
#include "KorvaneTest.h"

#include "Files.h"

#include <regex>

namespace e2e {
namespace {

class DiagnosticLog : public KorvaneTest
{};

// The index of the first record at or after `from` that contains `text`, or
// the record count when none does.
size_t FindRecord(const std::vector<std::string>& log, size_t from, const std::string& text)
{
    for (size_t i = from; i < log.size(); ++i)
        if (log[i].find(text) != std::string::npos)
            return i;
    return log.size();
}

TEST_F(DiagnosticLog, StartAndAMenuStepAreRecordedInOrder)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    Mark();
    ASSERT_TRUE(drive::ChooseFromMenu(menu, drive::MenuEntry::Disable));
    ASSERT_TRUE(WaitForCommands(3));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CloseKorvane(), 0);

    const std::vector<std::string> log = notebook->DiagnosticLog();
    const std::string expected[] = {
        "Korvane 2.0.1206.0601 starts; Windows ",
        "AMD: neither atiadlxx.dll nor atiadlxy.dll loads",
        "GPU backends: NVIDIA started, AMD not started",
        "firmware root\\WMI:Q:QEL_System:System:0 -> \"2",
        "firmware root\\WMI:S:QEL_AP:AP:6:1 -> ",
        "NVIDIA overclocked clocks: driver statuses 0 0 0; AP read 0, written 1 (verified)",
        "menu command Disable",
        "firmware root\\WMI:Q:QEL_AP:AP:6 -> \"1",
        "firmware root\\WMI:S:QEL_AP:AP:6:0 -> ",
        "NVIDIA default clocks: driver statuses 0 0; AP read 1, written 0 (verified)",
        "WM_CLOSE",
        "main window destroyed: Korvane ends",
    };
    size_t at = 0;
    for (const std::string& text : expected) {
        at = FindRecord(log, at, text);
        ASSERT_LT(at, log.size()) << "no record \"" << text << "\" in its place:\n"
                                  << ::testing::PrintToString(log);
    }
    const std::regex stamp("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} .+");
    for (const std::string& record : log)
        EXPECT_TRUE(std::regex_match(record, stamp)) << record;
}

TEST_F(DiagnosticLog, AFullLogIsMovedAsideAndTheOlderOneReplaced)
{
    constexpr size_t kBound = 256 * 1024;
    // Just under the bound: the start record no longer fits.
    const std::string full = std::string(kBound - 20, 'x') + "\r\n";
    beforeLaunch = [&](drive::Notebook& at) {
        CreateDirectoryW(at.PathOf(L"Korvane").c_str(), nullptr);
        drive::WriteTextFile(at.DiagnosticLogPath(), full);
        drive::WriteTextFile(at.DiagnosticLogPath(true), "the oldest records\r\n");
    };
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    EXPECT_EQ(CloseKorvane(), 0);

    std::string rotated;
    ASSERT_TRUE(drive::ReadTextFile(notebook->DiagnosticLogPath(true), &rotated));
    EXPECT_TRUE(rotated == full) << "Korvane.1.log holds the full log, " << rotated.size() << " bytes";
    std::string current;
    ASSERT_TRUE(drive::ReadTextFile(notebook->DiagnosticLogPath(), &current));
    EXPECT_LE(current.size(), kBound);
    const std::vector<std::string> log = notebook->DiagnosticLog();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.front().find("starts"), std::string::npos) << log.front();
    EXPECT_NE(log.back().find("Korvane ends"), std::string::npos) << log.back();
}

TEST_F(DiagnosticLog, AnUnwritableLogChangesNothing)
{
    // A file where the log's folder would be: neither can be created.
    beforeLaunch = [](drive::Notebook& at) { drive::WriteTextFile(at.PathOf(L"Korvane"), "not a folder"); };
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    ASSERT_TRUE(SendCommand(drive::kMenuEnable));
    EXPECT_EQ(CloseKorvane(), 0);

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0),
              drive::Concat({StartupCommands(1), drive::ClockOperation(0), drive::ClockOperation(1),
                             drive::ClockOperation(0), drive::ClockOperation(0), drive::ClockOperation(0)}));
    EXPECT_EQ(notebook->ClockMode(), "default");
    std::string blocker;
    ASSERT_TRUE(drive::ReadTextFile(notebook->PathOf(L"Korvane"), &blocker));
    EXPECT_EQ(blocker, "not a folder");
}

} // namespace
} // namespace e2e
