// The command line: its options, what it does with the running Korvane's
// answers (a fake stands in for it), and the main dialog's side in process.
#include "AppScenario.h"

#include "CommandLine.h"
#include "MainState.h"
#include "RemoteControl.h"

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
    EXPECT_EQ(output,
              "feature: available\r\nclocks chosen: default\r\nGPU backend: AMD\r\nsession: active\r\n");
    EXPECT_TRUE(korvane.sent.empty()) << "the search already asked";

    korvane.status = kRemoteTag | kStatusOverclockChosen | kStatusNvidia | kStatusAmd;
    EXPECT_EQ(RunCommandRequest(CommandRequest::Status, korvane, &output), 0);
    EXPECT_EQ(output, "feature: not available\r\nclocks chosen: overclocked\r\nGPU backend: "
                      "NVIDIA\r\nsession: not active\r\n");
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

TEST_F(RemoteControl, ASecondDialogDoesNotAnswer)
{
    CreateMainDialog();
    CKorvaneDlg& second = CreateMainDialog();
    EXPECT_EQ(SendMessageW(second.m_hWnd, g_msgRemoteControl, kRemoteStatus, 0), 0);
}

} // namespace
