// The firmware simulator as a child process, owned for its whole life: it is
// started with its own pipe name and always ended with this object. The child
// is also placed in a job that ends it should this process die first.
#pragma once

#include "SimControl.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace simctl {

struct SimStart
{
    int system0 = 2;
    int system1 = 0;
    int ap = 0;
    // Where the simulator's console output goes; empty discards it.
    std::wstring outputFile;
};

class SimProcess
{
public:
    // A fresh pipe name, unique to this process and object.
    SimProcess();
    // A given pipe name, so that a restarted simulator is found again.
    explicit SimProcess(std::wstring pipeName);
    ~SimProcess();

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts qel-firmware-sim.exe from this program's folder and waits until
    // it answers on its control pipe. Ends a running one first.
    bool Start(const SimStart& start = SimStart(), DWORD timeoutMs = 10000);
    // Ends the simulator at once (TerminateProcess) and waits for its end.
    void Kill();
    bool IsRunning() const;

    const std::wstring& PipeName() const { return m_name; }
    std::wstring PipePath() const;

    bool Control(const std::string& command, std::string* payload = nullptr) const;
    bool State(SimState* state) const;
    bool Log(std::vector<std::string>* entries) const;
    // Polls until at least count event subscribers are connected.
    bool WaitForSubscribers(int count, DWORD timeoutMs) const;

    static std::wstring UniquePipeName();

private:
    std::wstring m_name;
    pipeio::UniqueHandle m_job;
    pipeio::UniqueHandle m_process;
};

} // namespace simctl
