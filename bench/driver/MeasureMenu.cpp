#include "Measure.h"

#include "Clock.h"
#include "Console.h"
#include "Files.h"
#include "KorvaneUi.h"
#include "ProgramSample.h"
#include "Samples.h"

namespace bench {

void MeasureMenu(Kind kind, const Options& options)
{
    const std::string prefix = std::string("menu.") + KindName(kind) + ".";
    Program program(kind, drive::JoinPath(options.work, drive::Widen(prefix + "d")), options);
    PrepareOrFail(&program);
    if (!program.Launch())
        Fail("cannot start a program for the menu phase");
    HWND window = program.WaitUntilStarted();
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
    SampleProgram(prefix + "before.", &program);
    double t = Now();
    int done = 0;
    for (; done < options.cycles; ++done) {
        if (!cycle())
            break;
    }
    double elapsed = Now() - t;
    Sleep(500);
    SampleProgram(prefix + "after.", &program);
    SampleValue(prefix + "cycles", done);
    SampleValue(prefix + "cycle_ms", done ? elapsed / done : -1);
    program.Stop();
}

} // namespace bench
