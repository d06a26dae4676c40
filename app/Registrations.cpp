#include "Registrations.h"

#include <versionhelpers.h>

#include <memory>

#include "diag/DiagnosticLog.h"

namespace {
// Set by the system once the session service's dependencies run; a session
// registration made before then fails with RPC_S_INVALID_BINDING.
const wchar_t kReadyEventName[] = L"Global\\TermSrvReadyEvent";
// Where the event cannot be opened: one try every 2 s for 5 minutes.
constexpr UINT kRetryAttempts = 150;
// WTS_INFO_CLASS value the headers at hand do not name yet.
constexpr auto kWtsSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);

// Windows 7 and Server 2008 R2 report the lock flag the other way round.
bool LockFlagReversed()
{
    return !::IsWindows8OrGreater();
}

RegistrationApi g_api = {&::WTSRegisterSessionNotification,
                         &::WTSUnRegisterSessionNotification,
                         &::RegisterPowerSettingNotification,
                         &::UnregisterPowerSettingNotification,
                         &::OpenEventW,
                         &::RegisterWaitForSingleObject,
                         &::UnregisterWaitEx,
                         &::WTSQuerySessionInformationW,
                         &::WTSFreeMemory,
                         &LockFlagReversed};
UINT g_retryDelayMs = 2000;
} // namespace

RegistrationApi SetRegistrationApiForTesting(const RegistrationApi& api)
{
    const RegistrationApi previous = g_api;
    g_api = api;
    return previous;
}

UINT SetSessionRetryDelayForTesting(UINT milliseconds)
{
    const UINT previous = g_retryDelayMs;
    g_retryDelayMs = milliseconds;
    return previous;
}

SessionState QuerySessionState(DWORD* error)
{
    *error = ERROR_SUCCESS;
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    // A service that fails without saying why must not log a stale error.
    ::SetLastError(ERROR_SUCCESS);
    if (!g_api.querySession(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kWtsSessionInfoEx, &buffer,
                            &bytes)) {
        *error = ::GetLastError();
        return SessionState::Unknown;
    }
    const std::unique_ptr<wchar_t, void(WINAPI*)(PVOID)> record(buffer, g_api.freeMemory);
    return SessionStateFromRecord(record.get(), bytes, g_api.lockFlagReversed());
}

void Registrations::Register(HWND hwnd)
{
    m_hwnd = hwnd;
    m_power = g_api.registerPower(hwnd, &GUID_ACDC_POWER_SOURCE, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_power)
        diag::Log("RegisterPowerSettingNotification failed (error %lu)", ::GetLastError());
    m_session = g_api.registerSession(hwnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (!m_session)
        diag::Log("WTSRegisterSessionNotification failed (error %lu)", ::GetLastError());
    if (!m_session && WaitForReadyEvent())
        return;
    if (!m_session || !m_power)
        ScheduleRetry();
}

bool Registrations::RetrySession()
{
    if (!m_hwnd)
        return false;
    const bool fromEvent = m_wait != nullptr;
    CancelRetry();
    if (!m_session)
        m_session = g_api.registerSession(m_hwnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (!m_power)
        m_power = g_api.registerPower(m_hwnd, &GUID_ACDC_POWER_SOURCE, DEVICE_NOTIFY_WINDOW_HANDLE);
    diag::Log("registrations retried: session %s, power %s", m_session ? "registered" : "refused",
              m_power ? "registered" : "refused");
    if (m_session && m_power)
        return true;
    // The event is set but the service still refuses: the timer takes over,
    // counting on from where it stopped.
    if (fromEvent || ++m_timerAttempts < kRetryAttempts)
        ScheduleRetry();
    return m_session;
}

void Registrations::Release()
{
    CancelRetry();
    if (m_session)
        g_api.unregisterSession(m_hwnd);
    if (m_power)
        g_api.unregisterPower(m_power);
    m_session = false;
    m_power = nullptr;
    m_timerAttempts = 0;
    m_hwnd = nullptr;
}

bool Registrations::WaitForReadyEvent()
{
    m_readyEvent = g_api.openEvent(SYNCHRONIZE, FALSE, kReadyEventName);
    if (!m_readyEvent)
        return false;
    if (g_api.registerWait(&m_wait, m_readyEvent, &Registrations::OnReady, this, INFINITE,
                           WT_EXECUTEONLYONCE))
        return true;
    m_wait = nullptr;
    ::CloseHandle(m_readyEvent);
    m_readyEvent = nullptr;
    return false;
}

void CALLBACK Registrations::OnReady(PVOID context, BOOLEAN)
{
    // A thread-pool thread: the registration itself is made on the window's
    // thread. Release waits for this callback before the window goes.
    ::PostMessageW(static_cast<Registrations*>(context)->m_hwnd, WM_SESSION_SERVICE_READY, 0, 0);
}

void Registrations::ScheduleRetry()
{
    m_timer = ::SetTimer(m_hwnd, kSessionRetryTimer, g_retryDelayMs, nullptr) != 0;
}

void Registrations::CancelRetry()
{
    if (m_wait) {
        // Returns once a callback under way has ended: it uses this object.
        g_api.unregisterWait(m_wait, INVALID_HANDLE_VALUE);
        m_wait = nullptr;
    }
    if (m_readyEvent) {
        ::CloseHandle(m_readyEvent);
        m_readyEvent = nullptr;
    }
    if (m_timer) {
        ::KillTimer(m_hwnd, kSessionRetryTimer);
        m_timer = false;
    }
}
