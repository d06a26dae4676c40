// A window of another program that looks like Korvane's main dialog from
// outside: a top-level dialog (class "#32770") captioned "NVIDIA Korvane". It
// runs on a thread of its own, answers every message as a plain dialog does
// (0 to a message it does not know) and counts the WM_COMMANDs it receives.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <atomic>

namespace installer {

class LookAlike
{
public:
    LookAlike();
    ~LookAlike();
    LookAlike(const LookAlike&) = delete;
    LookAlike& operator=(const LookAlike&) = delete;

    // Null when the window could not be made.
    HWND Window() const { return m_window; }
    long CommandsReceived() const { return m_commands; }

private:
    static DWORD WINAPI Run(void* self);
    static LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    WNDPROC m_dialogProc = nullptr;
    std::atomic<long> m_commands{0};
    pipeio::UniqueHandle m_ready;
    pipeio::UniqueHandle m_thread;
    DWORD m_threadId = 0;
};

} // namespace installer
