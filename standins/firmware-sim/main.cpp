// qel-firmware-sim: stands in for the maker's service behind QELWmiAcpi.dll.
// It owns the firmware's values, answers commands on the command pipe, sends
// QEL_Event events to subscribers and takes instructions from tests and
// scripts on its control pipe. The framing of both pipes is described in
// Wire.h; the control commands in Control.cpp. Every command is also printed
// to standard output.
//
//   qel-firmware-sim [--pipe NAME] [--system0 N] [--system1 N] [--ap N]
//
// The pipe defaults to QEL_PIPE_NAME, else QELWmiAcpi; the values to 2, 0, 0.
// Exit status 0 after "quit", 2 on bad arguments or a pipe name in use.
#include "PipeIo.h"
#include "PipeServer.h"
#include "Simulator.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

constexpr char kUsage[] = "usage: qel-firmware-sim [--pipe NAME] [--system0 N] [--system1 N] [--ap N]\n";

bool ParseArguments(int argc, wchar_t** argv, std::wstring* pipe, FirmwareValues* values)
{
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return false;
        std::wstring name = argv[i];
        if (name == L"--pipe") {
            *pipe = argv[i + 1];
            if (pipe->empty())
                return false;
            continue;
        }
        char text[16];
        if (WideCharToMultiByte(CP_UTF8, 0, argv[i + 1], -1, text, sizeof text, nullptr, nullptr) == 0)
            return false;
        int value = 0;
        if (!ParseDecimal(text, &value))
            return false;
        if (name == L"--system0")
            values->system0 = value;
        else if (name == L"--system1")
            values->system1 = value;
        else if (name == L"--ap")
            values->ap = value;
        else
            return false;
    }
    return true;
}

std::wstring OwnerMutexName(std::wstring path)
{
    // A kernel object's own name holds no backslash.
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return L"Local\\qel-firmware-sim:" + path;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring name = pipeio::PipeNameFromEnvironment();
    FirmwareValues values;
    if (!ParseArguments(argc, argv, &name, &values)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::wstring path = pipeio::PipePath(name);
    // Whole lines go out at each flush; an unbuffered stream would be written
    // byte by byte when the output is a device.
    std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);

    // One simulator per pipe name. The pipes' first-instance flag says the
    // same on Windows, but Wine does not enforce it.
    pipeio::UniqueHandle owner(CreateMutexW(nullptr, FALSE, OwnerMutexName(path).c_str()));
    const bool taken = !owner || GetLastError() == ERROR_ALREADY_EXISTS;

    pipeio::UniqueHandle quit(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    PipeListener commands;
    PipeListener control;
    // The control pipe comes last: once it answers, the command pipe exists.
    if (taken || !quit || !commands.Open(path) || !control.Open(path + pipeio::kControlSuffix)) {
        std::fprintf(stderr, "qel-firmware-sim: cannot serve %ls (in use?)\n", path.c_str());
        return 2;
    }

    Simulator sim(values);
    sim.Announce(path);
    std::thread controlThread([&] {
        control.Run(quit.Get(),
                    [&](pipeio::UniqueHandle pipe) { ServeControlClient(sim, std::move(pipe), quit.Get()); });
    });
    commands.Run(quit.Get(),
                 [&](pipeio::UniqueHandle pipe) { ServeCommandClient(sim, std::move(pipe), quit.Get()); });
    controlThread.join();

    // Client threads may still be finishing with the simulator; the process
    // ends around them rather than destroying what they use.
    std::printf("qel-firmware-sim: quit\n");
    std::fflush(stdout);
    ExitProcess(0);
}
