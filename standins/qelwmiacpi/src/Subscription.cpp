#include "Subscription.h"

#include "PipeIo.h"
#include "QELWmiAcpi.h"
#include "Wire.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kMinBackoffMs = 100;
constexpr DWORD kMaxBackoffMs = 500;
constexpr DWORD kConnectTimeoutMs = 250;
constexpr DWORD kReplyTimeoutMs = 2000;
constexpr DWORD kStopTimeoutMs = 5000;

// What the thread owns: its share of the subscription and a reference to
// this library, so the code it runs stays loaded until it has left.
struct ThreadStart
{
    std::shared_ptr<Subscription> subscription;
    HMODULE module;
};

// "EVENT <code>" with a code from 0 to 255.
bool ParseEvent(const char* text, DWORD length, unsigned* code)
{
    const DWORD prefix = sizeof wire::kEvent - 1;
    if (length <= prefix || length > prefix + 3 || std::memcmp(text, wire::kEvent, prefix) != 0)
        return false;
    unsigned value = 0;
    for (DWORD i = prefix; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (value > 0xFF)
        return false;
    *code = value;
    return true;
}

} // namespace

Subscription::Subscription() : m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void Subscription::AddWindow(HWND hWnd)
{
    if (!hWnd)
        return;
    std::lock_guard<std::mutex> hold(m_lock);
    if (std::find(m_windows.begin(), m_windows.end(), hWnd) == m_windows.end())
        m_windows.push_back(hWnd);
}

bool Subscription::Start(const std::wstring& pipePath, const std::string& subscribeMessage)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_thread)
        return true;
    if (!m_stop || WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0)
        return false;
    m_pipePath = pipePath;
    m_message = subscribeMessage;

    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&Subscription::ThreadMain), &module))
        return false;
    auto* start = new ThreadStart{shared_from_this(), module};
    m_thread.Reset(CreateThread(nullptr, 0, &Subscription::ThreadMain, start, 0, nullptr));
    if (!m_thread) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    return true;
}

void Subscription::Stop()
{
    if (m_stop)
        SetEvent(m_stop.Get());
    pipeio::UniqueHandle thread;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        thread = std::move(m_thread);
    }
    // Every wait of the thread includes the stop event, so it ends at once;
    // the bound only keeps a caller holding the loader lock from hanging.
    if (thread)
        WaitForSingleObject(thread.Get(), kStopTimeoutMs);
}

DWORD WINAPI Subscription::ThreadMain(void* param)
{
    auto* start = static_cast<ThreadStart*>(param);
    HMODULE module = start->module;
    {
        std::shared_ptr<Subscription> self = std::move(start->subscription);
        delete start;
        self->Run();
    }
    FreeLibraryAndExitThread(module, 0);
}

void Subscription::Run()
{
    DWORD backoff = kMinBackoffMs;
    for (;;) {
        if (Session())
            backoff = kMinBackoffMs;
        if (WaitForSingleObject(m_stop.Get(), backoff) != WAIT_TIMEOUT)
            return;
        backoff = std::min(backoff * 2, kMaxBackoffMs);
    }
}

// One connection: subscribe, then post events until it ends. True when the
// service accepted the subscription.
bool Subscription::Session()
{
    using namespace pipeio;
    if (WaitForSingleObject(m_stop.Get(), 0) != WAIT_TIMEOUT)
        return false;
    UniqueHandle pipe = ConnectClient(m_pipePath, kConnectTimeoutMs);
    if (!pipe)
        return false;
    if (WriteMessage(pipe.Get(), m_message.data(), static_cast<DWORD>(m_message.size()), m_stop.Get(),
                     kReplyTimeoutMs) != IoStatus::Ok)
        return false;
    char buffer[64];
    DWORD got = 0;
    if (ReadMessage(pipe.Get(), buffer, sizeof buffer, &got, m_stop.Get(), kReplyTimeoutMs) != IoStatus::Ok ||
        got != sizeof wire::kSubscribed - 1 || std::memcmp(buffer, wire::kSubscribed, got) != 0)
        return false;
    for (;;) {
        IoStatus status = ReadMessage(pipe.Get(), buffer, sizeof buffer, &got, m_stop.Get(), INFINITE);
        if (status != IoStatus::Ok)
            return true;
        unsigned code = 0;
        if (ParseEvent(buffer, got, &code))
            Post(code);
    }
}

void Subscription::Post(unsigned code)
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (HWND hWnd : m_windows)
        PostMessageW(hWnd, WM_QEL_EVENT, code, 0);
}
