#include "EventNames.h"

#include <wtsapi32.h>

#include "KorvaneDlg.h"

namespace {
struct Name
{
    UINT_PTR code;
    const char* name;
};

template <size_t N>
const char* Find(const Name (&names)[N], UINT_PTR code, const char* otherwise)
{
    for (const Name& entry : names)
        if (entry.code == code)
            return entry.name;
    return otherwise;
}
} // namespace

const char* PowerBroadcastName(WPARAM type)
{
    static const Name kNames[] = {
        {PBT_APMSUSPEND, "suspend"},
        {PBT_APMRESUMESUSPEND, "resume from suspend"},
        {PBT_APMRESUMEAUTOMATIC, "automatic resume"},
        {PBT_APMPOWERSTATUSCHANGE, "power status change"},
        {PBT_POWERSETTINGCHANGE, "power setting change"},
    };
    return Find(kNames, type, "other");
}

const char* SessionChangeName(UINT code)
{
    static const Name kNames[] = {
        {WTS_CONSOLE_CONNECT, "console connect"},
        {WTS_CONSOLE_DISCONNECT, "console disconnect"},
        {WTS_SESSION_LOGON, "logon"},
        {WTS_SESSION_LOGOFF, "logoff"},
        {WTS_SESSION_LOCK, "lock"},
        {WTS_SESSION_UNLOCK, "unlock"},
    };
    return Find(kNames, code, "other");
}

const char* MenuCommandName(WPARAM command)
{
    static const Name kNames[] = {
        {IDM_ENABLE, "Enable"}, {IDM_DISABLE, "Disable"},          {IDM_ABOUT, "About"},
        {IDM_EXIT, "Exit"},     {IDM_AC_ONLY, "Only on AC power"}, {IDM_NOTICES, "Notices"}};
    return Find(kNames, command, nullptr);
}
