// Named pipe servers of the simulator: a listener that hands every client
// connection to its own thread, and the two kinds of connection.
#pragma once

#include "Simulator.h"
#include "UniqueHandle.h"

#include <functional>
#include <string>

class PipeListener
{
public:
    // Creates the pipe's first instance; false when the name is taken.
    bool Open(const std::wstring& path);

    // Accepts clients until quit is signalled, each served on a new thread.
    void Run(HANDLE quit, const std::function<void(pipeio::UniqueHandle)>& serve);

private:
    pipeio::UniqueHandle CreateInstance(bool first) const;

    std::wstring m_path;
    pipeio::UniqueHandle m_listening;
};

// A command pipe client: commands answered one by one, or, when its first
// message is a subscription, events sent until it leaves.
void ServeCommandClient(Simulator& sim, pipeio::UniqueHandle pipe, HANDLE quit);

// A control pipe client. Sets quit after answering "quit".
void ServeControlClient(Simulator& sim, pipeio::UniqueHandle pipe, HANDLE quit);
