// The clock modes end to end: the driver calls each backend makes, the AP
// state commands around them and the value written, for every combination
// of AP reply and backend outcome.
#include "ClockFixture.h"

using namespace gputest;

namespace {

const char* const kAdlConfig = "flags 5\n"
                               "memory 810 820 1010 300 830 5\n"
                               "engine 610 620 760 200 630 5\n";

std::string AdlSetLine(int memoryClock, int engineClock, int status)
{
    return "ADL_Display_ODClockConfig_Set 0 iSize=16 iFlags=5 iMemoryClock=" + std::to_string(memoryClock) +
           " iEngineClock=" + std::to_string(engineClock) + " -> " + std::to_string(status);
}

std::string Pipe(const std::string& command)
{
    return "pipe " + command;
}

// What the driver sees and the firmware receives, in order.
std::vector<std::string> ExpectedTimeline(Backend backend, Operation operation, bool backendOk, int written)
{
    const int failure = backendOk ? 0 : -1;
    const std::vector<std::string> writeAp = {Pipe(ApSet(written)), Pipe(kApQuery)};
    std::vector<std::string> clocks;
    if (backend == Backend::Nvidia && operation == Operation::Apply)
        clocks = {"NvClockModeA 0x4E500000 1 -> " + std::to_string(failure),
                  "NvClockModeB 0x4E500000 1 0 -> 0", "NvClockModeC 0x4E500000 0 -> 0"};
    else if (backend == Backend::Nvidia)
        clocks = {"NvClockModeA 0x4E500000 0 -> " + std::to_string(failure),
                  "NvClockModeC 0x4E500000 1 -> 0"};
    else if (operation == Operation::Apply)
        clocks = {AdlSetLine(1010, 760, failure)};
    else
        clocks = {AdlSetLine(810, 610, failure)};

    std::vector<std::string> timeline;
    if (operation == Operation::Apply) {
        timeline.push_back(Pipe(kApQuery));
        timeline.insert(timeline.end(), clocks.begin(), clocks.end());
    } else {
        timeline = clocks;
        timeline.push_back(Pipe(kApQuery));
    }
    timeline.insert(timeline.end(), writeAp.begin(), writeAp.end());
    return timeline;
}

struct TruthRow
{
    const char* name;
    Operation operation;
    std::optional<std::string> apReply; // nullopt: the AP query fails
    bool backendOk;
    int written;
};

void PrintTo(const TruthRow& c, std::ostream* os)
{
    *os << c.name;
}

const TruthRow kTruthTable[] = {
    {"ApplyValidSuccess", Operation::Apply, "6", true, 7},
    {"ApplyValidFailure", Operation::Apply, "6", false, 6},
    {"ApplyReadFailedSuccess", Operation::Apply, std::nullopt, true, 1},
    {"ApplyMinusOneSuccess", Operation::Apply, "-1", true, 1},
    {"Apply255Success", Operation::Apply, "255", true, 1},
    {"ApplyReadFailedFailure", Operation::Apply, std::nullopt, false, 0},
    {"ApplyMinusOneFailure", Operation::Apply, "-1", false, 0},
    {"Apply255Failure", Operation::Apply, "255", false, 0},
    {"RestoreValidSuccess", Operation::Restore, "7", true, 6},
    {"RestoreValidFailure", Operation::Restore, "7", false, 7},
    {"RestoreReadFailedSuccess", Operation::Restore, std::nullopt, true, 0},
    {"RestoreMinusOneSuccess", Operation::Restore, "-1", true, 0},
    {"Restore255Success", Operation::Restore, "255", true, 0},
    {"RestoreReadFailedFailure", Operation::Restore, std::nullopt, false, 1},
    {"RestoreMinusOneFailure", Operation::Restore, "-1", false, 1},
    {"Restore255Failure", Operation::Restore, "255", false, 1},
    // Bits other than bit 0.
    {"ApplyZeroSuccess", Operation::Apply, "0", true, 1},
    {"RestoreSixSuccess", Operation::Restore, "6", true, 6},
    {"Apply1FFSuccess", Operation::Apply, "511", true, 0x1FF},
    {"Restore1FFSuccess", Operation::Restore, "511", true, 0xFE},
    {"Apply254Success", Operation::Apply, "254", true, 255},
    {"RestoreHighBitsFailure", Operation::Restore, "1031", false, 1031},
};

class ClockTruthTable : public ClockFixture<::testing::TestWithParam<std::tuple<Backend, TruthRow>>>
{};

TEST_P(ClockTruthTable, DriverCallsAndApCommandsInOrder)
{
    const Backend backend = std::get<0>(GetParam());
    const TruthRow& row = std::get<1>(GetParam());
    const bool nvidia = backend == Backend::Nvidia;
    const std::string failure =
        row.backendOk ? "" : (nvidia ? "status NvClockModeA -1" : "status ADL_Display_ODClockConfig_Set -1");
    StartBackends(nvidia ? failure : "", nvidia ? kAdlConfig : std::string(kAdlConfig) + failure);
    StartFirmware(row.apReply, backend);

    Run(row.operation, Gate(nvidia, !nvidia));

    EXPECT_EQ(TimelineOf(backend), ExpectedTimeline(backend, row.operation, row.backendOk, row.written));
    EXPECT_TRUE(CallsSinceStart(nvidia ? Backend::Amd : Backend::Nvidia).empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ClockTruthTable,
                         ::testing::Combine(::testing::Values(Backend::Nvidia, Backend::Amd),
                                            ::testing::ValuesIn(kTruthTable)),
                         [](const ::testing::TestParamInfo<std::tuple<Backend, TruthRow>>& row) {
                             return std::string(std::get<0>(row.param) == Backend::Nvidia ? "Nvidia_"
                                                                                          : "Amd_") +
                                    std::get<1>(row.param).name;
                         });

// Any one NVIDIA entry point failing or missing fails the whole change, and
// the others are still called.
struct NvidiaFailure
{
    const char* name;
    const char* config;
    Operation operation;
    std::vector<std::string> calls;
};

void PrintTo(const NvidiaFailure& c, std::ostream* os)
{
    *os << c.name;
}

class NvidiaPartialFailure : public ClockFixture<::testing::TestWithParam<NvidiaFailure>>
{};

TEST_P(NvidiaPartialFailure, AllEntryPointsCalledAndApUnchanged)
{
    const NvidiaFailure& c = GetParam();
    // The AP value before is the one the operation would change: bit 0 clear
    // before an apply, set before a restore.
    const int apBefore = c.operation == Operation::Apply ? 6 : 7;
    StartBackends(c.config, kAdlConfig);
    StartFirmware(std::to_string(apBefore), Backend::Nvidia);

    Run(c.operation, Gate(true, false));

    std::vector<std::string> expected;
    if (c.operation == Operation::Apply)
        expected.push_back(Pipe(kApQuery));
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    if (c.operation == Operation::Restore)
        expected.push_back(Pipe(kApQuery));
    expected.push_back(Pipe(ApSet(apBefore)));
    expected.push_back(Pipe(kApQuery));
    EXPECT_EQ(TimelineOf(Backend::Nvidia), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NvidiaPartialFailure,
    ::testing::Values(NvidiaFailure{"ApplyFirstFails",
                                    "status NvClockModeA -1",
                                    Operation::Apply,
                                    {"NvClockModeA 0x4E500000 1 -> -1", "NvClockModeB 0x4E500000 1 0 -> 0",
                                     "NvClockModeC 0x4E500000 0 -> 0"}},
                      NvidiaFailure{"ApplySecondFails",
                                    "status NvClockModeB -104",
                                    Operation::Apply,
                                    {"NvClockModeA 0x4E500000 1 -> 0", "NvClockModeB 0x4E500000 1 0 -> -104",
                                     "NvClockModeC 0x4E500000 0 -> 0"}},
                      NvidiaFailure{"ApplyThirdFails",
                                    "status NvClockModeC -1",
                                    Operation::Apply,
                                    {"NvClockModeA 0x4E500000 1 -> 0", "NvClockModeB 0x4E500000 1 0 -> 0",
                                     "NvClockModeC 0x4E500000 0 -> -1"}},
                      NvidiaFailure{"ApplySecondMissing",
                                    "missing NvClockModeB",
                                    Operation::Apply,
                                    {"NvClockModeA 0x4E500000 1 -> 0", "NvClockModeC 0x4E500000 0 -> 0"}},
                      NvidiaFailure{"RestoreFirstFails",
                                    "status NvClockModeA -1",
                                    Operation::Restore,
                                    {"NvClockModeA 0x4E500000 0 -> -1", "NvClockModeC 0x4E500000 1 -> 0"}},
                      NvidiaFailure{"RestoreSecondFails",
                                    "status NvClockModeC -1",
                                    Operation::Restore,
                                    {"NvClockModeA 0x4E500000 0 -> 0", "NvClockModeC 0x4E500000 1 -> -1"}},
                      NvidiaFailure{"RestoreFirstMissing",
                                    "missing NvClockModeA",
                                    Operation::Restore,
                                    {"NvClockModeC 0x4E500000 1 -> 0"}}),
    [](const ::testing::TestParamInfo<NvidiaFailure>& row) { return std::string(row.param.name); });

class ClockSequence : public ClockFixture<>
{};

TEST_F(ClockSequence, AfterWriting255EveryReadGivesItsFallback)
{
    StartBackends("", kAdlConfig);
    StartFirmware("254", Backend::Nvidia);

    gpu::ApplyOverclock(Gate(true, false));
    gpu::RestoreDefaultClocks(Gate(true, false));

    const std::vector<std::string> commands = m_firmware->CommandTexts();
    EXPECT_EQ(commands,
              (std::vector<std::string>{kApQuery, ApSet(255), kApQuery, kApQuery, ApSet(0), kApQuery}));
}

TEST_F(ClockSequence, SimulatedNvidiaClocksFollowTheModes)
{
    StartBackends("", kAdlConfig);
    StartFirmware("0", Backend::Nvidia);
    ASSERT_EQ(m_nvapi->State(), "vendor=nvidia mode=default");

    gpu::ApplyOverclock(Gate(true, false));
    EXPECT_EQ(m_nvapi->State(), "vendor=nvidia mode=overclocked");

    gpu::RestoreDefaultClocks(Gate(true, false));
    EXPECT_EQ(m_nvapi->State(), "vendor=nvidia mode=default");
}

TEST_F(ClockSequence, SimulatedAmdClocksFollowTheModes)
{
    StartBackends("", kAdlConfig);
    StartFirmware("0", Backend::Amd);
    ASSERT_EQ(m_adl->State(), "vendor=amd engine=620 memory=820");

    gpu::ApplyOverclock(Gate(false, true));
    EXPECT_EQ(m_adl->State(), "vendor=amd engine=760 memory=1010");

    gpu::RestoreDefaultClocks(Gate(false, true));
    EXPECT_EQ(m_adl->State(), "vendor=amd engine=610 memory=810");
}

} // namespace
