// The test harness itself: tests run as 32-bit Windows programs under Wine.
#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, RunsAsThirtyTwoBitWindowsProgram)
{
    EXPECT_EQ(sizeof(void*), 4u);
    SYSTEM_INFO si{};
    GetNativeSystemInfo(&si);
    EXPECT_EQ(si.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
}

TEST(Harness, HasADisplay)
{
    HWND hwnd =
        CreateWindowExW(0, L"STATIC", L"t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(DestroyWindow(hwnd));
}
