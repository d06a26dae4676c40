#include "BrightnessEvents.h"

#include <atomic>

namespace {
// Written on the user-interface thread, read on COM's delivery threads.
std::atomic<HWND> g_brightnessTarget{nullptr};
} // namespace

void SetBrightnessEventTarget(HWND hwnd)
{
    g_brightnessTarget.store(hwnd);
}

HWND GetBrightnessEventTarget()
{
    return g_brightnessTarget.load();
}
