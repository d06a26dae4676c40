#include "CommandLine.h"

#include <shellapi.h>

#include <cwchar>

#include "ClockPolicy.h"
#include "KorvaneDlg.h"
#include "RemoteControl.h"

namespace {

constexpr char kUsage[] =
    "usage: korvane [/enable | /disable | /exit | /status | /ac-only on|off | /notices on|off]\r\n"
    "  /enable, /disable, /exit  as the tray menu's entries, sent to the running Korvane\r\n"
    "  /status                   what the running Korvane has chosen and can do\r\n"
    "  /ac-only on|off           overclock only on AC power, as the menu's option\r\n"
    "  /notices on|off           notices when the clocks change by themselves, as the menu's option\r\n"
    "Exit status: 0 done, 1 Korvane not running, 2 bad usage, 3 no answer in time,\r\n"
    "  4 /exit refused: Korvane's session is locked, disconnected or logged off.\r\n";

constexpr char kExitRefused[] =
    "/exit: not done, Korvane keeps running: its session is locked, disconnected or logged off,\r\n"
    "and it changes no clocks then, so it could not restore the default clocks on its way out.\r\n"
    "Run /exit again once the session is active.\r\n";

// How long the running Korvane may take to answer (it may be waiting on the
// firmware or in a firmware event's wait) and to end after /exit.
constexpr DWORD kAnswerTimeoutMs = 20000;
constexpr DWORD kEndTimeoutMs = 20000;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMainCaption[] = L"NVIDIA Korvane";

class HandleOwner
{
public:
    HandleOwner() = default;
    ~HandleOwner() { Reset(nullptr); }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    void Reset(HANDLE handle)
    {
        if (m_handle)
            ::CloseHandle(m_handle);
        m_handle = handle;
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

// Top-level windows of this session with the main dialog's class and caption.
struct Candidates
{
    DWORD session;
    HWND windows[16];
    int count;
};

BOOL CALLBACK CollectCandidate(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<Candidates*>(param);
    wchar_t text[32];
    if (::GetClassNameW(window, text, 32) == 0 || std::wcscmp(text, kDialogClass) != 0)
        return TRUE;
    if (::GetWindowTextW(window, text, 32) == 0 || std::wcscmp(text, kMainCaption) != 0)
        return TRUE;
    DWORD pid = 0;
    DWORD session = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (!::ProcessIdToSessionId(pid, &session) || session != found->session)
        return TRUE;
    found->windows[found->count++] = window;
    return found->count < 16;
}

class WindowsRemote : public RemoteKorvane
{
public:
    Found Find(LRESULT* status) override
    {
        Candidates found{};
        if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &found.session))
            return Found::NotRunning;
        ::EnumWindows(CollectCandidate, reinterpret_cast<LPARAM>(&found));
        bool silent = false;
        for (int i = 0; i < found.count; ++i) {
            m_window = found.windows[i];
            LRESULT answer = 0;
            // A hung namesake answers never: it costs no wait.
            if (!SendTo(kRemoteStatus, SMTO_ABORTIFHUNG, &answer)) {
                silent = silent || ::GetLastError() == ERROR_TIMEOUT;
                continue;
            }
            if (IsRemoteAnswer(answer)) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(m_window, &pid);
                m_process.Reset(::OpenProcess(SYNCHRONIZE, FALSE, pid));
                *status = answer;
                return Found::Yes;
            }
        }
        m_window = nullptr;
        return silent ? Found::NoAnswer : Found::NotRunning;
    }

    bool Send(WPARAM request, LRESULT* answer) override
    {
        // Korvane has just answered: a command may keep it busy, it gets the full time.
        return SendTo(request, SMTO_NORMAL, answer);
    }

    bool WaitForEnd() override
    {
        if (m_process.Get())
            return ::WaitForSingleObject(m_process.Get(), kEndTimeoutMs) == WAIT_OBJECT_0;
        // Without a handle, the window going away is the sign.
        const DWORD start = ::GetTickCount();
        while (::IsWindow(m_window)) {
            if (::GetTickCount() - start > kEndTimeoutMs)
                return false;
            ::Sleep(50);
        }
        return true;
    }

private:
    bool SendTo(WPARAM request, UINT flags, LRESULT* answer)
    {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(m_window, g_msgRemoteControl, request, 0, flags, kAnswerTimeoutMs,
                                   &result))
            return false;
        *answer = static_cast<LRESULT>(result);
        return true;
    }

    HWND m_window = nullptr;
    HandleOwner m_process;
};

// Each request that is sent: its name and what the running Korvane is asked.
struct Sent
{
    CommandRequest request;
    const char* name;
    WPARAM message;
};

const Sent kSent[] = {
    {CommandRequest::Enable, "/enable", IDM_ENABLE},
    {CommandRequest::Disable, "/disable", IDM_DISABLE},
    {CommandRequest::Exit, "/exit", IDM_EXIT},
    {CommandRequest::AcOnlyOn, "/ac-only on", kRemoteAcOnlyOn},
    {CommandRequest::AcOnlyOff, "/ac-only off", kRemoteAcOnlyOff},
    {CommandRequest::NoticesOn, "/notices on", kRemoteNoticesOn},
    {CommandRequest::NoticesOff, "/notices off", kRemoteNoticesOff},
};

// Whether an option's value (none, or the argument after it) is expected.
bool SameValue(const wchar_t* value, const wchar_t* expected)
{
    if (!value || !expected)
        return value == expected;
    return ::_wcsicmp(value, expected) == 0;
}

// Only the requests of kSent reach here; Exit stands for anything else.
const Sent& SentFor(CommandRequest request)
{
    for (const Sent& sent : kSent)
        if (sent.request == request)
            return sent;
    return kSent[2];
}

// Why the clocks in force differ from the choice, from the answer's bits.
HoldReason Difference(LRESULT status)
{
    const ClockState state{(status & kStatusOverclockChosen) != 0, (status & kStatusAvailable) != 0,
                           (status & kStatusSessionActive) != 0, (status & kStatusAcOnly) != 0,
                           (status & kStatusOnBattery) == 0};
    return ClocksDifferBecause(
        (status & kStatusOverclocked) ? ClocksInForce::Overclocked : ClocksInForce::Default, state);
}

std::string StatusText(LRESULT status)
{
    std::string text;
    text += (status & kStatusAvailable) ? "feature: available\r\n" : "feature: not available\r\n";
    text +=
        (status & kStatusOverclockChosen) ? "clocks chosen: overclocked\r\n" : "clocks chosen: default\r\n";
    text += (status & kStatusNvidia) ? "GPU backend: NVIDIA\r\n"
            : (status & kStatusAmd)  ? "GPU backend: AMD\r\n"
                                     : "GPU backend: none\r\n";
    text += (status & kStatusSessionActive) ? "session: active\r\n" : "session: not active\r\n";
    text += (status & kStatusAcOnly) ? "only on AC power: on\r\n" : "only on AC power: off\r\n";
    text += (status & kStatusNoticesOff) ? "notices: off\r\n" : "notices: on\r\n";
    const HoldReason difference = Difference(status);
    if (difference != HoldReason::None) {
        text += (status & kStatusOverclocked) ? "clocks now: overclocked, " : "clocks now: default, ";
        text += HoldReasonText(difference);
        text += "\r\n";
    }
    return text;
}

// Writes text where the caller can see it: an inherited standard output
// (a redirection or a pipe), else the console of the parent process.
void Print(const std::string& text)
{
    if (text.empty())
        return;
    const DWORD size = static_cast<DWORD>(text.size());
    DWORD written = 0;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
        ::WriteFile(out, text.data(), size, &written, nullptr);
        return;
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    HandleOwner console;
    console.Reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (console.Get() != INVALID_HANDLE_VALUE)
        ::WriteFile(console.Get(), text.data(), size, &written, nullptr);
    else
        console.Reset(nullptr);
    ::FreeConsole();
}

} // namespace

CommandRequest ParseCommandRequest(int argc, const wchar_t* const* argv)
{
    if (argc <= 1)
        return CommandRequest::None;
    if (argc > 3 || !argv[1] || (argc == 3 && !argv[2]))
        return CommandRequest::BadUsage;
    const wchar_t* option = argv[1];
    if (option[0] == L'/')
        option += 1;
    else if (option[0] == L'-' && option[1] == L'-')
        option += 2;
    else
        return CommandRequest::BadUsage;
    // The options without and with a value ("on" or "off").
    static const struct
    {
        const wchar_t* name;
        const wchar_t* value;
        CommandRequest request;
    } kOptions[] = {
        {L"enable", nullptr, CommandRequest::Enable},   {L"disable", nullptr, CommandRequest::Disable},
        {L"exit", nullptr, CommandRequest::Exit},       {L"status", nullptr, CommandRequest::Status},
        {L"ac-only", L"on", CommandRequest::AcOnlyOn},  {L"ac-only", L"off", CommandRequest::AcOnlyOff},
        {L"notices", L"on", CommandRequest::NoticesOn}, {L"notices", L"off", CommandRequest::NoticesOff}};
    const wchar_t* value = argc == 3 ? argv[2] : nullptr;
    for (const auto& known : kOptions)
        if (::_wcsicmp(option, known.name) == 0 && SameValue(value, known.value))
            return known.request;
    return CommandRequest::BadUsage;
}

int RunCommandRequest(CommandRequest request, RemoteKorvane& korvane, std::string* output)
{
    if (request == CommandRequest::None || request == CommandRequest::BadUsage) {
        *output = kUsage;
        return kCommandExitUsage;
    }
    LRESULT status = 0;
    switch (korvane.Find(&status)) {
    case RemoteKorvane::Found::NotRunning:
        *output = "Korvane is not running.\r\n";
        return kCommandExitNotRunning;
    case RemoteKorvane::Found::NoAnswer:
        *output = "Korvane did not answer in time.\r\n";
        return kCommandExitNoAnswer;
    case RemoteKorvane::Found::Yes:
        break;
    }
    if (request == CommandRequest::Status) {
        *output = StatusText(status);
        return kCommandExitDone;
    }
    if (request == CommandRequest::Exit && !(status & kStatusSessionActive)) {
        *output = kExitRefused;
        return kCommandExitSessionInactive;
    }
    const Sent& sent = SentFor(request);
    LRESULT answer = 0;
    if (!korvane.Send(sent.message, &answer) || !IsRemoteAnswer(answer)) {
        *output = "Korvane did not answer in time.\r\n";
        return kCommandExitNoAnswer;
    }
    // The session stopped being active after the status was read.
    if (answer & kCommandSessionInactive) {
        *output = kExitRefused;
        return kCommandExitSessionInactive;
    }
    if (answer & kCommandGrayed) {
        *output = std::string(sent.name) +
                  ": nothing done, the feature is not available (the menu grays this entry).\r\n";
        return kCommandExitDone;
    }
    if (request == CommandRequest::Exit && !korvane.WaitForEnd()) {
        *output = "Korvane did not end in time.\r\n";
        return kCommandExitNoAnswer;
    }
    *output = std::string(sent.name) + ": done.\r\n";
    return kCommandExitDone;
}

bool RunCommandLine(const wchar_t* commandLine, int* exitStatus)
{
    int argc = 0;
    wchar_t** argv = commandLine ? ::CommandLineToArgvW(commandLine, &argc) : nullptr;
    if (!argv)
        return false;
    const CommandRequest request = ParseCommandRequest(argc, argv);
    ::LocalFree(argv);
    if (request == CommandRequest::None)
        return false;
    WindowsRemote korvane;
    std::string output;
    *exitStatus = RunCommandRequest(request, korvane, &output);
    Print(output);
    return true;
}
