#include "Program.h"

#include "Console.h"
#include "Files.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"

#include <vector>

namespace bench {

namespace {

using drive::JoinPath;
using drive::Narrow;

// The floor's window class and Exit command (bench/floor/FloorTray.cpp).
constexpr wchar_t kFloorClass[] = L"KorvaneFloor";
constexpr UINT kFloorExit = 303;

} // namespace

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Korvane:
        return "korvane";
    case Kind::Baseline:
        return "baseline";
    case Kind::Floor:
        return "floor";
    case Kind::FloorWmi:
        return "floor_wmi";
    case Kind::FloorPlatform:
        return "floor_platform";
    case Kind::FloorIcons:
        return "floor_menu_icons";
    }
    return "?";
}

Program::Program(Kind kind, const std::wstring& folder, const Options& options,
                 const drive::NotebookSetup& setup)
    : m_kind(kind), m_folder(folder), m_options(options), m_setup(setup)
{}

bool Program::Prepare(std::string* error)
{
    return IsKorvane() ? PrepareKorvane(error) : PrepareFloor(error);
}

bool Program::PrepareKorvane(std::string* error)
{
    m_notebook.reset(new drive::Notebook(m_folder, m_setup));
    if (!m_notebook->Prepare(error))
        return false;
    const std::wstring& from = m_kind == Kind::Baseline ? m_options.baselineDir : m_options.programDir;
    if (!from.empty()) {
        for (const wchar_t* name : {L"Korvane.exe", L"QELWmiAcpi.dll"}) {
            if (!drive::CopyInto(JoinPath(from, name), m_folder)) {
                *error = "cannot copy " + Narrow(name) + " from " + Narrow(from);
                return false;
            }
        }
    }
    if (!m_notebook->StartFirmware()) {
        *error = "the firmware simulator did not start";
        return false;
    }
    m_exe = JoinPath(m_folder, L"Korvane.exe");
    return true;
}

// The platform floor loads the same fake GPU driver as Korvane, from its own
// folder.
bool Program::PrepareFloor(std::string* error)
{
    if (!drive::MakeEmptyFolder(m_folder) ||
        !drive::CopyInto(JoinPath(drive::ProgramFolder(), L"floor-tray.exe"), m_folder) ||
        (m_kind == Kind::FloorPlatform &&
         !drive::CopyInto(JoinPath(drive::ProgramFolder(), L"fakes\\nvapi\\" BENCH_GPU_LIBRARY), m_folder))) {
        *error = "cannot prepare " + Narrow(m_folder);
        return false;
    }
    m_exe = JoinPath(m_folder, L"floor-tray.exe");
    return true;
}

bool Program::Launch()
{
    if (m_notebook)
        return m_notebook->LaunchKorvane(&m_process);
    std::wstring arguments = m_kind == Kind::FloorWmi        ? L"--wmi"
                             : m_kind == Kind::FloorPlatform ? L"--platform"
                             : m_kind == Kind::FloorIcons    ? L"--menu-icons"
                                                             : L"";
    return m_process.Start(m_exe, arguments, m_folder, {});
}

HWND Program::FindMainWindow() const
{
    DWORD pid = m_process.ProcessId();
    if (IsKorvane())
        return drive::FindProcessWindow(pid, L"#32770", L"NVIDIA Korvane", false);
    return drive::FindProcessWindow(pid, kFloorClass, nullptr, false);
}

size_t Program::FirmwareCommands() const
{
    std::vector<std::string> log;
    if (!m_notebook || !m_notebook->FirmwareLog(&log))
        return 0;
    return drive::CommandsFrom(log, 0).size();
}

HWND Program::WaitUntilStarted(size_t earlierCommands) const
{
    HWND window = nullptr;
    drive::WaitUntil([&] { return (window = FindMainWindow()) != nullptr; }, kStartTimeoutMs);
    if (IsKorvane())
        drive::WaitUntil([&] { return FirmwareCommands() >= earlierCommands + kStartupCommands; },
                         kStartTimeoutMs);
    drive::Settle(window);
    return window;
}

void Program::Stop()
{
    if (HWND window = FindMainWindow())
        PostMessageW(window, WM_COMMAND, IsKorvane() ? drive::kMenuExit : kFloorExit, 0);
    if (!m_process.WaitForExit(10000))
        m_process.Kill();
    if (m_notebook)
        m_notebook->StopFirmware();
}

void PrepareOrFail(Program* program)
{
    std::string error;
    if (!program->Prepare(&error))
        Fail(error);
}

} // namespace bench
