#include "Simulator.h"

#include "SimEscape.h"
#include "Wire.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal apart from ASCII letter case, as WMI compares these names.
bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::string::size_type i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

} // namespace

Subscriber::Subscriber() : wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

Simulator::Simulator(const FirmwareValues& start) : m_start(start), m_values(start) {}

void Simulator::Announce(const std::wstring& pipePath)
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::printf("qel-firmware-sim: serving %ls (control %ls.control) system0=%d system1=%d "
                "ap=%d\n",
                pipePath.c_str(), pipePath.c_str(), m_values.system0, m_values.system1, m_values.ap);
    std::fflush(stdout);
}

bool Simulator::Command(const std::string& message, std::string* answer)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_log.push_back(message);
    Step step{Outcome::Pass, std::string()};
    if (!m_script.empty()) {
        step = std::move(m_script.front());
        m_script.pop_front();
    }
    switch (step.outcome) {
    case Outcome::Pass:
        *answer = ExecuteCommand(&m_values, message);
        break;
    case Outcome::Fail:
        *answer = std::string(1, wire::kFailed) + "scripted failure";
        break;
    case Outcome::Reply:
        *answer = wire::kOk + step.text;
        break;
    case Outcome::Hang:
        answer->clear();
        break;
    }
    const bool answered = step.outcome != Outcome::Hang;
    std::printf("command %s -> %s\n", EscapeForDisplay(message).c_str(),
                answered ? EscapeForDisplay(*answer).c_str() : "(no answer)");
    std::fflush(stdout);
    return answered;
}

std::shared_ptr<Subscriber> Simulator::Subscribe(const std::string& message, std::string* answer)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_log.push_back(message);
    // "SUBSCRIBE\n<namespace>\n<language>\n<query>"
    std::vector<std::string> f;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type end = message.find('\n', start);
        f.push_back(message.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::shared_ptr<Subscriber> subscriber;
    if (f.size() == 4 && SameText(f[1], "root\\wmi") && SameText(f[2], "WQL") &&
        SameText(f[3], "Select * from QEL_Event")) {
        subscriber = std::make_shared<Subscriber>();
        m_subscribers.push_back(subscriber);
        *answer = wire::kSubscribed;
    } else
        *answer = std::string(1, wire::kFailed) + "unknown subscription";
    std::string shown = message.substr(sizeof wire::kSubscribe - 1);
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    std::printf("subscribe %s -> %s\n", EscapeForDisplay(shown).c_str(), answer->c_str());
    std::fflush(stdout);
    return subscriber;
}

void Simulator::Unsubscribe(const std::shared_ptr<Subscriber>& subscriber)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_subscribers.erase(std::remove(m_subscribers.begin(), m_subscribers.end(), subscriber),
                        m_subscribers.end());
    std::printf("subscriber left\n");
    std::fflush(stdout);
}

std::deque<std::string> Simulator::TakeEvents(Subscriber& subscriber)
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::deque<std::string> taken;
    taken.swap(subscriber.events);
    return taken;
}

int Simulator::RaiseLocked(int code)
{
    for (const auto& subscriber : m_subscribers) {
        subscriber->events.push_back(wire::kEvent + std::to_string(code));
        SetEvent(subscriber->wake.Get());
    }
    return static_cast<int>(m_subscribers.size());
}

std::string Simulator::StateLocked() const
{
    return "system0=" + std::to_string(m_values.system0) + " system1=" + std::to_string(m_values.system1) +
           " ap=" + std::to_string(m_values.ap) + " subscribers=" + std::to_string(m_subscribers.size()) +
           " scripted=" + std::to_string(m_script.size()) + " pid=" + std::to_string(GetCurrentProcessId());
}
