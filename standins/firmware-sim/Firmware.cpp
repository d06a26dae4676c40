#include "Firmware.h"

#include "Wire.h"

#include <climits>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

std::string Ok(int value)
{
    return wire::kOk + std::to_string(value);
}

std::string Failed(const char* reason)
{
    return wire::kFailed + std::string(reason);
}

} // namespace

bool ParseDecimal(const std::string& text, int* value)
{
    std::string::size_type i = text.empty() || text[0] != '-' ? 0 : 1;
    std::string::size_type digits = text.size() - i;
    if (digits == 0 || digits > 10)
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    if (text[0] == '-')
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    *value = static_cast<int>(v);
    return true;
}

std::string ExecuteCommand(FirmwareValues* values, const std::string& message)
{
    if (message.size() > wire::kMaxRequest)
        return Failed("oversized request");
    if (message.empty() || message.back() != '\0')
        return Failed("unterminated request");
    std::string text = message.substr(0, message.size() - 1);
    if (text.find('\0') != std::string::npos)
        return Failed("bytes after the terminator");

    std::vector<std::string> f = Split(text, ':');
    if (f[0] != "root\\WMI")
        return Failed("unknown namespace");
    if (f.size() < 2 || (f[1] != "Q" && f[1] != "S"))
        return Failed("unknown verb");
    const bool set = f[1] == "S";
    if (f.size() != (set ? 6u : 5u))
        return Failed("wrong number of fields");

    int* target = nullptr;
    if (f[2] == "QEL_System") {
        if (f[3] != "System")
            return Failed("unknown property");
        if (f[4] == "0")
            target = &values->system0;
        else if (f[4] == "1")
            target = &values->system1;
    } else if (f[2] == "QEL_AP") {
        if (f[3] != "AP")
            return Failed("unknown property");
        if (f[4] == "6")
            target = &values->ap;
    } else
        return Failed("unknown class");
    if (!target)
        return Failed("unknown instance");

    if (!set)
        return Ok(*target);
    if (target != &values->ap)
        return Failed("read-only property");
    int value = 0;
    if (!ParseDecimal(f[5], &value))
        return Failed("bad value");
    *target = value;
    return Ok(value);
}
