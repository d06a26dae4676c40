#include "Options.h"

#include <cstdlib>

namespace bench {

const char kUsage[] = "usage: bench-driver --work FOLDER [--runs N] [--idle SECONDS] [--cycles N] "
                      "[--calls N] [--program-dir FOLDER] [--marks-korvane FILE] [--marks-floor FILE] "
                      "[--baseline-dir FOLDER]\n";

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

} // namespace bench
