// A simulated notebook in one scenario folder: copies of Korvane.exe and
// QELWmiAcpi.dll with the chosen fake GPU drivers, the firmware service
// simulator on a pipe of its own, and what the stand-ins recorded.
#pragma once

#include "ChildProcess.h"
#include "SimProcess.h"

#include "gpu/NvapiLibrary.h"

#include <string>
#include <vector>

namespace drive {

// One fake ADL clock record: its default and maximum clocks.
struct AdlClock
{
    int defaultClock;
    int maxClock;
};

// The fake NVIDIA driver in bin\fakes\nvapi, named as this build's Korvane
// loads it (gpu::kNvapiLibrary).
std::wstring FakeNvapiPath();

struct NotebookSetup
{
    bool nvidia = true;
    bool amd = false;
    // The AMD library: bin/fakes/<adlFolder>/<adlFile>.
    std::wstring adlFolder = L"atiadlxx";
    std::wstring adlFile = L"atiadlxx.dll";
    // Configuration files of the fakes (formats in FakeNvapi.cpp, FakeAdl.cpp).
    std::string nvapiConfig;
    std::string adlConfig;
    // The fake ADL's clocks, to tell the modes apart; its defaults.
    AdlClock adlEngine{600, 750};
    AdlClock adlMemory{800, 1000};
    // Start values of the firmware simulator.
    simctl::SimStart firmware;
    // Bound of each pipe call inside Korvane, 0 for the library's default.
    DWORD pipeTimeoutMs = 0;
    // Korvane's working directory; the scenario folder when empty.
    std::wstring workingFolder;
    // A folder put in front of Korvane's PATH; none when empty.
    std::wstring pathFolder;
    // Whether the fake drivers keep their call logs and state file (the
    // benchmark turns them off to time Korvane without their bookkeeping).
    bool driverFiles = true;
};

class Notebook
{
public:
    // folder is emptied by Prepare; the pipe name is unique unless given.
    Notebook(std::wstring folder, NotebookSetup setup,
             std::wstring pipeName = simctl::SimProcess::UniquePipeName());

    Notebook(const Notebook&) = delete;
    Notebook& operator=(const Notebook&) = delete;

    // Fills the folder; false with *error set when anything is missing.
    bool Prepare(std::string* error);

    // The simulator, started from this program's folder with the setup's
    // values; its console output goes to firmware.out in the folder.
    bool StartFirmware();
    void StopFirmware();
    simctl::SimProcess& Firmware() { return m_firmware; }
    const simctl::SimProcess& Firmware() const { return m_firmware; }

    // What Korvane needs in its environment to find the simulator and to let
    // the fake drivers write their logs into the folder.
    Environment KorvaneEnvironment() const;
    // Starts the folder's Korvane.exe with the notebook's environment; its
    // LOCALAPPDATA is the folder, so its diagnostic log is in Korvane\.
    bool LaunchKorvane(ChildProcess* process, const std::wstring& outputName = L"korvane.out",
                       const std::wstring& arguments = std::wstring()) const;
    // Runs "Korvane.exe arguments" to its end (at most timeoutMs): its exit
    // status and what it wrote to its standard output. False when it did not
    // start or end.
    bool RunKorvane(const std::wstring& arguments, DWORD timeoutMs, DWORD* exitStatus,
                    std::string* output) const;

    // Korvane's diagnostic log (rotated: the older file), one entry a record.
    std::wstring DiagnosticLogPath(bool rotated = false) const;
    std::vector<std::string> DiagnosticLog(bool rotated = false) const;

    const std::wstring& Folder() const { return m_folder; }
    const std::wstring& PipeName() const { return m_firmware.PipeName(); }
    const NotebookSetup& Setup() const { return m_setup; }
    std::wstring PathOf(const std::wstring& name) const;

    // The simulator's log, normalised (see FirmwareLog.h).
    bool FirmwareLog(std::vector<std::string>* log) const;
    // The simulator's AP state; false when it does not answer.
    bool ApState(int* ap) const;

    // Lines of the fake drivers' call logs (empty when nothing was called).
    std::vector<std::string> NvapiCalls() const;
    std::vector<std::string> AdlCalls() const;
    // Every clock call of both logs, in the order of each log (the entry point
    // lookups and enumeration left out).
    std::vector<std::string> ClockCalls() const;

    // The GPU state file as written by the fake, without its line end; empty
    // before the first driver call.
    std::string GpuStateText() const;
    // "default", "overclocked", "mixed" (NVIDIA), "other" (AMD clocks that are
    // neither) or "none" (no state written yet).
    std::string ClockMode() const;
    // ClockMode with the clocks, for people: "overclocked (engine 750 MHz,
    // memory 1000 MHz)".
    std::string ClockDescription() const;

private:
    std::wstring m_folder;
    NotebookSetup m_setup;
    simctl::SimProcess m_firmware;
};

} // namespace drive
