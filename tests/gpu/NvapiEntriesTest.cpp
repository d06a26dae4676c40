// The lazily resolved entry points: one question to nvapi_QueryInterface per
// interface ID, arguments passed through, statuses returned as they come.
#include "NvapiFixture.h"

#include <functional>

using namespace gputest;

namespace {

struct EntryCase
{
    const char* name;
    const char* id;
    std::function<int()> call;
    const char* callLine; // as the fake records the call, status -104
};

void PrintTo(const EntryCase& c, std::ostream* os)
{
    *os << c.name;
}

gpu::NvPhysicalGpuHandle g_handles[gpu::NVAPI_MAX_PHYSICAL_GPUS];
gpu::NvLogicalGpuHandle g_logical[gpu::NVAPI_MAX_LOGICAL_GPUS];
gpu::NvU32 g_count;
gpu::NvDisplayHandle g_display;

const EntryCase kEntryCases[] = {
    {"NvEnumDisplay", "0x20DE9260", [] { return gpu::NvEnumDisplay(5, &g_display); },
     "NvEnumDisplay 5 -> -104"},
    {"NvAPI_EnumPhysicalGPUs", "0xE5AC921F", [] { return gpu::NvAPI_EnumPhysicalGPUs(g_handles, &g_count); },
     "NvAPI_EnumPhysicalGPUs -> -104"},
    {"NvAPI_EnumLogicalGPUs", "0x48B3EA59", [] { return gpu::NvAPI_EnumLogicalGPUs(g_logical, &g_count); },
     "NvAPI_EnumLogicalGPUs -> -104"},
    {"NvClockModeA", "0xB23B70EE", [] { return gpu::NvClockModeA(FakeGpu(0), 1); },
     "NvClockModeA 0x4E500000 1 -> -104"},
    {"NvClockModeB", "0xFDFC7D49", [] { return gpu::NvClockModeB(FakeGpu(0), 1, 0); },
     "NvClockModeB 0x4E500000 1 0 -> -104"},
    {"NvClockModeC", "0xFA579A0F", [] { return gpu::NvClockModeC(FakeGpu(0), 0); },
     "NvClockModeC 0x4E500000 0 -> -104"},
};

class NvapiEntry : public NvapiFixture<::testing::TestWithParam<EntryCase>>
{};

TEST_P(NvapiEntry, MissingEntryIsAskedForOnceAndAlwaysGivesNoImplementation)
{
    const EntryCase& c = GetParam();
    Load(std::string("missing ") + c.name);

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(c.call(), gpu::NVAPI_NO_IMPLEMENTATION) << "call " << i;

    EXPECT_EQ(CallsSinceLoad(),
              (std::vector<std::string>{std::string("nvapi_QueryInterface ") + c.id + " -> missing"}));
}

TEST_P(NvapiEntry, PresentEntryIsResolvedOnceAndPassesItsStatusThrough)
{
    const EntryCase& c = GetParam();
    Load(std::string("status ") + c.name + " -104");

    EXPECT_EQ(c.call(), -104);
    EXPECT_EQ(c.call(), -104);

    EXPECT_EQ(CallsSinceLoad(),
              (std::vector<std::string>{std::string("nvapi_QueryInterface ") + c.id + " -> found", c.callLine,
                                        c.callLine}));
}

TEST_P(NvapiEntry, WithoutLoadedLibraryGivesNoImplementation)
{
    const EntryCase& c = GetParam();
    ASSERT_EQ(m_nvapi->Configure(""), 0);

    EXPECT_EQ(c.call(), gpu::NVAPI_NO_IMPLEMENTATION);

    EXPECT_TRUE(m_nvapi->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, NvapiEntry, ::testing::ValuesIn(kEntryCases),
                         [](const ::testing::TestParamInfo<EntryCase>& row) {
                             return std::string(row.param.name);
                         });

class NvapiEntryArguments : public NvapiFixture<>
{};

TEST_F(NvapiEntryArguments, ClockEntriesReceiveHandleAndValues)
{
    Load("gpus 2");

    EXPECT_EQ(gpu::NvClockModeA(FakeGpu(1), 0), gpu::NVAPI_OK);
    EXPECT_EQ(gpu::NvClockModeB(FakeGpu(1), 7, -2), gpu::NVAPI_OK);
    EXPECT_EQ(gpu::NvClockModeC(FakeGpu(0), 1), gpu::NVAPI_OK);
    EXPECT_EQ(gpu::NvClockModeC(FakeGpu(9), 1), -101); // not a GPU the driver knows

    EXPECT_EQ(
        Without(CallsSinceLoad(), "nvapi_QueryInterface"),
        (std::vector<std::string>{"NvClockModeA 0x4E500001 0 -> 0", "NvClockModeB 0x4E500001 7 -2 -> 0",
                                  "NvClockModeC 0x4E500000 1 -> 0", "NvClockModeC 0x4E500009 1 -> -101"}));
}

} // namespace
