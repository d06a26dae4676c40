// A program started by the tests or the demo, owned for its whole life: it
// runs in a job that ends it when this object, or this process, goes away.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace drive {

// Environment variables given to the child on top of this process's own; an
// empty value removes the variable.
using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts exe with the given arguments in folder. Output goes to outputFile
    // when it is not empty, else nowhere. Ends a running child first.
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
               const Environment& environment, const std::wstring& outputFile = std::wstring());

    // Creation flags added to the next Start (DEBUG_ONLY_THIS_PROCESS for the
    // benchmark's start-up phases; CREATE_SUSPENDED loads the program and
    // leaves it at its first instruction).
    void SetExtraCreationFlags(DWORD flags) { m_extraFlags = flags; }
    // Limits of the child's job besides ending it with this object
    // (JOB_OBJECT_LIMIT_BREAKAWAY_OK lets it start processes outside).
    void SetJobLimits(DWORD limits) { m_jobLimits = limits; }

    bool IsRunning() const;
    // True when the child ended within timeoutMs; *exitCode gets its status.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    // Ends the child at once and waits (bounded) for its end.
    void Kill();

    DWORD ProcessId() const { return m_pid; }
    HANDLE Handle() const { return m_process.Get(); }

private:
    pipeio::UniqueHandle m_job;
    pipeio::UniqueHandle m_process;
    DWORD m_pid = 0;
    DWORD m_extraFlags = 0;
    DWORD m_jobLimits = 0;
};

} // namespace drive
