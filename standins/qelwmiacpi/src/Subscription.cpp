#include "Subscription.h"

#include "QELWmiAcpi.h"
#include "Wire.h"

#include <cstring>
#include <new>

namespace {

constexpr DWORD kMinBackoffMs = 100;
constexpr DWORD kMaxBackoffMs = 500;
constexpr DWORD kConnectTimeoutMs = 250;
constexpr DWORD kReplyTimeoutMs = 2000;
constexpr DWORD kStopTimeoutMs = 5000;

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

void FreeBlock(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

// Holds the lock exclusively for its life.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(SRWLOCK* lock) : m_lock(lock) { AcquireSRWLockExclusive(m_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(m_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK* m_lock;
};

} // namespace

Subscription* Subscription::Create()
{
    void* block = HeapAlloc(GetProcessHeap(), 0, sizeof(Subscription));
    if (!block)
        return nullptr;
    auto* subscription = new (block) Subscription;
    subscription->m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return subscription;
}

Subscription::~Subscription()
{
    FreeBlock(m_windows);
    FreeBlock(m_message);
}

void Subscription::AddRef()
{
    InterlockedIncrement(&m_references);
}

void Subscription::Release()
{
    if (InterlockedDecrement(&m_references) == 0) {
        this->~Subscription();
        HeapFree(GetProcessHeap(), 0, this);
    }
}

bool Subscription::AddWindow(HWND hWnd)
{
    if (!hWnd)
        return true;
    ExclusiveLock hold(&m_lock);
    for (DWORD i = 0; i < m_windowCount; ++i) {
        if (m_windows[i] == hWnd)
            return true;
    }
    if (m_windowCount == m_windowCapacity) {
        DWORD capacity = m_windowCapacity ? m_windowCapacity * 2 : 4;
        SIZE_T bytes = capacity * sizeof(HWND);
        void* grown = m_windows ? HeapReAlloc(GetProcessHeap(), 0, m_windows, bytes)
                                : HeapAlloc(GetProcessHeap(), 0, bytes);
        if (!grown)
            return false;
        m_windows = static_cast<HWND*>(grown);
        m_windowCapacity = capacity;
    }
    m_windows[m_windowCount++] = hWnd;
    return true;
}

bool Subscription::Start(const wchar_t* pipePath, const char* message, DWORD length)
{
    ExclusiveLock hold(&m_lock);
    if (m_thread)
        return true;
    if (!m_stop || WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0)
        return false;
    if (lstrlenW(pipePath) >= static_cast<int>(pipeio::kMaxPipePath))
        return false;
    char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, length ? length : 1));
    if (!copy)
        return false;
    std::memcpy(copy, message, length);
    FreeBlock(m_message);
    m_message = copy;
    m_messageLength = length;
    lstrcpyW(m_pipePath, pipePath);

    // The thread holds a reference to this object and one to the library, so
    // the code it runs stays loaded until it has left.
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&Subscription::ThreadMain), &m_module))
        return false;
    AddRef();
    m_thread.Reset(CreateThread(nullptr, 0, &Subscription::ThreadMain, this, 0, nullptr));
    if (!m_thread) {
        FreeLibrary(m_module);
        m_module = nullptr;
        InterlockedDecrement(&m_references); // the caller's reference keeps it alive
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
        ExclusiveLock hold(&m_lock);
        thread = static_cast<pipeio::UniqueHandle&&>(m_thread);
    }
    // Every wait of the thread includes the stop event, so it ends at once;
    // the bound only keeps a caller holding the loader lock from hanging.
    if (thread)
        WaitForSingleObject(thread.Get(), kStopTimeoutMs);
}

DWORD WINAPI Subscription::ThreadMain(void* param)
{
    auto* self = static_cast<Subscription*>(param);
    HMODULE module = self->m_module;
    self->Run();
    self->Release();
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
        backoff = backoff * 2 < kMaxBackoffMs ? backoff * 2 : kMaxBackoffMs;
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
    if (WriteMessage(pipe.Get(), m_message, m_messageLength, m_stop.Get(), kReplyTimeoutMs) != IoStatus::Ok)
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
    AcquireSRWLockShared(&m_lock);
    for (DWORD i = 0; i < m_windowCount; ++i)
        PostMessageW(m_windows[i], WM_QEL_EVENT, code, 0);
    ReleaseSRWLockShared(&m_lock);
}
