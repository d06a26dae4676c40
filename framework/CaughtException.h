// What a window procedure caught: nothing may unwind through the system's
// code, but a failure must still show in a debugger.
#pragma once
#include <windows.h>

using DebugOutputFn = void(WINAPI*)(LPCWSTR text);

// Call inside a catch block only: sends "Korvane: <where>: <what>" to the
// debugger, <what> being the exception's message or "unknown exception".
void ReportCaughtException(const wchar_t* where) noexcept;
// Replaces OutputDebugStringW and returns the previous one (tests only).
DebugOutputFn SetDebugOutputForTesting(DebugOutputFn fn);
