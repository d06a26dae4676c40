// Helpers for tests that run QELWmiAcpi.dll against the firmware simulator in
// another process.
#pragma once

#include "PipeIo.h"
#include "SimProcess.h"

#include <QELWmiAcpi.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Sets an environment variable for the scope, restoring the earlier value.
class EnvScope
{
public:
    EnvScope(const wchar_t* name, const std::wstring& value) : EnvScope(name, value.c_str()) {}
    // A null value removes the variable.
    EnvScope(const wchar_t* name, const wchar_t* value) : m_name(name)
    {
        wchar_t old[512];
        DWORD n = GetEnvironmentVariableW(name, old, ARRAYSIZE(old));
        m_had = n > 0 && n < ARRAYSIZE(old);
        if (m_had)
            m_old.assign(old, n);
        SetEnvironmentVariableW(name, value);
    }
    ~EnvScope() { SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    const wchar_t* m_name;
    bool m_had = false;
    std::wstring m_old;
};

struct CallResult
{
    int result;
    std::string reply; // up to the terminator, or the whole buffer
};

// One command through QEL_CallNamePipe with an 80-byte zero-filled request and
// a reply buffer of replySize bytes filled with 'X' beforehand.
inline CallResult CallPipe(const std::string& command, int replySize = 800)
{
    char request[80] = {};
    command.copy(request, sizeof request - 1);
    std::vector<char> reply(static_cast<size_t>(replySize), 'X');
    int result = QEL_CallNamePipe(request, sizeof request, reply.data(), replySize);
    size_t end = 0;
    while (end < reply.size() && reply[end] != '\0')
        ++end;
    return {result, std::string(reply.data(), end)};
}

inline ULONGLONG Now()
{
    return GetTickCount64();
}

// Pumps this thread's messages until done() holds or timeoutMs passes.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    pipeio::Deadline deadline(timeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        DWORD left = deadline.Remaining();
        if (left == 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
    }
}

// A message-only window that records the WM_QEL_EVENT messages it receives.
class EventWindow
{
public:
    struct Event
    {
        WPARAM wParam;
        LPARAM lParam;
    };

    EventWindow()
    {
        static const wchar_t kClass[] = L"KorvaneEventProbe";
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassW(&wc); // fails harmlessly when already registered
        m_hWnd = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (m_hWnd)
            SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~EventWindow()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    const std::vector<Event>& Events() const { return m_events; }
    std::vector<WPARAM> Codes() const
    {
        std::vector<WPARAM> codes;
        for (const Event& e : m_events)
            codes.push_back(e.wParam);
        return codes;
    }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_QEL_EVENT) {
            auto* self = reinterpret_cast<EventWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
            if (self)
                self->m_events.push_back({wParam, lParam});
            return 0;
        }
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    std::vector<Event> m_events;
};

// Subscribes a library object the way the program does.
inline bool SubscribeToQelEvents(CQELWmiAcpi& acpi)
{
    char buffer[260] = {};
    return acpi.QELWMIEvent(L"Select * from QEL_Event", buffer, L"root\\wmi", L"WQL");
}
