// A crash on any thread ends a test program with the exception code as its
// exit status. Without this, a fault on a helper thread can end the program
// under Wine with status 0, which CTest would count as a pass.
#include <windows.h>

namespace {

LONG WINAPI ExitWithExceptionCode(EXCEPTION_POINTERS*)
{
    return EXCEPTION_EXECUTE_HANDLER;
}

const LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = SetUnhandledExceptionFilter(ExitWithExceptionCode);

} // namespace
