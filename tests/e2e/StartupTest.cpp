// Start-up seen from outside: the firmware commands in order, the driver
// calls, the clock mode, the tray icon; and the start without any GPU.
#include "KorvaneTest.h"

#include "Tray.h"

#include <algorithm>

namespace e2e {
namespace {

class Startup : public KorvaneTest
{};

struct StartCase
{
    const char* name;
    int system0;
    int ap;
    int apWritten;
    bool overclocked;
};

class StartupNvidia : public KorvaneTest, public ::testing::WithParamInterface<StartCase>
{};

TEST_P(StartupNvidia, QueriesTheFeatureThenSetsTheClocksAndTheApBit)
{
    const StartCase& c = GetParam();
    setup.firmware.system0 = c.system0;
    setup.firmware.ap = c.ap;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), StartupCommands(c.apWritten));
    EXPECT_EQ(drive::SubscriptionsFrom(log, 0), 1) << "one QEL_Event subscription";
    EXPECT_EQ(notebook->ClockCalls(), c.overclocked ? NvApplyCalls() : NvRestoreCalls());
    EXPECT_EQ(notebook->ClockMode(), c.overclocked ? "overclocked" : "default");
    EXPECT_EQ(ApState(), c.apWritten);
    EXPECT_TRUE(drive::TrayIconExists(main, 1)) << "the tray icon (window, id 1)";
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

INSTANTIATE_TEST_SUITE_P(States, StartupNvidia,
                         ::testing::Values(StartCase{"Available", 2, 0, 1, true},
                                           StartCase{"AvailableKeepsOtherApBits", 3, 6, 7, true},
                                           StartCase{"Unavailable", 0, 7, 6, false},
                                           StartCase{"OnlyForcedBitSet", 4, 0x1FF, 0xFE, false}),
                         CaseName<StartCase>);

TEST_F(Startup, AmdStartAppliesTheMaximumClocksThroughAdl)
{
    setup.nvidia = false;
    setup.amd = true;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), StartupCommands(1));
    const Commands calls = notebook->AdlCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "ADL_Main_Control_Create callback=set 1 -> 0")
        << "counting connected adapters only, with the allocation callback";
    EXPECT_EQ(notebook->ClockCalls(), Commands{AdlSetCall(750, 1000)});
    EXPECT_EQ(notebook->GpuStateText(), "vendor=amd engine=750 memory=1000");

    Mark();
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(ClockCallsSinceMark(), Commands(3, AdlSetCall(600, 800)))
        << "WM_CLOSE, the Exit button and the destroy handler each restore";
    EXPECT_EQ(notebook->GpuStateText(), "vendor=amd engine=600 memory=800");
}

TEST_F(Startup, WithoutAnyGpuItEndsWithStatusOneAndRemovesItsIcon)
{
    setup.nvidia = false;
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    ASSERT_TRUE(notebook->StartFirmware());
    const int iconsBefore = drive::TrayIconCount();

    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(20000, &status)) << "Korvane does not end";
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore) << "the icon is removed again";

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), Commands()) << "no capability query, no AP write";
    EXPECT_TRUE(notebook->NvapiCalls().empty());
    EXPECT_EQ(notebook->ClockMode(), "none");
}

BOOL CALLBACK AddChildText(HWND child, LPARAM param)
{
    wchar_t text[256];
    GetWindowTextW(child, text, ARRAYSIZE(text));
    reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
    return TRUE;
}

// The texts of a window's children (a message box's text is one).
std::vector<std::wstring> ChildTexts(HWND window)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

TEST_F(Startup, AnIncompleteAdlShowsItsMessageWithTheIconThenEndsWithStatusOne)
{
    setup.nvidia = false;
    setup.amd = true;
    setup.adlFolder = L"atiadlxx-without-ADL_Display_Color_Set";
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    ASSERT_TRUE(notebook->StartFirmware());
    const int iconsBefore = drive::TrayIconCount();

    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    HWND box = nullptr;
    ASSERT_TRUE(drive::WaitUntil(
        [&] {
            return (box = drive::FindProcessWindow(korvane.ProcessId(), L"#32770", L"QEL Korvane", true)) !=
                   nullptr;
        },
        20000))
        << "no message box captioned \"QEL Korvane\"";
    std::vector<std::wstring> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"ATI's overclock function is missing!"), texts.end());

    main = drive::WaitForMainWindow(korvane.ProcessId(), 1000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(drive::TrayIconExists(main, 1)) << "the icon is there while the message shows";
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore + 1);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(20000, &status)) << "Korvane does not end";
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore) << "the icon is removed again";
    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), Commands());
    EXPECT_TRUE(notebook->ClockCalls().empty());
}

} // namespace
} // namespace e2e
