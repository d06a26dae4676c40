// Both fake drivers loaded and started the way the program starts them,
// with the firmware's pipe replaced by a recording fake for each scenario.
#pragma once
#include "DriverScenario.h"
#include "FakeFirmware.h"

#include "gpu/ClockModes.h"

#include <memory>

namespace gputest {

enum class Backend { Nvidia, Amd };
enum class Operation { Apply, Restore };

inline void PrintTo(Backend backend, std::ostream* os)
{
    *os << (backend == Backend::Nvidia ? "NVIDIA" : "AMD");
}

inline void PrintTo(Operation operation, std::ostream* os)
{
    *os << (operation == Operation::Apply ? "apply" : "restore");
}

template <typename Base = ::testing::Test>
class ClockFixture : public DriverScenario<Base>
{
protected:
    void SetUp() override
    {
        this->UseDrivers(std::vector<FakeDll>{kFakeNvapi, kFakeAtiadlxx});
        m_nvapi = &this->FakeNvapi();
        m_adl = &this->Fake(L"atiadlxx.dll", "FakeAdl_");
    }

    void TearDown() override
    {
        m_firmware.reset();
        DriverScenario<Base>::TearDown();
    }

    // Starts both backends as the program does, each fake configured first.
    void StartBackends(const std::string& nvapiConfig, const std::string& adlConfig)
    {
        ASSERT_EQ(m_nvapi->Configure(nvapiConfig), 0);
        ASSERT_EQ(m_adl->Configure(adlConfig), 0);
        HMODULE hAdl = nullptr;
        ASSERT_TRUE(gpu::InitAdlBackend(nullptr, &hAdl, &m_adlInfo));
        ASSERT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);
        ASSERT_TRUE(gpu::EnumerateNvidia());
        m_nvapiMark = DriverCalls(*m_nvapi).size();
        m_adlMark = DriverCalls(*m_adl).size();
    }

    // A firmware whose AP query answers apReply (nullopt: fails), placing its
    // commands among the calls of backend's driver.
    void StartFirmware(std::optional<std::string> apReply, Backend backend)
    {
        m_firmware = std::make_unique<FakeFirmware>(std::move(apReply));
        m_firmware->CountDriverCallsWith([this, backend] { return CallsSinceStart(backend).size(); });
    }

    void Run(Operation operation, const gpu::ClockGate& gate)
    {
        if (operation == Operation::Apply)
            gpu::ApplyOverclock(gate);
        else
            gpu::RestoreDefaultClocks(gate);
    }

    gpu::ClockGate Gate(bool nvidia, bool amd) const { return gpu::ClockGate{true, nvidia, amd, &m_adlInfo}; }

    // Clock calls since StartBackends; the lazy resolutions are left out.
    std::vector<std::string> CallsSinceStart(Backend backend) const
    {
        const std::vector<std::string> calls = DriverCalls(backend == Backend::Nvidia ? *m_nvapi : *m_adl);
        const size_t mark = backend == Backend::Nvidia ? m_nvapiMark : m_adlMark;
        return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(mark), calls.end());
    }

    std::vector<std::string> TimelineOf(Backend backend) const
    {
        return Timeline(CallsSinceStart(backend), m_firmware->Commands());
    }

    static std::vector<std::string> DriverCalls(const FakeDriver& fake)
    {
        return Without(fake.Log(), "nvapi_QueryInterface");
    }

    FakeDriver* m_nvapi = nullptr;
    FakeDriver* m_adl = nullptr;
    std::unique_ptr<FakeFirmware> m_firmware;
    ADLAdapterODClockInfo m_adlInfo{};
    size_t m_nvapiMark = 0;
    size_t m_adlMark = 0;
};

} // namespace gputest
