#include "SessionState.h"

#include <wtsapi32.h>

#include <cstddef>
#include <cstring>

#include "MainState.h"
#include "Registrations.h"
#include "diag/DiagnosticLog.h"

namespace {

// The leading fields of a level-1 WTSINFOEXW record. The union after Level
// holds 64-bit times, so it starts 8-aligned.
struct SessionInfoExHead
{
    DWORD level;
    alignas(8) ULONG sessionId;
    LONG sessionState; // WTS_CONNECTSTATE_CLASS
    LONG sessionFlags;
};
constexpr size_t kHeadBytes = offsetof(SessionInfoExHead, sessionFlags) + sizeof(LONG);
static_assert(kHeadBytes == 20, "the record's layout in wtsapi32.h");

constexpr LONG kSessionLocked = 0;   // WTS_SESSIONSTATE_LOCK
constexpr LONG kSessionUnlocked = 1; // WTS_SESSIONSTATE_UNLOCK

} // namespace

SessionState SessionStateFromRecord(const void* record, DWORD bytes, bool reversedLockFlag)
{
    if (!record || bytes < kHeadBytes)
        return SessionState::Unknown;
    SessionInfoExHead head{};
    std::memcpy(&head, record, kHeadBytes);
    if (head.level != 1)
        return SessionState::Unknown;
    if (head.sessionState == WTSDisconnected)
        return SessionState::NotActive;
    if (head.sessionState != WTSActive)
        return SessionState::Unknown;
    const LONG locked = reversedLockFlag ? kSessionUnlocked : kSessionLocked;
    const LONG unlocked = reversedLockFlag ? kSessionLocked : kSessionUnlocked;
    if (head.sessionFlags == locked)
        return SessionState::NotActive;
    if (head.sessionFlags == unlocked)
        return SessionState::Active;
    return SessionState::Unknown;
}

void ReadSessionGate(const char* moment)
{
    DWORD error = ERROR_SUCCESS;
    switch (QuerySessionState(&error)) {
    case SessionState::Active:
        g_bSessionActive = TRUE;
        break;
    case SessionState::NotActive:
        g_bSessionActive = FALSE;
        diag::Log("session not active at %s: clock changes wait for it", moment);
        break;
    case SessionState::Unknown:
        diag::Log("session state unknown at %s (error %lu): the session gate stays %s", moment, error,
                  g_bSessionActive ? "open" : "closed");
        break;
    }
}
