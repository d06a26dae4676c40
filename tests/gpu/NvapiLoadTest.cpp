// LoadNvapi through the real DLL boundary: which library it loads, what it
// asks of it, and that a failure leaves nothing loaded.
#include "DriverScenario.h"

#include "gpu/NvapiLibrary.h"

using namespace gputest;

namespace {

const std::string kQueryInitialize = "nvapi_QueryInterface 0x0150E828 -> found";

struct LoadCase
{
    const char* name;
    const FakeDll* dll; // null: no driver library anywhere
    const char* config;
    int expected;
    std::vector<std::string> log;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.name;
}

class NvapiLoad : public DriverScenario<::testing::TestWithParam<LoadCase>>
{};

TEST_P(NvapiLoad, StatusCallsAndWhatStaysLoaded)
{
    const LoadCase& c = GetParam();
    UseDrivers(c.dll ? std::vector<FakeDll>{*c.dll} : std::vector<FakeDll>{});
    FakeDriver* fake = nullptr;
    if (c.dll) {
        fake = &FakeNvapi();
        ASSERT_EQ(fake->Configure(c.config), 0);
    }

    EXPECT_EQ(gpu::LoadNvapi(), c.expected);

    if (fake) {
        EXPECT_EQ(fake->Log(), c.log);
        fake->Release();
    }
    // Only the backend's own reference can be left now.
    EXPECT_EQ(IsModuleLoaded(gpu::kNvapiLibrary), c.expected == gpu::NVAPI_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NvapiLoad,
    ::testing::Values(
        LoadCase{"NoLibrary", nullptr, "", gpu::NVAPI_LIBRARY_NOT_FOUND, {}},
        LoadCase{"NoQueryFunction", &kFakeNvapiWithoutQuery, "", gpu::NVAPI_ERROR, {}},
        LoadCase{"NoInitializeEntry",
                 &kFakeNvapi,
                 "missing NvAPI_Initialize",
                 gpu::NVAPI_ERROR,
                 {"nvapi_QueryInterface 0x0150E828 -> missing"}},
        LoadCase{"InitializeFails",
                 &kFakeNvapi,
                 "status NvAPI_Initialize -1",
                 gpu::NVAPI_ERROR,
                 {kQueryInitialize, "NvAPI_Initialize -> -1"}},
        LoadCase{"InitializeFailsOtherwise",
                 &kFakeNvapi,
                 "status NvAPI_Initialize -6",
                 gpu::NVAPI_ERROR,
                 {kQueryInitialize, "NvAPI_Initialize -> -6"}},
        LoadCase{"Succeeds", &kFakeNvapi, "", gpu::NVAPI_OK, {kQueryInitialize, "NvAPI_Initialize -> 0"}}),
    [](const ::testing::TestParamInfo<LoadCase>& row) { return std::string(row.param.name); });

class NvapiReload : public DriverScenario<>
{
protected:
    void SetUp() override
    {
        UseDrivers(std::vector<FakeDll>{kFakeNvapi});
        m_fake = &FakeNvapi();
    }
    FakeDriver* m_fake = nullptr;
};

TEST_F(NvapiReload, SecondLoadReusesTheHandleAndInitialisesAgain)
{
    EXPECT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);
    EXPECT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);

    EXPECT_EQ(m_fake->Log(), (std::vector<std::string>{kQueryInitialize, "NvAPI_Initialize -> 0",
                                                       kQueryInitialize, "NvAPI_Initialize -> 0"}));
    m_fake->Release();
    ASSERT_TRUE(IsModuleLoaded(gpu::kNvapiLibrary));
    // One FreeLibrary ends it: the second call took no reference of its own.
    gpu::ResetNvapiForTesting();
    EXPECT_FALSE(IsModuleLoaded(gpu::kNvapiLibrary));
}

TEST_F(NvapiReload, FailedReloadForgetsTheAddressesOfTheUnloadedLibrary)
{
    ASSERT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);
    ASSERT_TRUE(gpu::EnumerateNvidia());
    const gpu::NvPhysicalGpuHandle hGpu = gpu::FirstPhysicalGpu();
    ASSERT_EQ(gpu::NvClockModeA(hGpu, 0), gpu::NVAPI_OK);

    ASSERT_EQ(m_fake->Configure("status NvAPI_Initialize -1"), 0);
    EXPECT_EQ(gpu::LoadNvapi(), gpu::NVAPI_ERROR);

    EXPECT_EQ(gpu::NvClockModeA(hGpu, 0), gpu::NVAPI_NO_IMPLEMENTATION);
    EXPECT_EQ(m_fake->Log(), (std::vector<std::string>{kQueryInitialize, "NvAPI_Initialize -> -1"}));
}

} // namespace
