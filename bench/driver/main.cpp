// Measures Korvane against the floor programs from outside, as the shell and
// a user see it, and writes the raw samples as JSON for scripts/bench.
//   bench-driver.exe --work FOLDER [--runs N] [--idle SECONDS] [--cycles N]
//                    [--calls N] [--program-dir FOLDER]
//                    [--marks-korvane FILE] [--marks-floor FILE]
//                    [--baseline-dir FOLDER]
// --program-dir takes Korvane.exe and QELWmiAcpi.dll from another folder
// (to measure an older build on the same machine); by default those beside
// this program are used. The marks files (from bench/phases.py) turn on the
// start-up phases: the program runs under this one as its debugger.
// --baseline-dir measures the Korvane.exe and QELWmiAcpi.dll of FOLDER (an
// older build) beside the current one in every phase, for a before and after
// from the same run.
#include "ChildProcess.h"
#include "Files.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"
#include "Notebook.h"
#include "Tray.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using drive::ChildProcess;
using drive::JoinPath;
using drive::Narrow;
using drive::Notebook;

constexpr wchar_t kFloorClass[] = L"KorvaneFloor";
constexpr UINT kIconId = 1;
constexpr UINT kFloorExit = 303;
constexpr DWORD kStartTimeoutMs = 20000;
// The firmware commands of Korvane's start-up: the feature query and the AP
// state read, write and read-back.
constexpr size_t kStartupCommands = 4;

struct Options
{
    std::wstring work;
    std::wstring programDir;
    std::wstring baselineDir;
    std::wstring marksKorvane;
    std::wstring marksFloor;
    int runs = 3;
    int idleSeconds = 60;
    int cycles = 10000;
    int calls = 200;
};

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// --- JSON output -----------------------------------------------------------

std::string g_json;

void JsonValue(const char* key, double value)
{
    char text[128];
    std::snprintf(text, sizeof text, "\"%s\": %.4f,\n", key, value);
    g_json += text;
}

void JsonText(const char* key, const std::string& value)
{
    g_json += std::string("\"") + key + "\": \"" + value + "\",\n";
}

// --- the Linux side of a Wine process (Z: is the Linux root) ---------------

std::string ReadLinuxFile(const std::string& path)
{
    std::string text;
    drive::ReadTextFile(drive::Widen("Z:" + path), &text);
    return text;
}

// The Linux process that runs `exe` (a Windows path, matched without case in
// the command line Wine gives it); 0 when there is none.
int UnixPidOf(const std::wstring& exe)
{
    std::string wanted = Narrow(exe);
    CharLowerBuffA(&wanted[0], static_cast<DWORD>(wanted.size()));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int pid = 0;
    do {
        int candidate = _wtoi(found.cFileName);
        if (candidate <= 0)
            continue;
        std::string line = ReadLinuxFile("/proc/" + std::to_string(candidate) + "/cmdline");
        std::replace(line.begin(), line.end(), '\0', ' ');
        CharLowerBuffA(&line[0], static_cast<DWORD>(line.size()));
        if (line.find(wanted) != std::string::npos)
            pid = candidate;
    } while (!pid && FindNextFileW(find, &found));
    FindClose(find);
    return pid;
}

long long StatusField(const std::string& status, const char* name)
{
    size_t at = status.find(std::string(name) + ":");
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + std::strlen(name) + 1);
}

struct UnixCounters
{
    long long rssKb = -1;
    long long privateKb = -1; // resident pages written by this process alone
    long long threads = -1;
    long long contextSwitches = 0;
    double cpuMs = 0;
};

UnixCounters ReadUnixCounters(int pid)
{
    UnixCounters c;
    if (!pid)
        return c;
    const std::string base = "/proc/" + std::to_string(pid);
    std::string status = ReadLinuxFile(base + "/status");
    c.rssKb = StatusField(status, "VmRSS");
    c.threads = StatusField(status, "Threads");
    std::string rollup = ReadLinuxFile(base + "/smaps_rollup");
    // Clean private pages turn shared as soon as another process maps the
    // same file, so only the dirty ones are the process's own.
    c.privateKb = StatusField(rollup, "Private_Dirty");
    // utime and stime, fields 14 and 15, after the command name in brackets.
    std::string stat = ReadLinuxFile(base + "/stat");
    size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        long long utime = 0, stime = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld",
                        &utime, &stime) == 2)
            c.cpuMs = static_cast<double>(utime + stime) * 10.0; // USER_HZ is 100
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(drive::Widen("Z:" + base + "/task/*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            int tid = _wtoi(found.cFileName);
            if (tid <= 0)
                continue;
            std::string task = ReadLinuxFile(base + "/task/" + std::to_string(tid) + "/status");
            c.contextSwitches += std::max(0LL, StatusField(task, "voluntary_ctxt_switches")) +
                                 std::max(0LL, StatusField(task, "nonvoluntary_ctxt_switches"));
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return c;
}

// --- the Windows side ------------------------------------------------------

// The system handle list (NtQuerySystemInformation class 16), our own
// declarations of its records.
struct SystemHandleEntry
{
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

struct SystemHandleList
{
    ULONG count;
    SystemHandleEntry entries[1];
};

typedef LONG(WINAPI* QuerySystemInformationFn)(ULONG, PVOID, ULONG, PULONG);

// Kernel handles of process pid; -1 when the list cannot be read.
long long KernelHandles(DWORD pid)
{
    auto query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            auto* list = reinterpret_cast<SystemHandleList*>(buffer.data());
            long long count = 0;
            for (ULONG i = 0; i < list->count; ++i)
                count += list->entries[i].ownerPid == pid;
            return count;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return -1;
}

// Wine keeps a process's GDI objects in a handle table of the process's own,
// named by its PEB as on Windows; GetGuiResources answers 0 there. Our own
// declaration of a table entry: the same 24 bytes in 32- and 64-bit builds.
struct GdiHandleEntry
{
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type; // 0 for a free entry
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entry layout");
constexpr size_t kGdiHandleCount = 0x10000;
#ifdef _WIN64
constexpr size_t kPebGdiTableOffset = 0xF8;
#else
constexpr size_t kPebGdiTableOffset = 0x94;
#endif

typedef LONG(WINAPI* QueryInformationProcessFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// The live GDI objects of process, stock objects included; -1 when the table
// cannot be read. Reading a page of the table makes it the process's own
// memory, so the read stops at the first page no handle has used yet (Wine
// hands entries out from the front): the used pages are the process's own
// already, and the sample changes by one page at most.
long long GdiObjects(HANDLE process)
{
    auto query = reinterpret_cast<QueryInformationProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    // PROCESS_BASIC_INFORMATION: the PEB's address is its second field.
    ULONG_PTR basic[6] = {};
    if (!query || query(process, 0, basic, sizeof basic, nullptr) != 0)
        return -1;
    ULONG_PTR table = 0;
    SIZE_T done = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic[1]) + kPebGdiTableOffset, &table,
                           sizeof table, &done) ||
        !table)
        return -1;
    constexpr size_t kPage = 4096;
    constexpr size_t kTableBytes = kGdiHandleCount * sizeof(GdiHandleEntry);
    std::vector<BYTE> page(kPage);
    long long live = 0;
    for (size_t offset = 0; offset < kTableBytes; offset += kPage) {
        if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(table) + offset, page.data(), kPage, &done))
            return -1;
        if (std::all_of(page.begin(), page.end(), [](BYTE b) { return b == 0; }))
            break;
        // Entries straddle pages: count each by the page that holds its type.
        for (size_t at = 0; at < kPage; ++at) {
            const size_t byte = offset + at;
            if (byte % sizeof(GdiHandleEntry) == offsetof(GdiHandleEntry, type) && page[at] != 0)
                ++live;
        }
    }
    return live;
}

struct WindowsCounters
{
    double privateKb = -1;
    double workingSetKb = -1;
    long long handles = -1;
    long long gdiObjects = -1;
    long long threads = -1;
};

WindowsCounters ReadWindowsCounters(HANDLE process, DWORD pid)
{
    WindowsCounters c;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        c.privateKb = static_cast<double>(memory.PrivateUsage) / 1024.0;
        c.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
    }
    c.handles = KernelHandles(pid);
    c.gdiObjects = GdiObjects(process);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        c.threads = 0;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == pid)
                ++c.threads;
        }
        CloseHandle(snapshot);
    }
    return c;
}

// --- the programs ----------------------------------------------------------

enum class Kind {
    Korvane,
    Baseline,      // an older Korvane
    Floor,         // window, icon, message loop, plain menu
    FloorWmi,      // the floor with COM and the WMI brightness subscription
    FloorPlatform, // and with the common controls and the GPU driver library
    FloorIcons,    // the floor whose menu loads and destroys three icons
};

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

// One running program in a scenario folder of its own.
class Program
{
public:
    Program(Kind kind, const std::wstring& folder, const Options& options,
            const drive::NotebookSetup& setup = drive::NotebookSetup())
        : m_kind(kind), m_folder(folder), m_options(options), m_setup(setup)
    {}

    bool Prepare(std::string* error)
    {
        if (IsKorvane()) {
            m_notebook.reset(new Notebook(m_folder, m_setup));
            if (!m_notebook->Prepare(error))
                return false;
            const std::wstring& from =
                m_kind == Kind::Baseline ? m_options.baselineDir : m_options.programDir;
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
        // The platform floor loads the same fake GPU driver as Korvane, from
        // its own folder.
        if (!drive::MakeEmptyFolder(m_folder) ||
            !drive::CopyInto(JoinPath(drive::ProgramFolder(), L"floor-tray.exe"), m_folder) ||
            (m_kind == Kind::FloorPlatform &&
             !drive::CopyInto(JoinPath(drive::ProgramFolder(), L"fakes\\nvapi\\nvapi.dll"), m_folder))) {
            *error = "cannot prepare " + Narrow(m_folder);
            return false;
        }
        m_exe = JoinPath(m_folder, L"floor-tray.exe");
        return true;
    }

    bool Launch()
    {
        if (m_notebook)
            return m_notebook->LaunchKorvane(&m_process);
        std::wstring arguments = m_kind == Kind::FloorWmi        ? L"--wmi"
                                 : m_kind == Kind::FloorPlatform ? L"--platform"
                                 : m_kind == Kind::FloorIcons    ? L"--menu-icons"
                                                                 : L"";
        return m_process.Start(m_exe, arguments, m_folder, {});
    }

    bool IsKorvane() const { return m_kind == Kind::Korvane || m_kind == Kind::Baseline; }

    HWND FindWindow() const
    {
        DWORD pid = m_process.ProcessId();
        if (IsKorvane())
            return drive::FindProcessWindow(pid, L"#32770", L"NVIDIA Korvane", false);
        return drive::FindProcessWindow(pid, kFloorClass, nullptr, false);
    }

    size_t FirmwareCommands() const
    {
        std::vector<std::string> log;
        if (!m_notebook || !m_notebook->FirmwareLog(&log))
            return 0;
        return drive::CommandsFrom(log, 0).size();
    }

    // Exit through the program's own command, so that its icon leaves the
    // tray as on a notebook; killed when it does not end.
    void Stop()
    {
        if (HWND window = FindWindow())
            PostMessageW(window, WM_COMMAND, IsKorvane() ? drive::kMenuExit : kFloorExit, 0);
        if (!m_process.WaitForExit(10000))
            m_process.Kill();
        if (m_notebook)
            m_notebook->StopFirmware();
    }

    Kind GetKind() const { return m_kind; }
    ChildProcess& Process() { return m_process; }
    Notebook* GetNotebook() { return m_notebook.get(); }
    const std::wstring& Exe() const { return m_exe; }

private:
    Kind m_kind;
    std::wstring m_folder;
    const Options& m_options;
    drive::NotebookSetup m_setup;
    std::unique_ptr<Notebook> m_notebook;
    ChildProcess m_process;
    std::wstring m_exe;
};

void Fail(const std::string& message)
{
    std::fprintf(stderr, "bench-driver: %s\n", message.c_str());
    std::fflush(stderr);
    ExitProcess(1);
}

void PrepareOrFail(Program* program)
{
    std::string error;
    if (!program->Prepare(&error))
        Fail(error);
}

void Sample(const std::string& prefix, Program* program)
{
    // The memory first: the GDI count reads the process's handle table.
    UnixCounters u = ReadUnixCounters(UnixPidOf(program->Exe()));
    WindowsCounters w = ReadWindowsCounters(program->Process().Handle(), program->Process().ProcessId());
    // Wine does not fill PrivateUsage for another process: the private
    // resident pages of its Linux process stand in.
    JsonValue((prefix + "private_kb").c_str(),
              w.privateKb > 0 ? w.privateKb : static_cast<double>(u.privateKb));
    JsonValue((prefix + "working_set_kb").c_str(), w.workingSetKb);
    JsonValue((prefix + "handles").c_str(), static_cast<double>(w.handles));
    JsonValue((prefix + "gdi_objects").c_str(), static_cast<double>(w.gdiObjects));
    JsonValue((prefix + "threads").c_str(), static_cast<double>(w.threads));
    JsonValue((prefix + "rss_kb").c_str(), static_cast<double>(u.rssKb));
}

// Start to the tray icon (and, for Korvane, to the end of its start-up
// commands), then the memory once it has settled.
void MeasureStart(Kind kind, int run, const Options& options)
{
    const std::string prefix = std::string("start.") + KindName(kind) + "." + std::to_string(run) + ".";
    Program program(kind, JoinPath(options.work, drive::Widen(prefix.substr(6) + "d")), options);
    PrepareOrFail(&program);
    double t0 = Now();
    if (!program.Launch())
        Fail(std::string("cannot start ") + KindName(kind));
    HWND window = nullptr;
    double icon = -1;
    while (Now() - t0 < kStartTimeoutMs) {
        if (!window)
            window = program.FindWindow();
        if (window && drive::TrayIconExists(window, kIconId)) {
            icon = Now() - t0;
            break;
        }
        Sleep(1);
    }
    if (icon < 0)
        Fail(std::string("no tray icon from ") + KindName(kind));
    JsonValue((prefix + "icon_ms").c_str(), icon);
    if (program.IsKorvane()) {
        double firmware = -1;
        while (Now() - t0 < kStartTimeoutMs) {
            if (program.FirmwareCommands() >= kStartupCommands) {
                firmware = Now() - t0;
                break;
            }
            Sleep(2);
        }
        JsonValue((prefix + "firmware_ms").c_str(), firmware);
    }
    drive::Settle(window);
    Sleep(1500);
    Sample(prefix, &program);
    program.Stop();
}

// All programs idle side by side over the same interval.
void MeasureIdle(const std::vector<Kind>& kinds, const Options& options)
{
    std::vector<std::unique_ptr<Program>> programs;
    for (Kind kind : kinds) {
        programs.emplace_back(new Program(
            kind, JoinPath(options.work, drive::Widen(std::string("idle.") + KindName(kind))), options));
        PrepareOrFail(programs.back().get());
        if (!programs.back()->Launch())
            Fail("cannot start a program for the idle phase");
    }
    std::vector<int> pids;
    std::vector<UnixCounters> before;
    for (auto& program : programs) {
        HWND window = nullptr;
        drive::WaitUntil([&] { return (window = program->FindWindow()) != nullptr; }, kStartTimeoutMs);
        drive::Settle(window);
    }
    Sleep(3000);
    for (auto& program : programs) {
        pids.push_back(UnixPidOf(program->Exe()));
        before.push_back(ReadUnixCounters(pids.back()));
    }
    Sleep(static_cast<DWORD>(options.idleSeconds) * 1000);
    for (size_t i = 0; i < programs.size(); ++i) {
        UnixCounters after = ReadUnixCounters(pids[i]);
        WindowsCounters w =
            ReadWindowsCounters(programs[i]->Process().Handle(), programs[i]->Process().ProcessId());
        const std::string prefix = std::string("idle.") + KindName(programs[i]->GetKind()) + ".";
        JsonValue((prefix + "context_switches").c_str(),
                  pids[i] ? static_cast<double>(after.contextSwitches - before[i].contextSwitches) : -1);
        JsonValue((prefix + "cpu_ms").c_str(), pids[i] ? after.cpuMs - before[i].cpuMs : -1);
        JsonValue((prefix + "threads").c_str(), static_cast<double>(w.threads));
        JsonValue((prefix + "unix_threads").c_str(), static_cast<double>(after.threads));
    }
    for (auto& program : programs)
        program->Stop();
}

// --- start-up phases ---------------------------------------------------------

// A one-time breakpoint on the entry of a function start-up runs once.
struct Mark
{
    ULONG_PTR rva = 0;
    std::string label;
    ULONG_PTR address = 0;
    BYTE original = 0;
};

std::vector<Mark> ReadMarks(const std::wstring& path)
{
    std::string text;
    std::vector<Mark> marks;
    if (path.empty() || !drive::ReadTextFile(path, &text))
        return marks;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Mark mark;
        mark.rva = static_cast<ULONG_PTR>(std::strtoull(line.c_str(), nullptr, 16));
        mark.label = line.substr(tab + 1);
        marks.push_back(mark);
    }
    return marks;
}

bool PatchByte(HANDLE process, ULONG_PTR address, BYTE value, BYTE* previous)
{
    SIZE_T done = 0;
    if (previous && !ReadProcessMemory(process, reinterpret_cast<void*>(address), previous, 1, &done))
        return false;
    if (!WriteProcessMemory(process, reinterpret_cast<void*>(address), &value, 1, &done))
        return false;
    return FlushInstructionCache(process, reinterpret_cast<void*>(address), 1) != FALSE;
}

// Puts the thread back on the breakpoint's address, now holding the original
// instruction again.
bool RewindTo(DWORD threadId, ULONG_PTR address)
{
    HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId);
    if (!thread)
        return false;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    bool ok = GetThreadContext(thread, &context) != FALSE;
#ifdef _WIN64
    context.Rip = address;
#else
    context.Eip = address;
#endif
    ok = ok && SetThreadContext(thread, &context);
    CloseHandle(thread);
    return ok;
}

// Starts the program under this process as its debugger with a breakpoint on
// each mark; at each the private memory and the time since the start are
// taken, so that what start-up costs is put on its steps. The last phase ends
// when the program has settled.
void MeasurePhases(Kind kind, const std::wstring& marksFile, int run, const Options& options)
{
    std::vector<Mark> marks = ReadMarks(marksFile);
    if (marks.empty())
        return;
    const std::string prefix = std::string("phases.") + KindName(kind) + "." + std::to_string(run) + ".";
    Program program(kind, JoinPath(options.work, drive::Widen(prefix.substr(7) + "d")), options);
    PrepareOrFail(&program);
    program.Process().SetExtraCreationFlags(DEBUG_ONLY_THIS_PROCESS);
    const double t0 = Now();
    if (!program.Launch())
        Fail(std::string("cannot start ") + KindName(kind) + " under the debugger");
    HANDLE process = program.Process().Handle();
    int unixPid = 0;
    int index = 0;
    std::string libraries; // loaded during the current phase
    auto sample = [&](const std::string& label) {
        if (!unixPid)
            unixPid = UnixPidOf(program.Exe());
        const std::string key = prefix + std::to_string(index++) + ".";
        JsonText((key + "label").c_str(), label);
        JsonValue((key + "ms").c_str(), Now() - t0);
        JsonValue((key + "private_kb").c_str(), static_cast<double>(ReadUnixCounters(unixPid).privateKb));
        JsonText((key + "libraries").c_str(), libraries);
        libraries.clear();
    };
    std::string pending = "process start: Wine, loader, libraries and their start-up";
    size_t hits = 0;
    while (hits < marks.size() && Now() - t0 < kStartTimeoutMs) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 50))
            continue;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT: {
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            const auto base = reinterpret_cast<ULONG_PTR>(event.u.CreateProcessInfo.lpBaseOfImage);
            for (Mark& mark : marks) {
                mark.address = base + mark.rva;
                if (!PatchByte(process, mark.address, 0xCC, &mark.original))
                    Fail("cannot set a breakpoint in " + std::string(KindName(kind)));
            }
            break;
        }
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) {
                wchar_t path[MAX_PATH] = {};
                if (GetFinalPathNameByHandleW(event.u.LoadDll.hFile, path, MAX_PATH, 0)) {
                    const wchar_t* slash = wcsrchr(path, L'\\');
                    libraries += (libraries.empty() ? "" : " ") + Narrow(slash ? slash + 1 : path);
                }
                CloseHandle(event.u.LoadDll.hFile);
            }
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
            if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            }
            const auto at = reinterpret_cast<ULONG_PTR>(record.ExceptionAddress);
            for (Mark& mark : marks) {
                if (mark.address != at || !mark.address)
                    continue;
                sample(pending);
                pending = mark.label;
                if (!PatchByte(process, mark.address, mark.original, nullptr) ||
                    !RewindTo(event.dwThreadId, mark.address))
                    Fail("cannot step over a breakpoint in " + std::string(KindName(kind)));
                mark.address = 0;
                ++hits;
            }
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            Fail(std::string(KindName(kind)) + " ended during start-up");
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    // A mark never reached (its step skipped) joins its phase to the next.
    for (const Mark& mark : marks) {
        if (mark.address)
            PatchByte(process, mark.address, mark.original, nullptr);
    }
    DebugSetProcessKillOnExit(FALSE);
    if (!DebugActiveProcessStop(program.Process().ProcessId()))
        Fail("cannot detach from " + std::string(KindName(kind)));
    HWND window = nullptr;
    drive::WaitUntil([&] { return (window = program.FindWindow()) != nullptr; }, kStartTimeoutMs);
    if (kind == Kind::Korvane)
        drive::WaitUntil([&] { return program.FirmwareCommands() >= kStartupCommands; }, kStartTimeoutMs);
    drive::Settle(window);
    Sleep(1500);
    sample(pending);
    JsonValue((prefix + "count").c_str(), index);
    program.Stop();
}

typedef int(__cdecl* CallNamePipeFn)(const char*, int, char*, int);

void JsonList(const std::string& key, const std::vector<double>& values)
{
    g_json += "\"" + key + "\": [";
    for (size_t i = 0; i < values.size(); ++i)
        g_json += (i ? ", " : "") + std::to_string(values[i]);
    g_json += "],\n";
}

// One firmware command through the program's QELWmiAcpi.dll against one raw
// CallNamedPipeW to the same simulator, alternating; then Enable/Disable
// through the running program, whose fake GPU driver keeps no files, so that
// the driver's bookkeeping stays out of the figure.
void MeasureFirmware(Kind kind, const Options& options)
{
    const std::string prefix = std::string("firmware.") + KindName(kind) + ".";
    drive::NotebookSetup setup;
    setup.driverFiles = false;
    Program program(kind, JoinPath(options.work, drive::Widen(prefix.substr(9) + "d")), options, setup);
    PrepareOrFail(&program);
    Notebook* notebook = program.GetNotebook();
    SetEnvironmentVariableW(L"QEL_PIPE_NAME", notebook->PipeName().c_str());
    const std::wstring library = JoinPath(notebook->Folder(), L"QELWmiAcpi.dll");
    HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    auto call = module ? reinterpret_cast<CallNamePipeFn>(
                             reinterpret_cast<void*>(GetProcAddress(module, "QEL_CallNamePipe")))
                       : nullptr;
    if (!call)
        Fail("cannot load QEL_CallNamePipe from " + Narrow(library));
    const std::wstring path = notebook->Firmware().PipePath();
    const char request[] = "root\\WMI:Q:QEL_AP:AP:6";
    std::vector<double> library_ms, raw_ms;
    char reply[128];
    for (int i = 0; i < options.calls; ++i) {
        double t = Now();
        if (!call(request, sizeof request, reply, sizeof reply))
            Fail("QEL_CallNamePipe failed");
        library_ms.push_back(Now() - t);
        DWORD got = 0;
        t = Now();
        if (!CallNamedPipeW(path.c_str(), const_cast<char*>(request), sizeof request, reply, sizeof reply,
                            &got, NMPWAIT_WAIT_FOREVER))
            Fail("CallNamedPipeW failed");
        raw_ms.push_back(Now() - t);
    }
    JsonList(prefix + "library_ms", library_ms);
    JsonList(prefix + "raw_ms", raw_ms);
    FreeLibrary(module);

    // The raw calls above are in the simulator's log too: start-up is over
    // when its own commands follow them. Commands sent before would reach the
    // dialog while it is still starting.
    const size_t raw = program.FirmwareCommands();
    if (!program.Launch())
        Fail("cannot start Korvane");
    HWND window = nullptr;
    drive::WaitUntil([&] { return (window = program.FindWindow()) != nullptr; }, kStartTimeoutMs);
    drive::WaitUntil([&] { return program.FirmwareCommands() >= raw + kStartupCommands; }, kStartTimeoutMs);
    drive::Settle(window);
    std::vector<double> operation_ms;
    size_t before = program.FirmwareCommands();
    const int operations = 20;
    for (int i = 0; i < operations; ++i) {
        double t = Now();
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_COMMAND, i % 2 ? drive::kMenuEnable : drive::kMenuDisable, 0,
                            SMTO_NORMAL, 15000, &result);
        operation_ms.push_back(Now() - t);
    }
    size_t commands = program.FirmwareCommands() - before;
    JsonList(prefix + "operation_ms", operation_ms);
    JsonValue((prefix + "commands_per_operation").c_str(), static_cast<double>(commands) / operations);
    program.Stop();
}

// Opens the tray menu and closes it with Escape, cycles times.
void MeasureMenu(Kind kind, const Options& options)
{
    const std::string prefix = std::string("menu.") + KindName(kind) + ".";
    Program program(kind, JoinPath(options.work, drive::Widen(prefix + "d")), options);
    PrepareOrFail(&program);
    if (!program.Launch())
        Fail("cannot start a program for the menu phase");
    HWND window = nullptr;
    drive::WaitUntil([&] { return (window = program.FindWindow()) != nullptr; }, kStartTimeoutMs);
    if (program.IsKorvane())
        drive::WaitUntil([&] { return program.FirmwareCommands() >= kStartupCommands; }, kStartTimeoutMs);
    drive::Settle(window);
    const DWORD pid = program.Process().ProcessId();
    SetCursorPos(600, 400);
    // One opening first, so that the first cycle's one-time costs (the menu
    // class, fonts) land before the first sample.
    auto cycle = [&]() -> bool {
        AllowSetForegroundWindow(pid);
        PostMessageW(window, drive::kTrayNotify, kIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        double t = Now();
        while (!(menu = drive::FindOpenMenu(pid))) {
            if (Now() - t > 10000)
                return false;
            Sleep(0);
        }
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(menu, WM_KEYUP, VK_ESCAPE, 0);
        while (IsWindow(menu) && IsWindowVisible(menu)) {
            if (Now() - t > 10000)
                return false;
            Sleep(0);
        }
        return drive::Settle(window);
    };
    if (!cycle())
        Fail(std::string("the menu of ") + KindName(kind) + " did not open and close");
    Sleep(500);
    Sample(prefix + "before.", &program);
    double t = Now();
    int done = 0;
    for (; done < options.cycles; ++done) {
        if (!cycle())
            break;
    }
    double elapsed = Now() - t;
    Sleep(500);
    Sample(prefix + "after.", &program);
    JsonValue((prefix + "cycles").c_str(), done);
    JsonValue((prefix + "cycle_ms").c_str(), done ? elapsed / done : -1);
    program.Stop();
}

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring name = argv[i];
        std::wstring value = argv[i + 1];
        if (name == L"--work")
            options->work = value;
        else if (name == L"--program-dir")
            options->programDir = value;
        else if (name == L"--baseline-dir")
            options->baselineDir = value;
        else if (name == L"--marks-korvane")
            options->marksKorvane = value;
        else if (name == L"--marks-floor")
            options->marksFloor = value;
        else if (name == L"--runs")
            options->runs = _wtoi(value.c_str());
        else if (name == L"--idle")
            options->idleSeconds = _wtoi(value.c_str());
        else if (name == L"--cycles")
            options->cycles = _wtoi(value.c_str());
        else if (name == L"--calls")
            options->calls = _wtoi(value.c_str());
        else
            return false;
    }
    return !options->work.empty() && options->runs > 0 && options->idleSeconds >= 0 && options->cycles >= 0 &&
           options->calls > 0;
}

void Progress(const char* what)
{
    std::printf("bench: %s\n", what);
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: bench-driver --work FOLDER [--runs N] [--idle SECONDS] [--cycles N] "
                             "[--calls N] [--program-dir FOLDER] [--marks-korvane FILE] [--marks-floor FILE] "
                             "[--baseline-dir FOLDER]\n");
        return 2;
    }
    if (!drive::MakeEmptyFolder(options.work))
        Fail("cannot empty " + Narrow(options.work));
    g_json = "{\n";
    JsonValue("options.runs", options.runs);
    JsonValue("options.idle_s", options.idleSeconds);
    JsonValue("options.cycles", options.cycles);
    JsonValue("options.calls", options.calls);
#ifdef _WIN64
    JsonText("options.measured_as", "64-bit");
#else
    JsonText("options.measured_as", "32-bit");
#endif
    // The Korvanes measured: the current one, and the older one if given.
    std::vector<Kind> korvanes = {Kind::Korvane};
    if (!options.baselineDir.empty())
        korvanes.push_back(Kind::Baseline);
    auto with = [&](std::initializer_list<Kind> floors) {
        std::vector<Kind> kinds = korvanes;
        kinds.insert(kinds.end(), floors);
        return kinds;
    };
    Progress("start-up, the programs alternating");
    // Each run starts with the next program, so that none always comes first
    // after the previous run's programs have ended.
    const std::vector<Kind> starting = with({Kind::Floor, Kind::FloorWmi, Kind::FloorPlatform});
    for (int run = 0; run < options.runs; ++run) {
        for (size_t i = 0; i < starting.size(); ++i)
            MeasureStart(starting[(run + i) % starting.size()], run, options);
    }
    if (!options.marksKorvane.empty() || !options.marksFloor.empty()) {
        Progress("start-up phases, under this program as debugger");
        for (int run = 0; run < options.runs; ++run) {
            MeasurePhases(Kind::Korvane, options.marksKorvane, run, options);
            MeasurePhases(Kind::Floor, options.marksFloor, run, options);
        }
    }
    Progress("one firmware command");
    for (Kind kind : korvanes)
        MeasureFirmware(kind, options);
    if (options.cycles > 0) {
        Progress("tray menu openings");
        for (Kind kind : with({Kind::Floor, Kind::FloorIcons}))
            MeasureMenu(kind, options);
    }
    if (options.idleSeconds > 0) {
        Progress("idle, the programs side by side");
        MeasureIdle({Kind::Korvane, Kind::Floor, Kind::FloorWmi}, options);
        // One Korvane at a time: a second one would see the first's mutex and end.
        if (!options.baselineDir.empty())
            MeasureIdle({Kind::Baseline}, options);
    }
    g_json += "\"end\": 0\n}\n";
    if (!drive::WriteTextFile(JoinPath(options.work, L"samples.json"), g_json))
        Fail("cannot write samples.json");
    return 0;
}
