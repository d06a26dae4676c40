// Firmware events from the simulator reaching windows through
// CQELWmiAcpi, across service restarts, and the object's teardown.
#include "ChannelSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr DWORD kWaitMs = 5000;

class QelEvents : public ::testing::Test
{
protected:
    // Raises code at the simulator and pumps until every window has count
    // events.
    bool RaiseAndWait(int code, std::initializer_list<const EventWindow*> windows, size_t count)
    {
        std::string reached;
        if (!sim.Control("event " + std::to_string(code), &reached) || reached == "0")
            return false;
        return PumpUntil(
            [&] {
                for (const EventWindow* w : windows)
                    if (w->Events().size() < count)
                        return false;
                return true;
            },
            kWaitMs);
    }

    simctl::SimProcess sim;
    EnvScope pipeName{L"QEL_PIPE_NAME", sim.PipeName()};
};

TEST_F(QelEvents, ReachEveryRegisteredWindowOnceWithCodeInLowByte)
{
    ASSERT_TRUE(sim.Start());
    EventWindow first;
    EventWindow second;
    EventWindow unregistered;
    ASSERT_TRUE(first.Handle() && second.Handle() && unregistered.Handle());
    CQELWmiAcpi acpi;
    acpi.AddHWND(first.Handle());
    acpi.AddHWND(second.Handle());
    acpi.AddHWND(first.Handle());
    acpi.AddHWND(nullptr);
    ASSERT_TRUE(SubscribeToQelEvents(acpi));
    ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));

    const int codes[] = {0x39, 0x5D, 0x60, 0x79, 0x00, 0xFF};
    size_t count = 0;
    for (int code : codes)
        ASSERT_TRUE(RaiseAndWait(code, {&first, &second}, ++count)) << code;

    const std::vector<WPARAM> expected(std::begin(codes), std::end(codes));
    for (const EventWindow* w : {&first, &second}) {
        EXPECT_EQ(w->Codes(), expected);
        for (const EventWindow::Event& e : w->Events())
            EXPECT_EQ(e.lParam, 0);
    }
    EXPECT_TRUE(unregistered.Events().empty());
}

TEST_F(QelEvents, FlowAgainAfterTheServiceRestarts)
{
    ASSERT_TRUE(sim.Start());
    EventWindow window;
    CQELWmiAcpi acpi;
    acpi.AddHWND(window.Handle());
    ASSERT_TRUE(SubscribeToQelEvents(acpi));
    ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
    ASSERT_TRUE(RaiseAndWait(0x60, {&window}, 1));

    sim.Kill();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
    ASSERT_TRUE(RaiseAndWait(0x5D, {&window}, 2));
    EXPECT_EQ(window.Codes(), (std::vector<WPARAM>{0x60, 0x5D}));
}

TEST_F(QelEvents, FlowOnceTheServiceAppearsAfterSubscribing)
{
    EventWindow window;
    CQELWmiAcpi acpi;
    acpi.AddHWND(window.Handle());
    ASSERT_TRUE(SubscribeToQelEvents(acpi));
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
    // A window added after subscribing is served too.
    EventWindow later;
    acpi.AddHWND(later.Handle());
    ASSERT_TRUE(RaiseAndWait(0x79, {&window, &later}, 1));
    EXPECT_EQ(window.Codes(), std::vector<WPARAM>{0x79});
}

TEST_F(QelEvents, OnlyTheQelEventSubscriptionIsAccepted)
{
    ASSERT_TRUE(sim.Start());
    char buffer[260] = {};
    CQELWmiAcpi acpi;
    EXPECT_FALSE(acpi.QELWMIEvent(L"Select * from QEL_Other", buffer, L"root\\wmi", L"WQL"));
    EXPECT_FALSE(acpi.QELWMIEvent(L"Select * from QEL_Event", buffer, L"root\\cimv2", L"WQL"));
    EXPECT_FALSE(acpi.QELWMIEvent(L"Select * from QEL_Event", buffer, L"root\\wmi", L"SQL"));
    EXPECT_FALSE(acpi.QELWMIEvent(nullptr, buffer, L"root\\wmi", L"WQL"));
    EXPECT_FALSE(acpi.QELWMIEvent(L"Select * from QEL_Event", buffer, nullptr, L"WQL"));
    EXPECT_FALSE(acpi.QELWMIEvent(L"Select * from QEL_Event", buffer, L"root\\wmi", nullptr));
    // WMI names and keywords ignore case; the buffer is not written.
    EXPECT_TRUE(acpi.QELWMIEvent(L"SELECT * FROM qel_event", buffer, L"ROOT\\WMI", L"wql"));
    EXPECT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\0'));
    // Subscribing again keeps the one subscription.
    EXPECT_TRUE(SubscribeToQelEvents(acpi));
    std::vector<std::string> log;
    ASSERT_TRUE(sim.Log(&log));
    EXPECT_EQ(log, std::vector<std::string>{"SUBSCRIBE\nROOT\\WMI\nwql\nSELECT * FROM qel_event"});
}

TEST_F(QelEvents, DestructorReturnsPromptlyWithAndWithoutService)
{
    ASSERT_TRUE(sim.Start());
    {
        auto subscribed = std::make_unique<CQELWmiAcpi>();
        ASSERT_TRUE(SubscribeToQelEvents(*subscribed));
        ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
        ULONGLONG start = Now();
        subscribed.reset();
        EXPECT_LT(Now() - start, 1000u);
    }
    // The service sees the subscription end.
    pipeio::Deadline deadline(kWaitMs);
    simctl::SimState state;
    while (deadline.Remaining() && sim.State(&state) && state.subscribers != 0)
        Sleep(10);
    EXPECT_EQ(state.subscribers, 0);

    sim.Kill();
    auto reconnecting = std::make_unique<CQELWmiAcpi>();
    ASSERT_TRUE(SubscribeToQelEvents(*reconnecting));
    Sleep(300); // into the reconnect backoff
    ULONGLONG start = Now();
    reconnecting.reset();
    EXPECT_LT(Now() - start, 1000u);

    start = Now();
    {
        CQELWmiAcpi unused;
    }
    EXPECT_LT(Now() - start, 1000u);
}

TEST_F(QelEvents, BytewiseCopiesAreSafeToDestroyBoth)
{
    ASSERT_TRUE(sim.Start());
    EventWindow window;
    {
        CQELWmiAcpi original;
        original.AddHWND(window.Handle());
        ASSERT_TRUE(SubscribeToQelEvents(original));
        ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
        CQELWmiAcpi copy;
        copy = original;
        ASSERT_TRUE(RaiseAndWait(0x60, {&window}, 1));
    }
    // Both are gone; a new object subscribes and delivers as before.
    CQELWmiAcpi fresh;
    fresh.AddHWND(window.Handle());
    ASSERT_TRUE(SubscribeToQelEvents(fresh));
    ASSERT_TRUE(sim.WaitForSubscribers(1, kWaitMs));
    simctl::SimState state;
    pipeio::Deadline deadline(kWaitMs);
    while (deadline.Remaining() && sim.State(&state) && state.subscribers != 1)
        Sleep(10);
    EXPECT_EQ(state.subscribers, 1);
    ASSERT_TRUE(RaiseAndWait(0x39, {&window}, 2));
    EXPECT_EQ(window.Codes(), (std::vector<WPARAM>{0x60, 0x39}));
}

TEST(QelMethodDef, FreeMethodWMIFreesBothStringsAndZeroesTheRecord)
{
    CQELWmiAcpi acpi;
    QEL_METHOD_DEF def{6, SysAllocString(L"QEL_AP"), SysAllocString(L"SetAP"), 4};
    ASSERT_TRUE(def.bstrClassName && def.bstrMethodName);
    acpi.FreeMethodWMI(&def);
    QEL_METHOD_DEF zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&def, &zero, sizeof def), 0);

    QEL_METHOD_DEF partial{1, nullptr, SysAllocString(L"GetAP"), 2};
    acpi.FreeMethodWMI(&partial);
    EXPECT_EQ(std::memcmp(&partial, &zero, sizeof partial), 0);
    acpi.FreeMethodWMI(nullptr);
}

} // namespace
