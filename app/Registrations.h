// The main window's session and power-setting notifications: registered at
// start-up, registered again later when the session service is not up yet
// (a program started at sign-in), and released exactly once. The session's
// state before the notifications begin is asked of the same service.
#pragma once
#include <windows.h>
#include <wtsapi32.h>

#include "SessionState.h"

// Posted to the window when the session service reports itself ready.
constexpr UINT WM_SESSION_SERVICE_READY = WM_APP + 0x12;
// The window timer of the bounded retry used when that event cannot be opened.
constexpr UINT_PTR kSessionRetryTimer = 0x4B52;

// The system calls behind the registrations, replaceable by tests.
struct RegistrationApi
{
    BOOL(WINAPI* registerSession)(HWND hwnd, DWORD flags);
    BOOL(WINAPI* unregisterSession)(HWND hwnd);
    HPOWERNOTIFY(WINAPI* registerPower)(HANDLE recipient, LPCGUID setting, DWORD flags);
    BOOL(WINAPI* unregisterPower)(HPOWERNOTIFY handle);
    // Opens the session service's ready event for waiting.
    HANDLE(WINAPI* openEvent)(DWORD access, BOOL inherit, LPCWSTR name);
    // The thread-pool wait on that event.
    decltype(&::RegisterWaitForSingleObject) registerWait;
    decltype(&::UnregisterWaitEx) unregisterWait;
    // The session's state (WTSSessionInfoEx) and the release of its record.
    decltype(&::WTSQuerySessionInformationW) querySession;
    decltype(&::WTSFreeMemory) freeMemory;
    // True where the record's lock flag means the opposite (Windows 7).
    bool (*lockFlagReversed)();
};

// Replaces the calls and returns the previous ones (tests only).
RegistrationApi SetRegistrationApiForTesting(const RegistrationApi& api);
// Replaces the retry timer's period and returns the previous one (tests only).
UINT SetSessionRetryDelayForTesting(UINT milliseconds);

// This session's state as the session service reports it now; *error gets
// the reason when it is Unknown because the service did not answer.
SessionState QuerySessionState(DWORD* error);

class Registrations
{
public:
    Registrations() = default;
    ~Registrations() { Release(); }
    Registrations(const Registrations&) = delete;
    Registrations& operator=(const Registrations&) = delete;

    // Registers both for hwnd. A failed session registration is retried
    // when the session service's ready event is set, or on a timer.
    void Register(HWND hwnd);
    // WM_SESSION_SERVICE_READY and the retry timer: registers again; true
    // when the session registration is in place now.
    bool RetrySession();
    // Unregisters what was registered and cancels a pending retry.
    void Release();

    bool SessionRegistered() const { return m_session; }
    bool RetryPending() const { return m_wait || m_timer; }

private:
    void ScheduleRetry();
    void CancelRetry();
    bool WaitForReadyEvent();
    static void CALLBACK OnReady(PVOID context, BOOLEAN timedOut);

    HWND m_hwnd = nullptr;
    bool m_session = false;
    HPOWERNOTIFY m_power = nullptr;
    HANDLE m_readyEvent = nullptr;
    HANDLE m_wait = nullptr;
    bool m_timer = false;
    UINT m_timerAttempts = 0;
};
