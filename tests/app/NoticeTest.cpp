// The tray icon's notices and tip: one notice for changes the user did not
// click, coalesced over the notice delay; the tip always saying the clocks.
#include "PowerScenario.h"
#include "LogRecords.h"

#include <wtsapi32.h>

#include <functional>

#include "MainState.h"
#include "PowerSource.h"

using namespace apptest;

namespace {

class Notices : public PowerScenario
{};

const wchar_t kWithdrew[] = L"Default clocks: the firmware withdrew the overclock";

TEST_F(Notices, AFirmwareChangeGivesOneQuietNoticeFromTheIcon)
{
    CKorvaneDlg& dlg = Start(false);
    firmware->system1 = "1";
    SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x5D, 0);
    EXPECT_TRUE(tray.Notices().empty()) << "not before the notice delay";
    Fire(dlg, kNoticeTimer);

    ASSERT_EQ(tray.Notices(), std::vector<std::wstring>{kWithdrew});
    const TrayRecorder::Call& notice = tray.calls.back();
    EXPECT_EQ(notice.message, DWORD(NIM_MODIFY));
    EXPECT_EQ(notice.data.uFlags, UINT(NIF_INFO));
    EXPECT_EQ(notice.data.cbSize, sizeof(NOTIFYICONDATAW)) << "the full record";
    EXPECT_EQ(notice.data.hWnd, dlg.m_hWnd);
    EXPECT_EQ(notice.data.uID, 1u);
    EXPECT_STREQ(notice.data.szInfoTitle, L"QEL Korvane");
    EXPECT_EQ(notice.data.dwInfoFlags, DWORD(NIIF_INFO | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME));

    Fire(dlg, kNoticeTimer);
    EXPECT_EQ(tray.Notices().size(), 1u) << "told once";
}

enum class Change { Forced, Offered, Resume, Disable, Enable };

struct CoalesceRow
{
    const char* name;
    std::vector<Change> changes;
    std::vector<std::wstring> notices;
};

TEST_F(Notices, ChangesWithinTheDelayGiveOneNoticeOfTheStateTheyEndIn)
{
    const CoalesceRow rows[] = {
        {"withdrawn", {Change::Forced}, {kWithdrew}},
        {"withdrawn and offered again", {Change::Forced, Change::Offered}, {}},
        {"withdrawn, offered, withdrawn", {Change::Forced, Change::Offered, Change::Forced}, {kWithdrew}},
        {"withdrawn, then resume", {Change::Forced, Change::Resume}, {kWithdrew}},
        {"resume", {Change::Resume}, {L"Default clocks: resumed from sleep"}},
        {"resume, then offered", {Change::Resume, Change::Offered}, {}},
        {"the user's Disable", {Change::Disable}, {}},
        {"withdrawn, then the user's Disable", {Change::Forced, Change::Disable}, {}},
        {"the user's Disable and Enable, then withdrawn",
         {Change::Disable, Change::Enable, Change::Forced},
         {kWithdrew}},
    };
    for (const CoalesceRow& row : rows) {
        SCOPED_TRACE(row.name);
        CKorvaneDlg& dlg = Start(false);
        tray.Clear();
        for (Change change : row.changes) {
            switch (change) {
            case Change::Forced:
                firmware->system1 = "1";
                SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x5D, 0);
                break;
            case Change::Offered:
                SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x60, 0);
                break;
            case Change::Resume:
                SendMessageW(dlg.m_hWnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
                break;
            case Change::Disable:
                SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_DISABLE, 0);
                break;
            case Change::Enable:
                SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_ENABLE, 0);
                break;
            }
        }
        Fire(dlg, kNoticeTimer);
        EXPECT_EQ(tray.Notices(), row.notices);
    }
}

TEST_F(Notices, ThePowerSourceIsToldOnBatteryAndBackOnAC)
{
    CKorvaneDlg& dlg = Start(true);
    ReportSource(dlg, 1);
    Fire(dlg, kPowerSettleTimer);
    Fire(dlg, kNoticeTimer);
    ReportSource(dlg, 0);
    Fire(dlg, kPowerSettleTimer);
    Fire(dlg, kNoticeTimer);
    EXPECT_EQ(tray.Notices(), (std::vector<std::wstring>{L"Default clocks: running on battery",
                                                         L"Overclocked again: back on AC power"}));
}

struct StartNoticeRow
{
    const char* name;
    bool available;
    BYTE line;
    std::vector<std::wstring> notices;
};

TEST_F(Notices, StartUpTellsOnlyClocksOtherThanTheChoice)
{
    const StartNoticeRow rows[] = {
        {"overclocked as chosen", true, kLineOnline, {}},
        {"feature unavailable",
         false,
         kLineOnline,
         {L"Default clocks: the firmware does not offer the overclock"}},
        {"on battery", true, kLineOffline, {L"Default clocks: running on battery"}},
    };
    for (const StartNoticeRow& row : rows) {
        SCOPED_TRACE(row.name);
        SetLineStatus(row.line);
        tray.Clear();
        CKorvaneDlg& dlg = Start(true, true, row.available);
        Fire(dlg, kNoticeTimer);
        EXPECT_EQ(tray.Notices(), row.notices);
    }
}

TEST_F(Notices, NoticesOffStopsTheNoticesButNotTheTip)
{
    CKorvaneDlg& dlg = Start(false, false);
    firmware->system1 = "1";
    const LogMark mark;
    SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x5D, 0);
    Fire(dlg, kNoticeTimer);
    EXPECT_TRUE(tray.Notices().empty());
    ASSERT_FALSE(tray.Tips().empty());
    EXPECT_EQ(tray.Tips().back(), L"QEL Korvane\nDefault clocks: the firmware does not offer the overclock");
    EXPECT_TRUE(mark.Logged("notice not shown, notices are off"));

    // Turned on again: the next change is told.
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_NOTICES, 0);
    EXPECT_TRUE(dlg.m_bNotices);
    SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x60, 0);
    Fire(dlg, kNoticeTimer);
    EXPECT_EQ(tray.Notices(),
              std::vector<std::wstring>{L"Overclocked again: the firmware offers the overclock"});
}

struct TipStep
{
    const char* name;
    std::function<void()> act;
    const wchar_t* tip;
};

TEST_F(Notices, TheTipStatesTheClocksAndWhyTheyDifferFromTheChoice)
{
    CKorvaneDlg& dlg = Start(true);
    ASSERT_FALSE(tray.Tips().empty());
    EXPECT_EQ(tray.Tips().back(), L"QEL Korvane\nOverclocked");
    EXPECT_STREQ(dlg.m_nid.szTip, L"QEL Korvane") << "the icon's record keeps its first tip";
    const HWND h = dlg.m_hWnd;
    const auto command = [h](UINT id) { return [h, id] { SendMessageW(h, WM_COMMAND, id, 0); }; };
    const auto session = [h](UINT code) {
        return [h, code] { SendMessageW(h, WM_WTSSESSION_CHANGE, code, 1); };
    };
    const TipStep steps[] = {
        {"Disable", command(IDM_DISABLE), L"QEL Korvane\nDefault clocks"},
        {"Enable", command(IDM_ENABLE), L"QEL Korvane\nOverclocked"},
        {"lock", session(WTS_SESSION_LOCK), L"QEL Korvane\nOverclocked"},
        {"Disable while locked", command(IDM_DISABLE),
         L"QEL Korvane\nOverclocked: held back while the session was not active"},
        {"unlock", session(WTS_SESSION_UNLOCK),
         L"QEL Korvane\nOverclocked: held back while the session was not active"},
        {"Enable", command(IDM_ENABLE), L"QEL Korvane\nOverclocked"},
        {"battery held",
         [&] {
             ReportSource(dlg, 1);
             Fire(dlg, kPowerSettleTimer);
         },
         L"QEL Korvane\nDefault clocks: running on battery"},
        {"option off", command(IDM_AC_ONLY), L"QEL Korvane\nOverclocked"},
        {"firmware withdraws",
         [&] {
             firmware->system1 = "1";
             SendMessageW(h, WM_QEL_EVENT, 0x5D, 0);
         },
         L"QEL Korvane\nDefault clocks: the firmware does not offer the overclock"},
    };
    for (const TipStep& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        ASSERT_FALSE(tray.Tips().empty());
        EXPECT_EQ(tray.Tips().back(), step.tip);
        EXPECT_EQ(tray.calls.back().message, DWORD(NIM_MODIFY));
    }
}

TEST_F(Notices, TaskbarCreatedAddsTheIconAgainWithTheCurrentTip)
{
    CKorvaneDlg& dlg = Start(false);
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_DISABLE, 0);
    NOTIFYICONDATAW lost = dlg.m_nid;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    tray.Clear();
    SendMessageW(dlg.m_hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(tray.calls.size(), 1u);
    EXPECT_EQ(tray.calls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(tray.calls[0].data.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_STREQ(tray.calls[0].data.szTip, L"QEL Korvane\nDefault clocks");
    EXPECT_TRUE(TrayIconExists(dlg.m_nid));
}

} // namespace
