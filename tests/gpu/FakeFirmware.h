// The firmware's side of the pipe, in process: answers the AP state query,
// takes set commands and records every command in order.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "firmware/PipeProtocol.h"

namespace gputest {

class FakeFirmware
{
public:
    // apReply: what the AP query answers until a set command changes it;
    // nullopt makes every query fail. Installs itself as the pipe call.
    explicit FakeFirmware(std::optional<std::string> apReply);
    ~FakeFirmware();
    FakeFirmware(const FakeFirmware&) = delete;
    FakeFirmware& operator=(const FakeFirmware&) = delete;

    // Counts the driver calls made so far, so commands can be placed among them.
    void CountDriverCallsWith(std::function<size_t()> count) { m_driverCalls = std::move(count); }

    struct Command
    {
        std::string text;
        size_t driverCallsBefore;
    };
    const std::vector<Command>& Commands() const { return m_commands; }
    std::vector<std::string> CommandTexts() const;

private:
    static int PipeCall(const char* request, int requestSize, char* reply, int replySize);
    int Answer(const std::string& request, char* reply, int replySize);

    std::optional<std::string> m_apReply;
    std::function<size_t()> m_driverCalls;
    std::vector<Command> m_commands;
    PipeCallFn m_previous = nullptr;
};

// The driver calls with "pipe <command>" lines put where the commands were sent.
std::vector<std::string> Timeline(const std::vector<std::string>& driverCalls,
                                  const std::vector<FakeFirmware::Command>& commands);

extern const char* const kApQuery;
// The set command for value, as the firmware receives it.
std::string ApSet(int value);

} // namespace gputest
