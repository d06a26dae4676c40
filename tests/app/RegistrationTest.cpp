// The main window's session and power-setting notifications through the
// registration seam: registered at start-up, registered again when the
// session service was not up yet, and released once in teardown.
#include "AppScenario.h"

#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "MainState.h"
#include "Registrations.h"
#include "SeamScope.h"
#include "diag/DiagnosticLog.h"

using namespace apptest;

namespace {

const HPOWERNOTIFY kPowerHandle = reinterpret_cast<HPOWERNOTIFY>(0x5A5A0);

// One answer of the session query: a record, or a failure with this error.
struct SessionAnswer
{
    std::vector<BYTE> record;
    DWORD error = ERROR_SUCCESS;
};

struct Fake
{
    std::vector<std::string> calls;
    int sessionFailures = 0;
    bool powerFails = false;
    HANDLE readyEvent = nullptr; // handed out duplicated; none: cannot be opened
    std::wstring openedName;
    HANDLE openedEvent = nullptr;
    HANDLE wait = nullptr;
    // The session query's answers in turn; the last one repeats. None: the
    // session is active.
    std::vector<SessionAnswer> sessionAnswers;
    size_t sessionQueries = 0;
    std::vector<const void*> recordsGiven;
    std::vector<const void*> recordsFreed;
    bool windows7 = false;
};
Fake* g_fake = nullptr;

std::string Hex(const void* value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

BOOL WINAPI RegisterSession(HWND hwnd, DWORD flags)
{
    const bool fails = g_fake->sessionFailures > 0;
    g_fake->calls.push_back("register session " + Hex(hwnd) + " " + std::to_string(flags) +
                            (fails ? " fails" : ""));
    if (!fails)
        return TRUE;
    --g_fake->sessionFailures;
    SetLastError(RPC_S_INVALID_BINDING);
    return FALSE;
}

BOOL WINAPI UnregisterSession(HWND hwnd)
{
    g_fake->calls.push_back("unregister session " + Hex(hwnd));
    return TRUE;
}

HPOWERNOTIFY WINAPI RegisterPower(HANDLE recipient, LPCGUID setting, DWORD flags)
{
    const GUID acDc = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};
    g_fake->calls.push_back("register power " + Hex(recipient) +
                            (IsEqualGUID(*setting, acDc) ? " AC/DC " : " ? ") + std::to_string(flags) +
                            (g_fake->powerFails ? " fails" : ""));
    return g_fake->powerFails ? nullptr : kPowerHandle;
}

BOOL WINAPI UnregisterPower(HPOWERNOTIFY handle)
{
    g_fake->calls.push_back("unregister power " + Hex(handle));
    return TRUE;
}

HANDLE WINAPI OpenReadyEvent(DWORD access, BOOL, LPCWSTR name)
{
    g_fake->openedName = name;
    HANDLE copy = nullptr;
    if (!g_fake->readyEvent || !DuplicateHandle(GetCurrentProcess(), g_fake->readyEvent, GetCurrentProcess(),
                                                &copy, access, FALSE, 0)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    g_fake->openedEvent = copy;
    return copy;
}

BOOL WINAPI RegisterWait(PHANDLE wait, HANDLE object, WAITORTIMERCALLBACK callback, PVOID context, ULONG ms,
                         ULONG flags)
{
    g_fake->calls.push_back(std::string("register wait") +
                            (object == g_fake->openedEvent ? " on the ready event" : " on another object"));
    const BOOL registered = RegisterWaitForSingleObject(wait, object, callback, context, ms, flags);
    g_fake->wait = registered ? *wait : nullptr;
    return registered;
}

BOOL WINAPI UnregisterWait(HANDLE wait, HANDLE completion)
{
    g_fake->calls.push_back(std::string("unregister wait") + (wait == g_fake->wait ? "" : " (another)") +
                            (completion == INVALID_HANDLE_VALUE ? " after its callback" : " at once"));
    return UnregisterWaitEx(wait, completion);
}

constexpr LONG kLocked = 0;
constexpr LONG kUnlocked = 1;
constexpr LONG kLockUnknown = -1;

// A WTSSessionInfoEx record (WTSINFOEXW, 232 bytes at level 1 on either
// architecture): Level, then at offset 8 the session id, connection state
// and lock flag; `bytes` cuts it short.
std::vector<BYTE> SessionRecord(DWORD level, LONG state, LONG flags, size_t bytes = 232)
{
    std::vector<BYTE> record(232, 0);
    const LONG fields[] = {1, state, flags};
    std::memcpy(record.data(), &level, sizeof level);
    std::memcpy(record.data() + 8, fields, sizeof fields);
    record.resize(bytes);
    return record;
}

BOOL WINAPI QuerySession(HANDLE server, DWORD session, WTS_INFO_CLASS infoClass, LPWSTR* buffer, DWORD* bytes)
{
    const size_t turn = g_fake->sessionQueries++;
    if (server != WTS_CURRENT_SERVER_HANDLE || session != WTS_CURRENT_SESSION || infoClass != 25) {
        ADD_FAILURE() << "not this session's WTSSessionInfoEx";
        return FALSE;
    }
    auto& answers = g_fake->sessionAnswers;
    static SessionAnswer active{SessionRecord(1, WTSActive, kUnlocked)};
    SessionAnswer& answer = answers.empty() ? active : answers[std::min(turn, answers.size() - 1)];
    if (answer.error != ERROR_SUCCESS) {
        SetLastError(answer.error);
        return FALSE;
    }
    // Each record handed out is a copy of its own, as the service's are.
    BYTE* copy = new BYTE[answer.record.size() + 1];
    std::copy(answer.record.begin(), answer.record.end(), copy);
    *buffer = reinterpret_cast<LPWSTR>(copy);
    *bytes = static_cast<DWORD>(answer.record.size());
    g_fake->recordsGiven.push_back(copy);
    return TRUE;
}

void WINAPI FreeMemory(PVOID memory)
{
    g_fake->recordsFreed.push_back(memory);
    delete[] static_cast<BYTE*>(memory);
}

bool Windows7()
{
    return g_fake->windows7;
}

RegistrationApi FakeApi()
{
    return {&RegisterSession, &UnregisterSession, &RegisterPower, &UnregisterPower, &OpenReadyEvent,
            &RegisterWait,    &UnregisterWait,    &QuerySession,  &FreeMemory,      &Windows7};
}

// The diagnostic log in a folder of its own for the object's lifetime.
class OwnLogFolder
{
public:
    OwnLogFolder()
    {
        wchar_t path[MAX_PATH];
        diag::LogFilePath(path);
        m_previous = path;
        m_previous.resize(std::min(m_previous.find_last_of(L'\\'), m_previous.size()));
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_folder = temp + std::wstring(L"korvane-app-log-") + std::to_wstring(GetCurrentProcessId());
        diag::SetLogFolderForTesting(m_folder.c_str());
        DeleteFileW(LogFile().c_str());
    }
    ~OwnLogFolder()
    {
        DeleteFileW(LogFile().c_str());
        RemoveDirectoryW(m_folder.c_str());
        diag::SetLogFolderForTesting(m_previous.c_str());
    }
    OwnLogFolder(const OwnLogFolder&) = delete;
    OwnLogFolder& operator=(const OwnLogFolder&) = delete;

    std::string Text() const
    {
        std::string text;
        HANDLE file = CreateFileW(LogFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        char buffer[4096];
        DWORD got = 0;
        while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got)
            text.append(buffer, got);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return text;
    }

private:
    std::wstring LogFile() const { return m_folder + L"\\Korvane.log"; }

    std::wstring m_previous;
    std::wstring m_folder;
};

class Registration : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        g_fake = &fake;
        UseDrivers(Drivers::Nvidia);
    }
    void TearDown() override
    {
        AppScenario::TearDown();
        if (fake.readyEvent)
            CloseHandle(fake.readyEvent);
        g_fake = nullptr;
    }

    // Dispatches this thread's messages as they come until done() holds, at
    // most limitMs.
    static bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 2000)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > limitMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            PumpMessages();
        }
        return true;
    }

    std::string Session(HWND hwnd, bool fails = false)
    {
        return "register session " + Hex(hwnd) + " " + std::to_string(NOTIFY_FOR_THIS_SESSION) +
               (fails ? " fails" : "");
    }
    std::string Power(HWND hwnd, bool fails = false)
    {
        return "register power " + Hex(hwnd) + " AC/DC " + std::to_string(DEVICE_NOTIFY_WINDOW_HANDLE) +
               (fails ? " fails" : "");
    }

    Fake fake;

private:
    SeamScope<&SetRegistrationApiForTesting> m_api{FakeApi()};
    SeamScope<&SetSessionRetryDelayForTesting> m_retryDelay{1u};
};

using Calls = std::vector<std::string>;

TEST_F(Registration, StartUpRegistersBothAndTeardownUnregistersEachOnce)
{
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND hwnd = dlg.m_hWnd;
    EXPECT_EQ(fake.calls, (Calls{Power(hwnd), Session(hwnd)}));
    EXPECT_FALSE(dlg.m_registrations.RetryPending());

    fake.calls.clear();
    DestroyWindow(hwnd);
    EXPECT_EQ(fake.calls,
              (Calls{"unregister session " + Hex(hwnd), "unregister power " + Hex(kPowerHandle)}));
    DestroyMainDialogs();
    EXPECT_EQ(fake.calls.size(), 2u) << "nothing is unregistered twice";
}

TEST_F(Registration, SessionRefusedAtSignInIsRegisteredOnceTheServiceIsReady)
{
    fake.readyEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    fake.sessionFailures = 1;
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND hwnd = dlg.m_hWnd;
    const Calls atStart{Power(hwnd), Session(hwnd, true), "register wait on the ready event"};
    EXPECT_EQ(fake.calls, atStart);
    EXPECT_EQ(fake.openedName, L"Global\\TermSrvReadyEvent");

    // Nothing is tried again before the service says it is ready.
    PumpMessages();
    EXPECT_EQ(fake.calls.size(), 3u);
    EXPECT_TRUE(dlg.m_registrations.RetryPending());

    SetEvent(fake.readyEvent);
    ASSERT_TRUE(PumpUntil([&] { return fake.calls.size() > 4; })) << "no retry after the event was set";
    EXPECT_EQ(fake.calls, atStart + Calls({"unregister wait after its callback", Session(hwnd)}));
    EXPECT_FALSE(dlg.m_registrations.RetryPending());

    SendMessageW(hwnd, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_FALSE(g_bSessionActive) << "a lock closes the session gate";

    fake.calls.clear();
    DestroyWindow(hwnd);
    EXPECT_EQ(fake.calls,
              (Calls{"unregister session " + Hex(hwnd), "unregister power " + Hex(kPowerHandle)}));
}

TEST_F(Registration, WithoutTheReadyEventATimerRetriesUntilTheRegistrationHolds)
{
    fake.sessionFailures = 3;
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND hwnd = dlg.m_hWnd;
    ASSERT_TRUE(PumpUntil([&] { return dlg.m_registrations.SessionRegistered(); }));
    EXPECT_EQ(fake.calls, (Calls{Power(hwnd), Session(hwnd, true), Session(hwnd, true), Session(hwnd, true),
                                 Session(hwnd)}));
    EXPECT_FALSE(dlg.m_registrations.RetryPending()) << "the timer is stopped";

    // Other timers of the window still reach default processing.
    SendMessageW(hwnd, WM_TIMER, kSessionRetryTimer + 1, 0);
    EXPECT_EQ(fake.calls.size(), 5u);

    SendMessageW(hwnd, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_FALSE(g_bSessionActive);
}

TEST_F(Registration, AFailedPowerRegistrationIsRetriedAndNeverUnregistered)
{
    fake.powerFails = true;
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND hwnd = dlg.m_hWnd;
    ASSERT_TRUE(PumpUntil([&] { return fake.calls.size() >= 3; }));
    EXPECT_EQ(fake.calls[2], Power(hwnd, true)) << "tried again on the timer";

    fake.powerFails = false;
    ASSERT_TRUE(PumpUntil([&] { return !dlg.m_registrations.RetryPending(); }));
    EXPECT_EQ(fake.calls.back(), Power(hwnd));
    const size_t sessionRegistrations = std::count(fake.calls.begin(), fake.calls.end(), Session(hwnd));
    EXPECT_EQ(sessionRegistrations, 1u) << "the session stays registered once";

    fake.calls.clear();
    DestroyWindow(hwnd);
    EXPECT_EQ(fake.calls,
              (Calls{"unregister session " + Hex(hwnd), "unregister power " + Hex(kPowerHandle)}));
}

TEST_F(Registration, TeardownWhileWaitingCancelsTheWaitAndUnregistersNothingItLacks)
{
    fake.readyEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    fake.sessionFailures = 1;
    fake.powerFails = true;
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_TRUE(dlg.m_registrations.RetryPending());

    fake.calls.clear();
    DestroyWindow(dlg.m_hWnd);
    EXPECT_EQ(fake.calls, Calls{"unregister wait after its callback"})
        << "the wait is cancelled; neither registration was in place";
    EXPECT_FALSE(dlg.m_registrations.RetryPending());
    fake.calls.clear();

    // The wait is gone: setting the event now registers nothing.
    SetEvent(fake.readyEvent);
    EXPECT_FALSE(PumpUntil([&] { return !fake.calls.empty(); }, 300));
}

TEST_F(Registration, WithoutTheReadyEventTheTimerGivesUpAfter150Tries)
{
    fake.sessionFailures = 1000;
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const HWND hwnd = dlg.m_hWnd;
    // Each timer message is one try; the messages are sent rather than
    // waited for.
    int retries = 0;
    while (dlg.m_registrations.RetryPending() && retries < 1000) {
        SendMessageW(hwnd, WM_TIMER, kSessionRetryTimer, 0);
        ++retries;
    }
    EXPECT_EQ(retries, 150);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), Session(hwnd, true)), 151)
        << "the start-up try and 150 more";
    EXPECT_FALSE(KillTimer(hwnd, kSessionRetryTimer)) << "no timer is left running";
    EXPECT_TRUE(g_bSessionActive) << "the session gate stays open";
}

struct StartRow
{
    const char* name;
    std::vector<SessionAnswer> answers;
    bool applied; // the start-up clock mode went through the gate
    BOOL gateOpen;
    bool windows7 = false;
};

// The session's state when Korvane starts: it decides whether the start-up
// clock mode is applied. The state is read before the start-up clock mode
// and again once the session notifications are registered.
TEST_F(Registration, StartUpReadsTheSessionStateIntoTheGate)
{
    const std::vector<BYTE> unlocked = SessionRecord(1, WTSActive, kUnlocked);
    const std::vector<BYTE> locked = SessionRecord(1, WTSActive, kLocked);
    const StartRow rows[] = {
        {"unlocked", {{unlocked}}, true, TRUE},
        {"locked", {{locked}}, false, FALSE},
        {"locked on Windows 7, which reverses the flag", {{unlocked}}, false, FALSE, true},
        {"unlocked on Windows 7", {{locked}}, true, TRUE, true},
        {"disconnected", {{SessionRecord(1, WTSDisconnected, kUnlocked)}}, false, FALSE},
        {"locked between the start-up reading and the registration", {{unlocked}, {locked}}, true, FALSE},
        {"lock state unknown", {{SessionRecord(1, WTSActive, kLockUnknown)}}, true, TRUE},
        {"another connection state", {{SessionRecord(1, WTSConnected, kLocked)}}, true, TRUE},
        {"another level", {{SessionRecord(2, WTSActive, kLocked)}}, true, TRUE},
        {"a record cut short", {{SessionRecord(1, WTSActive, kLocked, 19)}}, true, TRUE},
        {"an empty record", {{{}}}, true, TRUE},
        {"no answer", {{{}, RPC_S_SERVER_UNAVAILABLE}}, true, TRUE},
    };
    firmware->system0 = "2";
    for (const StartRow& row : rows) {
        SCOPED_TRACE(row.name);
        fake = Fake{};
        fake.sessionAnswers = row.answers;
        fake.windows7 = row.windows7;
        firmware->ap = "6";
        Mark();
        CKorvaneDlg& dlg = CreateMainDialog();
        ASSERT_TRUE(IsWindow(dlg.m_hWnd));
        EXPECT_EQ(g_bSessionActive, row.gateOpen);
        EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)} + (row.applied ? NvidiaApply(6) : Steps{}))
            << "the start-up clock mode is applied only while the session is active";
        EXPECT_EQ(fake.sessionQueries, 2u);
        EXPECT_EQ(fake.recordsFreed, fake.recordsGiven) << "every record is freed once";
        DestroyMainDialogs();
        ForgetProgramGlobals();
    }
}

TEST_F(Registration, AnUnreadableSessionStateIsLogged)
{
    OwnLogFolder log;
    fake.sessionAnswers = {{{}, RPC_S_SERVER_UNAVAILABLE}};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    const std::string text = log.Text();
    EXPECT_NE(text.find("session state unknown at start-up (error 1722): the session gate stays open"),
              std::string::npos)
        << text;
}

TEST_F(Registration, ALateSessionRegistrationReadsTheSessionState)
{
    fake.readyEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    fake.sessionFailures = 1;
    // The service is not up at start-up; once ready it reports a lock.
    fake.sessionAnswers = {{{}, RPC_S_INVALID_BINDING}, {SessionRecord(1, WTSActive, kLocked)}};
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    EXPECT_EQ(fake.sessionQueries, 1u) << "no second reading without the registration";
    EXPECT_TRUE(g_bSessionActive) << "an unknown state keeps the gate open";

    Mark();
    SetEvent(fake.readyEvent);
    ASSERT_TRUE(PumpUntil([&] { return dlg.m_registrations.SessionRegistered(); }));
    EXPECT_EQ(fake.sessionQueries, 2u);
    EXPECT_FALSE(g_bSessionActive);
    EXPECT_EQ(Recorded(), Steps{}) << "reading the state changes no clock";
    EXPECT_EQ(fake.recordsFreed, fake.recordsGiven);

    // A later retry of the power registration alone reads nothing again.
    SendMessageW(dlg.m_hWnd, WM_SESSION_SERVICE_READY, 0, 0);
    EXPECT_EQ(fake.sessionQueries, 2u);
}

} // namespace
