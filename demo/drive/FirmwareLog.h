// The firmware simulator's record of what reached the maker's service: every
// command Korvane sent through QEL_CallNamePipe and every event subscription.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace drive {

// The commands of the firmware command channel, as sent.
inline constexpr char kQuerySystem0[] = "root\\WMI:Q:QEL_System:System:0";
inline constexpr char kQuerySystem1[] = "root\\WMI:Q:QEL_System:System:1";
inline constexpr char kQueryAp[] = "root\\WMI:Q:QEL_AP:AP:6";
// The set command is this prefix followed by the value.
inline constexpr char kSetApPrefix[] = "root\\WMI:S:QEL_AP:AP:6:";
// Log entries of event subscriptions start with this word.
inline constexpr char kSubscribe[] = "SUBSCRIBE";

std::string SetAp(int value);

// One log entry as text: the trailing terminator(s) of a command removed.
std::string Normalise(const std::string& entry);

bool IsSubscription(const std::string& entry);

// Entries from index `from` on, subscriptions left out.
std::vector<std::string> CommandsFrom(const std::vector<std::string>& log, size_t from);
// How many entries from index `from` on are subscriptions.
int SubscriptionsFrom(const std::vector<std::string>& log, size_t from);

// A short name for the timeline: "Q System:0", "Q AP", "S AP=1", "subscribe";
// anything else shown escaped.
std::string ShortName(const std::string& entry);
std::string ShortNames(const std::vector<std::string>& entries);

// The firmware side of one clock operation (apply or restore) with a working
// service: the AP state read, the write of `ap`, the read-back.
std::vector<std::string> ClockOperation(int ap);
// The parts one after the other.
std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts);

} // namespace drive
