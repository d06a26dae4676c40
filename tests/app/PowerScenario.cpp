#include "PowerScenario.h"

#include "PowerSource.h"
#include "Settings.h"

namespace apptest {

namespace {

// POWERBROADCAST_SETTING carrying its one 32-bit value.
struct SourceRecord
{
    GUID setting;
    DWORD length;
    DWORD value;
};

} // namespace

void PowerScenario::SetUp()
{
    AppScenario::SetUp();
    UseDrivers(Drivers::Nvidia);
}

CKorvaneDlg& PowerScenario::Start(bool acOnly, bool notices, bool available)
{
    DestroyMainDialogs();
    ForgetProgramGlobals();
    EXPECT_TRUE(SaveSetting(Setting::AcOnly, acOnly));
    EXPECT_TRUE(SaveSetting(Setting::Notices, notices));
    firmware->system0 = available ? "2" : "0";
    firmware->ap = "6";
    Mark();
    CKorvaneDlg& dlg = CreateMainDialog();
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));
    startup = Recorded();
    Mark();
    return dlg;
}

void PowerScenario::ReportSource(CKorvaneDlg& dlg, DWORD source)
{
    SourceRecord record{GUID_ACDC_POWER_SOURCE, sizeof(DWORD), source};
    EXPECT_EQ(SendMessageW(dlg.m_hWnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                           reinterpret_cast<LPARAM>(&record)),
              1);
}

void PowerScenario::Fire(CKorvaneDlg& dlg, UINT_PTR timer)
{
    SendMessageW(dlg.m_hWnd, WM_TIMER, timer, 0);
}

} // namespace apptest
