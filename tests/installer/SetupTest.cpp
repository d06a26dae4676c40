// The setup program and its uninstaller, run silently as a user or an
// administrator's script would: install, a running Korvane ended through its
// Exit and started again by an upgrade, uninstall, and folders setup cannot
// write.
#include "InstallerTest.h"

#include "Files.h"
#include "FirmwareLog.h"
#include "KorvaneUi.h"
#include "LookAlike.h"
#include "UniqueHandle.h"
#include "UserState.h"

#include <algorithm>

namespace installer {
namespace {

using e2e::Commands;

constexpr DWORD kWindowTimeoutMs = 10000;

// What Korvane's Exit sends: the Exit command's restore, then the destroy
// handler's.
Commands ExitCommands()
{
    return drive::Concat({drive::ClockOperation(0), drive::ClockOperation(0)});
}

TEST_F(Installer, InstallUpgradeAndUninstallEndARunningKorvaneThroughItsExit)
{
    const std::wstring folder = drive::JoinPath(base, L"Programs\\Korvane");
    const std::wstring exe = drive::JoinPath(folder, L"Korvane.exe");
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    ExpectInstalledIn(folder);
    std::wstring signIn;
    EXPECT_TRUE(ReadUserString(kRunKey, L"Korvane", &signIn));
    EXPECT_EQ(signIn, Quoted(exe)) << "starts at sign-in by default";

    // The installed Korvane works with the driver from the system folder.
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    ASSERT_NO_FATAL_FAILURE(StartInstalledKorvane(folder));
    EXPECT_EQ(CommandsSinceMark(), e2e::StartupCommands(1));
    EXPECT_EQ(notebook->ClockMode(), "overclocked");

    // Korvane's settings outlive an upgrade.
    ASSERT_TRUE(WriteUserString(kSettingsKey, L"Choice", L"default"));

    // Upgrade in place: the running Korvane restores the default clocks and
    // ends before its files are replaced, and the new one starts outside
    // setup's job. A look-alike window of another program is never sent a
    // command.
    Mark();
    {
        LookAlike lookAlike;
        ASSERT_NE(lookAlike.Window(), nullptr);
        ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
        EXPECT_EQ(lookAlike.CommandsReceived(), 0);
        EXPECT_TRUE(IsWindow(lookAlike.Window()));
    }
    DWORD status = 1;
    EXPECT_TRUE(korvane.WaitForExit(0, &status)) << "setup was done before the old Korvane ended";
    EXPECT_EQ(status, 0u) << "Korvane ended by itself, not killed";
    ASSERT_TRUE(WaitForCommands(ExitCommands().size() + 4)) << "the new Korvane does not start";
    EXPECT_EQ(CommandsSinceMark(), drive::Concat({ExitCommands(), e2e::StartupCommands(1)}));
    const DWORD restarted = RunningKorvane();
    EXPECT_NE(restarted, 0u);
    EXPECT_NE(restarted, korvane.ProcessId());
    EXPECT_TRUE(drive::Settle(drive::WaitForMainWindow(restarted, kWindowTimeoutMs)))
        << "the new Korvane ended with setup's job";
    EXPECT_EQ(notebook->ClockMode(), "overclocked");
    ExpectInstalledIn(folder);
    EXPECT_TRUE(ReadUserString(kRunKey, L"Korvane", &signIn));
    EXPECT_EQ(signIn, Quoted(exe)) << "the sign-in start is kept";
    std::wstring choice;
    EXPECT_TRUE(ReadUserString(kSettingsKey, L"Choice", &choice));
    EXPECT_EQ(choice, L"default");

    // Uninstall with that Korvane running: the same Exit, then nothing left.
    pipeio::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, restarted));
    ASSERT_TRUE(process);
    Mark();
    ASSERT_EQ(RunUninstaller(folder), kSetupDone);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 0), WAIT_OBJECT_0) << "Korvane still runs";
    EXPECT_EQ(CommandsSinceMark(), ExitCommands());
    EXPECT_EQ(notebook->ClockMode(), "default");
    ExpectNothingInstalled(folder);
}

TEST_F(Installer, DefaultFolderKeepsTheSignInChoiceAndTheUsersFiles)
{
    const std::wstring folder = DefaultFolder();
    ASSERT_EQ(RunSetup(L"/S /NOAUTOSTART"), kSetupDone);
    ExpectInstalledIn(folder);
    EXPECT_FALSE(UserValueExists(kRunKey, L"Korvane")) << "/NOAUTOSTART";
    EXPECT_EQ(RunningKorvane(), 0u) << "Korvane starts only when asked";

    // Without /D the upgrade finds the folder; without /NOAUTOSTART it keeps
    // the choice; /LAUNCH starts Korvane outside setup's job, so that Korvane
    // does not end with it (the run's job is closed when it returns). A job
    // that lets nothing break away gets no Korvane, and exit code 4.
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    Mark();
    jobLimits = 0;
    EXPECT_EQ(RunSetup(L"/S /LAUNCH"), kNotStarted);
    EXPECT_EQ(RunningKorvane(), 0u);
    jobLimits = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    ASSERT_EQ(RunSetup(L"/S /LAUNCH"), kSetupDone);
    ExpectInstalledIn(folder);
    EXPECT_FALSE(UserValueExists(kRunKey, L"Korvane")) << "an upgrade keeps 'no start at sign-in'";
    ASSERT_TRUE(WaitForCommands(4)) << "/LAUNCH does not start Korvane, or it ended with setup's job";
    EXPECT_EQ(CommandsSinceMark(), e2e::StartupCommands(1));
    EXPECT_TRUE(drive::Settle(drive::WaitForMainWindow(RunningKorvane(), kWindowTimeoutMs)));

    // A file of the user's own keeps the folder, and only that file.
    ASSERT_TRUE(drive::WriteTextFile(drive::JoinPath(folder, L"notes.txt"), "mine\r\n"));
    Mark();
    ASSERT_EQ(RunUninstaller(folder), kSetupDone);
    EXPECT_EQ(RunningKorvane(), 0u);
    EXPECT_EQ(CommandsSinceMark(), ExitCommands());
    ExpectNothingInstalled(folder, {L"notes.txt"});
}

// A run cut short (a power loss) can leave a file moved aside or a new one
// beside it: the next run settles them and installs in full.
TEST_F(Installer, WhatAnInterruptedRunLeftIsSettledByTheNext)
{
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    const std::wstring license = drive::JoinPath(folder, L"LICENSE.txt");
    ASSERT_TRUE(MoveFileW(license.c_str(), (license + L".old").c_str()));
    ASSERT_TRUE(drive::WriteTextFile(drive::JoinPath(folder, L"QELWmiAcpi.dll.new"), "half written"));
    ASSERT_TRUE(CopyFileW(drive::JoinPath(folder, L"Korvane.exe").c_str(),
                          drive::JoinPath(folder, L"Korvane.exe.old").c_str(), FALSE));
    EXPECT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    ExpectInstalledIn(folder);
}

struct Unwritable
{
    const char* name;
    // Creates the obstacle under base; returns the folder given to setup.
    std::wstring (*prepare)(const std::wstring& base);
    // What base holds afterwards: the obstacle, nothing else.
    std::vector<std::wstring> left;
};

class UnwritableFolder : public Installer, public ::testing::WithParamInterface<Unwritable>
{};

TEST_P(UnwritableFolder, FailsWithNothingInstalled)
{
    const std::wstring target = GetParam().prepare(base);
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(RunSetup(L"/S /D=" + target), kCannotWrite);
    EXPECT_EQ(FolderTree(base), GetParam().left);
    ExpectNothingRegistered();
}

INSTANTIATE_TEST_SUITE_P(Installer, UnwritableFolder,
                         ::testing::Values(
                             // A file where a folder of the path should be.
                             Unwritable{"FileOnThePath",
                                        [](const std::wstring& base) {
                                            const std::wstring file = drive::JoinPath(base, L"taken");
                                            return drive::WriteTextFile(file, "a file\r\n")
                                                       ? drive::JoinPath(file, L"Korvane")
                                                       : std::wstring();
                                        },
                                        {L"taken"}},
                             // A folder in which one of the files cannot be written: the ones
                             // written before it go again.
                             Unwritable{"FileCannotBeWritten",
                                        [](const std::wstring& base) {
                                            const std::wstring folder = drive::JoinPath(base, L"Korvane");
                                            return drive::MakeEmptyFolder(
                                                       drive::JoinPath(folder, L"QELWmiAcpi.dll.new"))
                                                       ? folder
                                                       : std::wstring();
                                        },
                                        {L"Korvane", L"Korvane\\QELWmiAcpi.dll.new"}}),
                         e2e::CaseName<Unwritable>);

// A Korvane whose Exit takes long (each firmware command waits out the
// service) has taken the request and will end: setup waits for it and goes
// on, and the new Korvane comes back.
TEST_F(Installer, AKorvaneSlowToEndIsWaitedForAndStartedAgain)
{
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    setup.pipeTimeoutMs = 8000;
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    ASSERT_NO_FATAL_FAILURE(StartInstalledKorvane(folder));
    ASSERT_TRUE(notebook->Firmware().Control("hang"));
    ASSERT_TRUE(notebook->Firmware().Control("hang"));

    Mark();
    EXPECT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    DWORD status = 1;
    EXPECT_TRUE(korvane.WaitForExit(0, &status)) << "setup went on before the old Korvane ended";
    EXPECT_EQ(status, 0u) << "Korvane ended by itself, not killed";
    // The log ends with the new Korvane's start-up.
    const Commands startup = e2e::StartupCommands(1);
    EXPECT_TRUE(drive::WaitUntil(
        [&] {
            const Commands since = CommandsSinceMark();
            return since.size() > startup.size() &&
                   std::equal(startup.begin(), startup.end(),
                              since.end() - static_cast<long>(startup.size()));
        },
        kWindowTimeoutMs))
        << "the new Korvane does not start";
    EXPECT_NE(RunningKorvane(), 0u);
    ExpectInstalledIn(folder);
}

} // namespace
} // namespace installer
