#include "ReplyParser.h"

#include <climits>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

int ParseReplyInt(const char* reply, std::size_t size)
{
    std::size_t i = 0;
    while (i < size && IsSpace(reply[i]))
        ++i;
    bool negative = false;
    if (i < size && (reply[i] == '+' || reply[i] == '-'))
        negative = reply[i++] == '-';

    // Accumulates the magnitude, stopping at one past INT_MAX's magnitude,
    // which is INT_MIN's.
    const unsigned limit = negative ? 0u - static_cast<unsigned>(INT_MIN) : INT_MAX;
    unsigned magnitude = 0;
    for (; i < size && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        unsigned digit = static_cast<unsigned>(reply[i] - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<int>(magnitude);
    return magnitude == limit ? INT_MIN : -static_cast<int>(magnitude);
}
