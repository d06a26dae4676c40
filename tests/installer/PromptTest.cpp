// Korvane.com as a Windows prompt runs it: "korvane ..." typed in the install
// folder finds Korvane.com before Korvane.exe (PATHEXT lists .COM first), the
// prompt waits for it, its text lands in the prompt's output and %ERRORLEVEL%
// is its exit status. Wine's cmd waits for GUI programs as well; that
// cmd.exe and PowerShell return at once from Korvane.exe, and that the text
// appears in a real console window, only Windows shows.
#include "InstallerTest.h"

#include "Files.h"

namespace installer {
namespace {

class Prompt : public Installer
{
protected:
    // What a prompt in folder shows for the command line `line`, followed by
    // the exit status it sees ("errorlevel=N").
    std::string Run(const std::wstring& folder, const std::wstring& line)
    {
        const std::wstring script = drive::JoinPath(base, L"prompt.bat");
        const std::wstring output = drive::JoinPath(base, L"prompt.out");
        if (!drive::WriteTextFile(script, "@echo off\r\n%*\r\necho errorlevel=%ERRORLEVEL%\r\n"))
            return "no script";
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        drive::ChildProcess cmd;
        DWORD status = 0;
        if (n == 0 || n >= MAX_PATH ||
            !cmd.Start(drive::JoinPath(system, L"cmd.exe"), L"/c " + script + L" " + line, folder, {},
                       output) ||
            !cmd.WaitForExit(30000, &status))
            return "no prompt";
        std::string text;
        drive::ReadTextFile(output, &text);
        return text;
    }
};

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(Prompt, KorvaneRunsTheConsoleCompanion)
{
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    ASSERT_NO_FATAL_FAILURE(StartInstalledKorvane(folder));

    // The status as Korvane.exe prints it, from the companion.
    const std::string status = Run(folder, L"Korvane.exe /status");
    ASSERT_TRUE(StartsWith(status, "feature: available\r\n")) << status;
    ASSERT_TRUE(EndsWith(status, "errorlevel=0\r\n")) << status;
    EXPECT_EQ(Run(folder, L"korvane /status"), status);
    EXPECT_EQ(Run(folder, L"KORVANE --STATUS"), status);
    // Without an option the companion shows its usage (Korvane.exe would
    // start Korvane); a wrong one is bad usage too.
    for (const wchar_t* line : {L"korvane", L"korvane /bogus"}) {
        const std::string text = Run(folder, line);
        EXPECT_TRUE(StartsWith(text, "usage: ")) << drive::Narrow(line) << ": " << text;
        EXPECT_TRUE(EndsWith(text, "errorlevel=2\r\n")) << drive::Narrow(line) << ": " << text;
    }
    EXPECT_TRUE(korvane.IsRunning());
    // /exit returns once Korvane has ended.
    EXPECT_EQ(Run(folder, L"korvane /exit"), "/exit: done.\r\nerrorlevel=0\r\n");
    EXPECT_FALSE(korvane.IsRunning());
    EXPECT_EQ(Run(folder, L"korvane /status"), "Korvane is not running.\r\nerrorlevel=1\r\n");
}

} // namespace
} // namespace installer
