// The Korvane that setup starts runs outside setup's job, so a deployment
// agent that closes the job when setup ends does not end Korvane with it
// (which would leave the clocks as they are). A job that lets nothing break
// away gets no Korvane started and exit code 4.
#include "InstallerTest.h"

#include "Files.h"
#include "KorvaneUi.h"

namespace installer {
namespace {

struct Job
{
    const char* name;
    DWORD limits;
    long exitCode;
    bool started;
};

class LaunchFromAJob : public Installer, public ::testing::WithParamInterface<Job>
{};

TEST_P(LaunchFromAJob, KorvaneOutlivesTheJobOrIsNotStarted)
{
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_NO_FATAL_FAILURE(StartFirmware());
    jobLimits = GetParam().limits;
    Mark();
    // The run's job is closed when it returns.
    EXPECT_EQ(RunSetup(L"/S /LAUNCH /D=" + folder), GetParam().exitCode);
    ExpectInstalledIn(folder);
    if (GetParam().started) {
        EXPECT_TRUE(WaitForCommands(4)) << "Korvane ended with setup's job";
        EXPECT_TRUE(drive::Settle(drive::WaitForMainWindow(RunningKorvane(), 10000)));
    } else {
        EXPECT_EQ(RunningKorvane(), 0u);
        EXPECT_EQ(CommandsSinceMark(), e2e::Commands());
    }
}

INSTANTIATE_TEST_SUITE_P(Installer, LaunchFromAJob,
                         ::testing::Values(Job{"BreakawayAllowed", JOB_OBJECT_LIMIT_BREAKAWAY_OK, kSetupDone, true},
                                           Job{"BreakawayRefused", 0, kNotStarted, false}),
                         e2e::CaseName<Job>);

} // namespace
} // namespace installer
