// korvane-console: a simulated notebook to play with. Starts the firmware
// service simulator and Korvane.exe with a fake GPU, then reads commands from
// standard input: firmware events and capability changes through the
// simulator's control channel, power and session broadcasts sent to
// Korvane's window, and readings of the AP state and the GPU's clocks. After
// each command it shows the firmware commands Korvane sent. "quit" (or the end
// of input) chooses Exit as the tray menu would, then stops the simulator.
//
//   korvane-console [--gpu nvidia|amd] [--system0 N] [--system1 N] [--ap N]
#include "Files.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"
#include "Notebook.h"

#include <windows.h>

#include <cstdio>
#include <io.h>
#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

namespace {

constexpr char kUsage[] = "usage: korvane-console [--gpu nvidia|amd] [--system0 N] [--system1 N] [--ap N]\n";

constexpr char kHelp[] =
    "Commands (one per line):\n"
    "  event CODE        raise firmware event CODE: 0x60 feature available again,\n"
    "                    0x5D or 0x79 default clocks forced (when a bit below is set),\n"
    "                    0x39 power source; Korvane waits 3 s before acting\n"
    "  set system0 N     capability bits of QEL_System instance 0 (2: feature available,\n"
    "                    4: default clocks forced)\n"
    "  set system1 N     capability bits of instance 1 (1: default clocks forced)\n"
    "  set ap N          the firmware's AP state\n"
    "  fail [N]          the next N firmware commands fail\n"
    "  ap                show the AP state and the GPU's clocks\n"
    "  log [N]           the last N records (10) of Korvane's diagnostic log\n"
    "  menu              open Korvane's tray menu at the mouse pointer (a right-click)\n"
    "  enable | disable  the menu's Enable or Disable command\n"
    "  about             the menu's About command\n"
    "  resume | suspend  power broadcasts (resume waits 2 s, then restores default clocks)\n"
    "  battery | ac      power-source broadcasts (followed after 3 s with \"Only on AC power\")\n"
    "  ac-only | notices the menu's two options, each turned over\n"
    "  lock | unlock | logoff | logon | connect | disconnect   session changes\n"
    "  help              this text\n"
    "  quit              Exit from Korvane's menu (default clocks restored), then stop\n";

struct Options
{
    bool amd = false;
    simctl::SimStart firmware;
};

bool ParseNumber(const wchar_t* text, int* value)
{
    wchar_t* end = nullptr;
    long n = std::wcstol(text, &end, 0);
    if (end == text || *end != L'\0')
        return false;
    *value = static_cast<int>(n);
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    options->firmware.system0 = 2;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return false;
        std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--gpu" && (std::wcscmp(value, L"nvidia") == 0 || std::wcscmp(value, L"amd") == 0))
            options->amd = std::wcscmp(value, L"amd") == 0;
        else if (!((name == L"--system0" && ParseNumber(value, &options->firmware.system0)) ||
                   (name == L"--system1" && ParseNumber(value, &options->firmware.system1)) ||
                   (name == L"--ap" && ParseNumber(value, &options->firmware.ap))))
            return false;
    }
    return true;
}

// Korvane's session-change codes by name.
bool SessionCode(const std::string& word, WPARAM* code)
{
    static const struct
    {
        const char* name;
        WPARAM code;
    } kCodes[] = {{"connect", 1}, {"disconnect", 2}, {"logon", 5}, {"logoff", 6}, {"lock", 7}, {"unlock", 8}};
    for (const auto& entry : kCodes) {
        if (word == entry.name) {
            *code = entry.code;
            return true;
        }
    }
    return false;
}

class Console
{
public:
    explicit Console(drive::Notebook& notebook) : m_notebook(notebook) {}

    bool Start();
    // The watcher's own handle of Korvane's process.
    HANDLE DuplicateKorvaneHandle() const;
    // One line of input; false when the console should stop.
    bool Handle(const std::string& line);
    void Quit();
    // Waits for Korvane to end on its own (its Exit chosen by the user), then
    // stops the notebook and the console.
    void WatchKorvane(HANDLE korvane);

private:
    void Report(size_t logBefore);
    void ShowState();
    void ShowLog(std::istream& words);
    size_t LogSize();

    drive::Notebook& m_notebook;
    drive::ChildProcess m_korvane;
    HWND m_main = nullptr;
    std::mutex m_lock;
    bool m_stopped = false;
};

bool Console::Start()
{
    if (!m_notebook.LaunchKorvane(&m_korvane))
        return false;
    m_main = drive::WaitForMainWindow(m_korvane.ProcessId(), 20000);
    if (!m_main)
        return false;
    drive::WaitUntil(
        [&] {
            std::vector<std::string> log;
            return m_notebook.FirmwareLog(&log) && drive::CommandsFrom(log, 0).size() >= 4;
        },
        5000);
    drive::Settle(m_main);
    std::printf("Korvane started (process %lu). Its icon is in Wine's tray: right-click it for the "
                "menu.\n",
                m_korvane.ProcessId());
    Report(0);
    return true;
}

size_t Console::LogSize()
{
    std::vector<std::string> log;
    return m_notebook.FirmwareLog(&log) ? log.size() : 0;
}

void Console::ShowState()
{
    int ap = 0;
    std::string apText = m_notebook.ApState(&ap) ? std::to_string(ap) : "?";
    std::printf("  AP state %s | GPU %s\n", apText.c_str(), m_notebook.ClockDescription().c_str());
}

void Console::ShowLog(std::istream& words)
{
    int count = 10;
    if (!(words >> count) || count < 1)
        count = 10;
    const std::vector<std::string> log = m_notebook.DiagnosticLog();
    const size_t first =
        log.size() > static_cast<size_t>(count) ? log.size() - static_cast<size_t>(count) : 0;
    std::printf("  %s (%lu records):\n", drive::Narrow(m_notebook.DiagnosticLogPath()).c_str(),
                static_cast<unsigned long>(log.size()));
    for (size_t i = first; i < log.size(); ++i)
        std::printf("  %s\n", log[i].c_str());
}

void Console::Report(size_t logBefore)
{
    std::vector<std::string> log;
    if (m_notebook.FirmwareLog(&log))
        std::printf("  firmware commands: %s\n",
                    drive::ShortNames(drive::CommandsFrom(log, logBefore)).c_str());
    ShowState();
    std::fflush(stdout);
}

bool Console::Handle(const std::string& line)
{
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb.empty())
        return true;
    if (verb == "quit" || verb == "exit")
        return false;

    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stopped)
        return false;
    if (verb == "help") {
        std::fputs(kHelp, stdout);
        return true;
    }
    if (verb == "ap") {
        ShowState();
        return true;
    }
    if (verb == "log") {
        ShowLog(words);
        return true;
    }

    const size_t before = LogSize();
    std::string rest;
    std::getline(words, rest);
    rest.erase(0, rest.find_first_not_of(' '));
    WPARAM session = 0;
    bool acted = true;
    bool waitForCommands = false;
    if (verb == "event" || verb == "set" || verb == "fail") {
        std::string answer;
        if (!m_notebook.Firmware().Control(verb + " " + rest, &answer)) {
            std::printf("  the simulator refused: %s\n", answer.c_str());
            return true;
        }
        // Korvane answers these events with firmware queries after its wait.
        int code = verb == "event" ? static_cast<int>(std::strtol(rest.c_str(), nullptr, 0)) : 0;
        waitForCommands = code == 0x5D || code == 0x60 || code == 0x79;
        if (waitForCommands)
            std::printf("  (Korvane waits 3 s before acting)\n");
    } else if (verb == "menu") {
        AllowSetForegroundWindow(m_korvane.ProcessId());
        if (PostMessageW(m_main, drive::kTrayNotify, 1, WM_RBUTTONUP))
            std::printf("  the menu opens at the mouse pointer; choose with the mouse or keys\n");
        else
            std::printf("  Korvane's window did not take the message\n");
        return true;
    } else if (verb == "enable" || verb == "disable" || verb == "about" || verb == "ac-only" ||
               verb == "notices") {
        const WPARAM command = verb == "enable"    ? drive::kMenuEnable
                               : verb == "disable" ? drive::kMenuDisable
                               : verb == "ac-only" ? drive::kMenuAcOnly
                               : verb == "notices" ? drive::kMenuNotices
                                                   : drive::kMenuAbout;
        DWORD_PTR result = 0;
        acted = SendMessageTimeoutW(m_main, WM_COMMAND, command, 0, SMTO_NORMAL, 15000, &result) != 0;
    } else if (verb == "resume") {
        std::printf("  (Korvane waits 2 s before acting)\n");
        acted = drive::SendPowerBroadcast(m_main, 7);
    } else if (verb == "suspend")
        acted = drive::SendPowerBroadcast(m_main, 4);
    else if (verb == "battery" || verb == "ac")
        acted = drive::SendPowerSource(m_main, verb == "ac" ? 0 : 1);
    else if (SessionCode(verb, &session))
        acted = drive::SendSessionChange(m_main, session);
    else {
        std::printf("  unknown command \"%s\"; \"help\" lists them\n", verb.c_str());
        return true;
    }
    if (!acted) {
        std::printf("  Korvane's window did not take the message\n");
        return true;
    }
    if (waitForCommands)
        drive::WaitUntil([&] { return LogSize() > before; }, 6000);
    drive::Settle(m_main);
    Report(before);
    return true;
}

void Console::Quit()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stopped)
        return;
    m_stopped = true;
    if (m_korvane.IsRunning()) {
        const size_t before = LogSize();
        // An open tray menu would hold the command until it closes.
        PostMessageW(m_main, WM_CANCELMODE, 0, 0);
        drive::WaitUntil([&] { return !drive::FindOpenMenu(m_korvane.ProcessId()); }, 3000);
        std::printf("Choosing Exit in Korvane's menu...\n");
        PostMessageW(m_main, WM_COMMAND, drive::kMenuExit, 0);
        DWORD status = 0;
        if (m_korvane.WaitForExit(15000, &status))
            std::printf("Korvane ended with status %lu.\n", status);
        else
            std::printf("Korvane did not end; stopping it.\n");
        Report(before);
    }
    m_korvane.Kill();
    m_notebook.StopFirmware();
    std::printf("The simulated notebook has stopped.\n");
    std::fflush(stdout);
}

HANDLE Console::DuplicateKorvaneHandle() const
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), m_korvane.Handle(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE,
                    0);
    return copy;
}

void Console::WatchKorvane(HANDLE korvane)
{
    // Quit ends Korvane too, and then finds the console stopped.
    WaitForSingleObject(korvane, INFINITE);
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stopped)
        return;
    m_stopped = true;
    DWORD status = 0;
    GetExitCodeProcess(korvane, &status);
    std::printf("\nKorvane ended (status %lu).\n", status);
    ShowState();
    m_notebook.StopFirmware();
    std::printf("The simulated notebook has stopped.\n");
    std::fflush(stdout);
    ExitProcess(0);
}

struct Watch
{
    Console* console;
    pipeio::UniqueHandle korvane;
};

DWORD WINAPI WatchThread(void* param)
{
    auto* watch = static_cast<Watch*>(param);
    watch->console->WatchKorvane(watch->korvane.Get());
    return 0;
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
    setup.firmware = options.firmware;
    drive::Notebook notebook(drive::JoinPath(drive::ProgramFolder(), L"..\\run\\notebook"), setup,
                             L"korvane-run-" + std::to_wstring(GetCurrentProcessId()));
    std::string error;
    if (!notebook.Prepare(&error) || !notebook.StartFirmware()) {
        std::fprintf(stderr, "korvane-console: %s\n",
                     error.empty() ? "the firmware simulator does not start" : error.c_str());
        return 2;
    }
    std::printf("Simulated notebook: %s GPU, firmware System:0=%d System:1=%d AP=%d.\n",
                options.amd ? "AMD" : "NVIDIA", options.firmware.system0, options.firmware.system1,
                options.firmware.ap);

    Console console(notebook);
    if (!console.Start()) {
        std::fprintf(stderr, "korvane-console: Korvane does not start\n");
        return 1;
    }
    Watch watch{&console, pipeio::UniqueHandle(console.DuplicateKorvaneHandle())};
    pipeio::UniqueHandle watcher(watch.korvane ? CreateThread(nullptr, 0, WatchThread, &watch, 0, nullptr)
                                               : nullptr);
    std::fputs(kHelp, stdout);
    // Commands read from a file or a pipe are echoed, so the transcript reads
    // like a session at the keyboard.
    const bool echo = !_isatty(_fileno(stdin));
    std::string line;
    for (;;) {
        std::printf("korvane> ");
        std::fflush(stdout);
        if (!std::getline(std::cin, line)) {
            std::printf("\n");
            break;
        }
        if (echo)
            std::printf("%s\n", line.c_str());
        if (!console.Handle(line))
            break;
    }
    console.Quit();
    if (watcher)
        WaitForSingleObject(watcher.Get(), 5000);
    return 0;
}
