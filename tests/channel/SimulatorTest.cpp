// The firmware simulator's answers to requests the program never sends, and
// its control channel.
#include "ChannelSupport.h"
#include "SimEscape.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

const std::string kQueryAP = std::string("root\\WMI:Q:QEL_AP:AP:6") + '\0';

class FirmwareSim : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }

    // The raw answer to one raw message, status byte included.
    std::string Send(const std::string& message)
    {
        std::string answer;
        EXPECT_TRUE(simctl::Transact(sim.PipePath(), message, &answer));
        return answer;
    }

    simctl::SimProcess sim;
};

struct BadRequest
{
    const char* name;
    std::string message;
};

std::string Z(const char* text)
{
    return std::string(text) + '\0';
}

TEST_F(FirmwareSim, RefusesMalformedRequestsAndKeepsServing)
{
    const BadRequest cases[] = {
        {"garbage", Z("hello")},
        {"binary", std::string("\x01\xFF\x80:\x7F", 5) + '\0'},
        {"empty message", ""},
        {"only a terminator", Z("")},
        {"unterminated", "root\\WMI:Q:QEL_AP:AP:6"},
        {"bytes after the terminator", kQueryAP + "xx"},
        {"two terminators", kQueryAP + '\0'},
        {"81 bytes", Z(("root\\WMI:Q:QEL_AP:AP:6" + std::string(58, ' ')).c_str())},
        {"100000 bytes", std::string(99999, 'A') + '\0'},
        {"lower-case namespace", Z("root\\wmi:Q:QEL_AP:AP:6")},
        {"other namespace", Z("root\\CIMV2:Q:QEL_AP:AP:6")},
        {"unknown verb", Z("root\\WMI:X:QEL_AP:AP:6")},
        {"lower-case verb", Z("root\\WMI:q:QEL_AP:AP:6")},
        {"no verb", Z("root\\WMI")},
        {"unknown class", Z("root\\WMI:Q:QEL_Fan:AP:6")},
        {"unknown property", Z("root\\WMI:Q:QEL_AP:System:6")},
        {"unknown property of System", Z("root\\WMI:Q:QEL_System:AP:0")},
        {"unknown AP instance", Z("root\\WMI:Q:QEL_AP:AP:7")},
        {"unknown System instance", Z("root\\WMI:Q:QEL_System:System:2")},
        {"instance with two digits", Z("root\\WMI:Q:QEL_AP:AP:06")},
        {"query with a value", Z("root\\WMI:Q:QEL_AP:AP:6:1")},
        {"set without a value", Z("root\\WMI:S:QEL_AP:AP:6")},
        {"set with two values", Z("root\\WMI:S:QEL_AP:AP:6:1:2")},
        {"set on System 0", Z("root\\WMI:S:QEL_System:System:0:6")},
        {"set on System 1", Z("root\\WMI:S:QEL_System:System:1:6")},
        {"empty value", Z("root\\WMI:S:QEL_AP:AP:6:")},
        {"letters", Z("root\\WMI:S:QEL_AP:AP:6:abc")},
        {"trailing letters", Z("root\\WMI:S:QEL_AP:AP:6:12a")},
        {"plus sign", Z("root\\WMI:S:QEL_AP:AP:6:+5")},
        {"lone minus", Z("root\\WMI:S:QEL_AP:AP:6:-")},
        {"fraction", Z("root\\WMI:S:QEL_AP:AP:6:1.5")},
        {"space", Z("root\\WMI:S:QEL_AP:AP:6: 5")},
        {"above int", Z("root\\WMI:S:QEL_AP:AP:6:2147483648")},
        {"below int", Z("root\\WMI:S:QEL_AP:AP:6:-2147483649")},
        {"eleven digits", Z("root\\WMI:S:QEL_AP:AP:6:00000000001")},
    };
    for (const BadRequest& c : cases) {
        SCOPED_TRACE(c.name);
        std::string answer = Send(c.message);
        ASSERT_FALSE(answer.empty());
        EXPECT_EQ(answer[0], '-') << answer;
        EXPECT_EQ(Send(kQueryAP), "+0");
    }
    simctl::SimState state;
    ASSERT_TRUE(sim.State(&state));
    EXPECT_EQ(state.system0, 2);
    EXPECT_EQ(state.system1, 0);
    EXPECT_EQ(state.ap, 0);

    std::vector<std::string> log;
    ASSERT_TRUE(sim.Log(&log));
    ASSERT_EQ(log.size(), 2 * (sizeof cases / sizeof cases[0]));
    for (size_t i = 0; i < log.size() / 2; ++i) {
        const std::string& sent = cases[i].message;
        // Very long messages are logged by their first 64 KiB.
        EXPECT_EQ(log[2 * i], sent.substr(0, 65536)) << cases[i].name;
    }
}

TEST_F(FirmwareSim, SetsAPToAnyIntAndAnswersWithIt)
{
    const std::pair<const char*, const char*> values[] = {
        {"-2147483648", "-2147483648"},
        {"2147483647", "2147483647"},
        {"0", "0"},
        {"-0", "0"},
        {"007", "7"},
        {"255", "255"},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.first);
        EXPECT_EQ(Send(Z((std::string("root\\WMI:S:QEL_AP:AP:6:") + v.first).c_str())),
                  std::string("+") + v.second);
        EXPECT_EQ(Send(kQueryAP), std::string("+") + v.second);
    }
}

TEST_F(FirmwareSim, ControlCommandsSteerValuesScriptAndLog)
{
    struct Step
    {
        const char* command;
        bool ok;
    };
    const Step steps[] = {
        {"set system0 6", true}, {"set system1 -1", true}, {"set ap 255", true},  {"set fan 1", false},
        {"set ap x", false},     {"set ap", false},        {"event 256", false},  {"event -1", false},
        {"event x", false},      {"event 0x60", true},     {"event 93", true},    {"fail 0", false},
        {"fail 1001", false},    {"pass x", false},        {"reply \\x4", false}, {"reply \\q", false},
        {"hang now", false},     {"log x", false},         {"", false},           {"sing", false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.command);
        EXPECT_EQ(sim.Control(s.command), s.ok);
    }
    std::string subscribersReached;
    ASSERT_TRUE(sim.Control("event 121", &subscribersReached));
    EXPECT_EQ(subscribersReached, "0");

    EXPECT_EQ(Send(Z("root\\WMI:Q:QEL_System:System:0")), "+6");
    EXPECT_EQ(Send(Z("root\\WMI:Q:QEL_System:System:1")), "+-1");
    EXPECT_EQ(Send(kQueryAP), "+255");

    // The log keeps raw bytes; its escaping survives the trip.
    const std::string odd = std::string("a\\b\x01\x7F\xFF\n", 7) + '\0';
    EXPECT_EQ(Send(odd)[0], '-');
    std::vector<std::string> log;
    ASSERT_TRUE(sim.Log(&log));
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3], odd);

    ASSERT_TRUE(sim.Control("fail 2"));
    ASSERT_TRUE(sim.Control("reset"));
    simctl::SimState state;
    ASSERT_TRUE(sim.State(&state));
    EXPECT_EQ(state.system0, 2);
    EXPECT_EQ(state.system1, 0);
    EXPECT_EQ(state.ap, 0);
    EXPECT_EQ(state.scripted, 0);
    ASSERT_TRUE(sim.Log(&log));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(Send(kQueryAP), "+0");
}

TEST_F(FirmwareSim, PrintsEachCommandOnItsOutput)
{
    wchar_t dir[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    const std::wstring file = std::wstring(dir) + sim.PipeName() + L".out";
    simctl::SimStart start;
    start.outputFile = file;
    ASSERT_TRUE(sim.Start(start));
    EXPECT_EQ(Send(kQueryAP), "+0");
    EXPECT_EQ(Send(Z("root\\WMI:S:QEL_System:System:0:1"))[0], '-');
    ASSERT_TRUE(sim.Control("quit"));

    // The simulator is gone once its pipe is; the file is complete then.
    pipeio::Deadline deadline(5000);
    while (sim.IsRunning() && deadline.Remaining())
        Sleep(10);
    EXPECT_FALSE(sim.IsRunning());
    std::ifstream in(file.c_str());
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileW(file.c_str());
    EXPECT_NE(text.str().find("command root\\WMI:Q:QEL_AP:AP:6 -> +0\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("command root\\WMI:S:QEL_System:System:0:1 -> -read-only property\n"),
              std::string::npos)
        << text.str();
}

TEST_F(FirmwareSim, SecondSimulatorCannotTakeAPipeInUse)
{
    simctl::SimProcess second(sim.PipeName());
    EXPECT_FALSE(second.Start(simctl::SimStart(), 3000));
    EXPECT_EQ(Send(kQueryAP), "+0");
}

} // namespace
