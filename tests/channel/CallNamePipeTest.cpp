// QEL_CallNamePipe and the firmware operations against the simulator running
// in its own process.
#include "ChannelSupport.h"
#include "PipeProtocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const std::string kSystem0 = "root\\WMI:Q:QEL_System:System:0";
const std::string kSystem1 = "root\\WMI:Q:QEL_System:System:1";
const std::string kQueryAP = "root\\WMI:Q:QEL_AP:AP:6";
const std::string kSetAP = "root\\WMI:S:QEL_AP:AP:6:";

std::string Terminated(const std::string& command)
{
    return command + std::string(1, '\0');
}

class CallNamePipe : public ::testing::Test
{
protected:
    void SetUp() override
    {
        simctl::SimStart start;
        start.system0 = 2;
        start.system1 = 1;
        start.ap = 0;
        ASSERT_TRUE(sim.Start(start));
    }

    std::vector<std::string> Log()
    {
        std::vector<std::string> log;
        EXPECT_TRUE(sim.Log(&log));
        return log;
    }

    simctl::SimProcess sim;
    EnvScope pipeName{L"QEL_PIPE_NAME", sim.PipeName()};
};

struct RoundTrip
{
    std::string command;
    std::string reply;
};

TEST_F(CallNamePipe, RoundTripsEachCommandAndServiceSeesExactBytes)
{
    const RoundTrip trips[] = {
        {kSystem0, "2"},          {kSystem1, "1"},  {kQueryAP, "0"},
        {kSetAP + "-7", "-7"},    {kQueryAP, "-7"}, {kSetAP + "2147483647", "2147483647"},
        {kQueryAP, "2147483647"},
    };
    std::vector<std::string> expectedLog;
    for (const RoundTrip& t : trips) {
        SCOPED_TRACE(t.command);
        CallResult r = CallPipe(t.command);
        EXPECT_NE(r.result, 0);
        EXPECT_EQ(r.reply, t.reply);
        expectedLog.push_back(Terminated(t.command));
    }
    EXPECT_EQ(Log(), expectedLog);
}

TEST_F(CallNamePipe, FirmwareOperationsWorkThroughTheService)
{
    EXPECT_TRUE(QuerySystemFlag(0, 2));
    EXPECT_FALSE(QuerySystemFlag(0, 4));
    EXPECT_TRUE(QuerySystemFlag(1, 1));
    EXPECT_TRUE(WriteAPState(5));
    EXPECT_EQ(ReadAPState(9), 5);
    ASSERT_TRUE(sim.Control("set ap 255"));
    EXPECT_EQ(ReadAPState(9), 9);

    simctl::SimState state;
    ASSERT_TRUE(sim.State(&state));
    EXPECT_EQ(state.ap, 255);
    EXPECT_EQ(Log(),
              (std::vector<std::string>{Terminated(kSystem0), Terminated(kSystem0), Terminated(kSystem1),
                                        Terminated(kSetAP + "5"), Terminated(kQueryAP), Terminated(kQueryAP),
                                        Terminated(kQueryAP)}));
}

TEST_F(CallNamePipe, ScriptedOutcomesReachTheCaller)
{
    ASSERT_TRUE(sim.Control("fail 1"));
    ASSERT_TRUE(sim.Control("reply abc"));
    ASSERT_TRUE(sim.Control("reply  6"));
    ASSERT_TRUE(sim.Control("reply "));
    ASSERT_TRUE(sim.Control("pass"));
    ASSERT_TRUE(sim.Control("fail"));
    const CallResult expected[] = {{0, ""}, {1, "abc"}, {1, " 6"}, {1, ""}, {1, "0"}, {0, ""}};
    for (const CallResult& e : expected) {
        CallResult r = CallPipe(kQueryAP);
        EXPECT_EQ(r.result != 0, e.result != 0);
        if (e.result) {
            EXPECT_EQ(r.reply, e.reply);
        }
    }
    EXPECT_EQ(CallPipe(kQueryAP).reply, "0");
}

struct FitCase
{
    size_t replyLength;
    int bufferSize;
    bool fits;
};

TEST_F(CallNamePipe, ReplyMustFitTheCallerBufferWithItsTerminator)
{
    const FitCase cases[] = {
        {799, 800, true}, {800, 800, false}, {5000, 800, false}, {0, 1, true},
        {1, 1, false},    {3, 4, true},      {4, 4, false},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.replyLength) + " in " + std::to_string(c.bufferSize));
        ASSERT_TRUE(sim.Control("reply " + std::string(c.replyLength, '7')));
        char request[80] = {};
        kQueryAP.copy(request, kQueryAP.size());
        std::vector<char> reply(static_cast<size_t>(c.bufferSize) + 16, 'X');
        int result = QEL_CallNamePipe(request, 80, reply.data(), c.bufferSize);
        EXPECT_EQ(result != 0, c.fits);
        if (c.fits) {
            EXPECT_EQ(std::string(reply.data()), std::string(c.replyLength, '7'));
        } else {
            // A refused reply leaves the caller's buffer as it was.
            EXPECT_EQ(std::string(reply.begin(), reply.end()), std::string(reply.size(), 'X'));
        }
        EXPECT_EQ(reply[static_cast<size_t>(c.bufferSize)], 'X');
    }
}

TEST_F(CallNamePipe, RefusesBadArgumentsWithoutSendingAnything)
{
    char request[80] = {};
    kQueryAP.copy(request, kQueryAP.size());
    char reply[800];
    std::memset(reply, 'X', sizeof reply);
    EXPECT_EQ(QEL_CallNamePipe(nullptr, 80, reply, 800), 0);
    EXPECT_EQ(QEL_CallNamePipe(request, 80, nullptr, 800), 0);
    EXPECT_EQ(QEL_CallNamePipe(request, 0, reply, 800), 0);
    EXPECT_EQ(QEL_CallNamePipe(request, -1, reply, 800), 0);
    EXPECT_EQ(QEL_CallNamePipe(request, 80, reply, 0), 0);
    EXPECT_EQ(QEL_CallNamePipe(request, 80, reply, -800), 0);
    // No terminator within the first 22 bytes.
    EXPECT_EQ(QEL_CallNamePipe(request, static_cast<int>(kQueryAP.size()), reply, 800), 0);
    EXPECT_EQ(std::string(reply, sizeof reply), std::string(sizeof reply, 'X'));
    EXPECT_TRUE(Log().empty());
    // Exactly the text and its terminator are sent, however large requestSize.
    EXPECT_EQ(QEL_CallNamePipe(request, static_cast<int>(kQueryAP.size()) + 1, reply, 800), 1);
    EXPECT_EQ(Log(), std::vector<std::string>{Terminated(kQueryAP)});
}

TEST_F(CallNamePipe, FailsAtOnceWhenNoServiceListens)
{
    EnvScope elsewhere(L"QEL_PIPE_NAME", simctl::SimProcess::UniquePipeName());
    ULONGLONG start = Now();
    CallResult r = CallPipe(kQueryAP);
    EXPECT_EQ(r.result, 0);
    EXPECT_LT(Now() - start, 1000u);
    EXPECT_EQ(r.reply, std::string(800, 'X'));
}

TEST_F(CallNamePipe, GivesUpOnAServiceThatDoesNotAnswer)
{
    struct Bound
    {
        const wchar_t* timeout; // QEL_PIPE_TIMEOUT_MS, or null for the default
        ULONGLONG atLeast;
        ULONGLONG below;
    };
    const Bound bounds[] = {{L"400", 300, 1500}, {nullptr, 1500, 3500}};
    for (const Bound& b : bounds) {
        EnvScope timeout(L"QEL_PIPE_TIMEOUT_MS", b.timeout);
        ASSERT_TRUE(sim.Control("hang"));
        ULONGLONG start = Now();
        EXPECT_EQ(CallPipe(kQueryAP).result, 0);
        ULONGLONG elapsed = Now() - start;
        EXPECT_GE(elapsed, b.atLeast);
        EXPECT_LT(elapsed, b.below);
        // The service itself goes on serving.
        EXPECT_EQ(CallPipe(kQueryAP).reply, "0");
    }
}

TEST_F(CallNamePipe, FailsPromptlyWhenTheServiceIsKilledMidCall)
{
    EnvScope timeout(L"QEL_PIPE_TIMEOUT_MS", L"5000");
    ASSERT_TRUE(sim.Control("hang"));
    std::atomic<int> result{-1};
    std::atomic<ULONGLONG> finished{0};
    std::thread caller([&] {
        result = CallPipe(kQueryAP).result;
        finished = Now();
    });
    // Kills the service once it holds the unanswered command.
    pipeio::Deadline deadline(3000);
    std::vector<std::string> log;
    while (deadline.Remaining() && !(sim.Log(&log) && log.size() == 1))
        Sleep(10);
    ULONGLONG killed = Now();
    sim.Kill();
    caller.join();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(result, 0);
    EXPECT_LT(finished - killed, 1500u);

    ULONGLONG start = Now();
    EXPECT_EQ(CallPipe(kQueryAP).result, 0);
    EXPECT_LT(Now() - start, 1000u);
}

TEST_F(CallNamePipe, ServesSeveralClientsAtOnce)
{
    EnvScope timeout(L"QEL_PIPE_TIMEOUT_MS", L"1000");
    // A client that connected and says nothing holds no one up.
    pipeio::UniqueHandle idle = pipeio::ConnectClient(sim.PipePath(), 2000);
    ASSERT_TRUE(idle);
    EXPECT_EQ(CallPipe(kSystem0).reply, "2");

    // Nor does one whose command goes unanswered.
    ASSERT_TRUE(sim.Control("hang"));
    std::atomic<int> hung{-1};
    std::thread waiting([&] { hung = CallPipe(kQueryAP).result; });
    pipeio::Deadline deadline(3000);
    std::vector<std::string> log;
    while (deadline.Remaining() && !(sim.Log(&log) && log.size() == 2))
        Sleep(10);
    EXPECT_EQ(CallPipe(kSystem1).reply, "1");
    waiting.join();
    EXPECT_EQ(hung, 0);

    // Two busy clients get their own answers.
    std::atomic<int> wrong{0};
    auto client = [&](const std::string& command, const std::string& answer) {
        for (int i = 0; i < 20; ++i) {
            CallResult r = CallPipe(command);
            if (r.result == 0 || r.reply != answer)
                ++wrong;
        }
    };
    std::thread a(client, kSystem0, "2");
    std::thread b(client, kSystem1, "1");
    a.join();
    b.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
