// The simulated service's shared state: firmware values, the log of every
// command message received, outcomes scripted through the control pipe, and
// the event subscribers. Connection threads call in concurrently; one lock
// guards everything, console output included, so lines never interleave.
#pragma once

#include "Firmware.h"
#include "UniqueHandle.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct Subscriber
{
    Subscriber();
    pipeio::UniqueHandle wake;      // auto-reset; set when events are queued
    std::deque<std::string> events; // guarded by the simulator's lock
};

class Simulator
{
public:
    explicit Simulator(const FirmwareValues& start);

    void Announce(const std::wstring& pipePath);

    // The answer to one command message, or false when the command is
    // scripted to get no answer at all.
    bool Command(const std::string& message, std::string* answer);

    // A subscriber when message is the QEL_Event subscription; *answer is the
    // reply either way.
    std::shared_ptr<Subscriber> Subscribe(const std::string& message, std::string* answer);
    void Unsubscribe(const std::shared_ptr<Subscriber>& subscriber);
    std::deque<std::string> TakeEvents(Subscriber& subscriber);

    // One control command (see Control.cpp); *quit is set by "quit".
    std::string Control(const std::string& text, bool* quit);

private:
    enum class Outcome {
        Pass,  // answered as the firmware would
        Fail,  // failure answer
        Reply, // answered with the given text
        Hang,  // no answer
    };
    struct Step
    {
        Outcome outcome;
        std::string text;
    };

    std::string ControlLocked(const std::string& verb, const std::string& rest, bool* quit);
    std::string StateLocked() const;
    int RaiseLocked(int code);

    std::mutex m_lock;
    const FirmwareValues m_start;
    FirmwareValues m_values;
    std::vector<std::string> m_log;
    std::deque<Step> m_script;
    std::vector<std::shared_ptr<Subscriber>> m_subscribers;
};
