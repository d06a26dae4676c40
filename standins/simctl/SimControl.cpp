#include "SimControl.h"

#include "PipeIo.h"
#include "SimEscape.h"

#include <cstdio>

namespace simctl {

namespace {

// Answers hold at most the whole log; anything longer is not the simulator.
constexpr std::size_t kMaxAnswer = 64u << 20;

} // namespace

std::wstring ControlPipePath(const std::wstring& pipeName)
{
    return pipeio::PipePath(pipeName) + pipeio::kControlSuffix;
}

bool Transact(const std::wstring& pipePath, const std::string& message, std::string* reply, DWORD timeoutMs)
{
    using namespace pipeio;
    Deadline deadline(timeoutMs);
    UniqueHandle pipe = ConnectClient(pipePath, deadline.Remaining());
    if (!pipe)
        return false;
    if (WriteMessage(pipe.Get(), message.data(), static_cast<DWORD>(message.size()), nullptr,
                     deadline.Remaining()) != IoStatus::Ok)
        return false;
    bool truncated = false;
    return ReadWholeMessage(pipe.Get(), reply, kMaxAnswer, &truncated, nullptr, deadline.Remaining()) ==
               IoStatus::Ok &&
           !truncated;
}

bool Control(const std::wstring& pipeName, const std::string& command, std::string* payload, DWORD timeoutMs)
{
    std::string reply;
    bool answered = Transact(ControlPipePath(pipeName), command, &reply, timeoutMs);
    if (payload)
        *payload = reply.empty() ? std::string() : reply.substr(1);
    return answered && !reply.empty() && reply[0] == '+';
}

bool ReadState(const std::wstring& pipeName, SimState* state)
{
    std::string text;
    if (!Control(pipeName, "state", &text))
        return false;
    SimState s;
    if (std::sscanf(text.c_str(), "system0=%d system1=%d ap=%d subscribers=%d scripted=%d pid=%lu",
                    &s.system0, &s.system1, &s.ap, &s.subscribers, &s.scripted, &s.pid) != 6)
        return false;
    *state = s;
    return true;
}

bool ReadLog(const std::wstring& pipeName, std::vector<std::string>* entries)
{
    std::string text;
    if (!Control(pipeName, "log", &text))
        return false;
    // One line per message, each ended by '\n'.
    std::vector<std::string> out;
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos)
            return false;
        std::string bytes;
        if (!UnescapeBytes(text.substr(start, end - start), &bytes))
            return false;
        out.push_back(std::move(bytes));
        start = end + 1;
    }
    *entries = std::move(out);
    return true;
}

} // namespace simctl
