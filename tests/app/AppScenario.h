// The base of every application test: the firmware behind a recording fake,
// the waits recorded instead of slept, the fake drivers in a fresh folder on
// the DLL search path, the brightness subscription kept away from WMI, no
// screen reader running, the settings in a key of the test's own with
// nothing stored, AC power (SetLineStatus), the settle and notice timers left
// to the test,
// and every global of the program put back afterwards.
//
// What the program did is read as one ordered list of steps:
//   "wait <ms>"           a wait through the sleep seam
//   "pipe <command>"      a command sent to the firmware
//   "NvClockMode..."      a clock call the fake NVIDIA driver recorded
//   "ADL_Display_OD..."   a clock call the fake ADL recorded
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DriverFolder.h"
#include "FakeDriver.h"
#include "FirmwareFake.h"
#include "KorvaneDlg.h"
#include "SeamScope.h"
#include "Settings.h"

namespace apptest {

using gputest::FakeDriver;
using Steps = std::vector<std::string>;
Steps operator+(Steps first, const Steps& second);

// SYSTEM_POWER_STATUS::ACLineStatus values.
constexpr BYTE kLineOffline = 0;
constexpr BYTE kLineOnline = 1;
constexpr BYTE kLineUnknown = 255;

// What the system answers when the program asks for the power status, from
// now on (AC power when a test starts); answered false makes the question
// fail.
void SetLineStatus(BYTE status, bool answered = true);

// HKCU\<this> holds the settings of the program under test.
const wchar_t* TestSettingsPath();
// Removes whatever the program stored there.
void ForgetTestSettings();

// Points the program's settings, while it lives, at a key the registry
// refuses to create: a lasting key under a volatile one.
class UnwritableSettings
{
public:
    UnwritableSettings();
    ~UnwritableSettings();
    UnwritableSettings(const UnwritableSettings&) = delete;
    UnwritableSettings& operator=(const UnwritableSettings&) = delete;

    bool Ready() const { return m_volatile != nullptr; }

private:
    HKEY m_volatile;
    SeamScope<&SetSettingsKeyForTesting> m_key;
};

std::string Wait(DWORD milliseconds);
std::string Pipe(const std::string& command);
// ApplyOverclock and RestoreDefaultClocks through the fake NVIDIA driver
// (every call succeeding), for the AP value the firmware holds before.
Steps NvidiaApply(int apBefore);
Steps NvidiaRestore(int apBefore);

enum class Drivers { Nvidia, NvidiaAndAdl };

class AppScenario : public ::testing::Test
{
protected:
    AppScenario();
    ~AppScenario() override;
    void SetUp() override;
    void TearDown() override;

    // Copies the fake drivers into the folder; call once, before starting them.
    void UseDrivers(Drivers drivers);
    // Starts the NVIDIA backend the way start-up does and marks dlg as using it.
    void StartNvidia(CKorvaneDlg& dlg);
    // A main dialog created modelessly from its template: start-up has run.
    // Left uncreated when no fake driver is ready, since start-up would end
    // the process. The fixture destroys it at the end of the test.
    CKorvaneDlg& CreateMainDialog();
    void DestroyMainDialogs();
    // Puts the program's process-wide values back as they are at process
    // start; what start-up created (About box, mutex handle) is released.
    void ForgetProgramGlobals();

    // Steps since the last Mark.
    Steps Recorded();
    void Mark();

    std::unique_ptr<FirmwareFake> firmware;

private:
    struct Seams;

    static void RecordWait(DWORD milliseconds);
    void Record(std::string step);
    void CollectDriverCalls();

    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<gputest::DriverFolder> m_folder;
    std::unique_ptr<FakeDriver> m_nvapi;
    std::unique_ptr<FakeDriver> m_adl;
    size_t m_nvapiSeen = 0;
    size_t m_adlSeen = 0;
    Steps m_steps;
    std::vector<std::unique_ptr<CKorvaneDlg>> m_dialogs;
    std::wstring m_previousPipeName;
    bool m_hadPipeName = false;
};

// Dispatches what is queued for this thread, at most a bounded number of
// messages; never waits for more to arrive.
void PumpMessages();

// True when another thread can take the named mutex right now (it exists and
// nobody owns it); the other thread lets it go again.
bool MutexFreeForOtherThread(const wchar_t* name);

// True when the shell still knows the icon of this record.
bool TrayIconExists(const NOTIFYICONDATAW& nid);

} // namespace apptest
