// Which backend a clock change goes through, and when none is used at all.
#include "ClockFixture.h"

using namespace gputest;

namespace {

struct GateCase
{
    const char* name;
    bool sessionActive;
    bool nvidia;
    bool amd;
    bool withAdlInfo;
    std::optional<Backend> used;
};

void PrintTo(const GateCase& c, std::ostream* os)
{
    *os << c.name;
}

class ClockGateChoice : public ClockFixture<::testing::TestWithParam<std::tuple<GateCase, Operation>>>
{};

TEST_P(ClockGateChoice, OnlyTheChosenBackendAndThePipeAreUsed)
{
    const GateCase& c = std::get<0>(GetParam());
    const Operation operation = std::get<1>(GetParam());
    StartBackends("", "");
    StartFirmware("6", Backend::Nvidia);

    Run(operation, gpu::ClockGate{c.sessionActive, c.nvidia, c.amd, c.withAdlInfo ? &m_adlInfo : nullptr});

    EXPECT_EQ(CallsSinceStart(Backend::Nvidia).empty(), c.used != Backend::Nvidia);
    EXPECT_EQ(CallsSinceStart(Backend::Amd).empty(), c.used != Backend::Amd);
    EXPECT_EQ(m_firmware->Commands().size(), c.used ? 3u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClockGateChoice,
    ::testing::Combine(
        ::testing::Values(GateCase{"SessionInactive", false, true, true, true, std::nullopt},
                          GateCase{"SessionInactiveNvidiaOnly", false, true, false, true, std::nullopt},
                          GateCase{"SessionInactiveAmdOnly", false, false, true, true, std::nullopt},
                          GateCase{"BothStarted", true, true, true, true, Backend::Nvidia},
                          GateCase{"NvidiaOnly", true, true, false, true, Backend::Nvidia},
                          GateCase{"AmdOnly", true, false, true, true, Backend::Amd},
                          GateCase{"AmdWithoutClockInformation", true, false, true, false, std::nullopt},
                          GateCase{"Neither", true, false, false, true, std::nullopt}),
        ::testing::Values(Operation::Apply, Operation::Restore)),
    [](const ::testing::TestParamInfo<std::tuple<GateCase, Operation>>& row) {
        return std::string(std::get<0>(row.param).name) +
               (std::get<1>(row.param) == Operation::Apply ? "_Apply" : "_Restore");
    });

} // namespace
