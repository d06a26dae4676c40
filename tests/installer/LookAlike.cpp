#include "LookAlike.h"

namespace installer {

namespace {
constexpr DWORD kReadyTimeoutMs = 10000;
}

LookAlike::LookAlike() : m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, &m_threadId));
    if (m_thread && m_ready)
        WaitForSingleObject(m_ready.Get(), kReadyTimeoutMs);
}

LookAlike::~LookAlike()
{
    if (!m_thread)
        return;
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(m_thread.Get(), INFINITE);
}

DWORD WINAPI LookAlike::Run(void* self)
{
    auto* lookAlike = static_cast<LookAlike*>(self);
    MSG message;
    // The thread's queue exists before anyone can post WM_QUIT to it.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    HWND window = CreateWindowExW(0, L"#32770", L"NVIDIA Korvane", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(lookAlike));
        lookAlike->m_dialogProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Record)));
        lookAlike->m_window = window;
    }
    SetEvent(lookAlike->m_ready.Get());
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    if (window)
        DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK LookAlike::Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* lookAlike = reinterpret_cast<LookAlike*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_COMMAND)
        ++lookAlike->m_commands;
    return CallWindowProcW(lookAlike->m_dialogProc, window, message, wParam, lParam);
}

} // namespace installer
