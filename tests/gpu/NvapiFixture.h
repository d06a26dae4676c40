// A fake NVIDIA driver library that each test configures before loading it.
#pragma once
#include "DriverScenario.h"

namespace gputest {

// Handles the fake hands out.
constexpr std::uintptr_t kFakeFirstGpu = 0x4E500000;
inline gpu::NvPhysicalGpuHandle FakeGpu(std::uintptr_t index)
{
    return reinterpret_cast<gpu::NvPhysicalGpuHandle>(kFakeFirstGpu + index);
}

template <typename Base = ::testing::Test>
class NvapiFixture : public DriverScenario<Base>
{
protected:
    void SetUp() override
    {
        this->UseDrivers(std::vector<FakeDll>{kFakeNvapi});
        m_nvapi = &this->FakeNvapi();
    }

    // Configures the fake, loads it and forgets the calls made so far.
    void Load(const std::string& config)
    {
        ASSERT_EQ(m_nvapi->Configure(config), 0);
        ASSERT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);
        m_mark = m_nvapi->Log().size();
    }

    // Calls recorded since Load.
    std::vector<std::string> CallsSinceLoad() const
    {
        const std::vector<std::string> log = m_nvapi->Log();
        return std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(m_mark), log.end());
    }

    FakeDriver* m_nvapi = nullptr;
    size_t m_mark = 0;
};

} // namespace gputest
