#include "PipeServer.h"

#include "PipeIo.h"
#include "Wire.h"

#include <thread>

namespace {

constexpr DWORD kBufferSize = 64 * 1024;
// The longest message kept; the rest of a longer one is read and dropped.
constexpr std::size_t kMaxMessage = 64 * 1024;
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kRetryMs = 50;

using pipeio::IoStatus;
using pipeio::UniqueHandle;

void SendEvents(Simulator& sim, const std::shared_ptr<Subscriber>& subscriber, HANDLE pipe, HANDLE quit)
{
    char ignored[256];
    for (;;) {
        // A read that ends only when the client leaves, the wake event fires
        // (events queued) or the simulator quits.
        DWORD got = 0;
        IoStatus status =
            pipeio::ReadMessage(pipe, ignored, sizeof ignored, &got, subscriber->wake.Get(), INFINITE);
        if (status == IoStatus::Broken || WaitForSingleObject(quit, 0) == WAIT_OBJECT_0)
            return;
        for (const std::string& event : sim.TakeEvents(*subscriber))
            if (pipeio::WriteMessage(pipe, event.data(), static_cast<DWORD>(event.size()), quit,
                                     kWriteTimeoutMs) != IoStatus::Ok)
                return;
    }
}

} // namespace

bool PipeListener::Open(const std::wstring& path)
{
    m_path = path;
    m_listening = CreateInstance(true);
    return static_cast<bool>(m_listening);
}

UniqueHandle PipeListener::CreateInstance(bool first) const
{
    DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED;
    if (first)
        openMode |= FILE_FLAG_FIRST_PIPE_INSTANCE;
    return UniqueHandle(
        CreateNamedPipeW(m_path.c_str(), openMode,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                         PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr));
}

void PipeListener::Run(HANDLE quit, const std::function<void(UniqueHandle)>& serve)
{
    UniqueHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!connected)
        return;
    while (WaitForSingleObject(quit, 0) != WAIT_OBJECT_0) {
        if (!m_listening) {
            m_listening = CreateInstance(false);
            if (!m_listening) {
                WaitForSingleObject(quit, kRetryMs);
                continue;
            }
        }
        OVERLAPPED ov{};
        ov.hEvent = connected.Get();
        ResetEvent(connected.Get());
        bool ready = ConnectNamedPipe(m_listening.Get(), &ov) != FALSE;
        DWORD error = ready ? ERROR_SUCCESS : GetLastError();
        if (!ready && error == ERROR_IO_PENDING) {
            HANDLE waits[2] = {connected.Get(), quit};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIoEx(m_listening.Get(), &ov);
                DWORD ignored = 0;
                GetOverlappedResult(m_listening.Get(), &ov, &ignored, TRUE);
                return;
            }
            DWORD ignored = 0;
            ready = GetOverlappedResult(m_listening.Get(), &ov, &ignored, FALSE) != FALSE;
        } else if (error == ERROR_PIPE_CONNECTED)
            ready = true;
        if (!ready) {
            // The client left before it was served; this instance is spent.
            m_listening.Reset();
            continue;
        }
        // The next instance exists before this one is handed over, so a client
        // arriving meanwhile finds the pipe busy rather than missing.
        UniqueHandle next = CreateInstance(false);
        std::thread(serve, std::move(m_listening)).detach();
        m_listening = std::move(next);
    }
}

void ServeCommandClient(Simulator& sim, UniqueHandle pipe, HANDLE quit)
{
    for (;;) {
        std::string message;
        bool truncated = false;
        if (pipeio::ReadWholeMessage(pipe.Get(), &message, kMaxMessage, &truncated, quit, INFINITE) !=
            IoStatus::Ok)
            return;
        if (message.rfind(wire::kSubscribe, 0) == 0) {
            std::string answer;
            std::shared_ptr<Subscriber> subscriber = sim.Subscribe(message, &answer);
            bool sent = pipeio::WriteMessage(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()),
                                             quit, kWriteTimeoutMs) == IoStatus::Ok;
            if (subscriber) {
                if (sent)
                    SendEvents(sim, subscriber, pipe.Get(), quit);
                sim.Unsubscribe(subscriber);
            }
            return;
        }
        std::string answer;
        if (sim.Command(message, &answer) &&
            pipeio::WriteMessage(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()), quit,
                                 kWriteTimeoutMs) != IoStatus::Ok)
            return;
    }
}

void ServeControlClient(Simulator& sim, UniqueHandle pipe, HANDLE quit)
{
    for (;;) {
        std::string message;
        bool truncated = false;
        if (pipeio::ReadWholeMessage(pipe.Get(), &message, kMaxMessage, &truncated, quit, INFINITE) !=
            IoStatus::Ok)
            return;
        bool quitting = false;
        std::string answer = truncated ? std::string(1, wire::kFailed) + "oversized control command"
                                       : sim.Control(message, &quitting);
        if (pipeio::WriteMessage(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()), quit,
                                 kWriteTimeoutMs) != IoStatus::Ok)
            return;
        if (quitting) {
            // Lets the client read the answer before the pipe goes away.
            char ignored[16];
            DWORD got = 0;
            pipeio::ReadMessage(pipe.Get(), ignored, sizeof ignored, &got, quit, kWriteTimeoutMs);
            SetEvent(quit);
            return;
        }
    }
}
