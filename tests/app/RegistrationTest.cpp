// The main window's session and power-setting notifications through the
// registration seam: registered at start-up, registered again when the
// session service was not up yet, and released once in teardown.
#include "AppScenario.h"

#include <wtsapi32.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "MainState.h"
#include "Registrations.h"

using namespace apptest;

namespace {

const HPOWERNOTIFY kPowerHandle = reinterpret_cast<HPOWERNOTIFY>(0x5A5A0);

struct Fake
{
    std::vector<std::string> calls;
    int sessionFailures = 0;
    bool powerFails = false;
    HANDLE readyEvent = nullptr; // handed out duplicated; none: cannot be opened
    std::wstring openedName;
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
    return copy;
}

class Registration : public AppScenario
{
protected:
    void SetUp() override
    {
        AppScenario::SetUp();
        g_fake = &fake;
        m_previousApi = SetRegistrationApiForTesting(
            {&RegisterSession, &UnregisterSession, &RegisterPower, &UnregisterPower, &OpenReadyEvent});
        m_previousDelay = SetSessionRetryDelayForTesting(1);
        UseDrivers(Drivers::Nvidia);
    }
    void TearDown() override
    {
        AppScenario::TearDown();
        SetSessionRetryDelayForTesting(m_previousDelay);
        SetRegistrationApiForTesting(m_previousApi);
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
    RegistrationApi m_previousApi{};
    UINT m_previousDelay = 0;
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
    EXPECT_EQ(fake.calls, (Calls{Power(hwnd), Session(hwnd, true)}));
    EXPECT_EQ(fake.openedName, L"Global\\TermSrvReadyEvent");

    // Nothing is tried again before the service says it is ready.
    PumpMessages();
    EXPECT_EQ(fake.calls.size(), 2u);
    EXPECT_TRUE(dlg.m_registrations.RetryPending());

    SetEvent(fake.readyEvent);
    ASSERT_TRUE(PumpUntil([&] { return fake.calls.size() > 2; })) << "no retry after the event was set";
    EXPECT_EQ(fake.calls, (Calls{Power(hwnd), Session(hwnd, true), Session(hwnd)}));
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
    EXPECT_EQ(fake.calls, Calls{}) << "neither registration was in place";
    EXPECT_FALSE(dlg.m_registrations.RetryPending());

    // The wait is gone: setting the event now registers nothing.
    SetEvent(fake.readyEvent);
    EXPECT_FALSE(PumpUntil([&] { return !fake.calls.empty(); }, 300));
}

} // namespace
