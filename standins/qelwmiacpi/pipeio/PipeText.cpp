// The pipe helpers on standard strings, for the simulator and its client.
#include "PipeIo.h"

#include <algorithm>
#include <vector>

namespace pipeio {

std::wstring PipePath(const std::wstring& name)
{
    if (name.rfind(L"\\\\", 0) == 0)
        return name;
    return L"\\\\.\\pipe\\" + name;
}

std::wstring PipeNameFromEnvironment()
{
    wchar_t value[kMaxPipeName + 1];
    DWORD n = GetEnvironmentVariableW(L"QEL_PIPE_NAME", value, ARRAYSIZE(value));
    if (n == 0 || n >= ARRAYSIZE(value))
        return kDefaultPipeName;
    return std::wstring(value, n);
}

IoStatus ReadWholeMessage(HANDLE pipe, std::string* message, std::size_t limit, bool* truncated, HANDLE stop,
                          DWORD timeoutMs)
{
    message->clear();
    *truncated = false;
    Deadline deadline(timeoutMs);
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        DWORD wait = timeoutMs == INFINITE ? INFINITE : deadline.Remaining();
        IoStatus status = ReadMessage(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, stop, wait);
        if (status != IoStatus::Ok && status != IoStatus::MoreData)
            return status;
        std::size_t keep = std::min<std::size_t>(got, limit - std::min(limit, message->size()));
        message->append(chunk.data(), keep);
        if (keep < got)
            *truncated = true;
        if (status == IoStatus::Ok)
            return IoStatus::Ok;
    }
}

} // namespace pipeio
