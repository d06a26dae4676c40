// The road of one firmware event: from the service through the vendor
// library's window message to the clock change and the AP write.
#include "KorvaneTest.h"

namespace e2e {
namespace {

class Event : public KorvaneTest
{};

TEST_F(Event, Event60WaitsThenQueriesAppliesTheClocksAndSetsApBitZero)
{
    setup.firmware.system0 = 0;
    setup.firmware.ap = 6;
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    ASSERT_EQ(notebook->ClockMode(), "default");
    ASSERT_EQ(ApState(), 6);

    ASSERT_TRUE(notebook->Firmware().Control("set system0 2"));
    Mark();
    const ULONGLONG raised = GetTickCount64();
    ASSERT_TRUE(notebook->Firmware().Control("event 0x60"));
    ASSERT_TRUE(WaitForCommands(1));
    const ULONGLONG firstCommand = GetTickCount64() - raised;
    ASSERT_TRUE(WaitForCommands(4));
    ASSERT_TRUE(drive::Settle(main));

    EXPECT_GE(firstCommand, 2900u) << "the handler waits 3000 ms before asking";
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(7));
    EXPECT_EQ(ClockCallsSinceMark(), NvApplyCalls());
    EXPECT_EQ(notebook->ClockMode(), "overclocked");
    EXPECT_EQ(ApState(), 7);

    // The feature is available now: the menu's mode entries are selectable,
    // so Disable chosen with the keyboard acts.
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    Mark();
    ASSERT_TRUE(drive::ChooseFromMenu(menu, drive::MenuEntry::Disable));
    ASSERT_TRUE(WaitForCommands(3));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(6));
    EXPECT_EQ(notebook->ClockMode(), "default");
}

} // namespace
} // namespace e2e
