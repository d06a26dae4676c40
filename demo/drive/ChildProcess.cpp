#include "ChildProcess.h"

#include "ChildIo.h"

#include <algorithm>
#include <cwctype>

namespace drive {

namespace {

constexpr DWORD kExitWaitMs = 5000;

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return text;
}

// This process's environment with the overrides applied, as a block for
// CreateProcessW (NAME=VALUE strings, each terminated, then one more NUL).
std::wstring EnvironmentBlock(const Environment& overrides)
{
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    for (const auto& item : overrides) {
        std::wstring key = Upper(item.first) + L"=";
        entries.erase(
            std::remove_if(entries.begin(), entries.end(),
                           [&](const std::wstring& e) { return Upper(e.substr(0, key.size())) == key; }),
            entries.end());
        if (!item.second.empty())
            entries.push_back(item.first + L"=" + item.second);
    }
    std::wstring result;
    for (const std::wstring& e : entries) {
        result += e;
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

} // namespace

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                         const Environment& environment, const std::wstring& outputFile)
{
    Kill();
    pipeio::UniqueHandle output = pipeio::OpenChildOutput(outputFile);
    if (!output)
        return false;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::wstring block = EnvironmentBlock(environment);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = output.Get();
    si.hStdOutput = output.Get();
    si.hStdError = output.Get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | m_extraFlags,
                        &block[0], folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return false;
    m_process.Reset(pi.hProcess);
    pipeio::UniqueHandle thread(pi.hThread);
    m_pid = pi.dwProcessId;
    m_job = pipeio::KillOnCloseJob(m_jobLimits);
    if (m_job && !AssignProcessToJobObject(m_job.Get(), m_process.Get()))
        m_job.Reset();
    if (!(m_extraFlags & CREATE_SUSPENDED))
        ResumeThread(thread.Get());
    return true;
}

bool ChildProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const
{
    if (!m_process || WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

void ChildProcess::Kill()
{
    if (m_process) {
        if (IsRunning()) {
            TerminateProcess(m_process.Get(), 1);
            WaitForSingleObject(m_process.Get(), kExitWaitMs);
        }
        m_process.Reset();
    }
    m_job.Reset();
    m_pid = 0;
}

} // namespace drive
