#include "Measure.h"

#include "Clock.h"
#include "Console.h"
#include "Files.h"
#include "KorvaneUi.h"
#include "Samples.h"

namespace bench {

namespace {

typedef int(__cdecl* CallNamePipeFn)(const char*, int, char*, int);

} // namespace

// The library call and the raw CallNamedPipeW alternate; then Enable and
// Disable go through the running program, whose fake GPU driver keeps no
// files, so that the driver's bookkeeping stays out of the figure.
void MeasureFirmware(Kind kind, const Options& options)
{
    const std::string prefix = std::string("firmware.") + KindName(kind) + ".";
    drive::NotebookSetup setup;
    setup.driverFiles = false;
    Program program(kind, drive::JoinPath(options.work, drive::Widen(prefix.substr(9) + "d")), options,
                    setup);
    PrepareOrFail(&program);
    drive::Notebook* notebook = program.GetNotebook();
    SetEnvironmentVariableW(L"QEL_PIPE_NAME", notebook->PipeName().c_str());
    const std::wstring library = drive::JoinPath(notebook->Folder(), L"QELWmiAcpi.dll");
    HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    auto call = module ? reinterpret_cast<CallNamePipeFn>(
                             reinterpret_cast<void*>(GetProcAddress(module, "QEL_CallNamePipe")))
                       : nullptr;
    if (!call)
        Fail("cannot load QEL_CallNamePipe from " + drive::Narrow(library));
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
    SampleList(prefix + "library_ms", library_ms);
    SampleList(prefix + "raw_ms", raw_ms);
    FreeLibrary(module);

    // The raw calls above are in the simulator's log too: start-up is over
    // when its own commands follow them. Commands sent before would reach the
    // dialog while it is still starting.
    const size_t raw = program.FirmwareCommands();
    if (!program.Launch())
        Fail("cannot start Korvane");
    HWND window = program.WaitUntilStarted(raw);
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
    SampleList(prefix + "operation_ms", operation_ms);
    SampleValue(prefix + "commands_per_operation", static_cast<double>(commands) / operations);
    program.Stop();
}

} // namespace bench
