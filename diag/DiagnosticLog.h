// The diagnostic log: %LOCALAPPDATA%\Korvane\Korvane.log, one UTF-8 record a
// line, each starting with the local time. A record that would take the file
// past kMaxLogBytes first moves it to Korvane.1.log (replacing that one), so
// at most twice the bound is ever kept. Processes of the session that find
// the log full take turns (a named mutex) to measure it again, move it and
// append, so that two of them that find it full at once move it aside only
// once.
//
// Each record is one open, one append and one close: nothing is held while
// the program is idle. A log that cannot be written is skipped: the caller
// never learns of it, and the thread's last error is left as it was. Nothing
// here allocates. Written from the user-interface thread only.
#pragma once

#include <windows.h>

#include <cstddef>

namespace diag {

constexpr DWORD kMaxLogBytes = 256 * 1024;
// A longer record is cut to this many bytes.
constexpr size_t kMaxRecordBytes = 512;

// Appends one record, formatted as printf does.
void Log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// The start record: version, Windows version, the command line's arguments
// (the program's path is left out, as it may name the user).
void LogStart(const char* version);

// The log file's path into out (empty when there is none): the folder set for
// testing, else %LOCALAPPDATA%\Korvane. rotated names Korvane.1.log instead.
void LogFilePath(wchar_t (&out)[MAX_PATH], bool rotated = false);

// Puts the log into folder instead (null or empty: back to
// %LOCALAPPDATA%\Korvane); tests only.
void SetLogFolderForTesting(const wchar_t* folder);

// The calls behind the rotation, replaceable by tests: the move aside and
// the wait for the processes' turn.
struct LogFileApi
{
    BOOL(WINAPI* moveFile)(LPCWSTR from, LPCWSTR to, DWORD flags);
    DWORD(WINAPI* waitForTurn)(HANDLE mutex, DWORD milliseconds);
};
// Replaces the calls and returns the previous ones (tests only).
LogFileApi SetLogFileApiForTesting(const LogFileApi& api);

} // namespace diag
