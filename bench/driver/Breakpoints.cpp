#include "Breakpoints.h"

#include "Files.h"

#include <cstdlib>

namespace bench {

std::vector<Mark> ReadMarks(const std::wstring& path)
{
    std::string text;
    std::vector<Mark> marks;
    if (path.empty() || !drive::ReadTextFile(path, &text))
        return marks;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Mark mark;
        mark.rva = static_cast<ULONG_PTR>(std::strtoull(line.c_str(), nullptr, 16));
        mark.label = line.substr(tab + 1);
        marks.push_back(mark);
    }
    return marks;
}

bool PatchByte(HANDLE process, ULONG_PTR address, BYTE value, BYTE* previous)
{
    SIZE_T done = 0;
    if (previous && !ReadProcessMemory(process, reinterpret_cast<void*>(address), previous, 1, &done))
        return false;
    if (!WriteProcessMemory(process, reinterpret_cast<void*>(address), &value, 1, &done))
        return false;
    return FlushInstructionCache(process, reinterpret_cast<void*>(address), 1) != FALSE;
}

bool RewindTo(DWORD threadId, ULONG_PTR address)
{
    HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId);
    if (!thread)
        return false;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    bool ok = GetThreadContext(thread, &context) != FALSE;
#ifdef _WIN64
    context.Rip = address;
#else
    context.Eip = address;
#endif
    ok = ok && SetThreadContext(thread, &context);
    CloseHandle(thread);
    return ok;
}

} // namespace bench
