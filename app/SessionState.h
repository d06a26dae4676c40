// The session's state as the session service reports it, read when Korvane
// starts and when its session registration is made late: a session locked
// before then sends no notification, yet clock changes must wait for it.
#pragma once
#include <windows.h>

enum class SessionState { Active, NotActive, Unknown };

// The state in a WTSSessionInfoEx record of `bytes` bytes: not active when
// disconnected or locked, active when connected and unlocked, unknown for a
// short record, another level, another connection state or an unknown lock
// flag. Windows 7 and Server 2008 R2 report the lock flag the other way round
// (reversedLockFlag).
SessionState SessionStateFromRecord(const void* record, DWORD bytes, bool reversedLockFlag);

// Reads the session's state and sets the session gate from it. An unknown
// state leaves the gate as it is and is logged; `moment` names the reading
// in the log.
void ReadSessionGate(const char* moment);
