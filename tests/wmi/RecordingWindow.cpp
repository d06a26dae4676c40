#include "RecordingWindow.h"

#include "BrightnessEvents.h"

namespace {
const wchar_t kClassName[] = L"KorvaneBrightnessRecorder";
constexpr DWORD kThreadWaitMs = 10000;

void RegisterClassOnce()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
}
} // namespace

RecordingWindow::RecordingWindow(bool ownThread)
{
    RegisterClassOnce();
    if (!ownThread) {
        Create();
        return;
    }
    m_ownThread = true;
    m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (m_thread)
        WaitForSingleObject(m_ready, kThreadWaitMs);
}

RecordingWindow::~RecordingWindow()
{
    if (m_thread) {
        if (m_hwnd)
            PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, kThreadWaitMs);
        CloseHandle(m_thread);
    } else if (m_hwnd) {
        DestroyWindow(m_hwnd);
    }
    if (m_ready)
        CloseHandle(m_ready);
}

std::vector<ReceivedMessage> RecordingWindow::Received() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_received;
}

void RecordingWindow::Create()
{
    m_hwnd = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    m_threadId = GetCurrentThreadId();
    if (m_hwnd) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    }
}

DWORD WINAPI RecordingWindow::ThreadMain(void* param)
{
    auto* self = static_cast<RecordingWindow*>(param);
    self->Create();
    SetEvent(self->m_ready);
    if (!self->m_hwnd)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT CALLBACK RecordingWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_BRIGHTNESS_EVENT:
        if (self) {
            std::lock_guard<std::mutex> hold(self->m_lock);
            self->m_received.push_back({wParam, lParam, GetCurrentThreadId()});
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (self && self->m_ownThread)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
