// Message-mode named pipe I/O with bounded waits, shared by the stand-in
// library, the firmware simulator and its control client.
//
// PipeIo.cpp is plain Win32 (the stand-in library compiles it without the
// C++ runtime); the helpers on std::string and std::wstring live in
// PipeText.cpp.
//
// Every handle given to these functions is opened for overlapped I/O. Each
// operation waits until it completes, until `stop` is signalled (may be null)
// or until its time runs out; an unfinished operation is cancelled and its
// completion awaited before the function returns, so buffers are never
// written after it.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace pipeio {

// Name of the maker's service pipe when QEL_PIPE_NAME is not set.
inline constexpr wchar_t kDefaultPipeName[] = L"QELWmiAcpi";
// The simulator's control pipe is the command pipe's path plus this suffix.
inline constexpr wchar_t kControlSuffix[] = L".control";

// "\\.\pipe\" followed by name, or name itself when it already is a pipe path.
std::wstring PipePath(const std::wstring& name);
// QEL_PIPE_NAME from the environment, else kDefaultPipeName.
std::wstring PipeNameFromEnvironment();

// The longest pipe name QEL_PIPE_NAME may give; a longer one is ignored.
inline constexpr DWORD kMaxPipeName = 255;
// Room for PipePathFromEnvironment's result, terminator included.
inline constexpr DWORD kMaxPipePath = kMaxPipeName + 10;
// PipePath(PipeNameFromEnvironment()) into path, which has kMaxPipePath
// characters.
void PipePathFromEnvironment(wchar_t* path);

class Deadline
{
public:
    explicit Deadline(DWORD ms) : m_end(GetTickCount64() + ms) {}
    DWORD Remaining() const
    {
        ULONGLONG now = GetTickCount64();
        return now >= m_end ? 0 : static_cast<DWORD>(m_end - now);
    }

private:
    ULONGLONG m_end;
};

enum class IoStatus {
    Ok,
    MoreData, // the message is longer than the buffer; the rest is still queued
    Broken,   // the other end went away, or the handle failed
    TimedOut,
    Stopped,
};

IoStatus ReadMessage(HANDLE pipe, void* buffer, DWORD size, DWORD* received, HANDLE stop, DWORD timeoutMs);
IoStatus WriteMessage(HANDLE pipe, const void* data, DWORD size, HANDLE stop, DWORD timeoutMs);

// Reads one message of any length. At most `limit` bytes are kept in
// `message`; the rest is read and dropped and *truncated is set.
IoStatus ReadWholeMessage(HANDLE pipe, std::string* message, std::size_t limit, bool* truncated, HANDLE stop,
                          DWORD timeoutMs);

// Opens the client end of a pipe for overlapped I/O in message read mode.
// A busy pipe is waited for until timeoutMs; a missing one fails at once.
UniqueHandle ConnectClient(const wchar_t* path, DWORD timeoutMs);
inline UniqueHandle ConnectClient(const std::wstring& path, DWORD timeoutMs)
{
    return ConnectClient(path.c_str(), timeoutMs);
}

} // namespace pipeio
