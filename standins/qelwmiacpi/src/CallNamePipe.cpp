// One command to the maker's service: connect, send, read the answer, close.
#include "QELWmiAcpi.h"

#include "PipeIo.h"
#include "Wire.h"

#include <cstring>

namespace {

// The whole call, connection included, ends within this time. Tests shorten
// it through QEL_PIPE_TIMEOUT_MS.
constexpr DWORD kDefaultTimeoutMs = 2000;
constexpr DWORD kMaxTimeoutMs = 10000;

DWORD CallTimeoutMs()
{
    wchar_t text[16];
    DWORD n = GetEnvironmentVariableW(L"QEL_PIPE_TIMEOUT_MS", text, ARRAYSIZE(text));
    if (n == 0 || n >= ARRAYSIZE(text))
        return kDefaultTimeoutMs;
    DWORD ms = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] < L'0' || text[i] > L'9' || ms > kMaxTimeoutMs)
            return kDefaultTimeoutMs;
        ms = ms * 10 + static_cast<DWORD>(text[i] - L'0');
    }
    return ms == 0 || ms > kMaxTimeoutMs ? kDefaultTimeoutMs : ms;
}

// A block of the process heap, owned.
class HeapBuffer
{
public:
    explicit HeapBuffer(SIZE_T size) : m_data(static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size))) {}
    ~HeapBuffer()
    {
        if (m_data)
            HeapFree(GetProcessHeap(), 0, m_data);
    }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;

    char* Get() const { return m_data; }

private:
    char* m_data;
};

int Call(const char* request, DWORD requestLength, char* reply, int replySize)
{
    using namespace pipeio;
    Deadline deadline(CallTimeoutMs());
    wchar_t path[kMaxPipePath];
    PipePathFromEnvironment(path);
    UniqueHandle pipe = ConnectClient(path, deadline.Remaining());
    if (!pipe)
        return 0;
    if (WriteMessage(pipe.Get(), request, requestLength, nullptr, deadline.Remaining()) != IoStatus::Ok)
        return 0;

    // The answer is the status byte and up to replySize - 1 characters; a
    // longer one does not fit with its terminator.
    HeapBuffer message(static_cast<SIZE_T>(replySize));
    if (!message.Get())
        return 0;
    DWORD got = 0;
    if (ReadMessage(pipe.Get(), message.Get(), static_cast<DWORD>(replySize), &got, nullptr,
                    deadline.Remaining()) != IoStatus::Ok)
        return 0;
    if (got == 0 || message.Get()[0] != wire::kOk)
        return 0;
    std::memcpy(reply, message.Get() + 1, got - 1);
    reply[got - 1] = '\0';
    return 1;
}

} // namespace

extern "C" int __cdecl QEL_CallNamePipe(const char* request, int requestSize, char* reply, int replySize)
{
    if (!request || !reply || requestSize <= 0 || replySize <= 0)
        return 0;
    const void* end = std::memchr(request, '\0', static_cast<size_t>(requestSize));
    if (!end)
        return 0;
    DWORD length = static_cast<DWORD>(static_cast<const char*>(end) - request) + 1;
    return Call(request, length, reply, replySize);
}
