// Ending the process from inside start-up, replaceable by tests.
#pragma once

using ExitFn = void (*)(int status);

// Ends the process with status; returns only when a test replaced it.
void ExitProcessWith(int status);
// Replaces the exit and returns the previous one (tests only).
ExitFn SetExitForTesting(ExitFn fn);
