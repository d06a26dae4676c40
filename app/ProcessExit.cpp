#include "ProcessExit.h"

#include <cstdlib>

namespace {
void RealExit(int status)
{
    std::exit(status);
}
ExitFn g_exit = &RealExit;
} // namespace

void ExitProcessWith(int status)
{
    g_exit(status);
}

ExitFn SetExitForTesting(ExitFn fn)
{
    ExitFn previous = g_exit;
    g_exit = fn ? fn : &RealExit;
    return previous;
}
