#include "Measure.h"

#include "Console.h"
#include "Files.h"
#include "KorvaneUi.h"
#include "LinuxProcess.h"
#include "Samples.h"
#include "WindowsCounters.h"

#include <memory>

namespace bench {

void MeasureIdle(const std::vector<Kind>& kinds, const Options& options)
{
    std::vector<std::unique_ptr<Program>> programs;
    for (Kind kind : kinds) {
        programs.emplace_back(new Program(
            kind, drive::JoinPath(options.work, drive::Widen(std::string("idle.") + KindName(kind))),
            options));
        PrepareOrFail(programs.back().get());
        if (!programs.back()->Launch())
            Fail("cannot start a program for the idle phase");
    }
    std::vector<int> pids;
    std::vector<UnixCounters> before;
    for (auto& program : programs) {
        HWND window = nullptr;
        drive::WaitUntil([&] { return (window = program->FindMainWindow()) != nullptr; }, kStartTimeoutMs);
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
        SampleValue(prefix + "context_switches",
                    pids[i] ? static_cast<double>(after.contextSwitches - before[i].contextSwitches) : -1);
        SampleValue(prefix + "cpu_ms", pids[i] ? after.cpuMs - before[i].cpuMs : -1);
        SampleValue(prefix + "threads", static_cast<double>(w.threads));
        SampleValue(prefix + "unix_threads", static_cast<double>(after.threads));
    }
    for (auto& program : programs)
        program->Stop();
}

} // namespace bench
