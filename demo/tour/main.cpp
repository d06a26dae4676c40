// korvane-tour: a guided tour of Korvane on a simulated notebook. Starts the
// firmware service simulator and Korvane.exe with a fake GPU, gives Korvane
// its real inputs one after the other (tray clicks, the menu chosen with the
// keyboard, firmware events, power and session broadcasts, the command line)
// and prints what each caused. Every step is checked; the exit status is 0
// only when all passed. Pictures of the menu, the text menu shown while a
// screen reader runs, the About box and a notice are saved as BMP files.
//
//   korvane-tour [--gpu nvidia|amd] [--out FOLDER]
#include "Files.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"
#include "Notebook.h"
#include "ScreenShot.h"
#include "StoredSettings.h"
#include "Timeline.h"
#include "Tray.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

using drive::ClockOperation;
using drive::Concat;
using drive::MenuEntry;
using tour::Outcome;

constexpr char kUsage[] = "usage: korvane-tour [--gpu nvidia|amd] [--out FOLDER]\n";
constexpr DWORD kStartTimeoutMs = 20000;
constexpr WPARAM kResumeSuspend = 7; // PBT_APMRESUMESUSPEND
constexpr WPARAM kSessionLock = 7;   // WTS_SESSION_LOCK
constexpr WPARAM kSessionUnlock = 8; // WTS_SESSION_UNLOCK
constexpr DWORD kOnAC = 0;           // power source values of the broadcast
constexpr DWORD kOnBattery = 1;
// Korvane follows a power-source change once it has held this long.
constexpr DWORD kSettleMs = 3000;

struct Options
{
    bool amd = false;
    std::wstring out;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    options->out = drive::JoinPath(drive::ProgramFolder(), L"..\\demo");
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return false;
        std::wstring name = argv[i];
        std::wstring value = argv[i + 1];
        if (name == L"--gpu" && (value == L"nvidia" || value == L"amd"))
            options->amd = value == L"amd";
        else if (name == L"--out")
            options->out = value;
        else
            return false;
    }
    return true;
}

// The system's screen-reader setting, on for as long as this lives. It is set
// for the session only (not written to the user's profile), as a screen
// reader announces itself, and put back as it was on every path.
class ScreenReaderOn
{
public:
    ScreenReaderOn()
    {
        m_changed = SystemParametersInfoW(SPI_GETSCREENREADER, 0, &m_before, 0) &&
                    SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, SPIF_SENDCHANGE);
    }
    ~ScreenReaderOn()
    {
        if (m_changed)
            SystemParametersInfoW(SPI_SETSCREENREADER, m_before, nullptr, SPIF_SENDCHANGE);
    }
    ScreenReaderOn(const ScreenReaderOn&) = delete;
    ScreenReaderOn& operator=(const ScreenReaderOn&) = delete;

    bool Changed() const { return m_changed; }

private:
    BOOL m_before = FALSE;
    bool m_changed = false;
};

// The whole tour, with the state its steps share.
class Tour
{
public:
    Tour(drive::Notebook& notebook, const Options& options)
        : m_notebook(notebook), m_options(options), m_timeline(notebook, m_korvane)
    {
        int cx = GetSystemMetrics(SM_CXSCREEN);
        int cy = GetSystemMetrics(SM_CYSCREEN);
        m_menuAt = {cx / 2 - 60, cy / 2 - 60};
    }

    bool Run();

    // After a failed step: ends a Korvane still running as the user would,
    // so that it restores the default clocks; killing it is the last resort.
    void EndKorvane();

    // The pictures saved, for the closing list.
    const std::vector<std::wstring>& Pictures() const { return m_pictures; }

private:
    // Inputs.
    bool StartKorvane(std::string* problem);
    bool RightClick(const wchar_t* picture, std::string* problem);
    bool Choose(MenuEntry entry, std::string* problem);
    bool ChooseExpectingNothing(MenuEntry entry, std::string* problem);
    bool FirmwareControl(const std::string& command, std::string* problem);
    bool FirmwareEvent(int code, std::string* problem);
    bool ShowAbout(std::string* problem);
    bool CloseAbout(std::string* problem);
    bool Exit(std::string* problem);
    bool StartWithScreenReader(std::string* problem);
    bool ExitFromTextMenu(std::string* problem);
    bool PowerSource(DWORD source, std::string* problem);
    bool UnpluggedWithNotice(std::string* problem);
    bool PlugWiggle(std::string* problem);
    bool CommandLine(const wchar_t* arguments, std::string* problem);

    bool SavePicture(HWND window, const wchar_t* name, std::string* problem, int margin = 0);

    drive::Notebook& m_notebook;
    const Options& m_options;
    drive::ChildProcess m_korvane;
    tour::Timeline m_timeline;
    POINT m_menuAt;
    HWND m_menu = nullptr;
    std::vector<std::wstring> m_pictures;
    std::unique_ptr<ScreenReaderOn> m_screenReader;
};

bool Tour::StartKorvane(std::string* problem)
{
    if (!m_notebook.LaunchKorvane(&m_korvane)) {
        *problem = "Korvane.exe does not start";
        return false;
    }
    HWND main = drive::WaitForMainWindow(m_korvane.ProcessId(), kStartTimeoutMs);
    if (!main) {
        *problem = "Korvane's main window does not appear";
        return false;
    }
    m_timeline.SetMainWindow(main);
    return true;
}

bool Tour::SavePicture(HWND window, const wchar_t* name, std::string* problem, int margin)
{
    std::wstring path = drive::JoinPath(m_options.out, name);
    if (!drive::SaveWindowPicture(window, path, 3000, margin)) {
        *problem = "cannot save the picture " + drive::Narrow(path);
        return false;
    }
    m_pictures.push_back(path);
    return true;
}

bool Tour::RightClick(const wchar_t* picture, std::string* problem)
{
    m_menu = drive::OpenTrayMenu(m_timeline.MainWindow(), m_menuAt);
    if (!m_menu) {
        *problem = "the tray menu does not open (or Korvane is not in the foreground)";
        return false;
    }
    if (!picture)
        return true;
    // The picture shows the first entry highlighted (Down), as under the
    // cursor; the menu is then closed, and the next choice opens it afresh.
    if (!drive::PressKey(VK_DOWN)) {
        *problem = "the Down key cannot be sent to the menu";
        return false;
    }
    Sleep(300);
    if (!SavePicture(m_menu, picture, problem))
        return false;
    const bool closed = drive::CloseMenu(m_menu);
    m_menu = nullptr;
    if (!closed)
        *problem = "the menu does not close with Escape";
    return closed;
}

bool Tour::Choose(MenuEntry entry, std::string* problem)
{
    if (!m_menu && !RightClick(nullptr, problem))
        return false;
    bool chosen = drive::ChooseFromMenu(m_menu, entry);
    m_menu = nullptr;
    if (!chosen)
        *problem = std::string("the menu does not close after choosing ") + drive::MenuEntryName(entry);
    return chosen;
}

bool Tour::ChooseExpectingNothing(MenuEntry entry, std::string* problem)
{
    if (!Choose(entry, problem))
        return false;
    // A command the menu might have posted is handled before the next
    // right-click: opening and closing the menu once more flushes it.
    if (!RightClick(nullptr, problem))
        return false;
    bool closed = drive::CloseMenu(m_menu);
    m_menu = nullptr;
    if (!closed)
        *problem = "the menu does not close with Escape";
    return closed;
}

bool Tour::FirmwareControl(const std::string& command, std::string* problem)
{
    if (!m_notebook.Firmware().Control(command)) {
        *problem = "the simulator refuses \"" + command + "\"";
        return false;
    }
    return true;
}

bool Tour::FirmwareEvent(int code, std::string* problem)
{
    return FirmwareControl("event " + std::to_string(code), problem);
}

bool Tour::ShowAbout(std::string* problem)
{
    if (!Choose(MenuEntry::About, problem))
        return false;
    HWND about = nullptr;
    if (!drive::WaitUntil([&] { return (about = drive::FindVisibleAbout(m_korvane.ProcessId())) != nullptr; },
                          5000)) {
        *problem = "the About box does not show";
        return false;
    }
    return SavePicture(about, L"about.bmp", problem);
}

bool Tour::CloseAbout(std::string* problem)
{
    // What the OK button sends its dialog when it is clicked.
    HWND about = drive::FindVisibleAbout(m_korvane.ProcessId());
    HWND ok = about ? GetDlgItem(about, IDOK) : nullptr;
    if (!ok || !PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok)) ||
        !drive::WaitUntil([&] { return !drive::FindVisibleAbout(m_korvane.ProcessId()); }, 5000)) {
        *problem = "the About box does not close with its OK button";
        return false;
    }
    return true;
}

bool Tour::Exit(std::string* problem)
{
    if (!Choose(MenuEntry::Exit, problem))
        return false;
    DWORD status = 0;
    if (!m_korvane.WaitForExit(15000, &status)) {
        *problem = "Korvane does not end";
        return false;
    }
    if (status != 0) {
        *problem = "Korvane ended with status " + std::to_string(status);
        return false;
    }
    return true;
}

// Wine gives a running program the setting as it was when the program first
// asked, so Korvane sees the screen reader only when started after it is on.
// The setting stays on until the text menu's Exit, or the end of the tour.
bool Tour::StartWithScreenReader(std::string* problem)
{
    m_screenReader = std::make_unique<ScreenReaderOn>();
    if (!m_screenReader->Changed()) {
        *problem = "the screen-reader setting cannot be turned on";
        return false;
    }
    return StartKorvane(problem);
}

bool Tour::ExitFromTextMenu(std::string* problem)
{
    const bool exited = RightClick(L"menu-screen-reader.bmp", problem) && Exit(problem);
    m_screenReader.reset();
    return exited;
}

bool Tour::PowerSource(DWORD source, std::string* problem)
{
    if (drive::SendPowerSource(m_timeline.MainWindow(), source))
        return true;
    *problem = "the power-source broadcast is not handled";
    return false;
}

// The notice comes a moment after the clocks changed (changes close together
// give one), and the shell shows it a moment later, in place of an earlier
// notice still showing.
bool Tour::UnpluggedWithNotice(std::string* problem)
{
    const HWND earlier = drive::FindNoticeBalloon();
    if (!PowerSource(kOnBattery, problem))
        return false;
    const auto told = [&] {
        for (const std::string& record : m_notebook.DiagnosticLog())
            if (record.find("notice shown: Default clocks, running on battery") != std::string::npos)
                return true;
        return false;
    };
    HWND balloon = nullptr;
    if (!drive::WaitUntil(told, 15000) ||
        !drive::WaitUntil(
            [&] { return (balloon = drive::FindNoticeBalloon()) != nullptr && balloon != earlier; }, 10000)) {
        *problem = "no notice of the battery shows from the tray icon";
        return false;
    }
    Sleep(300);
    // With the icon it points at.
    return SavePicture(balloon, L"notice.bmp", problem, 24);
}

// Plugged in and out again within the settle time; then as long again, so
// that a change taken too early would show.
bool Tour::PlugWiggle(std::string* problem)
{
    if (!PowerSource(kOnAC, problem))
        return false;
    Sleep(kSettleMs / 3);
    if (!PowerSource(kOnBattery, problem))
        return false;
    Sleep(kSettleMs + 500);
    return true;
}

bool Tour::CommandLine(const wchar_t* arguments, std::string* problem)
{
    DWORD status = 0;
    std::string output;
    if (!m_notebook.RunKorvane(arguments, 20000, &status, &output) || status != 0) {
        *problem = "Korvane.exe " + drive::Narrow(arguments) + " ended with status " +
                   std::to_string(status) + ": " + output;
        return false;
    }
    return true;
}

void Tour::EndKorvane()
{
    if (!m_korvane.IsRunning())
        return;
    if (drive::FindOpenMenu(m_korvane.ProcessId()))
        PostMessageW(m_timeline.MainWindow(), WM_CANCELMODE, 0, 0);
    PostMessageW(m_timeline.MainWindow(), WM_CLOSE, 0, 0);
    if (!m_korvane.WaitForExit(15000))
        m_korvane.Kill();
}

bool Tour::Run()
{
    const char* gpu = m_options.amd ? "AMD (fake ADL: engine and memory clocks)"
                                    : "NVIDIA (fake " KORVANE_NVAPI_LIBRARY ")";
    m_timeline.PrintHeader(
        std::string("Korvane on a simulated notebook with an ") + gpu +
        "\n\n"
        "The firmware service simulator starts with the overclock feature available\n"
        "(capability bits System:0 = 2) and AP state 0. Each line shows one input given to\n"
        "Korvane, the commands it sent to the firmware service as the simulator logged them,\n"
        "then the AP state the simulator holds (bit 0 = overclocked clocks in force) and the\n"
        "clock mode the fake GPU driver holds. Firmware commands:\n"
        "  Q System:0  root\\WMI:Q:QEL_System:System:0   capability bits; bit value 2 = available,\n"
        "                                                 bit value 4 = default clocks forced\n"
        "  Q System:1  root\\WMI:Q:QEL_System:System:1   bit value 1 = default clocks forced\n"
        "  Q AP        root\\WMI:Q:QEL_AP:AP:6           read the AP state\n"
        "  S AP=n      root\\WMI:S:QEL_AP:AP:6:n         write the AP state (then read back)\n"
        "Firmware events wait 3 s and resume waits 2 s before acting, as on the notebook;\n"
        "with \"Only on AC power\" on, a power-source change counts once it has held 3 s.");

    struct Step
    {
        std::string description;
        tour::Input input;
        Outcome expected;
    };
    const std::vector<Step> steps = {
        {"Korvane.exe starts (feature available)",
         [&](std::string* p) { return StartKorvane(p); },
         {Concat({{drive::kQuerySystem0}, ClockOperation(1)}), 1, "overclocked"}},
        {"right-click on the icon: menu (picture)",
         [&](std::string* p) { return RightClick(L"menu-enabled.bmp", p); },
         {{}, 1, "overclocked"}},
        {"menu: Disable (Down Down Enter)",
         [&](std::string* p) { return Choose(MenuEntry::Disable, p); },
         {ClockOperation(0), 0, "default"}},
        {"right-click: menu, Disable chosen (picture)",
         [&](std::string* p) { return RightClick(L"menu-disabled.bmp", p); },
         {{}, 0, "default"}},
        {"menu: Enable (Down Enter)",
         [&](std::string* p) { return Choose(MenuEntry::Enable, p); },
         {ClockOperation(1), 1, "overclocked"}},
        {"simulator: System:1 = 1 (firmware forces default)",
         [&](std::string* p) { return FirmwareControl("set system1 1", p); },
         {{}, 1, "overclocked"}},
        {"firmware event 0x5D (3 s wait)",
         [&](std::string* p) { return FirmwareEvent(0x5D, p); },
         {Concat({{drive::kQuerySystem1}, ClockOperation(0)}), 0, "default"}},
        {"simulator: System:1 = 0 (no longer forced)",
         [&](std::string* p) { return FirmwareControl("set system1 0", p); },
         {{}, 0, "default"}},
        {"right-click: menu, feature unavailable (picture)",
         [&](std::string* p) { return RightClick(L"menu-unavailable.bmp", p); },
         {{}, 0, "default"}},
        {"menu: Enable while grayed (nothing happens)",
         [&](std::string* p) { return ChooseExpectingNothing(MenuEntry::Enable, p); },
         {{}, 0, "default"}},
        {"firmware event 0x60: feature back (3 s wait)",
         [&](std::string* p) { return FirmwareEvent(0x60, p); },
         {Concat({{drive::kQuerySystem0}, ClockOperation(1)}), 1, "overclocked"}},
        {"resume from suspend (PBT_APMRESUMESUSPEND, 2 s)",
         [&](std::string* p) {
             return drive::SendPowerBroadcast(m_timeline.MainWindow(), kResumeSuspend) ||
                    (*p = "the power broadcast is not handled", false);
         },
         {ClockOperation(0), 0, "default"}},
        {"session locked (WTS_SESSION_LOCK)",
         [&](std::string* p) {
             return drive::SendSessionChange(m_timeline.MainWindow(), kSessionLock) ||
                    (*p = "the session change is not handled", false);
         },
         {{drive::kQuerySystem0}, 0, "default"}},
        {"firmware event 0x60 while locked: no clock change",
         [&](std::string* p) { return FirmwareEvent(0x60, p); },
         {{drive::kQuerySystem0}, 0, "default"}},
        {"session unlocked (WTS_SESSION_UNLOCK)",
         [&](std::string* p) {
             return drive::SendSessionChange(m_timeline.MainWindow(), kSessionUnlock) ||
                    (*p = "the session change is not handled", false);
         },
         {{drive::kQuerySystem0}, 0, "default"}},
        {"right-click, menu: Enable",
         [&](std::string* p) { return Choose(MenuEntry::Enable, p); },
         {ClockOperation(1), 1, "overclocked"}},
        {"right-click, menu: About (Up Up Enter)",
         [&](std::string* p) { return ShowAbout(p); },
         {{}, 1, "overclocked"}},
        {"About box: OK", [&](std::string* p) { return CloseAbout(p); }, {{}, 1, "overclocked"}},
        {"menu: Only on AC power (Down Down Down Enter)",
         [&](std::string* p) { return Choose(MenuEntry::AcOnly, p); },
         {{}, 1, "overclocked"}},
        {"right-click: menu, option checked (picture)",
         [&](std::string* p) { return RightClick(L"menu-ac-only.bmp", p); },
         {{}, 1, "overclocked"}},
        {"unplugged: battery held 3 s, notice (picture)",
         [&](std::string* p) { return UnpluggedWithNotice(p); },
         {ClockOperation(0), 0, "default"}},
        {"plug wiggle: AC, battery again in 1 s (nothing)",
         [&](std::string* p) { return PlugWiggle(p); },
         {{}, 0, "default"}},
        {"plugged in: AC held 3 s, overclocked again",
         [&](std::string* p) { return PowerSource(kOnAC, p); },
         {ClockOperation(1), 1, "overclocked"}},
        {"Korvane.exe /ac-only off (command line)",
         [&](std::string* p) { return CommandLine(L"/ac-only off", p); },
         {{}, 1, "overclocked"}},
        {"right-click, menu: Exit (Up Enter); exit status 0",
         [&](std::string* p) { return Exit(p); },
         {Concat({ClockOperation(0), ClockOperation(0)}), 0, "default", false}},
        {"screen reader on; Korvane.exe starts again",
         [&](std::string* p) { return StartWithScreenReader(p); },
         {Concat({{drive::kQuerySystem0}, ClockOperation(1)}), 1, "overclocked"}},
        {"right-click: text menu (picture), Exit (Up Enter)",
         [&](std::string* p) { return ExitFromTextMenu(p); },
         {Concat({ClockOperation(0), ClockOperation(0)}), 0, "default", false}},
    };
    for (const Step& step : steps) {
        if (!m_timeline.Step(step.description, step.input, step.expected))
            return false;
        if (m_korvane.IsRunning() && IsWindowVisible(m_timeline.MainWindow())) {
            std::printf("\n  FAILED: Korvane's main window became visible\n");
            return false;
        }
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    drive::NotebookSetup setup;
    setup.nvidia = !options.amd;
    setup.amd = options.amd;
    setup.firmware.system0 = 2;
    setup.firmware.ap = 0;
    std::wstring folder = drive::JoinPath(options.out, options.amd ? L"notebook-amd" : L"notebook-nvidia");
    drive::Notebook notebook(folder, setup, L"korvane-tour-" + std::to_wstring(GetCurrentProcessId()));
    // The tour starts as a first start does, with nothing stored, and leaves
    // nothing stored behind.
    drive::ForgetStoredSettings();
    std::string error;
    if (!notebook.Prepare(&error) || !notebook.StartFirmware()) {
        std::fprintf(stderr, "korvane-tour: %s\n",
                     error.empty() ? "the firmware simulator does not start" : error.c_str());
        return 2;
    }

    bool passed = false;
    std::vector<std::wstring> pictures;
    {
        Tour tour(notebook, options);
        passed = tour.Run();
        pictures = tour.Pictures();
        tour.EndKorvane();
    }
    // Korvane is ended by now (Exit, or killed with the tour on a failure).
    const std::string finalMode = notebook.ClockMode();
    notebook.StopFirmware();
    drive::ForgetStoredSettings();

    std::printf("\n");
    if (passed && finalMode != "default") {
        std::printf("  FAILED: the GPU was left at %s clocks\n", finalMode.c_str());
        passed = false;
    }
    if (!pictures.empty()) {
        std::printf("  pictures (BMP) in %s:", drive::Narrow(options.out).c_str());
        for (const std::wstring& picture : pictures)
            std::printf(" %s", drive::Narrow(picture.substr(picture.find_last_of(L'\\') + 1)).c_str());
        std::printf("\n");
    }
    std::printf("  scenario folder (logs of the simulator and the fake driver): %s\n",
                drive::Narrow(folder).c_str());
    std::printf("\n%s\n", passed ? "Tour complete: every step did what was expected; the GPU is back "
                                   "at its default clocks."
                                 : "Tour FAILED (see above).");
    return passed ? 0 : 1;
}
