#include "FakeFirmware.h"

#include <cstring>

namespace gputest {

const char* const kApQuery = "root\\WMI:Q:QEL_AP:AP:6";

namespace {

const std::string kApSetPrefix = "root\\WMI:S:QEL_AP:AP:6:";

FakeFirmware* g_current = nullptr;

} // namespace

std::string ApSet(int value)
{
    return kApSetPrefix + std::to_string(value);
}

FakeFirmware::FakeFirmware(std::optional<std::string> apReply) : m_apReply(std::move(apReply))
{
    g_current = this;
    m_previous = SetPipeCallForTesting(&FakeFirmware::PipeCall);
}

FakeFirmware::~FakeFirmware()
{
    SetPipeCallForTesting(m_previous);
    g_current = nullptr;
}

int FakeFirmware::PipeCall(const char* request, int requestSize, char* reply, int replySize)
{
    if (!g_current || !request || requestSize <= 0)
        return 0;
    const std::string text(request, strnlen(request, static_cast<size_t>(requestSize)));
    return g_current->Answer(text, reply, replySize);
}

int FakeFirmware::Answer(const std::string& request, char* reply, int replySize)
{
    m_commands.push_back({request, m_driverCalls ? m_driverCalls() : 0});

    if (request.compare(0, kApSetPrefix.size(), kApSetPrefix) == 0) {
        if (m_apReply)
            m_apReply = request.substr(kApSetPrefix.size());
        return 1;
    }
    if (request == kApQuery && m_apReply && reply && replySize > static_cast<int>(m_apReply->size())) {
        std::memcpy(reply, m_apReply->c_str(), m_apReply->size() + 1);
        return 1;
    }
    return 0;
}

std::vector<std::string> FakeFirmware::CommandTexts() const
{
    std::vector<std::string> texts;
    for (const Command& command : m_commands)
        texts.push_back(command.text);
    return texts;
}

std::vector<std::string> Timeline(const std::vector<std::string>& driverCalls,
                                  const std::vector<FakeFirmware::Command>& commands)
{
    std::vector<std::string> timeline;
    size_t call = 0;
    for (const FakeFirmware::Command& command : commands) {
        for (; call < command.driverCallsBefore && call < driverCalls.size(); ++call)
            timeline.push_back(driverCalls[call]);
        timeline.push_back("pipe " + command.text);
    }
    for (; call < driverCalls.size(); ++call)
        timeline.push_back(driverCalls[call]);
    return timeline;
}

} // namespace gputest
