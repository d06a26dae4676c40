#include "gpu/WarningBox.h"

namespace gpu {

namespace {

constexpr UINT kWarningStyle = MB_OK | MB_ICONEXCLAMATION;
static_assert(kWarningStyle == 48, "style of the start-up warnings");

MessageBoxFn g_messageBox = MessageBoxW;

} // namespace

MessageBoxFn SetMessageBoxForTesting(MessageBoxFn fn)
{
    const MessageBoxFn previous = g_messageBox;
    g_messageBox = fn ? fn : MessageBoxW;
    return previous;
}

void ShowStartupWarning(HWND owner, const wchar_t* text)
{
    g_messageBox(owner, text, L"QEL Korvane", kWarningStyle);
}

} // namespace gpu
