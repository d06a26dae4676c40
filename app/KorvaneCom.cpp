// Korvane.com, the command line for a prompt: a console program, so cmd.exe
// and PowerShell wait for it, show its text before their next prompt and take
// its exit status. A prompt prefers it to Korvane.exe when the user types
// "korvane /status". It steers the running Korvane exactly as Korvane.exe
// does with the same option, and never starts Korvane itself.
#include "CommandLine.h"

int wmain()
{
    int status = kCommandExitUsage;
    // Without an option it answers as to an empty one: the usage, status 2.
    if (!RunCommandLine(::GetCommandLineW(), &status))
        RunCommandLine(L"Korvane.com \"\"", &status);
    return status;
}
