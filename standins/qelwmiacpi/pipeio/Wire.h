// Wire framing between QELWmiAcpi.dll and the maker's service (the firmware
// simulator stands in for it).
//
// Both pipes are duplex, message-type pipes, local clients only. One message
// is one unit; nothing is length-prefixed.
//
// Command pipe, \\.\pipe\QELWmiAcpi unless QEL_PIPE_NAME names another
// (a bare name, or a full \\.\pipe\ path):
//   request  the command text followed by one NUL byte, e.g.
//            "root\WMI:Q:QEL_AP:AP:6\0"; at most 80 bytes.
//   reply    '+' followed by the answer text (no NUL), e.g. "+2", when the
//            command was carried out; '-' followed by a reason otherwise.
//   QEL_CallNamePipe opens one connection per command.
//
// Event subscription, on the same pipe: the client sends
//   "SUBSCRIBE\n<namespace>\n<language>\n<query>"
// and gets "+subscribed" (or '-' and a reason, and the connection ends).
// From then on the service sends one message "EVENT <decimal code>" per
// firmware event until either end closes.
//
// Control pipe of the simulator, the command pipe's path plus ".control":
// one text command per message, answered as above ('+' or '-' and text).
// The commands are listed in the simulator's Control.cpp.
#pragma once

namespace wire {

inline constexpr char kOk = '+';
inline constexpr char kFailed = '-';
inline constexpr char kSubscribe[] = "SUBSCRIBE\n";
inline constexpr char kSubscribed[] = "+subscribed";
inline constexpr char kEvent[] = "EVENT ";
// The largest command a client sends, terminator included.
inline constexpr unsigned kMaxRequest = 80;

} // namespace wire
