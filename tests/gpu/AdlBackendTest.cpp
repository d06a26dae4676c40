// InitAdlBackend through the real DLL boundary: which library, which calls,
// which warnings, and what the clock information record holds afterwards.
#include "DriverScenario.h"

#include "gpu/WarningBox.h"

#include <cstdlib>
#include <cstring>

using namespace gputest;

namespace {

const wchar_t* const kMissing = L"ATI's overclock function is missing!";
const wchar_t* const kInitError = L"ADL Initialization Error!";

struct ShownBox
{
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT style;
};

std::vector<ShownBox> g_boxes;

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style)
{
    g_boxes.push_back({owner, text ? text : L"", caption ? caption : L"", style});
    return IDOK;
}

const std::string kCreateOk = "ADL_Main_Control_Create callback=set 1 -> 0";
const std::string kAllocOk = "AdlAllocCallback 64 -> ok";
const std::string kInfoOk = "ADL_Display_ODClockInfo_Get 0 iSize=56 -> 0";

const char* const kAdlFunctions[] = {
    "ADL_Display_ODClockInfo_Get", "ADL_Display_ODClockConfig_Set",    "ADL_Main_Control_Create",
    "ADL_Main_Control_Destroy",    "ADL_Adapter_NumberOfAdapters_Get", "ADL_Adapter_AdapterInfo_Get",
    "ADL_Display_DisplayInfo_Get", "ADL_Display_ColorCaps_Get",        "ADL_Display_Color_Get",
    "ADL_Display_Color_Set",
};

template <typename Base>
class AdlFixture : public DriverScenario<Base>
{
protected:
    void SetUp() override
    {
        g_boxes.clear();
        m_owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                  nullptr);
        ASSERT_NE(m_owner, nullptr);
        gpu::SetMessageBoxForTesting(&RecordBox); // the scenario puts the original back
    }

    void TearDown() override
    {
        if (m_owner)
            DestroyWindow(m_owner);
        DriverScenario<Base>::TearDown();
    }

    FakeDriver& FakeAdl(const std::wstring& file) { return this->Fake(file, "FakeAdl_"); }

    // The boxes shown, each checked for its owner, caption and style.
    std::vector<std::wstring> ShownTexts() const
    {
        std::vector<std::wstring> texts;
        for (const ShownBox& box : g_boxes) {
            EXPECT_EQ(box.owner, m_owner);
            EXPECT_EQ(box.caption, L"QEL Korvane");
            EXPECT_EQ(box.style, 48u);
            texts.push_back(box.text);
        }
        return texts;
    }

    HWND m_owner = nullptr;
    ADLAdapterODClockInfo m_info{};
    HMODULE m_hAdl = reinterpret_cast<HMODULE>(1); // must be overwritten
};

struct InitCase
{
    const char* name;
    std::vector<FakeDll> dlls;
    const char* config;
    bool expected;
    std::vector<std::wstring> boxes;
    std::vector<std::string> log; // of the library expected to load
};

void PrintTo(const InitCase& c, std::ostream* os)
{
    *os << c.name;
}

class AdlInit : public AdlFixture<::testing::TestWithParam<InitCase>>
{};

TEST_P(AdlInit, ResultWarningsAndCalls)
{
    const InitCase& c = GetParam();
    UseDrivers(c.dlls);
    std::vector<FakeDriver*> fakes;
    for (const FakeDll& dll : c.dlls) {
        fakes.push_back(&FakeAdl(dll.file));
        ASSERT_EQ(fakes.back()->Configure(c.config), 0);
    }

    EXPECT_EQ(gpu::InitAdlBackend(m_owner, &m_hAdl, &m_info), c.expected);

    EXPECT_EQ(ShownTexts(), c.boxes);
    if (c.dlls.empty()) {
        EXPECT_EQ(m_hAdl, nullptr);
        EXPECT_FALSE(IsModuleLoaded(L"atiadlxx.dll"));
        EXPECT_FALSE(IsModuleLoaded(L"atiadlxy.dll"));
        return;
    }
    if (!c.expected) {
        // Nothing reaches the driver after a failed start.
        ADLAdapterODClockConfig config{16, 0, 100, 100};
        EXPECT_EQ(gpu::AdlSetODClockConfig(0, &config), gpu::ADL_ERR);
    }
    // The first library given is the one expected in use; the others stay untouched.
    EXPECT_EQ(m_hAdl, fakes.front()->Module());
    EXPECT_EQ(fakes.front()->Log(), c.log);
    for (size_t i = 1; i < fakes.size(); ++i)
        EXPECT_TRUE(fakes[i]->Log().empty());
    // The library stays loaded on success and failure alike.
    for (FakeDriver* fake : fakes)
        fake->Release();
    EXPECT_TRUE(IsModuleLoaded(c.dlls.front().file));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdlInit,
    ::testing::Values(
        InitCase{"Atiadlxx", {kFakeAtiadlxx}, "", true, {}, {kCreateOk, kAllocOk, kInfoOk}},
        InitCase{"FallsBackToAtiadlxy", {kFakeAtiadlxy}, "", true, {}, {kCreateOk, kAllocOk, kInfoOk}},
        InitCase{
            "PrefersAtiadlxx", {kFakeAtiadlxx, kFakeAtiadlxy}, "", true, {}, {kCreateOk, kAllocOk, kInfoOk}},
        InitCase{"NoLibrary", {}, "", false, {}, {}},
        InitCase{"CreateFails",
                 {kFakeAtiadlxx},
                 "status ADL_Main_Control_Create -1",
                 false,
                 {kInitError},
                 {"ADL_Main_Control_Create callback=set 1 -> -1"}},
        InitCase{"InformationFails",
                 {kFakeAtiadlxx},
                 "status ADL_Display_ODClockInfo_Get -8",
                 false,
                 {kInitError},
                 {kCreateOk, kAllocOk, "ADL_Display_ODClockInfo_Get 0 iSize=56 -> -8"}},
        InitCase{"CallbackAllocatesLargeBlocks",
                 {kFakeAtiadlxx},
                 "alloc 100000",
                 true,
                 {},
                 {kCreateOk, "AdlAllocCallback 100000 -> ok", kInfoOk}}),
    [](const ::testing::TestParamInfo<InitCase>& row) { return std::string(row.param.name); });

class AdlMissingFunction : public AdlFixture<::testing::TestWithParam<const char*>>
{};

TEST_P(AdlMissingFunction, OneWarningAndNothingCalled)
{
    UseDrivers(
        std::vector<std::pair<std::wstring, std::wstring>>{{AdlFolderWithout(GetParam()), L"atiadlxx.dll"}});
    FakeDriver& fake = FakeAdl(L"atiadlxx.dll");
    ASSERT_EQ(fake.Configure(""), 0);

    EXPECT_FALSE(gpu::InitAdlBackend(m_owner, &m_hAdl, &m_info));
    ADLAdapterODClockConfig config{16, 0, 100, 100};
    EXPECT_EQ(gpu::AdlSetODClockConfig(0, &config), gpu::ADL_ERR);

    EXPECT_EQ(ShownTexts(), (std::vector<std::wstring>{kMissing}));
    EXPECT_TRUE(fake.Log().empty());
    EXPECT_EQ(m_hAdl, fake.Module());
}

INSTANTIATE_TEST_SUITE_P(Functions, AdlMissingFunction, ::testing::ValuesIn(kAdlFunctions),
                         [](const ::testing::TestParamInfo<const char*>& row) {
                             return std::string(row.param);
                         });

class AdlInformation : public AdlFixture<::testing::Test>
{};

TEST_F(AdlInformation, RecordHoldsWhatTheDriverReported)
{
    UseDrivers(std::vector<FakeDll>{kFakeAtiadlxx});
    FakeDriver& fake = FakeAdl(L"atiadlxx.dll");
    ASSERT_EQ(fake.Configure("flags 9\nmemory 1 2 3 4 5 6\nengine 11 12 13 14 15 16"), 0);

    ASSERT_TRUE(gpu::InitAdlBackend(m_owner, &m_hAdl, &m_info));

    EXPECT_EQ(m_info.iSize, 56);
    EXPECT_EQ(m_info.iFlags, 9);
    const ADLODClockSetting memory = m_info.sMemoryClock;
    const ADLODClockSetting engine = m_info.sEngineClock;
    EXPECT_EQ((std::vector<int>{memory.iDefaultClock, memory.iCurrentClock, memory.iMaxClock,
                                memory.iMinClock, memory.iRequestedClock, memory.iStepClock}),
              (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ((std::vector<int>{engine.iDefaultClock, engine.iCurrentClock, engine.iMaxClock,
                                engine.iMinClock, engine.iRequestedClock, engine.iStepClock}),
              (std::vector<int>{11, 12, 13, 14, 15, 16}));
}

TEST_F(AdlInformation, NullOutputsFailWithoutLoading)
{
    UseDrivers(std::vector<FakeDll>{kFakeAtiadlxx});

    EXPECT_FALSE(gpu::InitAdlBackend(m_owner, nullptr, &m_info));
    EXPECT_FALSE(gpu::InitAdlBackend(m_owner, &m_hAdl, nullptr));

    EXPECT_FALSE(IsModuleLoaded(L"atiadlxx.dll"));
    EXPECT_TRUE(ShownTexts().empty());
}

TEST_F(AdlInformation, SetWithoutResolvedFunctionFails)
{
    ADLAdapterODClockConfig config{16, 0, 100, 100};
    EXPECT_EQ(gpu::AdlSetODClockConfig(0, &config), gpu::ADL_ERR);
}

TEST(AdlAllocCallback, AllocatesWritableBlocksAndRefusesNegativeSizes)
{
    for (int size : {1, 16, 4096}) {
        void* block = gpu::AdlAllocCallback(size);
        ASSERT_NE(block, nullptr) << size;
        std::memset(block, 0x5A, static_cast<size_t>(size));
        std::free(block);
    }
    EXPECT_EQ(gpu::AdlAllocCallback(-1), nullptr);
    EXPECT_EQ(gpu::AdlAllocCallback(-100000), nullptr);
}

} // namespace
