#include "FirmwareLog.h"

#include <cstdio>

namespace drive {

std::string SetAp(int value)
{
    return kSetApPrefix + std::to_string(value);
}

std::string Normalise(const std::string& entry)
{
    std::string text = entry;
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

bool IsSubscription(const std::string& entry)
{
    return entry.compare(0, sizeof kSubscribe - 1, kSubscribe) == 0;
}

std::vector<std::string> CommandsFrom(const std::vector<std::string>& log, size_t from)
{
    std::vector<std::string> commands;
    for (size_t i = from; i < log.size(); ++i)
        if (!IsSubscription(log[i]))
            commands.push_back(log[i]);
    return commands;
}

int SubscriptionsFrom(const std::vector<std::string>& log, size_t from)
{
    int count = 0;
    for (size_t i = from; i < log.size(); ++i)
        count += IsSubscription(log[i]) ? 1 : 0;
    return count;
}

std::string ShortName(const std::string& entry)
{
    if (entry == kQuerySystem0)
        return "Q System:0";
    if (entry == kQuerySystem1)
        return "Q System:1";
    if (entry == kQueryAp)
        return "Q AP";
    if (entry.compare(0, sizeof kSetApPrefix - 1, kSetApPrefix) == 0)
        return "S AP=" + entry.substr(sizeof kSetApPrefix - 1);
    if (IsSubscription(entry))
        return "subscribe";
    std::string shown;
    for (unsigned char c : entry) {
        if (c >= 0x20 && c < 0x7F) {
            shown.push_back(static_cast<char>(c));
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        shown += hex;
    }
    return "\"" + shown + "\"";
}

std::string ShortNames(const std::vector<std::string>& entries)
{
    if (entries.empty())
        return "-";
    std::string text;
    for (const std::string& e : entries)
        text += (text.empty() ? "" : ", ") + ShortName(e);
    return text;
}

std::vector<std::string> ClockOperation(int ap)
{
    return {kQueryAp, SetAp(ap), kQueryAp};
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace drive
