// A running Korvane that setup and the uninstaller must not end: its session
// is not active, so its Exit would leave the clocks overclocked, or it does
// not answer, so a request could be taken only after they had given up. Both
// stop with exit code 3, change nothing, and Korvane runs on.
#include "InstallerTest.h"

#include "Files.h"
#include "KorvaneUi.h"
#include "UserState.h"

namespace installer {
namespace {

struct Stays
{
    const char* name;
    // How long one firmware command may take (0: the library's own bound).
    DWORD pipeTimeoutMs;
    // Brings the running Korvane into the state; false when it cannot.
    bool (*prepare)(drive::Notebook& notebook, HWND main);
    // The uninstaller meets the state too (a busy Korvane is free again
    // before a second run would be done).
    bool uninstallerToo;
};

class KorvaneStays : public Installer, public ::testing::WithParamInterface<Stays>
{};

TEST_P(KorvaneStays, SetupAndUninstallerChangeNothing)
{
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    setup.pipeTimeoutMs = GetParam().pipeTimeoutMs;
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    ASSERT_NO_FATAL_FAILURE(StartInstalledKorvane(folder));
    ASSERT_NO_FATAL_FAILURE(MarkInstall(folder));
    ASSERT_TRUE(GetParam().prepare(*notebook, main));

    EXPECT_EQ(RunSetup(L"/S /D=" + folder), kStillRunning);
    if (GetParam().uninstallerToo) {
        EXPECT_EQ(RunUninstaller(folder), kStillRunning);
    }
    ExpectMarkedInstall(folder);
    // Not asked to end: once free again, Korvane answers and runs on.
    EXPECT_TRUE(drive::Settle(main, 30000));
    EXPECT_TRUE(korvane.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Installer, KorvaneStays,
    ::testing::Values(
        // The session is locked: Korvane holds every clock change back.
        Stays{"SessionLocked", 0,
              [](drive::Notebook&, HWND main) { return drive::SendSessionChange(main, WTS_SESSION_LOCK); },
              true},
        // A firmware event's handler waits on a service that does not answer.
        Stays{"Busy", 10000,
              [](drive::Notebook& notebook, HWND) {
                  std::vector<std::string> before;
                  return notebook.FirmwareLog(&before) && notebook.Firmware().Control("hang") &&
                         notebook.Firmware().Control("event 0x60") &&
                         drive::WaitUntil(
                             [&] {
                                 std::vector<std::string> log;
                                 return notebook.FirmwareLog(&log) && log.size() > before.size();
                             },
                             10000);
              },
              false}),
    e2e::CaseName<Stays>);

} // namespace
} // namespace installer
