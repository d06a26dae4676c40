// Delivery of firmware events to windows. A background thread keeps one
// subscription connection to the service open, reconnecting with a short
// backoff while the service is away, and posts WM_QEL_EVENT for every event.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Subscription : public std::enable_shared_from_this<Subscription>
{
public:
    Subscription();

    void AddWindow(HWND hWnd);

    // Starts the thread unless it runs already; true when it runs.
    bool Start(const std::wstring& pipePath, const std::string& subscribeMessage);

    // Ends the thread, waiting a bounded time. Later calls do nothing.
    void Stop();

private:
    static DWORD WINAPI ThreadMain(void* param);
    void Run();
    bool Session();
    void Post(unsigned code);

    std::mutex m_lock; // guards m_windows and m_thread
    std::vector<HWND> m_windows;
    pipeio::UniqueHandle m_thread;
    pipeio::UniqueHandle m_stop;
    // Written before the thread starts, read only by it afterwards.
    std::wstring m_pipePath;
    std::string m_message;
};
