#include "Measure.h"

#include "Breakpoints.h"
#include "Clock.h"
#include "Console.h"
#include "Files.h"
#include "LinuxProcess.h"
#include "Samples.h"

#include <cwchar>

namespace bench {

namespace {

// The file name of a loaded library, from the handle its load event brings
// (closed here); empty when the name cannot be had.
std::string LibraryName(HANDLE file)
{
    std::string name;
    wchar_t path[MAX_PATH] = {};
    if (GetFinalPathNameByHandleW(file, path, MAX_PATH, 0)) {
        const wchar_t* slash = wcsrchr(path, L'\\');
        name = drive::Narrow(slash ? slash + 1 : path);
    }
    CloseHandle(file);
    return name;
}

} // namespace

// What start-up costs is put on its steps: at each breakpoint the private
// memory and the time since the start are taken. The last phase ends when
// the program has settled.
void MeasurePhases(Kind kind, const std::wstring& marksFile, int run, const Options& options)
{
    std::vector<Mark> marks = ReadMarks(marksFile);
    if (marks.empty())
        return;
    const std::string prefix = std::string("phases.") + KindName(kind) + "." + std::to_string(run) + ".";
    Program program(kind, drive::JoinPath(options.work, drive::Widen(prefix.substr(7) + "d")), options);
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
        SampleText(key + "label", label);
        SampleValue(key + "ms", Now() - t0);
        SampleValue(key + "private_kb", static_cast<double>(ReadUnixCounters(unixPid).privateKb));
        SampleText(key + "libraries", libraries);
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
                const std::string name = LibraryName(event.u.LoadDll.hFile);
                if (!name.empty())
                    libraries += (libraries.empty() ? "" : " ") + name;
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
    program.WaitUntilStarted();
    Sleep(1500);
    sample(pending);
    SampleValue(prefix + "count", index);
    program.Stop();
}

} // namespace bench
