#include "Measure.h"

#include "Clock.h"
#include "Console.h"
#include "Files.h"
#include "KorvaneUi.h"
#include "ProgramSample.h"
#include "Samples.h"
#include "Tray.h"

namespace bench {

void MeasureStart(Kind kind, int run, const Options& options)
{
    const std::string prefix = std::string("start.") + KindName(kind) + "." + std::to_string(run) + ".";
    Program program(kind, drive::JoinPath(options.work, drive::Widen(prefix.substr(6) + "d")), options);
    PrepareOrFail(&program);
    double t0 = Now();
    if (!program.Launch())
        Fail(std::string("cannot start ") + KindName(kind));
    HWND window = nullptr;
    double icon = -1;
    while (Now() - t0 < kStartTimeoutMs) {
        if (!window)
            window = program.FindMainWindow();
        if (window && drive::TrayIconExists(window, kIconId)) {
            icon = Now() - t0;
            break;
        }
        Sleep(1);
    }
    if (icon < 0)
        Fail(std::string("no tray icon from ") + KindName(kind));
    SampleValue(prefix + "icon_ms", icon);
    if (program.IsKorvane()) {
        double firmware = -1;
        while (Now() - t0 < kStartTimeoutMs) {
            if (program.FirmwareCommands() >= kStartupCommands) {
                firmware = Now() - t0;
                break;
            }
            Sleep(2);
        }
        SampleValue(prefix + "firmware_ms", firmware);
    }
    drive::Settle(window);
    Sleep(1500);
    SampleProgram(prefix, &program);
    program.Stop();
}

} // namespace bench
