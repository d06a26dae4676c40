// Measures Korvane against the floor programs from outside, as the shell and
// a user see it, and writes the raw samples as JSON for scripts/bench. The
// command line is in Options.h.
#include "Console.h"
#include "Files.h"
#include "Measure.h"
#include "Options.h"
#include "Samples.h"

#include <cstdio>
#include <initializer_list>
#include <vector>

using namespace bench;

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!drive::MakeEmptyFolder(options.work))
        Fail("cannot empty " + drive::Narrow(options.work));
    SampleValue("options.runs", options.runs);
    SampleValue("options.idle_s", options.idleSeconds);
    SampleValue("options.cycles", options.cycles);
    SampleValue("options.calls", options.calls);
#ifdef _WIN64
    SampleText("options.measured_as", "64-bit");
#else
    SampleText("options.measured_as", "32-bit");
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
    if (!WriteSamples(drive::JoinPath(options.work, L"samples.json")))
        Fail("cannot write samples.json");
    return 0;
}
