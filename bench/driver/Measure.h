// The benchmark's phases, each recording its samples under its own key
// prefix ("start.", "phases.", "firmware.", "menu.", "idle.").
#pragma once

#include "Options.h"
#include "Program.h"

#include <vector>

namespace bench {

// Start to the tray icon (and, for Korvane, to the end of its start-up
// commands), then the memory once it has settled.
void MeasureStart(Kind kind, int run, const Options& options);

// Start-up under this process as debugger, with a breakpoint on each mark of
// marksFile: the private memory and the time at each. Nothing without marks.
void MeasurePhases(Kind kind, const std::wstring& marksFile, int run, const Options& options);

// One firmware command through Korvane's library and through the running
// program, against a raw pipe call to the same simulator.
void MeasureFirmware(Kind kind, const Options& options);

// The tray menu opened and closed with Escape, options.cycles times.
void MeasureMenu(Kind kind, const Options& options);

// The programs idle side by side over the same options.idleSeconds.
void MeasureIdle(const std::vector<Kind>& kinds, const Options& options);

} // namespace bench
