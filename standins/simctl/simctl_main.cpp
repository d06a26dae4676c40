// qel-simctl: the firmware simulator's control channel from the command line,
// for scripts that drive the simulator through Wine.
#include "PipeIo.h"
#include "SimControl.h"

#include <QELWmiAcpi.h>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr char kUsage[] = "usage: qel-simctl [--pipe NAME] [--timeout MS] COMMAND [ARG...]\n"
                          "  wait [MS]        wait until the simulator answers (default 10000 ms)\n"
                          "  call TEXT        send TEXT as one command through QEL_CallNamePipe\n"
                          "  any other words  one control command, words joined by single spaces:\n"
                          "                   set system0|system1|ap N, event CODE, fail [N], pass [N],\n"
                          "                   reply TEXT, hang, log, state, reset, quit\n"
                          "The pipe defaults to QEL_PIPE_NAME, else QELWmiAcpi.\n"
                          "Exit status: 0 done, 1 refused by the simulator, 2 no simulator or bad usage.\n";

std::string Utf8(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool ParseMs(const wchar_t* text, DWORD* ms)
{
    wchar_t* end = nullptr;
    unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0' || value > 600000)
        return false;
    *ms = static_cast<DWORD>(value);
    return true;
}

int Wait(const std::wstring& pipe, DWORD timeoutMs)
{
    pipeio::Deadline deadline(timeoutMs);
    for (;;) {
        if (simctl::Control(pipe, "state"))
            return 0;
        if (deadline.Remaining() == 0) {
            std::fprintf(stderr, "qel-simctl: no simulator answers\n");
            return 2;
        }
        Sleep(50);
    }
}

int Call(const std::wstring& pipe, const std::string& text)
{
    SetEnvironmentVariableW(L"QEL_PIPE_NAME", pipe.c_str());
    char request[80] = {};
    if (text.size() >= sizeof request) {
        std::fprintf(stderr, "qel-simctl: a command has at most 79 characters\n");
        return 2;
    }
    text.copy(request, text.size());
    char reply[800];
    if (!QEL_CallNamePipe(request, sizeof request, reply, sizeof reply)) {
        std::fprintf(stderr, "qel-simctl: the command failed\n");
        return 1;
    }
    std::printf("%s\n", reply);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring pipe = pipeio::PipeNameFromEnvironment();
    DWORD timeoutMs = 3000;
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; i += 2) {
        if (std::wcscmp(argv[i], L"--pipe") == 0)
            pipe = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--timeout") != 0 || !ParseMs(argv[i + 1], &timeoutMs))
            break;
    }
    if (i >= argc || argv[i][0] == L'-') {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::wstring verb = argv[i];
    if (verb == L"wait") {
        DWORD waitMs = 10000;
        if (i + 2 < argc || (i + 1 < argc && !ParseMs(argv[i + 1], &waitMs))) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        return Wait(pipe, waitMs);
    }
    if (verb == L"call") {
        if (i + 2 != argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        return Call(pipe, Utf8(argv[i + 1]));
    }

    std::string command = Utf8(argv[i]);
    for (int k = i + 1; k < argc; ++k)
        command += " " + Utf8(argv[k]);
    std::string reply;
    if (!simctl::Transact(simctl::ControlPipePath(pipe), command, &reply, timeoutMs)) {
        std::fprintf(stderr, "qel-simctl: no simulator answers on %ls\n",
                     simctl::ControlPipePath(pipe).c_str());
        return 2;
    }
    std::string payload = reply.empty() ? std::string() : reply.substr(1);
    std::fwrite(payload.data(), 1, payload.size(), stdout);
    if (payload.empty() || payload.back() != '\n')
        std::fputc('\n', stdout);
    return !reply.empty() && reply[0] == '+' ? 0 : 1;
}
