// The programs measured, each run in a scenario folder of its own: Korvane
// (the current build or an older one) with its simulated notebook, and the
// floor programs of bench/floor.
#pragma once

#include "ChildProcess.h"
#include "Notebook.h"
#include "Options.h"

#include <windows.h>

#include <memory>
#include <string>

namespace bench {

enum class Kind {
    Korvane,
    Baseline,      // an older Korvane
    Floor,         // window, icon, message loop, plain menu
    FloorWmi,      // the floor with COM and the WMI brightness subscription
    FloorPlatform, // and with the common controls and the GPU driver library
    FloorIcons,    // the floor whose menu loads and destroys three icons
};

// The program's name in the sample keys.
const char* KindName(Kind kind);

// The tray icon's identifier, the same in Korvane and the floor.
constexpr UINT kIconId = 1;
constexpr DWORD kStartTimeoutMs = 20000;
// The firmware commands of Korvane's start-up: the feature query and the AP
// state read, write and read-back.
constexpr size_t kStartupCommands = 4;

// One program in its scenario folder, started and stopped by its owner.
class Program
{
public:
    Program(Kind kind, const std::wstring& folder, const Options& options,
            const drive::NotebookSetup& setup = drive::NotebookSetup());

    // Fills the folder (and starts Korvane's firmware simulator); false with
    // *error set when anything is missing.
    bool Prepare(std::string* error);
    bool Launch();

    bool IsKorvane() const { return m_kind == Kind::Korvane || m_kind == Kind::Baseline; }
    // Korvane's hidden main dialog or the floor's window; null before it exists.
    HWND FindMainWindow() const;
    // The commands the simulator has logged so far; 0 for a floor.
    size_t FirmwareCommands() const;
    // Waits for the window and, for Korvane, its start-up commands after the
    // earlier ones in the simulator's log, then until its thread has settled.
    HWND WaitUntilStarted(size_t earlierCommands = 0) const;

    // Exit through the program's own command, so that its icon leaves the
    // tray as on a notebook; killed when it does not end.
    void Stop();

    Kind GetKind() const { return m_kind; }
    drive::ChildProcess& Process() { return m_process; }
    drive::Notebook* GetNotebook() { return m_notebook.get(); }
    const std::wstring& Exe() const { return m_exe; }

private:
    bool PrepareKorvane(std::string* error);
    bool PrepareFloor(std::string* error);

    Kind m_kind;
    std::wstring m_folder;
    const Options& m_options;
    drive::NotebookSetup m_setup;
    std::unique_ptr<drive::Notebook> m_notebook;
    drive::ChildProcess m_process;
    std::wstring m_exe;
};

// Prepare, or the end of the run with its error.
void PrepareOrFail(Program* program);

} // namespace bench
