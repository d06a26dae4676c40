// The simulator's control commands, one per control pipe message:
//   set system0|system1|ap N  set a firmware value            -> +N
//   event CODE                raise QEL_Event CODE (0-255, decimal or 0x hex)
//                             at every subscriber             -> +subscribers reached
//   fail [N]                  the next N commands fail (default 1)
//   pass [N]                  the next N commands are answered normally
//   reply TEXT                the next command is answered with TEXT, escaped
//                             as in the log (\\ \xHH \0 \t \n \r), and not
//                             carried out
//   hang                      the next command gets no answer at all
//   log                       every command pipe message so far, oldest first,
//                             escaped, each followed by '\n'
//   state                     "system0=A system1=B ap=C subscribers=D scripted=E
//                             pid=F", F the simulator's process id
//   reset                     start values back, log and script emptied
//   quit                      ends the simulator                -> +bye
// fail, pass, reply and hang queue up in the order given and apply to the
// command pipe's messages (subscriptions excepted), one each.
#include "Simulator.h"

#include "SimEscape.h"
#include "Wire.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMaxRepeat = 1000;

std::string Ok(const std::string& text)
{
    return wire::kOk + text;
}

std::string Failed(const std::string& text)
{
    return wire::kFailed + text;
}

// An optional repeat count of 1 to kMaxRepeat, 1 when absent.
bool ParseCount(const std::string& text, int* count)
{
    if (text.empty()) {
        *count = 1;
        return true;
    }
    return ParseDecimal(text, count) && *count >= 1 && *count <= kMaxRepeat;
}

bool ParseCode(const std::string& text, int* code)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || text[0] == '-' || text[0] == '+' || text[0] == ' ' || value < 0 || value > 0xFF)
        return false;
    *code = static_cast<int>(value);
    return true;
}

} // namespace

std::string Simulator::Control(const std::string& text, bool* quit)
{
    std::string::size_type space = text.find(' ');
    std::string verb = text.substr(0, space);
    std::string rest = space == std::string::npos ? std::string() : text.substr(space + 1);
    std::lock_guard<std::mutex> hold(m_lock);
    std::string answer = ControlLocked(verb, rest, quit);
    if (verb != "log" && verb != "state") {
        std::printf("control %s -> %s\n", EscapeForDisplay(text).c_str(), EscapeForDisplay(answer).c_str());
        std::fflush(stdout);
    }
    return answer;
}

std::string Simulator::ControlLocked(const std::string& verb, const std::string& rest, bool* quit)
{
    if (verb == "set") {
        std::string::size_type space = rest.find(' ');
        std::string name = rest.substr(0, space);
        int value = 0;
        if (space == std::string::npos || !ParseDecimal(rest.substr(space + 1), &value))
            return Failed("usage: set system0|system1|ap N");
        if (name == "system0")
            m_values.system0 = value;
        else if (name == "system1")
            m_values.system1 = value;
        else if (name == "ap")
            m_values.ap = value;
        else
            return Failed("unknown value " + name);
        return Ok(std::to_string(value));
    }
    if (verb == "event") {
        int code = 0;
        if (!ParseCode(rest, &code))
            return Failed("usage: event CODE (0-255)");
        return Ok(std::to_string(RaiseLocked(code)));
    }
    if (verb == "fail" || verb == "pass") {
        int count = 0;
        if (!ParseCount(rest, &count))
            return Failed("usage: " + verb + " [N]");
        for (int i = 0; i < count; ++i)
            m_script.push_back({verb == "fail" ? Outcome::Fail : Outcome::Pass, std::string()});
        return Ok("ok");
    }
    if (verb == "reply") {
        std::string bytes;
        if (!UnescapeBytes(rest, &bytes))
            return Failed("bad escape in reply text");
        m_script.push_back({Outcome::Reply, std::move(bytes)});
        return Ok("ok");
    }
    if (verb == "hang" && rest.empty()) {
        m_script.push_back({Outcome::Hang, std::string()});
        return Ok("ok");
    }
    if (verb == "log" && rest.empty()) {
        std::string out;
        for (const std::string& entry : m_log)
            out += EscapeBytes(entry) + "\n";
        return Ok(out);
    }
    if (verb == "state" && rest.empty())
        return Ok(StateLocked());
    if (verb == "reset" && rest.empty()) {
        m_values = m_start;
        m_log.clear();
        m_script.clear();
        return Ok("ok");
    }
    if (verb == "quit" && rest.empty()) {
        *quit = true;
        return Ok("bye");
    }
    return Failed("unknown control command");
}
