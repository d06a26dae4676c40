// The clock decision over every state, why the clocks in force differ from
// the choice, and the words the tray icon uses.
#include <gtest/gtest.h>

#include <string>

#include "ClockPolicy.h"
#include "ClockTexts.h"

namespace {

using R = HoldReason;

struct DecisionRow
{
    // chosen, available, session active, only on AC power, on AC power
    bool c, a, s, o, p;
    bool overclock;
    HoldReason reason;
};

TEST(DecideClocks, EveryCombination)
{
    // Rows in the order of a binary count over the five conditions.
    const DecisionRow rows[32] = {
        {0, 0, 0, 0, 0, 0, R::NotChosen},
        {0, 0, 0, 0, 1, 0, R::NotChosen},
        {0, 0, 0, 1, 0, 0, R::NotChosen},
        {0, 0, 0, 1, 1, 0, R::NotChosen},
        {0, 0, 1, 0, 0, 0, R::NotChosen},
        {0, 0, 1, 0, 1, 0, R::NotChosen},
        {0, 0, 1, 1, 0, 0, R::NotChosen},
        {0, 0, 1, 1, 1, 0, R::NotChosen},
        {0, 1, 0, 0, 0, 0, R::NotChosen},
        {0, 1, 0, 0, 1, 0, R::NotChosen},
        {0, 1, 0, 1, 0, 0, R::NotChosen},
        {0, 1, 0, 1, 1, 0, R::NotChosen},
        {0, 1, 1, 0, 0, 0, R::NotChosen},
        {0, 1, 1, 0, 1, 0, R::NotChosen},
        {0, 1, 1, 1, 0, 0, R::NotChosen},
        {0, 1, 1, 1, 1, 0, R::NotChosen},
        {1, 0, 0, 0, 0, 0, R::Unavailable},
        {1, 0, 0, 0, 1, 0, R::Unavailable},
        {1, 0, 0, 1, 0, 0, R::OnBattery},
        {1, 0, 0, 1, 1, 0, R::Unavailable},
        {1, 0, 1, 0, 0, 0, R::Unavailable},
        {1, 0, 1, 0, 1, 0, R::Unavailable},
        {1, 0, 1, 1, 0, 0, R::OnBattery},
        {1, 0, 1, 1, 1, 0, R::Unavailable},
        {1, 1, 0, 0, 0, 0, R::SessionInactive},
        {1, 1, 0, 0, 1, 0, R::SessionInactive},
        {1, 1, 0, 1, 0, 0, R::OnBattery},
        {1, 1, 0, 1, 1, 0, R::SessionInactive},
        {1, 1, 1, 0, 0, 1, R::None},
        {1, 1, 1, 0, 1, 1, R::None},
        {1, 1, 1, 1, 0, 0, R::OnBattery},
        {1, 1, 1, 1, 1, 1, R::None},
    };
    for (int i = 0; i < 32; ++i) {
        const DecisionRow& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        ASSERT_EQ((row.c << 4) | (row.a << 3) | (row.s << 2) | (row.o << 1) | row.p, i)
            << "the table's order";
        const ClockDecision decision = DecideClocks({row.c, row.a, row.s, row.o, row.p});
        EXPECT_EQ(decision.overclock, row.overclock);
        EXPECT_EQ(decision.reason, row.reason);
    }
}

struct DifferenceRow
{
    const char* name;
    ClocksInForce inForce;
    ClockState state;
    HoldReason difference;
};

TEST(ClocksDifferBecause, TheChoiceAgainstWhatIsInForce)
{
    const ClockState wanted{true, true, true, true, true};
    const ClockState battery{true, true, true, true, false};
    const ClockState unavailable{true, false, true, false, true};
    const ClockState locked{true, true, false, false, true};
    const ClockState defaultChosen{false, true, true, false, true};
    const ClockState defaultChosenLocked{false, true, false, false, true};
    const DifferenceRow rows[] = {
        {"overclocked as chosen", ClocksInForce::Overclocked, wanted, R::None},
        {"default as chosen", ClocksInForce::Default, defaultChosen, R::None},
        {"default on battery", ClocksInForce::Default, battery, R::OnBattery},
        {"default, feature unavailable", ClocksInForce::Default, unavailable, R::Unavailable},
        {"default while locked", ClocksInForce::Default, locked, R::SessionInactive},
        {"default though all holds: left by a locked session", ClocksInForce::Default, wanted,
         R::SessionInactive},
        {"overclocked though default chosen, locked", ClocksInForce::Overclocked, defaultChosenLocked,
         R::SessionInactive},
        {"overclocked though default chosen, unlocked since", ClocksInForce::Overclocked, defaultChosen,
         R::SessionInactive},
        {"nothing set yet", ClocksInForce::Unknown, locked, R::SessionInactive},
    };
    for (const DifferenceRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ClocksDifferBecause(row.inForce, row.state), row.difference);
    }
}

struct TipRow
{
    ClocksInForce inForce;
    HoldReason difference;
    const wchar_t* tip;
};

TEST(TrayTipText, ClocksOnTheSecondLineAndWhyWhenTheyDiffer)
{
    const TipRow rows[] = {
        {ClocksInForce::Overclocked, R::None, L"QEL Korvane\nOverclocked"},
        {ClocksInForce::Default, R::None, L"QEL Korvane\nDefault clocks"},
        {ClocksInForce::Default, R::OnBattery, L"QEL Korvane\nDefault clocks: running on battery"},
        {ClocksInForce::Default, R::Unavailable,
         L"QEL Korvane\nDefault clocks: the firmware does not offer the overclock"},
        {ClocksInForce::Overclocked, R::SessionInactive,
         L"QEL Korvane\nOverclocked: held back while the session was not active"},
        {ClocksInForce::Unknown, R::SessionInactive,
         L"QEL Korvane\nClocks unchanged: held back while the session was not active"},
    };
    for (const TipRow& row : rows) {
        wchar_t tip[128];
        TrayTipText(row.inForce, row.difference, tip);
        EXPECT_STREQ(tip, row.tip);
    }
}

struct NoticeRow
{
    ClocksInForce inForce;
    ClockCause cause;
    const wchar_t* text;
};

TEST(NoticeText, WhatAndWhy)
{
    const NoticeRow rows[] = {
        {ClocksInForce::Default, ClockCause::OnBattery, L"Default clocks: running on battery"},
        {ClocksInForce::Default, ClockCause::FirmwareWithdrew,
         L"Default clocks: the firmware withdrew the overclock"},
        {ClocksInForce::Default, ClockCause::FirmwareUnavailable,
         L"Default clocks: the firmware does not offer the overclock"},
        {ClocksInForce::Default, ClockCause::Resume, L"Default clocks: resumed from sleep"},
        {ClocksInForce::Overclocked, ClockCause::BackOnAC, L"Overclocked again: back on AC power"},
        {ClocksInForce::Overclocked, ClockCause::FirmwareOffers,
         L"Overclocked again: the firmware offers the overclock"},
        {ClocksInForce::Overclocked, ClockCause::User, L"Overclocked again"},
    };
    for (const NoticeRow& row : rows) {
        wchar_t text[256];
        NoticeText(row.inForce, row.cause, text);
        EXPECT_STREQ(text, row.text);
    }
}

} // namespace
