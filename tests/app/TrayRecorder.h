// The shell calls of the tray icon's tip and notices, recorded on their way
// to the shell.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "SeamScope.h"
#include "TrayNotices.h"

namespace apptest {

class TrayRecorder
{
public:
    TrayRecorder();
    ~TrayRecorder();
    TrayRecorder(const TrayRecorder&) = delete;
    TrayRecorder& operator=(const TrayRecorder&) = delete;

    struct Call
    {
        DWORD message;
        NOTIFYICONDATAW data;
    };
    std::vector<Call> calls;

    // The notices' texts and the tips sent, in order, since the last Clear.
    std::vector<std::wstring> Notices() const;
    std::vector<std::wstring> Tips() const;
    void Clear() { calls.clear(); }

private:
    static BOOL WINAPI Record(DWORD message, PNOTIFYICONDATAW data);
    // text of each call whose flags have flag.
    std::vector<std::wstring> Texts(UINT flag, const wchar_t* (*text)(const NOTIFYICONDATAW&)) const;
    SeamScope<&SetNotifyIconForTesting> m_seam{&TrayRecorder::Record};
};

} // namespace apptest
