// Fixture of the end-to-end tests: one scenario folder per test with copies
// of Korvane.exe, QELWmiAcpi.dll and the chosen fake drivers, the firmware
// simulator on a pipe of its own, and Korvane started as its own process.
// Everything is checked from outside: the simulator's command log, the fake
// drivers' call logs and GPU state file, windows, the tray, exit statuses.
// Every process started is ended in TearDown, also when a test fails.
#pragma once

#include "ChildProcess.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"
#include "Notebook.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

using Commands = std::vector<std::string>;

// The NVIDIA clock calls of one operation on the first physical GPU, as the
// fake logs them when each succeeds.
Commands NvApplyCalls();
Commands NvRestoreCalls();
// The AMD clock call of one operation with the fake's default clocks.
std::string AdlSetCall(int engine, int memory);

// Start-up firmware commands with a working service: the capability query and
// one clock operation writing `ap`.
Commands StartupCommands(int ap);

// Names parameterised cases after their `name` field.
template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& tested)
{
    return tested.param.name;
}

class KorvaneTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Fills the scenario folder and starts the simulator (unless
    // withFirmware is false) and Korvane; returns once the start-up has sent
    // `startupCommands` firmware commands (or, without a simulator, once the
    // driver was called) and Korvane's thread is idle.
    void StartNotebook(size_t startupCommands = 4, bool withFirmware = true);

    // Marks, starts Korvane again from the notebook's folder and returns once
    // its start-up sent `startupCommands` firmware commands and its thread is
    // idle.
    void Relaunch(size_t startupCommands = 4);
    // Marks and chooses entry from the tray menu with the keyboard; returns
    // once `commands` firmware commands followed and Korvane is idle.
    void ChooseAndSettle(drive::MenuEntry entry, size_t commands);

    // Starts another Korvane process from `notebook`'s folder.
    void Launch(drive::Notebook& from, drive::ChildProcess* process);

    // Remembers the current end of the firmware log and the driver logs;
    // CommandsSinceMark and ClockCallsSinceMark give what came after.
    void Mark();
    Commands CommandsSinceMark() const;
    int SubscriptionsSinceMark() const;
    Commands ClockCallsSinceMark() const;
    // After Exit: the Exit command and then the destroy handler each restored
    // the default clocks, and the tray icon is gone.
    void ExpectExitRestoredTwiceAndIconGone(int iconsBefore) const;
    // Waits until at least `count` firmware commands came after the mark.
    bool WaitForCommands(size_t count, DWORD timeoutMs = 15000) const;

    // Sends WM_COMMAND with this identifier; returns once it was handled.
    bool SendCommand(WPARAM id) const;
    // Posts a right-click to the tray icon and waits for the menu.
    HWND OpenMenu() const;
    // A posted input's effect is certain once a later posted message was
    // handled: a right-click opens the menu, which is then closed again.
    void FlushPostedMessages() const;

    // Runs "Korvane.exe arguments" from the notebook's folder to its end:
    // its exit status (1000 when it did not end), its standard output.
    DWORD RunCommand(const wchar_t* arguments, std::string* output);

    // Ends Korvane with WM_CLOSE and returns its exit status (-1 when it did
    // not end in time).
    long CloseKorvane();

    int ApState() const;

    drive::NotebookSetup setup;
    // Called by StartNotebook once the folder is filled, before Korvane starts.
    std::function<void(drive::Notebook&)> beforeLaunch;
    std::unique_ptr<drive::Notebook> notebook;
    drive::ChildProcess korvane;
    HWND main = nullptr;

    // A folder for this test's files beside the program: <bin>\..\e2e\<test>.
    std::wstring FolderFor(const std::wstring& suffix = std::wstring()) const;

private:
    size_t m_logMark = 0;
    size_t m_clockMark = 0;
    POINT m_menuAt{};
};

} // namespace e2e
