// The command line's conversation with the running Korvane: one registered
// message sent to its main dialog. wParam is the request (kRemoteStatus or a
// menu command); the answer carries kRemoteTag in its high half, so that a
// window of the same class and caption that does not know the message (and
// answers 0) is never taken for Korvane's. Windows keeps messages of other
// sessions and of lower integrity levels away from the dialog.
#pragma once
#include <windows.h>

extern const UINT g_msgRemoteControl;

constexpr WPARAM kRemoteStatus = 0;

constexpr LRESULT kRemoteTag = 0x4B560000;
constexpr LRESULT kRemoteTagMask = static_cast<LRESULT>(0xFFFF0000u);

// The status answer's bits.
constexpr LRESULT kStatusAvailable = 0x01;       // the firmware offers the feature
constexpr LRESULT kStatusOverclockChosen = 0x02; // the user's choice is the overclocked clocks
constexpr LRESULT kStatusNvidia = 0x04;          // the NVIDIA backend started
constexpr LRESULT kStatusAmd = 0x08;             // the AMD backend started
constexpr LRESULT kStatusSessionActive = 0x10;   // clock changes are not held back

// Added with the options; each is clear in the state a first start leaves.
constexpr LRESULT kStatusAcOnly = 0x1000;      // "only on AC power" is on
constexpr LRESULT kStatusNoticesOff = 0x2000;  // notices are off
constexpr LRESULT kStatusOnBattery = 0x4000;   // the settled power source is battery
constexpr LRESULT kStatusOverclocked = 0x8000; // the clocks in force are the overclocked ones

// Requests that set an option, as its menu entry would (answered kCommandDone).
constexpr WPARAM kRemoteAcOnlyOff = 0x1000;
constexpr WPARAM kRemoteAcOnlyOn = 0x1001;
constexpr WPARAM kRemoteNoticesOff = 0x1002;
constexpr WPARAM kRemoteNoticesOn = 0x1003;

// A command's answer.
constexpr LRESULT kCommandDone = 0x100;   // handled exactly as the menu's command
constexpr LRESULT kCommandGrayed = 0x200; // the menu grays it now: nothing done
constexpr LRESULT kCommandUnknown = 0x400;
// Exit refused: while the session is not active the default clocks cannot be
// restored, and an ended Korvane could never restore them.
constexpr LRESULT kCommandSessionInactive = 0x800;

inline bool IsRemoteAnswer(LRESULT answer)
{
    return (answer & kRemoteTagMask) == kRemoteTag;
}
