// Reading the decimal number in a firmware reply.
#pragma once

#include <cstddef>

// The reply's value as atoi reads it (leading white space, an optional sign,
// digits up to the first other character, 0 when there are none), looking at
// no more than size bytes: the reply comes from outside and need not be
// terminated. Values beyond the int range saturate to INT_MAX or INT_MIN.
int ParseReplyInt(const char* reply, std::size_t size);
