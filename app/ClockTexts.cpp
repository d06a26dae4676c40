#include "ClockTexts.h"

namespace {

// Appends ASCII text to out, always terminated, cut to fit.
template <size_t N>
void Append(wchar_t (&out)[N], const char* text)
{
    size_t length = 0;
    while (length < N - 1 && out[length])
        ++length;
    for (; *text && length < N - 1; ++text)
        out[length++] = static_cast<wchar_t>(static_cast<unsigned char>(*text));
    out[length] = L'\0';
}

const char* CauseText(ClockCause cause)
{
    // In the order of ClockCause.
    static const char* const kTexts[] = {
        "",
        "the firmware does not offer the overclock",
        "the firmware withdrew the overclock",
        "the firmware offers the overclock",
        "resumed from sleep",
        "running on battery",
        "back on AC power",
    };
    return kTexts[static_cast<int>(cause)];
}

} // namespace

const char* ClocksName(ClocksInForce inForce)
{
    // In the order of ClocksInForce.
    static const char* const kNames[] = {"Clocks unchanged", "Default clocks", "Overclocked"};
    return kNames[static_cast<int>(inForce)];
}

const char* ClockCauseName(ClockCause cause)
{
    return cause == ClockCause::User ? "the user's choice" : CauseText(cause);
}

void TrayTipText(ClocksInForce inForce, HoldReason difference, wchar_t (&out)[128])
{
    out[0] = L'\0';
    Append(out, "QEL Korvane\n");
    Append(out, ClocksName(inForce));
    if (const char* why = HoldReasonText(difference); *why) {
        Append(out, ": ");
        Append(out, why);
    }
}

void NoticeText(ClocksInForce inForce, ClockCause cause, wchar_t (&out)[256])
{
    out[0] = L'\0';
    Append(out, inForce == ClocksInForce::Overclocked ? "Overclocked again" : ClocksName(inForce));
    if (const char* why = CauseText(cause); *why) {
        Append(out, ": ");
        Append(out, why);
    }
}
