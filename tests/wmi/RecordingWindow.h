// A hidden window that records the brightness messages it receives.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

struct ReceivedMessage
{
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;
};

class RecordingWindow
{
public:
    // With ownThread the window lives on a thread of its own that pumps its
    // messages; otherwise on the calling thread.
    explicit RecordingWindow(bool ownThread);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    DWORD ThreadId() const { return m_threadId; }
    std::vector<ReceivedMessage> Received() const;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI ThreadMain(void* param);
    void Create();

    HWND m_hwnd = nullptr;
    DWORD m_threadId = 0;
    bool m_ownThread = false;
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    mutable std::mutex m_lock;
    std::vector<ReceivedMessage> m_received;
};
