// The program's plain waits (firmware events, resume), replaceable by tests.
#pragma once
#include <windows.h>

using SleepFn = void (*)(DWORD milliseconds);

void WaitMilliseconds(DWORD milliseconds);
// Replaces the wait and returns the previous one (tests only).
SleepFn SetSleepForTesting(SleepFn fn);
