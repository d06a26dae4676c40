#include "SimProcess.h"

#include "ChildIo.h"
#include "PipeIo.h"

#include <atomic>

namespace simctl {

namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kExitWaitMs = 5000;

std::wstring SimulatorPath()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return L"qel-firmware-sim.exe";
    std::wstring dir(path, n);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    return dir + L"qel-firmware-sim.exe";
}

} // namespace

SimProcess::SimProcess() : m_name(UniquePipeName()) {}

SimProcess::SimProcess(std::wstring pipeName) : m_name(std::move(pipeName)) {}

SimProcess::~SimProcess()
{
    Kill();
}

std::wstring SimProcess::UniquePipeName()
{
    static std::atomic<unsigned> counter{0};
    return L"korvane-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
           L"-" + std::to_wstring(GetTickCount());
}

std::wstring SimProcess::PipePath() const
{
    return pipeio::PipePath(m_name);
}

bool SimProcess::Start(const SimStart& start, DWORD timeoutMs)
{
    Kill();
    pipeio::UniqueHandle output = pipeio::OpenChildOutput(start.outputFile);
    if (!output)
        return false;
    std::wstring exe = SimulatorPath();
    std::wstring commandLine = L"\"" + exe + L"\" --pipe \"" + m_name + L"\" --system0 " +
                               std::to_wstring(start.system0) + L" --system1 " +
                               std::to_wstring(start.system1) + L" --ap " + std::to_wstring(start.ap);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = output.Get();
    si.hStdOutput = output.Get();
    si.hStdError = output.Get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    m_process.Reset(pi.hProcess);
    pipeio::UniqueHandle thread(pi.hThread);
    m_job = pipeio::KillOnCloseJob();
    if (m_job && !AssignProcessToJobObject(m_job.Get(), m_process.Get()))
        m_job.Reset();
    ResumeThread(thread.Get());

    // Ready when this very child answers: a simulator already serving the
    // name would answer too, while the child gives up on the name.
    pipeio::Deadline deadline(timeoutMs);
    for (;;) {
        SimState state;
        if (State(&state) && state.pid == pi.dwProcessId)
            return true;
        if (!IsRunning() || deadline.Remaining() == 0)
            break;
        Sleep(kPollMs);
    }
    Kill();
    return false;
}

void SimProcess::Kill()
{
    if (m_process) {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), kExitWaitMs);
        m_process.Reset();
    }
    m_job.Reset();
}

bool SimProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

bool SimProcess::Control(const std::string& command, std::string* payload) const
{
    return simctl::Control(m_name, command, payload);
}

bool SimProcess::State(SimState* state) const
{
    return ReadState(m_name, state);
}

bool SimProcess::Log(std::vector<std::string>* entries) const
{
    return ReadLog(m_name, entries);
}

bool SimProcess::WaitForSubscribers(int count, DWORD timeoutMs) const
{
    pipeio::Deadline deadline(timeoutMs);
    for (;;) {
        SimState state;
        if (State(&state) && state.subscribers >= count)
            return true;
        if (deadline.Remaining() == 0)
            return false;
        Sleep(kPollMs);
    }
}

} // namespace simctl
