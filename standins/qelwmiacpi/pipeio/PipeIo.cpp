#include "PipeIo.h"

#include <algorithm>

namespace pipeio {

void PipePathFromEnvironment(wchar_t* path)
{
    static constexpr wchar_t kPrefix[] = L"\\\\.\\pipe\\";
    wchar_t name[kMaxPipeName + 1];
    DWORD n = GetEnvironmentVariableW(L"QEL_PIPE_NAME", name, ARRAYSIZE(name));
    if (n == 0 || n >= ARRAYSIZE(name))
        lstrcpyW(name, kDefaultPipeName);
    if (name[0] == L'\\' && name[1] == L'\\') {
        lstrcpyW(path, name);
        return;
    }
    lstrcpyW(path, kPrefix);
    lstrcatW(path, name);
}

namespace {

IoStatus StatusOf(DWORD error)
{
    return error == ERROR_MORE_DATA ? IoStatus::MoreData : IoStatus::Broken;
}

// Waits for an overlapped operation that ReadFile or WriteFile left pending.
IoStatus Finish(HANDLE pipe, OVERLAPPED* ov, DWORD* transferred, HANDLE stop, DWORD timeoutMs)
{
    HANDLE waits[2] = {ov->hEvent, stop};
    DWORD count = stop ? 2 : 1;
    DWORD w = WaitForMultipleObjects(count, waits, FALSE, timeoutMs);
    if (w != WAIT_OBJECT_0) {
        CancelIoEx(pipe, ov);
        DWORD ignored = 0;
        // Cancelled or not, the operation has ended once this returns.
        if (GetOverlappedResult(pipe, ov, &ignored, TRUE)) {
            *transferred = ignored;
            return IoStatus::Ok;
        }
        if (GetLastError() == ERROR_MORE_DATA) {
            *transferred = ignored;
            return IoStatus::MoreData;
        }
        if (w == WAIT_OBJECT_0 + 1)
            return IoStatus::Stopped;
        return w == WAIT_TIMEOUT ? IoStatus::TimedOut : IoStatus::Broken;
    }
    if (GetOverlappedResult(pipe, ov, transferred, FALSE))
        return IoStatus::Ok;
    return StatusOf(GetLastError());
}

template <typename Start>
IoStatus Run(HANDLE pipe, DWORD* transferred, HANDLE stop, DWORD timeoutMs, Start start)
{
    *transferred = 0;
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return IoStatus::Broken;
    OVERLAPPED ov{};
    ov.hEvent = event.Get();
    if (start(&ov)) {
        GetOverlappedResult(pipe, &ov, transferred, FALSE);
        return IoStatus::Ok;
    }
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        if (error == ERROR_MORE_DATA)
            GetOverlappedResult(pipe, &ov, transferred, FALSE);
        return StatusOf(error);
    }
    return Finish(pipe, &ov, transferred, stop, timeoutMs);
}

} // namespace

IoStatus ReadMessage(HANDLE pipe, void* buffer, DWORD size, DWORD* received, HANDLE stop, DWORD timeoutMs)
{
    return Run(pipe, received, stop, timeoutMs,
               [&](OVERLAPPED* ov) { return ReadFile(pipe, buffer, size, nullptr, ov) != FALSE; });
}

IoStatus WriteMessage(HANDLE pipe, const void* data, DWORD size, HANDLE stop, DWORD timeoutMs)
{
    DWORD written = 0;
    IoStatus status = Run(pipe, &written, stop, timeoutMs,
                          [&](OVERLAPPED* ov) { return WriteFile(pipe, data, size, nullptr, ov) != FALSE; });
    if (status == IoStatus::Ok && written != size)
        return IoStatus::Broken;
    return status;
}

UniqueHandle ConnectClient(const wchar_t* path, DWORD timeoutMs)
{
    Deadline deadline(timeoutMs);
    for (;;) {
        UniqueHandle pipe(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr));
        if (pipe) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (!SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr))
                return UniqueHandle();
            return pipe;
        }
        if (GetLastError() != ERROR_PIPE_BUSY)
            return UniqueHandle();
        DWORD left = deadline.Remaining();
        if (left == 0)
            return UniqueHandle();
        // Waits in short steps: a server that vanishes meanwhile is noticed
        // by the next CreateFileW.
        WaitNamedPipeW(path, std::min<DWORD>(left, 50));
    }
}

} // namespace pipeio
