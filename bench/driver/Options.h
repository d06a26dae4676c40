// The driver's command line:
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
#pragma once

#include <string>

namespace bench {

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

extern const char kUsage[];

// False when an option is unknown or a value out of range.
bool ParseOptions(int argc, wchar_t** argv, Options* options);

} // namespace bench
