#include "AppScenario.h"

#include <thread>

#include "AboutDlg.h"
#include "BrightnessEvents.h"
#include "MainState.h"
#include "PowerSource.h"
#include "SeamScope.h"
#include "Settings.h"
#include "TextMenu.h"
#include "TrayNotices.h"
#include "Waits.h"
#include "gpu/AdlBackend.h"
#include "gpu/NvapiBackend.h"
#include "gpu/NvapiLibrary.h"
#include "gpu/WarningBox.h"
#include "resource.h"

namespace apptest {

namespace {

AppScenario* g_scenario = nullptr;

const char kNvClockPrefix[] = "NvClockMode";
const char kAdlClockPrefix[] = "ADL_Display_ODClockConfig_Set";
const char kGpu[] = " 0x4E500000 ";

int WINAPI NoMessageBox(HWND, LPCWSTR, LPCWSTR, UINT)
{
    return IDOK;
}

// No COM object can be made: the brightness subscription gives up at once.
HRESULT WINAPI NoComObjects(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object)
{
    if (object)
        *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

// The tray menu does not depend on the machine's accessibility setting.
bool NoScreenReader()
{
    return false;
}

// The notebook runs on AC power unless a test says otherwise.
BYTE g_lineStatus = kLineOnline;
bool g_answered = true;

BOOL WINAPI FakePowerStatus(LPSYSTEM_POWER_STATUS status)
{
    *status = {};
    status->ACLineStatus = g_lineStatus;
    return g_answered ? TRUE : FALSE;
}

void Append(Steps& steps, const std::vector<std::string>& lines, size_t& seen, const char* prefix)
{
    for (; seen < lines.size(); ++seen) {
        if (lines[seen].rfind(prefix, 0) == 0)
            steps.push_back(lines[seen]);
    }
}

} // namespace

// The seams every application test replaces, put back when the scenario ends.
struct AppScenario::Seams
{
    SeamScope<&SetSleepForTesting> sleep{&AppScenario::RecordWait};
    SeamScope<&gpu::SetMessageBoxForTesting> messageBox{&NoMessageBox};
    SeamScope<&SetCoCreateInstanceForTesting> coCreate{&NoComObjects};
    SeamScope<&SetScreenReaderForTesting> screenReader{&NoScreenReader};
    // Settings of the program's own key are never touched.
    SeamScope<&SetSettingsKeyForTesting> settingsKey{SettingsKey{HKEY_CURRENT_USER, TestSettingsPath()}};
    SeamScope<&SetPowerStatusForTesting> powerStatus{&FakePowerStatus};
    // The settle and notice timers fire when a test sends their WM_TIMER.
    SeamScope<&SetPowerSettleDelayForTesting> settleDelay{UINT(USER_TIMER_MAXIMUM)};
    SeamScope<&SetNoticeDelayForTesting> noticeDelay{UINT(USER_TIMER_MAXIMUM)};
};

void SetLineStatus(BYTE status, bool answered)
{
    g_lineStatus = status;
    g_answered = answered;
}

Steps operator+(Steps first, const Steps& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const wchar_t* TestSettingsPath()
{
    static const std::wstring path = L"Software\\Korvane-test-app\\" + std::to_wstring(GetCurrentProcessId());
    return path.c_str();
}

void ForgetTestSettings()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, TestSettingsPath());
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(TestSettingsPath()) + L"-volatile").c_str());
    // The parent goes once no test program keeps settings under it.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Korvane-test-app");
}

namespace {
std::wstring VolatilePath()
{
    return std::wstring(TestSettingsPath()) + L"-volatile";
}

HKEY CreateVolatileKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, VolatilePath().c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}
} // namespace

UnwritableSettings::UnwritableSettings()
    : m_volatile(CreateVolatileKey()), m_key(SettingsKey{m_volatile, L"Korvane"})
{}

UnwritableSettings::~UnwritableSettings()
{
    if (m_volatile)
        RegCloseKey(m_volatile);
    RegDeleteTreeW(HKEY_CURRENT_USER, VolatilePath().c_str());
}

std::string Wait(DWORD milliseconds)
{
    return "wait " + std::to_string(milliseconds);
}

std::string Pipe(const std::string& command)
{
    return "pipe " + command;
}

Steps NvidiaApply(int apBefore)
{
    return {Pipe(kApQuery),
            std::string("NvClockModeA") + kGpu + "1 -> 0",
            std::string("NvClockModeB") + kGpu + "1 0 -> 0",
            std::string("NvClockModeC") + kGpu + "0 -> 0",
            Pipe(ApSet(apBefore | 1)),
            Pipe(kApQuery)};
}

Steps NvidiaRestore(int apBefore)
{
    return {std::string("NvClockModeA") + kGpu + "0 -> 0", std::string("NvClockModeC") + kGpu + "1 -> 0",
            Pipe(kApQuery), Pipe(ApSet(apBefore & 0xFE)), Pipe(kApQuery)};
}

AppScenario::AppScenario() = default;
AppScenario::~AppScenario() = default;

void AppScenario::SetUp()
{
    g_scenario = this;
    m_seams = std::make_unique<Seams>();
    ForgetTestSettings();
    SetLineStatus(kLineOnline);
    firmware = std::make_unique<FirmwareFake>([this](const std::string& command) { Record(Pipe(command)); });

    // Firmware events would come from a service on this pipe; none listens there.
    wchar_t previous[256];
    const DWORD length = GetEnvironmentVariableW(L"QEL_PIPE_NAME", previous, 256);
    m_hadPipeName = length > 0 && length < 256;
    m_previousPipeName.assign(previous, m_hadPipeName ? length : 0);
    const std::wstring unused = L"korvane-test-app-" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"QEL_PIPE_NAME", unused.c_str());
}

void AppScenario::TearDown()
{
    DestroyMainDialogs();
    ForgetProgramGlobals();
    AfxSetResourceHandle(nullptr);
    PumpMessages();

    firmware.reset();
    ForgetTestSettings();
    m_seams.reset();

    m_nvapi.reset();
    m_adl.reset();
    gpu::ResetNvapiForTesting();
    gpu::ResetAdlForTesting();
    if (m_folder) {
        EXPECT_TRUE(m_folder->Remove()) << "a driver library is still loaded";
    }
    SetEnvironmentVariableW(L"QEL_PIPE_NAME", m_hadPipeName ? m_previousPipeName.c_str() : nullptr);
    g_scenario = nullptr;
}

void AppScenario::ForgetProgramGlobals()
{
    if (g_pAboutDlg) {
        if (IsWindow(g_pAboutDlg->m_hWnd))
            DestroyWindow(g_pAboutDlg->m_hWnd);
        delete g_pAboutDlg;
        g_pAboutDlg = nullptr;
    }
    if (g_hInstanceMutex) {
        CloseHandle(g_hInstanceMutex);
        g_hInstanceMutex = nullptr;
    }
    g_pMainDlg = nullptr;
    g_bSessionActive = TRUE;
    SetBrightnessEventTarget(nullptr);
}

void AppScenario::UseDrivers(Drivers drivers)
{
    std::vector<gputest::FakeDll> fakes{gputest::kFakeNvapi};
    if (drivers == Drivers::NvidiaAndAdl)
        fakes.push_back(gputest::kFakeAtiadlxx);
    m_folder = std::make_unique<gputest::DriverFolder>(fakes);
    ASSERT_TRUE(m_folder->Ready());
    m_nvapi = std::make_unique<FakeDriver>(m_folder->FileInside(gpu::kNvapiLibrary), "FakeNv_");
    ASSERT_TRUE(m_nvapi->Ready());
    if (drivers == Drivers::NvidiaAndAdl) {
        m_adl = std::make_unique<FakeDriver>(m_folder->FileInside(L"atiadlxx.dll"), "FakeAdl_");
        ASSERT_TRUE(m_adl->Ready());
    }
}

void AppScenario::StartNvidia(CKorvaneDlg& dlg)
{
    ASSERT_EQ(gpu::LoadNvapi(), 0);
    ASSERT_TRUE(gpu::EnumerateNvidia());
    dlg.m_bNvidia = true;
}

CKorvaneDlg& AppScenario::CreateMainDialog()
{
    m_dialogs.push_back(std::make_unique<CKorvaneDlg>());
    CKorvaneDlg& dlg = *m_dialogs.back();
    if (!m_nvapi) {
        ADD_FAILURE() << "no graphics backend could start";
        return dlg;
    }
    if (!g_hInstanceMutex) {
        if (HANDLE other = OpenMutexW(SYNCHRONIZE, FALSE, L"QEL Korvane")) {
            CloseHandle(other);
            ADD_FAILURE() << "another process holds \"QEL Korvane\": tests that start the program must not "
                             "run at the same time (CTest resource lock korvane_instance)";
        }
    }
    EXPECT_TRUE(dlg.Create(IDD_KORVANE_DIALOG));
    return dlg;
}

void AppScenario::DestroyMainDialogs()
{
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it) {
        if (IsWindow((*it)->m_hWnd))
            DestroyWindow((*it)->m_hWnd);
    }
    m_dialogs.clear();
}

Steps AppScenario::Recorded()
{
    CollectDriverCalls();
    return m_steps;
}

void AppScenario::Mark()
{
    CollectDriverCalls();
    m_steps.clear();
}

void AppScenario::RecordWait(DWORD milliseconds)
{
    if (g_scenario)
        g_scenario->Record(Wait(milliseconds));
}

void AppScenario::Record(std::string step)
{
    CollectDriverCalls();
    m_steps.push_back(std::move(step));
}

void AppScenario::CollectDriverCalls()
{
    if (m_nvapi)
        Append(m_steps, m_nvapi->Log(), m_nvapiSeen, kNvClockPrefix);
    if (m_adl)
        Append(m_steps, m_adl->Log(), m_adlSeen, kAdlClockPrefix);
}

void PumpMessages()
{
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool MutexFreeForOtherThread(const wchar_t* name)
{
    bool free = false;
    std::thread other([&] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
        if (!mutex)
            return;
        const DWORD result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            free = true;
            ReleaseMutex(mutex);
        }
        CloseHandle(mutex);
    });
    other.join();
    return free;
}

bool TrayIconExists(const NOTIFYICONDATAW& nid)
{
    NOTIFYICONDATAW probe = nid;
    probe.uFlags = NIF_TIP;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

} // namespace apptest
