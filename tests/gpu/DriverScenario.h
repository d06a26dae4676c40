// The base of every scenario with fake drivers: a fresh folder of fakes, the
// test's own references to them, and afterwards both backends reset and the
// folder deleted, which fails while any library from it is still loaded.
// No real message box can hold a scenario up.
#pragma once
#include "DriverFolder.h"
#include "FakeDriver.h"

#include "gpu/AdlBackend.h"
#include "gpu/NvapiLibrary.h"
#include "gpu/NvapiBackend.h"
#include "gpu/WarningBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace gputest {

template <typename Base = ::testing::Test>
class DriverScenario : public Base
{
protected:
    DriverScenario() : m_previousBox(gpu::SetMessageBoxForTesting(&NoBox)) {}
    ~DriverScenario() override { gpu::SetMessageBoxForTesting(m_previousBox); }

    void TearDown() override
    {
        m_fakes.clear();
        gpu::ResetNvapiForTesting();
        gpu::ResetAdlForTesting();
        if (m_folder) {
            EXPECT_TRUE(m_folder->Remove()) << "a driver library is still loaded";
        }
    }

    template <typename Fakes>
    void UseDrivers(const Fakes& fakes)
    {
        m_folder = std::make_unique<DriverFolder>(fakes);
        ASSERT_TRUE(m_folder->Ready());
    }

    // Loads a fake from the folder and checks that it can be configured and read.
    FakeDriver& Fake(const std::wstring& file, const char* prefix)
    {
        m_fakes.push_back(std::make_unique<FakeDriver>(m_folder->FileInside(file), prefix));
        EXPECT_TRUE(m_fakes.back()->Ready()) << "fake driver not usable";
        return *m_fakes.back();
    }

    FakeDriver& FakeNvapi() { return Fake(gpu::kNvapiLibrary, "FakeNv_"); }

    static int WINAPI NoBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

    std::unique_ptr<DriverFolder> m_folder;
    std::vector<std::unique_ptr<FakeDriver>> m_fakes;
    gpu::MessageBoxFn m_previousBox;
};

} // namespace gputest
