// The ways the running program ends, with the main dialog run modally as the
// application runs it: every exit restores the default clocks, teardown
// restores them once more and lets go of the icon and the mutex.
#include "AppScenario.h"

#include <wtsapi32.h>

#include <memory>
#include <vector>

#include "BrightnessEvents.h"
#include "MainState.h"
#include "ProcessExit.h"
#include "SeamScope.h"
#include "resource.h"
#include "ThreadTimer.h"

using namespace apptest;

namespace {

const wchar_t kMutexName[] = L"QEL Korvane";

struct EndRow
{
    const char* name;
    void (*end)(HWND);
    Steps steps;
};

// Looks for the dialog's tray icon at WM_NCDESTROY, after the destroy
// handler ran but while the window still exists: once the window is gone the
// shell drops its icons by itself, so a later look proves nothing.
class IconAtNcDestroy
{
public:
    explicit IconAtNcDestroy(const NOTIFYICONDATAW& nid) : m_nid(nid)
    {
        s_current = this;
        m_previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(nid.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IconAtNcDestroy::Proc)));
    }
    ~IconAtNcDestroy() { s_current = nullptr; }
    IconAtNcDestroy(const IconAtNcDestroy&) = delete;
    IconAtNcDestroy& operator=(const IconAtNcDestroy&) = delete;

    bool looked = false;
    bool present = false;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        IconAtNcDestroy* self = s_current;
        const WNDPROC previous = self->m_previous;
        if (message == WM_NCDESTROY) {
            self->looked = true;
            self->present = TrayIconExists(self->m_nid);
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        }
        return CallWindowProcW(previous, hwnd, message, wParam, lParam);
    }

    static IconAtNcDestroy* s_current;
    NOTIFYICONDATAW m_nid;
    WNDPROC m_previous;
};
IconAtNcDestroy* IconAtNcDestroy::s_current = nullptr;

class Shutdown : public AppScenario
{};

TEST_F(Shutdown, EveryExitRestoresTheDefaultClocksAndTeardownReleasesEverything)
{
    UseDrivers(Drivers::Nvidia);
    ASSERT_FALSE(HasFatalFailure()) << "without a backend start-up ends the process";
    // Start-up applies the overclock: AP 6 becomes 7.
    const EndRow rows[] = {
        {"WM_CLOSE", [](HWND h) { SendMessageW(h, WM_CLOSE, 0, 0); },
         NvidiaRestore(7) + NvidiaRestore(6) + NvidiaRestore(6)},
        {"Exit command", [](HWND h) { SendMessageW(h, WM_COMMAND, IDM_EXIT, 0); },
         NvidiaRestore(7) + NvidiaRestore(6)},
        {"Exit button",
         [](HWND h) {
             SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(h, IDCANCEL)));
         },
         NvidiaRestore(7) + NvidiaRestore(6)},
        {"logoff, then WM_CLOSE",
         [](HWND h) {
             SendMessageW(h, WM_WTSSESSION_CHANGE, WTS_SESSION_LOGOFF, 1);
             SendMessageW(h, WM_CLOSE, 0, 0);
         },
         {Pipe(kSystem0)}},
    };
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.name);
        firmware->system0 = "2";
        firmware->ap = "6";
        CKorvaneDlg dlg;
        bool iconWhileRunning = false;
        bool mutexHeldWhileRunning = false;
        bool timedOut = false;
        HWND hwnd = nullptr;
        std::unique_ptr<IconAtNcDestroy> iconAtEnd;
        OneShotTimer act(1, [&] {
            hwnd = dlg.m_hWnd;
            iconWhileRunning = TrayIconExists(dlg.m_nid);
            iconAtEnd = std::make_unique<IconAtNcDestroy>(dlg.m_nid);
            mutexHeldWhileRunning = !MutexFreeForOtherThread(kMutexName);
            Mark();
            row.end(hwnd);
        });
        OneShotTimer safety(kSafetyMs, [&] {
            timedOut = true;
            EndDialog(dlg.m_hWnd, -2);
        });

        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        ASSERT_TRUE(act.Fired());
        EXPECT_FALSE(timedOut);
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_FALSE(dlg.m_bOCEnabled);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_TRUE(iconWhileRunning);
        ASSERT_TRUE(iconAtEnd && iconAtEnd->looked);
        EXPECT_FALSE(iconAtEnd->present) << "the destroy handler deletes the icon";
        EXPECT_TRUE(mutexHeldWhileRunning);
        EXPECT_TRUE(MutexFreeForOtherThread(kMutexName)) << "the mutex is released";
        EXPECT_EQ(GetBrightnessEventTarget(), nullptr);
        ForgetProgramGlobals();
    }
}

TEST_F(Shutdown, TeardownClearsTheBrightnessTargetBeforeItsFirstFirmwareCommand)
{
    UseDrivers(Drivers::Nvidia);
    ASSERT_FALSE(HasFatalFailure()) << "without a backend start-up ends the process";
    CKorvaneDlg& dlg = CreateMainDialog();
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_EQ(GetBrightnessEventTarget(), dlg.m_hWnd);

    std::vector<HWND> targets;
    firmware.reset();
    firmware = std::make_unique<FirmwareFake>(
        [&](const std::string&) { targets.push_back(GetBrightnessEventTarget()); });
    firmware->ap = "7";
    DestroyWindow(dlg.m_hWnd);
    ASSERT_FALSE(targets.empty()) << "teardown restores through the firmware";
    EXPECT_EQ(targets.front(), nullptr) << "a brightness event sent meanwhile would wait for the pipe";
}

struct ExitSeen
{
    int calls = 0;
    int status = -1;
    bool iconPresent = false;
};
ExitSeen g_exitSeen;

void RecordExit(int status)
{
    ++g_exitSeen.calls;
    g_exitSeen.status = status;
    g_exitSeen.iconPresent = g_pMainDlg && TrayIconExists(g_pMainDlg->m_nid);
}

TEST_F(Shutdown, WithoutAnyGpuTheIconIsRemovedBeforeTheProcessEndsWithStatusOne)
{
    // No fake driver: neither backend can start.
    g_exitSeen = {};
    CKorvaneDlg dlg;
    {
        SeamScope<&SetExitForTesting> exit{&RecordExit};
        dlg.Create(IDD_KORVANE_DIALOG);
    }

    EXPECT_EQ(g_exitSeen.calls, 1);
    EXPECT_EQ(g_exitSeen.status, 1);
    EXPECT_FALSE(g_exitSeen.iconPresent) << "the icon is deleted before the process ends";
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    ASSERT_NE(dlg.m_nid.cbSize, 0u) << "start-up added the icon first";
    // The tray does show this record's icon: the look above could see it.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &dlg.m_nid));
    EXPECT_TRUE(TrayIconExists(dlg.m_nid));
    DestroyWindow(dlg.m_hWnd);
}

} // namespace
