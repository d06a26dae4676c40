// The command line: its options, what it does with the running Korvane's
// answers (a fake stands in for it), and the main dialog's side in process.
#include "AppScenario.h"
#include "PowerScenario.h"

#include "CommandLine.h"
#include "MainState.h"
#include "PowerSource.h"
#include "RemoteControl.h"
#include "Settings.h"

#include <wtsapi32.h>

#include <deque>

using namespace apptest;

namespace {

struct ParseRow
{
    std::vector<const wchar_t*> arguments;
    CommandRequest expected;
};

TEST(ParseCommandRequest, OneKnownOptionCaseInsensitiveWithSlashOrDashes)
{
    const ParseRow rows[] = {
        {{}, CommandRequest::None},
        {{L"/enable"}, CommandRequest::Enable},
        {{L"/DISABLE"}, CommandRequest::Disable},
        {{L"--Exit"}, CommandRequest::Exit},
        {{L"--status"}, CommandRequest::Status},
        {{L"status"}, CommandRequest::BadUsage},
        {{L"-status"}, CommandRequest::BadUsage},
        {{L"/"}, CommandRequest::BadUsage},
        {{L"--"}, CommandRequest::BadUsage},
        {{L""}, CommandRequest::BadUsage},
        {{L"/statusx"}, CommandRequest::BadUsage},
        {{L"/status", L"/exit"}, CommandRequest::BadUsage},
    };
    for (const ParseRow& row : rows) {
        std::vector<const wchar_t*> argv = {L"Korvane.exe"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        SCOPED_TRACE(argv.size() > 1 ? static_cast<int>(argv.size()) : 0);
        EXPECT_EQ(ParseCommandRequest(static_cast<int>(argv.size()), argv.data()), row.expected);
    }
}

// The running Korvane as a script: what Find answers, the answers to each
// request in turn, whether it ends; the requests sent are recorded.
class FakeKorvane : public RemoteKorvane
{
public:
    Found found = Found::Yes;
    LRESULT status = kRemoteTag | kStatusSessionActive;
    std::deque<LRESULT> answers; // empty: no answer in time
    bool ends = true;
    std::vector<WPARAM> sent;
    int waits = 0;

    Found Find(LRESULT* answer) override
    {
        *answer = status;
        return found;
    }
    bool Send(WPARAM request, LRESULT* answer) override
    {
        sent.push_back(request);
        if (answers.empty())
            return false;
        *answer = answers.front();
        answers.pop_front();
        return true;
    }
    bool WaitForEnd() override
    {
        ++waits;
        return ends;
    }
};

struct RunRow
{
    const char* name;
    CommandRequest request;
    LRESULT status;
    RemoteKorvane::Found found;
    std::deque<LRESULT> answers;
    bool ends;
    int exitStatus;
    std::vector<WPARAM> sent;
    int waits;
    const char* says;
};

TEST(RunCommandRequest, ExitStatusRequestsAndOutput)
{
    using Found = RemoteKorvane::Found;
    const LRESULT done = kRemoteTag | kCommandDone;
    const LRESULT active = kRemoteTag | kStatusSessionActive;
    const RunRow rows[] = {
        {"enable",
         CommandRequest::Enable,
         active,
         Found::Yes,
         {done},
         true,
         0,
         {IDM_ENABLE},
         0,
         "/enable: done."},
        {"disable",
         CommandRequest::Disable,
         active,
         Found::Yes,
         {done},
         true,
         0,
         {IDM_DISABLE},
         0,
         "/disable: done."},
        {"grayed",
         CommandRequest::Enable,
         active,
         Found::Yes,
         {kRemoteTag | kCommandGrayed},
         true,
         0,
         {IDM_ENABLE},
         0,
         "nothing done"},
        {"exit waits for the end",
         CommandRequest::Exit,
         active,
         Found::Yes,
         {done},
         true,
         0,
         {IDM_EXIT},
         1,
         "/exit: done."},
        {"exit that does not end",
         CommandRequest::Exit,
         active,
         Found::Yes,
         {done},
         false,
         3,
         {IDM_EXIT},
         1,
         "did not end in time"},
        {"not running", CommandRequest::Enable, active, Found::NotRunning, {}, true, 1, {}, 0, "not running"},
        {"silent at the search",
         CommandRequest::Status,
         active,
         Found::NoAnswer,
         {},
         true,
         3,
         {},
         0,
         "did not answer in time"},
        {"silent to the command",
         CommandRequest::Disable,
         active,
         Found::Yes,
         {},
         true,
         3,
         {IDM_DISABLE},
         0,
         "did not answer in time"},
        {"untagged answer",
         CommandRequest::Disable,
         active,
         Found::Yes,
         {0},
         true,
         3,
         {IDM_DISABLE},
         0,
         "did not answer in time"},
        {"exit while the session is not active",
         CommandRequest::Exit,
         kRemoteTag | kStatusAvailable,
         Found::Yes,
         {},
         true,
         4,
         {},
         0,
         "Korvane keeps running"},
        {"exit refused as the session stopped being active",
         CommandRequest::Exit,
         active,
         Found::Yes,
         {kRemoteTag | kCommandSessionInactive},
         true,
         4,
         {IDM_EXIT},
         0,
         "Korvane keeps running"},
        {"disable while the session is not active",
         CommandRequest::Disable,
         kRemoteTag | kStatusAvailable,
         Found::Yes,
         {done},
         true,
         0,
         {IDM_DISABLE},
         0,
         "/disable: done."},
        {"bad usage asks nothing",
         CommandRequest::BadUsage,
         active,
         Found::Yes,
         {},
         true,
         2,
         {},
         0,
         "usage:"},
    };
    for (const RunRow& row : rows) {
        SCOPED_TRACE(row.name);
        FakeKorvane korvane;
        korvane.status = row.status;
        korvane.found = row.found;
        korvane.answers = row.answers;
        korvane.ends = row.ends;
        std::string output;
        EXPECT_EQ(RunCommandRequest(row.request, korvane, &output), row.exitStatus);
        EXPECT_EQ(korvane.sent, row.sent);
        EXPECT_EQ(korvane.waits, row.waits);
        EXPECT_NE(output.find(row.says), std::string::npos) << output;
    }
}

TEST(RunCommandRequest, StatusNamesEachBit)
{
    FakeKorvane korvane;
    korvane.status = kRemoteTag | kStatusAvailable | kStatusAmd | kStatusSessionActive;
    std::string output;
    EXPECT_EQ(RunCommandRequest(CommandRequest::Status, korvane, &output), 0);
    EXPECT_EQ(output, "feature: available\r\nclocks chosen: default\r\nGPU backend: AMD\r\nsession: "
                      "active\r\nonly on AC power: off\r\nnotices: on\r\n");
    EXPECT_TRUE(korvane.sent.empty()) << "the search already asked";

    korvane.status = kRemoteTag | kStatusOverclockChosen | kStatusNvidia | kStatusAmd;
    EXPECT_EQ(RunCommandRequest(CommandRequest::Status, korvane, &output), 0);
    EXPECT_EQ(output, "feature: not available\r\nclocks chosen: overclocked\r\nGPU backend: "
                      "NVIDIA\r\nsession: not active\r\nonly on AC power: off\r\nnotices: on\r\nclocks now: "
                      "default, the firmware does not offer the overclock\r\n");
}

TEST(ParseCommandRequest, TheOptionsTakeOnOrOff)
{
    const ParseRow rows[] = {
        {{L"/ac-only", L"on"}, CommandRequest::AcOnlyOn},
        {{L"--AC-ONLY", L"Off"}, CommandRequest::AcOnlyOff},
        {{L"/Notices", L"ON"}, CommandRequest::NoticesOn},
        {{L"--notices", L"off"}, CommandRequest::NoticesOff},
        {{L"/ac-only"}, CommandRequest::BadUsage},
        {{L"/notices", L"maybe"}, CommandRequest::BadUsage},
        {{L"/ac-only", L""}, CommandRequest::BadUsage},
        {{L"/notices", L"on", L"off"}, CommandRequest::BadUsage},
        {{L"ac-only", L"on"}, CommandRequest::BadUsage},
        {{L"/status", L"on"}, CommandRequest::BadUsage},
        {{L"/enable", L"off"}, CommandRequest::BadUsage},
        {{L"/on", L"ac-only"}, CommandRequest::BadUsage},
    };
    for (const ParseRow& row : rows) {
        std::vector<const wchar_t*> argv = {L"Korvane.exe"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.arguments[0])));
        EXPECT_EQ(ParseCommandRequest(static_cast<int>(argv.size()), argv.data()), row.expected);
    }
}

TEST(RunCommandRequest, OptionsAreSetOnTheRunningKorvane)
{
    using Found = RemoteKorvane::Found;
    const LRESULT done = kRemoteTag | kCommandDone;
    // The options are set whatever the session.
    const LRESULT running = kRemoteTag;
    struct Row
    {
        CommandRequest request;
        Found found;
        std::deque<LRESULT> answers;
        int exitStatus;
        std::vector<WPARAM> sent;
        const char* says;
    };
    const Row rows[] = {
        {CommandRequest::AcOnlyOn, Found::Yes, {done}, 0, {kRemoteAcOnlyOn}, "/ac-only on: done."},
        {CommandRequest::AcOnlyOff, Found::Yes, {done}, 0, {kRemoteAcOnlyOff}, "/ac-only off: done."},
        {CommandRequest::NoticesOn, Found::Yes, {done}, 0, {kRemoteNoticesOn}, "/notices on: done."},
        {CommandRequest::NoticesOff, Found::Yes, {done}, 0, {kRemoteNoticesOff}, "/notices off: done."},
        {CommandRequest::AcOnlyOn, Found::NotRunning, {}, 1, {}, "not running"},
        {CommandRequest::NoticesOff, Found::Yes, {}, 3, {kRemoteNoticesOff}, "did not answer in time"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.says);
        FakeKorvane korvane;
        korvane.status = running;
        korvane.found = row.found;
        korvane.answers = row.answers;
        std::string output;
        EXPECT_EQ(RunCommandRequest(row.request, korvane, &output), row.exitStatus);
        EXPECT_EQ(korvane.sent, row.sent);
        EXPECT_EQ(korvane.waits, 0);
        EXPECT_NE(output.find(row.says), std::string::npos) << output;
    }
}

struct StatusRow
{
    const char* name;
    LRESULT bits;
    const char* tail; // what follows the session's line
};

TEST(RunCommandRequest, StatusNamesTheOptionsAndWhyTheClocksDifferFromTheChoice)
{
    const LRESULT running = kRemoteTag | kStatusAvailable | kStatusNvidia | kStatusSessionActive;
    const StatusRow rows[] = {
        {"overclocked as chosen", running | kStatusOverclockChosen | kStatusOverclocked,
         "only on AC power: off\r\nnotices: on\r\n"},
        {"both options changed",
         running | kStatusOverclockChosen | kStatusOverclocked | kStatusAcOnly | kStatusNoticesOff,
         "only on AC power: on\r\nnotices: off\r\n"},
        {"default on battery", running | kStatusOverclockChosen | kStatusAcOnly | kStatusOnBattery,
         "only on AC power: on\r\nnotices: on\r\nclocks now: default, running on battery\r\n"},
        {"battery without the option",
         running | kStatusOverclockChosen | kStatusOverclocked | kStatusOnBattery,
         "only on AC power: off\r\nnotices: on\r\n"},
        {"overclocked though default chosen", running | kStatusOverclocked,
         "only on AC power: off\r\nnotices: on\r\nclocks now: overclocked, held back while the session was "
         "not active\r\n"},
    };
    for (const StatusRow& row : rows) {
        SCOPED_TRACE(row.name);
        FakeKorvane korvane;
        korvane.status = row.bits;
        std::string output;
        EXPECT_EQ(RunCommandRequest(CommandRequest::Status, korvane, &output), 0);
        const std::string session = "session: active\r\n";
        const size_t at = output.find(session);
        ASSERT_NE(at, std::string::npos) << output;
        EXPECT_EQ(output.substr(at + session.size()), row.tail);
    }
}

TEST(RunCommandLine, NoArgumentsLeaveTheProcessToTheProgram)
{
    int status = 99;
    EXPECT_FALSE(RunCommandLine(L"\"C:\\Program Files\\Korvane\\Korvane.exe\"", &status));
    EXPECT_FALSE(RunCommandLine(L"Korvane.exe   ", &status));
    EXPECT_EQ(status, 99);
}

class RemoteControl : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        UseDrivers(Drivers::Nvidia);
    }
};

TEST_F(RemoteControl, TheMainDialogAnswersAndHonoursTheGrayedEntries)
{
    firmware->system0 = "0";
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const LRESULT status = SendMessageW(dlg.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0);
    EXPECT_EQ(status, kRemoteTag | kStatusOverclockChosen | kStatusNvidia | kStatusSessionActive);

    Mark();
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, IDM_DISABLE, 0), kRemoteTag | kCommandGrayed);
    EXPECT_EQ(Recorded(), Steps{});
    EXPECT_TRUE(dlg.m_bOCEnabled) << "the grayed Disable changed the choice";

    dlg.m_bOCAvailable = true;
    firmware->ap = "1";
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, IDM_DISABLE, 0), kRemoteTag | kCommandDone);
    EXPECT_EQ(Recorded(), NvidiaRestore(1));
    EXPECT_FALSE(dlg.m_bOCEnabled);
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, 304, 0), kRemoteTag | kCommandUnknown);
}

TEST_F(RemoteControl, ExitIsRefusedWhileTheSessionIsNotActive)
{
    firmware->system0 = "2";
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    for (WPARAM closing : {WTS_SESSION_LOCK, WTS_CONSOLE_DISCONNECT, WTS_SESSION_LOGOFF}) {
        SCOPED_TRACE(closing);
        SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, closing, 1);
        Mark();
        EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, IDM_EXIT, 0),
                  kRemoteTag | kCommandSessionInactive);
        EXPECT_EQ(Recorded(), Steps{});
        EXPECT_TRUE(dlg.m_bOCEnabled) << "the Exit command ran: it clears the choice";
        SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    }

    firmware->ap = "7";
    Mark();
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, IDM_EXIT, 0), kRemoteTag | kCommandDone);
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
}

class RemoteOptions : public PowerScenario
{};

TEST_F(RemoteOptions, TheOptionsAreSetAndStoredAsFromTheMenu)
{
    CKorvaneDlg& dlg = Start(false);
    const LRESULT base = kRemoteTag | kStatusAvailable | kStatusOverclockChosen | kStatusNvidia |
                         kStatusSessionActive | kStatusOverclocked;
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0), base);
    struct Step
    {
        WPARAM request;
        bool acOnly;
        bool notices;
        LRESULT status;
    };
    const Step steps[] = {
        {kRemoteAcOnlyOn, true, true, base | kStatusAcOnly},
        {kRemoteAcOnlyOn, true, true, base | kStatusAcOnly}, // set, not toggled
        {kRemoteNoticesOff, true, false, base | kStatusAcOnly | kStatusNoticesOff},
        {kRemoteAcOnlyOff, false, false, base | kStatusNoticesOff},
        {kRemoteNoticesOn, false, true, base},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.request);
        EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, step.request, 0), kRemoteTag | kCommandDone);
        EXPECT_EQ(dlg.m_bAcOnly, step.acOnly);
        EXPECT_EQ(dlg.m_bNotices, step.notices);
        const StoredSettings stored = LoadSettings();
        EXPECT_EQ(stored.acOnly, step.acOnly);
        EXPECT_EQ(stored.notices, step.notices);
        EXPECT_EQ(SendMessageW(dlg.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0), step.status);
    }
}

TEST_F(RemoteOptions, TheStatusTellsTheBatteryAndTheClocksInForce)
{
    CKorvaneDlg& dlg = Start(false);
    SendMessageW(dlg.m_hWnd, g_msgRemoteControl, kRemoteAcOnlyOn, 0);
    ReportSource(dlg, 1);
    Fire(dlg, kPowerSettleTimer);
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
    const LRESULT status = SendMessageW(dlg.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0);
    EXPECT_EQ(status & (kStatusOnBattery | kStatusOverclocked | kStatusAcOnly),
              kStatusOnBattery | kStatusAcOnly);
    std::string output;
    FakeKorvane korvane;
    korvane.status = status;
    RunCommandRequest(CommandRequest::Status, korvane, &output);
    EXPECT_NE(output.find("clocks now: default, running on battery"), std::string::npos) << output;
}

TEST_F(RemoteControl, ASecondDialogDoesNotAnswer)
{
    CreateMainDialog();
    CKorvaneDlg& second = CreateMainDialog();
    EXPECT_EQ(SendMessageW(second.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0), 0);
}

} // namespace
