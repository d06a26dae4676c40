#include "PipeProtocol.h"

#include "ReplyParser.h"

#include "diag/DiagnosticLog.h"
#include "diag/LogText.h"

#include <QELWmiAcpi.h>

#include <cstring>

namespace {

constexpr int kRequestSize = 80;
constexpr int kReplySize = 800;

constexpr char kQuerySystemPrefix[] = "root\\WMI:Q:QEL_System:System:";
constexpr char kQueryAP[] = "root\\WMI:Q:QEL_AP:AP:6";
constexpr char kSetAPPrefix[] = "root\\WMI:S:QEL_AP:AP:6:";

PipeCallFn g_pipeCall = &QEL_CallNamePipe;

// A zero-filled request holding text and its terminator.
void StartRequest(char (&request)[kRequestSize], const char* text)
{
    std::memset(request, 0, sizeof request);
    std::strcpy(request, text);
}

// Appends value in signed decimal at the request's terminator. The longest
// value, INT_MIN, takes 11 characters; the request has room for it after any
// command.
void AppendDecimal(char (&request)[kRequestSize], int value)
{
    char* out = request + std::strlen(request);
    // The magnitude as unsigned, so that INT_MIN needs no negation overflow.
    unsigned magnitude = static_cast<unsigned>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    char* first = out;
    do {
        *out++ = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    *out = '\0';
    for (char* last = out - 1; first < last; ++first, --last) {
        char c = *first;
        *first = *last;
        *last = c;
    }
}

// Sends one command through the call and records it with its reply or its
// failure and how long it took.
int CallPipe(const char (&request)[kRequestSize], char (&reply)[kReplySize])
{
    // A library that reports success without writing a reply leaves it empty.
    reply[0] = '\0';
    const DWORD start = ::GetTickCount();
    const int result = g_pipeCall(request, kRequestSize, reply, kReplySize);
    const DWORD elapsed = ::GetTickCount() - start;
    char command[kRequestSize * 4];
    diag::Escape(request, kRequestSize, kRequestSize, {command, sizeof command});
    if (result) {
        char answer[64];
        diag::Escape(reply, kReplySize, 40, {answer, sizeof answer});
        diag::Log("firmware %s -> \"%s\" (%lu ms)", command, answer, elapsed);
    } else {
        diag::Log("firmware %s failed (%lu ms)", command, elapsed);
    }
    return result;
}

// Sends one command. True and *value set to the parsed reply when the call
// succeeds.
bool Query(const char (&request)[kRequestSize], int* value)
{
    // Only the first byte is cleared (by CallPipe): a library that reports
    // success without writing a reply then reads as 0 instead of as whatever
    // the stack held.
    char reply[kReplySize];
    if (!CallPipe(request, reply))
        return false;
    *value = ParseReplyInt(reply, sizeof reply);
    return true;
}

} // namespace

PipeCallFn SetPipeCallForTesting(PipeCallFn fn)
{
    PipeCallFn previous = g_pipeCall;
    g_pipeCall = fn;
    return previous;
}

bool QuerySystemFlag(int instance, int mask)
{
    char request[kRequestSize];
    StartRequest(request, kQuerySystemPrefix);
    AppendDecimal(request, instance);
    int value = 0;
    return Query(request, &value) && (value & mask) != 0;
}

int ReadAPState(int fallback)
{
    char request[kRequestSize];
    StartRequest(request, kQueryAP);
    int value = 0;
    if (!Query(request, &value) || value == -1 || value == 255)
        return fallback;
    return value;
}

bool WriteAPState(int value)
{
    char request[kRequestSize];
    StartRequest(request, kSetAPPrefix);
    AppendDecimal(request, value);
    char reply[kReplySize];
    if (!CallPipe(request, reply))
        return false;
    return ReadAPState(1) == value;
}
