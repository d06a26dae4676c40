// EnumerateNvidia: displays until the driver says the list is complete (or
// the table is full), then physical and logical GPUs.
#include "NvapiFixture.h"

using namespace gputest;

namespace {

const std::string kPhysicalOk = "NvAPI_EnumPhysicalGPUs -> 0 count=1";
const std::string kLogicalOk = "NvAPI_EnumLogicalGPUs -> 0 count=1";

struct EnumerationCase
{
    const char* name;
    const char* config;
    bool expected;
    std::vector<std::string> calls;
};

void PrintTo(const EnumerationCase& c, std::ostream* os)
{
    *os << c.name;
}

class NvidiaEnumeration : public NvapiFixture<::testing::TestWithParam<EnumerationCase>>
{};

TEST_P(NvidiaEnumeration, ResultAndDriverCalls)
{
    const EnumerationCase& c = GetParam();
    Load(c.config);

    EXPECT_EQ(gpu::EnumerateNvidia(), c.expected);

    EXPECT_EQ(Without(CallsSinceLoad(), "nvapi_QueryInterface"), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NvidiaEnumeration,
    ::testing::Values(
        EnumerationCase{"TwoDisplays",
                        "displays 2",
                        true,
                        {"NvEnumDisplay 0 -> 0", "NvEnumDisplay 1 -> 0", "NvEnumDisplay 2 -> -7", kPhysicalOk,
                         kLogicalOk}},
        EnumerationCase{"NoDisplays", "displays 0", true, {"NvEnumDisplay 0 -> -7", kPhysicalOk, kLogicalOk}},
        EnumerationCase{"DisplayDeviceNotFound", "status NvEnumDisplay -6", false, {"NvEnumDisplay 0 -> -6"}},
        EnumerationCase{"NoPhysicalGpu",
                        "gpus 0",
                        false,
                        {"NvEnumDisplay 0 -> 0", "NvEnumDisplay 1 -> -7", "NvAPI_EnumPhysicalGPUs -> -6"}},
        EnumerationCase{
            "LogicalEnumerationFails",
            "status NvAPI_EnumLogicalGPUs -1",
            false,
            {"NvEnumDisplay 0 -> 0", "NvEnumDisplay 1 -> -7", kPhysicalOk, "NvAPI_EnumLogicalGPUs -> -1"}},
        EnumerationCase{"DisplayEntryMissing", "missing NvEnumDisplay", false, {}},
        EnumerationCase{"PhysicalEntryMissing",
                        "missing NvAPI_EnumPhysicalGPUs",
                        false,
                        {"NvEnumDisplay 0 -> 0", "NvEnumDisplay 1 -> -7"}}),
    [](const ::testing::TestParamInfo<EnumerationCase>& row) { return std::string(row.param.name); });

class NvidiaEnumerationLimits : public NvapiFixture<>
{};

TEST_F(NvidiaEnumerationLimits, MoreThan128DisplaysStopsAtTheTableEnd)
{
    Load("displays 200");

    EXPECT_TRUE(gpu::EnumerateNvidia());

    std::vector<std::string> expected;
    for (int index = 0; index < 128; ++index)
        expected.push_back("NvEnumDisplay " + std::to_string(index) + " -> 0");
    expected.push_back(kPhysicalOk);
    expected.push_back(kLogicalOk);
    EXPECT_EQ(Without(CallsSinceLoad(), "nvapi_QueryInterface"), expected);
}

TEST_F(NvidiaEnumerationLimits, FirstPhysicalGpuIsTheDriversFirstHandle)
{
    Load("gpus 3");
    EXPECT_EQ(gpu::FirstPhysicalGpu(), nullptr);

    ASSERT_TRUE(gpu::EnumerateNvidia());

    EXPECT_EQ(gpu::FirstPhysicalGpu(), FakeGpu(0));
}

TEST_F(NvidiaEnumerationLimits, WithoutLoadedLibraryFailsWithoutCallingTheDriver)
{
    ASSERT_EQ(m_nvapi->Configure(""), 0);

    EXPECT_FALSE(gpu::EnumerateNvidia());

    EXPECT_TRUE(m_nvapi->Log().empty());
}

} // namespace
