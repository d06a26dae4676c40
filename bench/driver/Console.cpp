#include "Console.h"

#include <windows.h>

#include <cstdio>

namespace bench {

void Progress(const char* what)
{
    std::printf("bench: %s\n", what);
    std::fflush(stdout);
}

void Fail(const std::string& message)
{
    std::fprintf(stderr, "bench-driver: %s\n", message.c_str());
    std::fflush(stderr);
    ExitProcess(1);
}

} // namespace bench
