#include "TrayRecorder.h"

namespace apptest {

namespace {
TrayRecorder* g_recorder = nullptr;
} // namespace

TrayRecorder::TrayRecorder()
{
    g_recorder = this;
}

TrayRecorder::~TrayRecorder()
{
    g_recorder = nullptr;
}

BOOL WINAPI TrayRecorder::Record(DWORD message, PNOTIFYICONDATAW data)
{
    if (g_recorder)
        g_recorder->calls.push_back({message, *data});
    return Shell_NotifyIconW(message, data);
}

std::vector<std::wstring> TrayRecorder::Notices() const
{
    return Texts(NIF_INFO, [](const NOTIFYICONDATAW& data) { return data.szInfo; });
}

std::vector<std::wstring> TrayRecorder::Tips() const
{
    return Texts(NIF_TIP, [](const NOTIFYICONDATAW& data) { return data.szTip; });
}

std::vector<std::wstring> TrayRecorder::Texts(UINT flag, const wchar_t* (*text)(const NOTIFYICONDATAW&)) const
{
    std::vector<std::wstring> texts;
    for (const Call& call : calls)
        if (call.data.uFlags & flag)
            texts.push_back(text(call.data));
    return texts;
}

} // namespace apptest
