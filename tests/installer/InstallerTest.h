// Fixture of the installer tests: the setup program built for this test
// build, run silently in a Wine prefix of the tests' own (tests/installer/
// in-prefix) beside the firmware simulator, with the fake NVIDIA driver in the
// system folder where a real driver lives. The simulator's log and the fake's
// GPU state show what a running Korvane did while setup ended it.
#pragma once

#include "KorvaneTest.h"

#include <memory>
#include <string>
#include <vector>

namespace installer {

// Exit codes of the setup program and its uninstaller.
constexpr long kSetupDone = 0;
constexpr long kCannotWrite = 2;
constexpr long kStillRunning = 3;
constexpr long kNotStarted = 4;
// No end within the tests' bound, or no start at all.
constexpr long kNoEnd = -1;
constexpr long kNoStart = -2;

class Installer : public e2e::KorvaneTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the setup program with these arguments and the notebook's
    // environment (a Korvane it starts inherits it) in a job that ends with
    // the run, as a deployment agent's does; returns its exit code.
    long RunSetup(const std::wstring& arguments);
    // Runs a copy of folder's uninstaller silently, as the uninstaller runs
    // itself (from elsewhere, with _?=folder), so that its end is the end of
    // the uninstall; returns its exit code.
    long RunUninstaller(const std::wstring& folder);

    // Fills the notebook folder and starts the simulator.
    void StartFirmware();
    // Starts folder's Korvane.exe as the user would and waits for its
    // start-up; korvane and main refer to it.
    void StartInstalledKorvane(const std::wstring& folder);

    // The process id of the Korvane running in this session, 0 when none runs.
    static DWORD RunningKorvane();

    // Everything the install writes, checked against folder.
    void ExpectInstalledIn(const std::wstring& folder) const;
    // Nothing of Korvane left but `left` in folder.
    void ExpectNothingInstalled(const std::wstring& folder, const std::vector<std::wstring>& left = {}) const;
    // No shortcut, no sign-in start, no installed-programs entry, no settings.
    void ExpectNothingRegistered() const;

    // Changes folder's install where a setup that went on would put it back:
    // the license text and the version in the installed-programs entry.
    void MarkInstall(const std::wstring& folder);
    // The install is as MarkInstall left it, with nothing beside its files,
    // the same uninstaller, the shortcut and the sign-in start.
    void ExpectMarkedInstall(const std::wstring& folder) const;

    static std::vector<std::wstring> InstalledFiles();
    // %LOCALAPPDATA%\Korvane, where an installed Korvane keeps its log.
    static std::wstring LogFolder();
    // %LOCALAPPDATA%\Programs\Korvane, where setup installs without /D.
    static std::wstring DefaultFolder();
    static std::wstring Shortcut();
    static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

    // A folder of this test's own in the prefix's temporary folder.
    std::wstring base;
    // Limits of the job setup and the uninstaller run in, besides ending with
    // the run: by default a program may break away from it.
    DWORD jobLimits = JOB_OBJECT_LIMIT_BREAKAWAY_OK;

private:
    long Run(const std::wstring& exe, const std::wstring& arguments);

    std::wstring m_fakeDriver;
    std::string m_markedUninstaller;
};

} // namespace installer
