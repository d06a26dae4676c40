// Delivery of firmware events to windows. A background thread keeps one
// subscription connection to the service open, reconnecting with a short
// backoff while the service is away, and posts WM_QEL_EVENT for every event.
//
// Plain Win32 (the library carries no C++ runtime): the object lives on the
// process heap and counts its references; the slot table holds one, the
// thread another, and each FindSlot caller one while it uses it.
#pragma once

#include "PipeIo.h"
#include "UniqueHandle.h"

#include <windows.h>

class Subscription
{
public:
    // A new subscription with one reference; null when it cannot be made.
    static Subscription* Create();

    void AddRef();
    void Release();

    // Adds a window to those that receive events; null and repeated windows
    // are ignored. False when there is no memory for it.
    bool AddWindow(HWND hWnd);

    // Starts the thread unless it runs already; true when it runs. The
    // message (length bytes) is sent on every connection.
    bool Start(const wchar_t* pipePath, const char* message, DWORD length);

    // Ends the thread, waiting a bounded time. Later calls do nothing.
    void Stop();

private:
    Subscription() = default;
    ~Subscription();
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    static DWORD WINAPI ThreadMain(void* param);
    void Run();
    bool Session();
    void Post(unsigned code);

    LONG m_references = 1;
    SRWLOCK m_lock = SRWLOCK_INIT; // guards m_windows, m_windowCount and m_thread
    HWND* m_windows = nullptr;
    DWORD m_windowCount = 0;
    DWORD m_windowCapacity = 0;
    pipeio::UniqueHandle m_thread;
    pipeio::UniqueHandle m_stop;
    HMODULE m_module = nullptr; // the thread's reference to this library
    // Written before the thread starts, read only by it afterwards.
    wchar_t m_pipePath[pipeio::kMaxPipePath] = {};
    char* m_message = nullptr;
    DWORD m_messageLength = 0;
};

// A reference to a subscription, released with this object.
class SubscriptionRef
{
public:
    explicit SubscriptionRef(Subscription* subscription) : m_subscription(subscription) {}
    ~SubscriptionRef()
    {
        if (m_subscription)
            m_subscription->Release();
    }
    SubscriptionRef(const SubscriptionRef&) = delete;
    SubscriptionRef& operator=(const SubscriptionRef&) = delete;

    Subscription* operator->() const { return m_subscription; }
    explicit operator bool() const { return m_subscription != nullptr; }

private:
    Subscription* m_subscription;
};
