// Application tests of the options: the program started with settings
// stored, the power source as the system reports it, and the settle and
// notice timers fired by the test.
#pragma once
#include "AppScenario.h"
#include "TrayRecorder.h"

namespace apptest {

class PowerScenario : public AppScenario
{
protected:
    void SetUp() override;

    // Ends the program a previous Start started, stores the two options
    // (nothing for the clocks), then starts the program with the feature
    // available or not. Recorded() starts after it.
    CKorvaneDlg& Start(bool acOnly, bool notices = true, bool available = true);

    // A power-source change as the system broadcasts it: 0 AC, 1 battery,
    // 2 short-term source.
    static void ReportSource(CKorvaneDlg& dlg, DWORD source);
    // The window timer's message, as if it had elapsed.
    static void Fire(CKorvaneDlg& dlg, UINT_PTR timer);
    TrayRecorder tray;
    // What the last Start's start-up did.
    Steps startup;
};

} // namespace apptest
