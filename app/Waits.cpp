#include "Waits.h"

namespace {
void RealSleep(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}
SleepFn g_sleep = &RealSleep;
} // namespace

void WaitMilliseconds(DWORD milliseconds)
{
    g_sleep(milliseconds);
}

SleepFn SetSleepForTesting(SleepFn fn)
{
    SleepFn previous = g_sleep;
    g_sleep = fn ? fn : &RealSleep;
    return previous;
}
