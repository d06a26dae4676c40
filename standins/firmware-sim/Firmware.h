// The firmware's values and the command grammar the maker's service answers:
//   root\WMI:Q:QEL_System:System:0    capability bits, instance 0
//   root\WMI:Q:QEL_System:System:1    capability bits, instance 1
//   root\WMI:Q:QEL_AP:AP:6            the AP state
//   root\WMI:S:QEL_AP:AP:6:<value>    sets the AP state (signed decimal)
// Capability bits are the firmware's own and cannot be set by a command.
#pragma once

#include <string>

struct FirmwareValues
{
    int system0 = 2;
    int system1 = 0;
    int ap = 0;
};

// Carries out one command message (the text and its NUL terminator) and
// returns the answer message: '+' and the value, or '-' and the reason.
std::string ExecuteCommand(FirmwareValues* values, const std::string& message);

// Signed decimal within the int range: an optional '-', then 1 to 10 digits.
bool ParseDecimal(const std::string& text, int* value);
