#include "FirmwareFake.h"

#include <cstring>

namespace apptest {

const char kSystem0[] = "root\\WMI:Q:QEL_System:System:0";
const char kSystem1[] = "root\\WMI:Q:QEL_System:System:1";
const char kApQuery[] = "root\\WMI:Q:QEL_AP:AP:6";

namespace {

const std::string kApSetPrefix = "root\\WMI:S:QEL_AP:AP:6:";
FirmwareFake* g_current = nullptr;

int Reply(const std::optional<std::string>& answer, char* reply, int replySize)
{
    if (!answer || !reply || replySize <= static_cast<int>(answer->size()))
        return 0;
    std::memcpy(reply, answer->c_str(), answer->size() + 1);
    return 1;
}

} // namespace

std::string ApSet(int value)
{
    return kApSetPrefix + std::to_string(value);
}

FirmwareFake::FirmwareFake(std::function<void(const std::string&)> observer) : m_observer(std::move(observer))
{
    g_current = this;
    m_previous = SetPipeCallForTesting(&FirmwareFake::PipeCall);
}

FirmwareFake::~FirmwareFake()
{
    SetPipeCallForTesting(m_previous);
    g_current = nullptr;
}

int FirmwareFake::PipeCall(const char* request, int requestSize, char* reply, int replySize)
{
    if (!g_current || !request || requestSize <= 0)
        return 0;
    return g_current->Answer(std::string(request, strnlen(request, static_cast<size_t>(requestSize))), reply,
                             replySize);
}

int FirmwareFake::Answer(const std::string& request, char* reply, int replySize)
{
    if (m_observer)
        m_observer(request);
    if (request.compare(0, kApSetPrefix.size(), kApSetPrefix) == 0) {
        if (ap)
            ap = request.substr(kApSetPrefix.size());
        return 1;
    }
    if (request == kSystem0)
        return Reply(system0, reply, replySize);
    if (request == kSystem1)
        return Reply(system1, reply, replySize);
    if (request == kApQuery)
        return Reply(ap, reply, replySize);
    return 0;
}

} // namespace apptest
