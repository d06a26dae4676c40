// The test harness itself: tests run as Windows programs of the build's
// architecture under Wine (32-bit where the machine runs 32-bit code).
#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, RunsAsWindowsProgramOfTheBuildsArchitecture)
{
#ifdef _WIN64
    EXPECT_EQ(sizeof(void*), 8u);
    const WORD expected = PROCESSOR_ARCHITECTURE_AMD64;
#else
    EXPECT_EQ(sizeof(void*), 4u);
    const WORD expected = PROCESSOR_ARCHITECTURE_INTEL;
#endif
    SYSTEM_INFO si{};
    GetNativeSystemInfo(&si);
    EXPECT_EQ(si.wProcessorArchitecture, expected);
}

TEST(Harness, HasADisplay)
{
    HWND hwnd =
        CreateWindowExW(0, L"STATIC", L"t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(DestroyWindow(hwnd));
}
