// The firmware's side of the pipe, in process: answers the two capability
// queries and the AP state query as configured, takes set commands, and
// reports every command to an observer before answering it.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "firmware/PipeProtocol.h"

namespace apptest {

extern const char kSystem0[];
extern const char kSystem1[];
extern const char kApQuery[];
// The set command for value, as the firmware receives it.
std::string ApSet(int value);

class FirmwareFake
{
public:
    // Installs itself as the pipe call; the destructor puts the previous one back.
    explicit FirmwareFake(std::function<void(const std::string&)> observer);
    ~FirmwareFake();
    FirmwareFake(const FirmwareFake&) = delete;
    FirmwareFake& operator=(const FirmwareFake&) = delete;

    // Replies; nullopt makes that command fail. A set command replaces ap.
    std::optional<std::string> system0 = std::string("0");
    std::optional<std::string> system1 = std::string("0");
    std::optional<std::string> ap = std::string("6");

private:
    static int PipeCall(const char* request, int requestSize, char* reply, int replySize);
    int Answer(const std::string& request, char* reply, int replySize);

    std::function<void(const std::string&)> m_observer;
    PipeCallFn m_previous = nullptr;
};

} // namespace apptest
