// Korvane.exe /enable | /disable | /exit | /status | /ac-only on|off |
// /notices on|off: steers the Korvane that runs in this session and ends. Such a process never starts the
// program itself: it takes no mutex, adds no icon and calls no firmware or driver.
#pragma once
#include <windows.h>

#include <string>

enum class CommandRequest {
    None,
    Enable,
    Disable,
    Exit,
    Status,
    AcOnlyOn,
    AcOnlyOff,
    NoticesOn,
    NoticesOff,
    BadUsage,
};

// Exit statuses of a process started with an argument.
constexpr int kCommandExitDone = 0;
constexpr int kCommandExitNotRunning = 1;
constexpr int kCommandExitUsage = 2;
constexpr int kCommandExitNoAnswer = 3;
// /exit refused: Korvane's session is not active, so it could not restore the
// default clocks; it keeps running.
constexpr int kCommandExitSessionInactive = 4;

// The request of a command line (argv[0] is the program): None without
// arguments, BadUsage unless exactly one known option follows, the two
// options with their "on" or "off" (case does not matter; "/" or "--"
// before the option).
CommandRequest ParseCommandRequest(int argc, const wchar_t* const* argv);

// The running Korvane as the command line reaches it; tests put a fake in
// its place.
class RemoteKorvane
{
public:
    enum class Found { Yes, NotRunning, NoAnswer };

    virtual ~RemoteKorvane() = default;
    // Finds the main dialog and asks its status (see RemoteControl.h).
    virtual Found Find(LRESULT* status) = 0;
    // Sends one request to the dialog found; false when it did not answer in time.
    virtual bool Send(WPARAM request, LRESULT* answer) = 0;
    // Waits, bounded, for the process found to end.
    virtual bool WaitForEnd() = 0;
};

// Carries out request and returns the exit status; *output gets what is to
// be printed.
int RunCommandRequest(CommandRequest request, RemoteKorvane& korvane, std::string* output);

// With arguments in commandLine: carries them out against the Korvane running
// in this session, prints the result to the caller's console or standard
// output, sets *exitStatus and returns true. Without arguments: false.
bool RunCommandLine(const wchar_t* commandLine, int* exitStatus);
