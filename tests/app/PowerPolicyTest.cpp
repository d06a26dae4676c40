// "Only on AC power": a power-source change held for the settle time turns
// the clocks over, a change back within it cancels it, the source read at
// start-up and after resume, and a change met by an inactive session.
#include "PowerScenario.h"

#include <wtsapi32.h>

#include "MainState.h"
#include "PowerSource.h"
#include "Settings.h"

using namespace apptest;

namespace {

enum class Input { AC, Battery, ShortTerm, Event39, Settle };

class PowerPolicy : public PowerScenario
{
protected:
    void Give(CKorvaneDlg& dlg, Input input)
    {
        switch (input) {
        case Input::AC:
            ReportSource(dlg, 0);
            break;
        case Input::Battery:
            ReportSource(dlg, 1);
            break;
        case Input::ShortTerm:
            ReportSource(dlg, 2);
            break;
        case Input::Event39:
            SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x39, 0);
            break;
        case Input::Settle:
            Fire(dlg, kPowerSettleTimer);
            break;
        }
    }
};

struct SettleRow
{
    const char* name;
    bool acOnly;
    std::vector<Input> inputs;
    Steps steps;
};

TEST_F(PowerPolicy, AChangeTakesEffectOnceItHasHeldAndAChangeBackCancelsIt)
{
    using I = Input;
    const SettleRow rows[] = {
        {"battery held", true, {I::Battery, I::Settle}, NvidiaRestore(7)},
        {"battery, back on AC within the settle time", true, {I::Battery, I::AC, I::Settle}, {}},
        {"firmware event 0x39 held", true, {I::Event39, I::Settle}, NvidiaRestore(7)},
        {"battery twice, held once", true, {I::Battery, I::Battery, I::Settle, I::Settle}, NvidiaRestore(7)},
        {"battery held, then AC held",
         true,
         {I::Battery, I::Settle, I::AC, I::Settle},
         NvidiaRestore(7) + NvidiaApply(6)},
        {"wiggle on battery", true, {I::Battery, I::Settle, I::AC, I::Battery, I::Settle}, NvidiaRestore(7)},
        {"a short-term source changes nothing", true, {I::ShortTerm, I::Settle}, {}},
        {"the settle time elapsing alone", true, {I::Settle}, {}},
        {"option off: battery held", false, {I::Battery, I::Settle}, {}},
        {"option off: 0x39 held", false, {I::Event39, I::Settle}, {}},
    };
    for (const SettleRow& row : rows) {
        SCOPED_TRACE(row.name);
        CKorvaneDlg& dlg = Start(row.acOnly);
        ASSERT_EQ(dlg.m_clocks, ClocksInForce::Overclocked) << "start-up on AC power overclocks";
        for (Input input : row.inputs)
            Give(dlg, input);
        EXPECT_EQ(Recorded(), row.steps);
        EXPECT_TRUE(dlg.m_bOCEnabled) << "the user's choice is kept";
    }
}

TEST_F(PowerPolicy, TheSettleTimeIsAWindowTimer)
{
    SeamScope<&SetPowerSettleDelayForTesting> settleDelay{1u};
    CKorvaneDlg& dlg = Start(true);
    ReportSource(dlg, 1);
    EXPECT_EQ(Recorded(), Steps{}) << "nothing before the settle time";
    const DWORD start = GetTickCount();
    while (Recorded().empty() && GetTickCount() - start < 2000)
        PumpMessages();
    EXPECT_EQ(Recorded(), NvidiaRestore(7));
}

struct SleepRow
{
    const char* name;
    bool acOnly;
    BYTE lineAtResume;
    bool answered;
    Steps afterEvent60;
    const wchar_t* tip;
};

TEST_F(PowerPolicy, UnpluggedWhileAsleepIsSeenAtResume)
{
    const Steps query = {Wait(3000), Pipe(kSystem0)};
    const SleepRow rows[] = {
        {"battery at resume", true, kLineOffline, true, query,
         L"QEL Korvane\nDefault clocks: running on battery"},
        {"AC at resume", true, kLineOnline, true, query + NvidiaApply(6), L"QEL Korvane\nOverclocked"},
        {"unknown source counts as AC", true, kLineUnknown, true, query + NvidiaApply(6),
         L"QEL Korvane\nOverclocked"},
        {"unanswered question counts as AC", true, kLineOffline, false, query + NvidiaApply(6),
         L"QEL Korvane\nOverclocked"},
        {"option off", false, kLineOffline, true, query + NvidiaApply(6), L"QEL Korvane\nOverclocked"},
    };
    for (const SleepRow& row : rows) {
        SCOPED_TRACE(row.name);
        SetLineStatus(kLineOnline);
        CKorvaneDlg& dlg = Start(row.acOnly);
        SetLineStatus(row.lineAtResume, row.answered);
        EXPECT_EQ(SendMessageW(dlg.m_hWnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0), 0);
        EXPECT_EQ(Recorded(), Steps{Wait(2000)} + NvidiaRestore(7)) << "resume itself as always";
        Mark();
        SendMessageW(dlg.m_hWnd, WM_QEL_EVENT, 0x60, 0);
        EXPECT_EQ(Recorded(), row.afterEvent60);
        ASSERT_FALSE(tray.Tips().empty());
        EXPECT_EQ(tray.Tips().back(), row.tip);
    }
}

struct StartRow
{
    const char* name;
    bool acOnly;
    BYTE line;
    bool answered;
    Steps steps;
};

TEST_F(PowerPolicy, StartUpReadsThePowerSource)
{
    const Steps query = {Pipe(kSystem0)};
    const StartRow rows[] = {
        {"battery, option on", true, kLineOffline, true, query + NvidiaRestore(6)},
        {"battery, option off", false, kLineOffline, true, query + NvidiaApply(6)},
        {"AC, option on", true, kLineOnline, true, query + NvidiaApply(6)},
        {"unknown, option on", true, kLineUnknown, true, query + NvidiaApply(6)},
        {"no answer, option on", true, kLineOffline, false, query + NvidiaApply(6)},
    };
    for (const StartRow& row : rows) {
        SCOPED_TRACE(row.name);
        SetLineStatus(row.line, row.answered);
        CKorvaneDlg& dlg = Start(row.acOnly);
        EXPECT_EQ(startup, row.steps);
        EXPECT_TRUE(dlg.m_bOCEnabled);
        EXPECT_EQ(dlg.m_bOnAC, row.line != kLineOffline || !row.answered);
    }
}

struct LockedRow
{
    const char* name;
    bool acOnly;
    std::vector<Input> whileLocked;
    Steps atUnlock;
};

TEST_F(PowerPolicy, AChangeMetByAnInactiveSessionFollowsWhenItIsActiveAgain)
{
    using I = Input;
    const Steps query = {Pipe(kSystem0)};
    const LockedRow rows[] = {
        {"battery while locked", true, {I::Battery, I::Settle}, query + NvidiaRestore(7)},
        {"battery and back while locked", true, {I::Battery, I::Settle, I::AC, I::Settle}, query},
        {"option off", false, {I::Battery, I::Settle}, query},
    };
    for (const LockedRow& row : rows) {
        SCOPED_TRACE(row.name);
        CKorvaneDlg& dlg = Start(row.acOnly);
        SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
        for (Input input : row.whileLocked)
            Give(dlg, input);
        Mark();
        SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
        EXPECT_EQ(Recorded(), row.atUnlock);
    }
}

TEST_F(PowerPolicy, AnUnpluggedNotebookBackOnACWhileLockedIsOverclockedAtUnlock)
{
    SetLineStatus(kLineOffline);
    CKorvaneDlg& dlg = Start(true);
    ASSERT_EQ(dlg.m_clocks, ClocksInForce::Default);
    SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    ReportSource(dlg, 0);
    Fire(dlg, kPowerSettleTimer);
    Mark();
    SendMessageW(dlg.m_hWnd, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_EQ(Recorded(), Steps{Pipe(kSystem0)} + NvidiaApply(6));
}

struct OptionRow
{
    const char* name;
    BYTE line;
    Steps turnedOn;
    Steps turnedOff;
};

TEST_F(PowerPolicy, TheOptionFromTheMenuActsAtOnceAndIsStored)
{
    const OptionRow rows[] = {
        {"on battery", kLineOffline, NvidiaRestore(7), NvidiaApply(6)},
        {"on AC power", kLineOnline, {}, {}},
    };
    for (const OptionRow& row : rows) {
        SCOPED_TRACE(row.name);
        SetLineStatus(row.line);
        CKorvaneDlg& dlg = Start(false);
        for (const auto& [on, steps] :
             {std::make_pair(true, row.turnedOn), std::make_pair(false, row.turnedOff)}) {
            Mark();
            SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_AC_ONLY, 0);
            EXPECT_EQ(Recorded(), steps);
            EXPECT_EQ(dlg.m_bAcOnly, on);
            EXPECT_EQ(LoadSettings().acOnly, on) << "stored";
        }
        Fire(dlg, kNoticeTimer);
        EXPECT_TRUE(tray.Notices().empty()) << "the user's own click";
    }
}

TEST_F(PowerPolicy, EnableOnBatteryWaitsForACPower)
{
    SetLineStatus(kLineOffline);
    CKorvaneDlg& dlg = Start(true);
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_DISABLE, 0);
    Mark();
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDM_ENABLE, 0);
    EXPECT_EQ(Recorded(), Steps{}) << "held back by the power condition";
    EXPECT_TRUE(dlg.m_bOCEnabled);
    ReportSource(dlg, 0);
    Fire(dlg, kPowerSettleTimer);
    EXPECT_EQ(Recorded(), NvidiaApply(6));
}

} // namespace
