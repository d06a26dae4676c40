#include "KorvaneTest.h"

#include "Files.h"
#include "StoredSettings.h"
#include "Tray.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace e2e {

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr char kPhysicalGpu[] = "0x4E500000";

std::wstring SafeName(std::string name)
{
    for (char& c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-'))
            c = '_';
    return drive::Widen(name);
}

} // namespace

Commands NvApplyCalls()
{
    return {std::string("NvClockModeA ") + kPhysicalGpu + " 1 -> 0",
            std::string("NvClockModeB ") + kPhysicalGpu + " 1 0 -> 0",
            std::string("NvClockModeC ") + kPhysicalGpu + " 0 -> 0"};
}

Commands NvRestoreCalls()
{
    return {std::string("NvClockModeA ") + kPhysicalGpu + " 0 -> 0",
            std::string("NvClockModeC ") + kPhysicalGpu + " 1 -> 0"};
}

std::string AdlSetCall(int engine, int memory)
{
    return "ADL_Display_ODClockConfig_Set 0 iSize=16 iFlags=2 iMemoryClock=" + std::to_string(memory) +
           " iEngineClock=" + std::to_string(engine) + " -> 0";
}

Commands StartupCommands(int ap)
{
    return drive::Concat({{drive::kQuerySystem0}, drive::ClockOperation(ap)});
}

std::wstring KorvaneTest::FolderFor(const std::wstring& suffix) const
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    return drive::JoinPath(drive::ProgramFolder(), L"..\\e2e\\" + SafeName(name) + suffix);
}

void KorvaneTest::SetUp()
{
    // Korvane keeps its settings in the prefix's HKCU: each case starts with
    // nothing stored.
    ASSERT_TRUE(drive::ForgetStoredSettings());
    m_menuAt = {GetSystemMetrics(SM_CXSCREEN) / 2 - 60, GetSystemMetrics(SM_CYSCREEN) / 2 - 60};
}

void KorvaneTest::StartNotebook(size_t startupCommands, bool withFirmware)
{
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    if (beforeLaunch)
        beforeLaunch(*notebook);
    if (withFirmware) {
        ASSERT_TRUE(notebook->StartFirmware()) << "the firmware simulator does not start";
    }
    Launch(*notebook, &korvane);
    ASSERT_FALSE(HasFatalFailure());
    main = drive::WaitForMainWindow(korvane.ProcessId(), kStartTimeoutMs);
    ASSERT_NE(main, nullptr) << "Korvane's main window does not appear";
    bool started = drive::WaitUntil(
        [&] {
            if (!withFirmware)
                return !notebook->ClockCalls().empty();
            std::vector<std::string> log;
            return notebook->FirmwareLog(&log) && drive::CommandsFrom(log, 0).size() >= startupCommands;
        },
        kStartTimeoutMs);
    ASSERT_TRUE(started) << "Korvane's start-up does not reach the firmware or the driver";
    ASSERT_TRUE(drive::Settle(main)) << "Korvane's window does not answer";
}

void KorvaneTest::Launch(drive::Notebook& from, drive::ChildProcess* process)
{
    ASSERT_TRUE(from.LaunchKorvane(process)) << "Korvane.exe does not start";
}

void KorvaneTest::Relaunch(size_t startupCommands)
{
    Mark();
    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    main = drive::WaitForMainWindow(korvane.ProcessId(), kStartTimeoutMs);
    ASSERT_NE(main, nullptr) << "Korvane's main window does not appear";
    ASSERT_TRUE(WaitForCommands(startupCommands));
    ASSERT_TRUE(drive::Settle(main));
}

void KorvaneTest::ChooseAndSettle(drive::MenuEntry entry, size_t commands)
{
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "the tray menu does not open";
    Mark();
    ASSERT_TRUE(drive::ChooseFromMenu(menu, entry));
    ASSERT_TRUE(WaitForCommands(commands));
    ASSERT_TRUE(drive::Settle(main));
}

void KorvaneTest::TearDown()
{
    // A test that left Korvane running ends it as a user would, so that its
    // tray icon goes too; killing is the last resort.
    if (korvane.IsRunning() && main) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        korvane.WaitForExit(kExitTimeoutMs);
    }
    korvane.Kill();
    drive::ForgetStoredSettings();
    if (notebook)
        notebook->StopFirmware();
    if (!HasFailure() && notebook)
        drive::RemoveFolder(notebook->Folder());
    else if (notebook)
        std::printf("scenario folder kept: %s\n", drive::Narrow(notebook->Folder()).c_str());
}

void KorvaneTest::Mark()
{
    std::vector<std::string> log;
    m_logMark = notebook->FirmwareLog(&log) ? log.size() : 0;
    m_clockMark = notebook->ClockCalls().size();
}

Commands KorvaneTest::CommandsSinceMark() const
{
    std::vector<std::string> log;
    if (!notebook->FirmwareLog(&log))
        return {"(the firmware simulator does not answer)"};
    return drive::CommandsFrom(log, m_logMark);
}

int KorvaneTest::SubscriptionsSinceMark() const
{
    std::vector<std::string> log;
    return notebook->FirmwareLog(&log) ? drive::SubscriptionsFrom(log, m_logMark) : -1;
}

Commands KorvaneTest::ClockCallsSinceMark() const
{
    Commands calls = notebook->ClockCalls();
    return Commands(calls.begin() + static_cast<std::ptrdiff_t>(std::min(m_clockMark, calls.size())),
                    calls.end());
}

void KorvaneTest::ExpectExitRestoredTwiceAndIconGone(int iconsBefore) const
{
    EXPECT_EQ(CommandsSinceMark(), drive::Concat({drive::ClockOperation(0), drive::ClockOperation(0)}))
        << "the Exit command, then the destroy handler";
    EXPECT_EQ(ClockCallsSinceMark(), drive::Concat({NvRestoreCalls(), NvRestoreCalls()}));
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore - 1);
}

bool KorvaneTest::WaitForCommands(size_t count, DWORD timeoutMs) const
{
    return drive::WaitUntil([&] { return CommandsSinceMark().size() >= count; }, timeoutMs);
}

bool KorvaneTest::SendCommand(WPARAM id) const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, WM_COMMAND, id, 0, SMTO_NORMAL, 15000, &result) != 0;
}

HWND KorvaneTest::OpenMenu() const
{
    return drive::OpenTrayMenu(main, m_menuAt);
}

void KorvaneTest::FlushPostedMessages() const
{
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "the tray menu does not open";
    ASSERT_TRUE(drive::CloseMenu(menu)) << "the tray menu does not close with Escape";
}

DWORD KorvaneTest::RunCommand(const wchar_t* arguments, std::string* output)
{
    DWORD status = 1000;
    EXPECT_TRUE(notebook->RunKorvane(arguments, 30000, &status, output))
        << drive::Narrow(arguments) << " does not end";
    return status;
}

long KorvaneTest::CloseKorvane()
{
    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD status = 0;
    return korvane.WaitForExit(kExitTimeoutMs, &status) ? static_cast<long>(status) : -1;
}

int KorvaneTest::ApState() const
{
    int ap = -1000;
    notebook->ApState(&ap);
    return ap;
}

} // namespace e2e
