// Faults of the outside components: the firmware service missing or
// restarting, a driver entry point failing, malformed replies. Korvane keeps
// running, uses its fallbacks, loses no state and leaves the GPU at default
// clocks when it ends.
#include "KorvaneTest.h"

namespace e2e {
namespace {

class Fault : public KorvaneTest
{};

TEST_F(Fault, ServiceAbsentAtStartFallsBackThenRecoversWhenItArrives)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook(0, false));
    // Unavailable by fallback: default clocks, the AP write failing harmlessly.
    EXPECT_EQ(notebook->ClockCalls(), NvRestoreCalls());
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_TRUE(korvane.IsRunning());

    // The service arrives: the library subscribes on its own, events flow.
    ASSERT_TRUE(notebook->StartFirmware());
    ASSERT_TRUE(notebook->Firmware().WaitForSubscribers(1, 10000)) << "no subscription";
    Mark();
    ASSERT_TRUE(notebook->Firmware().Control("event 0x60"));
    ASSERT_TRUE(WaitForCommands(4));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(1)) << "the user's choice was kept";
    EXPECT_EQ(ClockCallsSinceMark(), NvApplyCalls());
    EXPECT_EQ(notebook->ClockMode(), "overclocked");

    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

TEST_F(Fault, ServiceKilledAndRestartedMidRun)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    notebook->StopFirmware();

    // Without the service the clocks still change; the AP write fails harmlessly.
    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    EXPECT_EQ(ClockCallsSinceMark(), NvRestoreCalls());
    EXPECT_EQ(notebook->ClockMode(), "default");
    ASSERT_TRUE(drive::SendSessionChange(main, 3)) << "a capability query fails as well";
    EXPECT_TRUE(korvane.IsRunning());

    ASSERT_TRUE(notebook->StartFirmware());
    ASSERT_TRUE(notebook->Firmware().WaitForSubscribers(1, 10000)) << "the events do not flow again";
    Mark();
    ASSERT_TRUE(notebook->Firmware().Control("event 0x60"));
    ASSERT_TRUE(WaitForCommands(1));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), Commands{drive::kQuerySystem0})
        << "available again, but the user's Disable is kept: no clock change";
    EXPECT_EQ(notebook->ClockMode(), "default");

    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuEnable));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(1)) << "commands work again";
    EXPECT_EQ(notebook->ClockMode(), "overclocked");
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

TEST_F(Fault, AHangingServiceCostsOneBoundedWaitPerCommand)
{
    setup.pipeTimeoutMs = 500;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_TRUE(notebook->Firmware().Control("hang"));
    Mark();
    const ULONGLONG sent = GetTickCount64();
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    EXPECT_LT(GetTickCount64() - sent, 5000u);
    // The AP read hung: fallback 1, cleared by the restore, written as 0.
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(0));
    EXPECT_EQ(ApState(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

struct DriverFault
{
    const char* name;
    bool amd;
    const char* config;
};

class DriverFaults : public KorvaneTest, public ::testing::WithParamInterface<DriverFault>
{};

TEST_P(DriverFaults, FailedApplyLeavesApBitZeroClear)
{
    const DriverFault& fault = GetParam();
    setup.nvidia = !fault.amd;
    setup.amd = fault.amd;
    (fault.amd ? setup.adlConfig : setup.nvapiConfig) = fault.config;
    setup.firmware.ap = 6;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), StartupCommands(6)) << "the AP state is written unchanged";
    EXPECT_EQ(ApState(), 6);
    EXPECT_NE(notebook->ClockMode(), "overclocked");
    EXPECT_TRUE(korvane.IsRunning());

    // The user asks again: the same outcome, the program goes on.
    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuEnable));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(6));
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

INSTANTIATE_TEST_SUITE_P(
    EntryPoints, DriverFaults,
    ::testing::Values(DriverFault{"NvClockModeAFails", false, "status NvClockModeA -1\n"},
                      DriverFault{"NvClockModeBMissing", false, "missing NvClockModeB\n"},
                      DriverFault{"NvClockModeCFails", false, "status NvClockModeC -5\n"},
                      DriverFault{"AdlClockSetFails", true, "status ADL_Display_ODClockConfig_Set -1\n"}),
    CaseName<DriverFault>);

struct BadReply
{
    const char* name;
    // Control commands given before Korvane starts; they script the replies
    // to its first firmware commands.
    std::vector<std::string> script;
    int apWritten;
    bool overclocked;
};

class MalformedReplies : public KorvaneTest, public ::testing::WithParamInterface<BadReply>
{};

TEST_P(MalformedReplies, StartUpUsesTheFallbacksAndKeepsRunning)
{
    const BadReply& reply = GetParam();
    setup.firmware.ap = 4;
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    ASSERT_TRUE(notebook->StartFirmware());
    for (const std::string& command : reply.script)
        ASSERT_TRUE(notebook->Firmware().Control(command)) << command;

    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    main = drive::WaitForMainWindow(korvane.ProcessId(), 20000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForCommands(4));
    ASSERT_TRUE(drive::Settle(main)) << "Korvane hangs";
    EXPECT_TRUE(korvane.IsRunning());
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(reply.apWritten));
    EXPECT_EQ(notebook->ClockMode(), reply.overclocked ? "overclocked" : "default");

    // State is intact afterwards: the next command works normally.
    Mark();
    ASSERT_TRUE(SendCommand(drive::kMenuDisable));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(reply.apWritten & 0xFE));
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(notebook->ClockMode(), "default");
}

const std::string kOversized = "reply " + std::string(900, '7');

INSTANTIATE_TEST_SUITE_P(Replies, MalformedReplies,
                         ::testing::Values(
                             // To the capability query (the first command).
                             BadReply{"CapabilityGarbage", {"reply garbage"}, 4, false},
                             BadReply{"CapabilityMinusOne", {"reply -1"}, 5, true},
                             BadReply{"Capability255", {"reply 255"}, 5, true},
                             BadReply{"CapabilityOversized", {kOversized}, 4, false},
                             BadReply{"CapabilityFails", {"fail"}, 4, false},
                             // To the AP read (the second): the apply's fallback 0 with bit 0 set.
                             BadReply{"ApMinusOne", {"pass", "reply -1"}, 1, true},
                             BadReply{"Ap255", {"pass", "reply 255"}, 1, true},
                             BadReply{"ApGarbage", {"pass", "reply \\x01\\xff!"}, 1, true},
                             BadReply{"ApOversized", {"pass", kOversized}, 1, true},
                             BadReply{"ApWithTrailingText", {"pass", "reply 12abc"}, 13, true}),
                         CaseName<BadReply>);

} // namespace
} // namespace e2e
