// The firmware operations against a scripted pipe call: the exact request
// bytes and sizes, how replies are read, and which calls are made.
#include "FakePipe.h"
#include "PipeProtocol.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

const std::string kSystem0 = "root\\WMI:Q:QEL_System:System:0";
const std::string kSystem1 = "root\\WMI:Q:QEL_System:System:1";
const std::string kQueryAP = "root\\WMI:Q:QEL_AP:AP:6";
const std::string kSetAP = "root\\WMI:S:QEL_AP:AP:6:";

// The command, its terminator and zeros up to byte 80.
std::string Padded(const std::string& command)
{
    return command + std::string(80 - command.size(), '\0');
}

std::vector<std::string> SentCommands()
{
    std::vector<std::string> sent;
    for (const FakeCall& call : FakePipeScope::Calls())
        sent.push_back(call.request.substr(0, call.request.find('\0')));
    return sent;
}

class PipeProtocol : public ::testing::Test
{
protected:
    FakePipeScope fake;
};

struct CommandCase
{
    const char* name;
    std::function<void()> operation;
    std::vector<std::string> commands;
};

TEST_F(PipeProtocol, SendsEachCommandZeroPaddedWithSizes80And800)
{
    const CommandCase cases[] = {
        {"system 0", [] { QuerySystemFlag(0, 2); }, {kSystem0}},
        {"system 1", [] { QuerySystemFlag(1, 1); }, {kSystem1}},
        {"read AP", [] { ReadAPState(0); }, {kQueryAP}},
        {"write 7", [] { WriteAPState(7); }, {kSetAP + "7", kQueryAP}},
        {"write 254", [] { WriteAPState(254); }, {kSetAP + "254", kQueryAP}},
        {"write 0", [] { WriteAPState(0); }, {kSetAP + "0", kQueryAP}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakePipeScope::Calls().clear();
        FakePipeScope::Answers() = {Ok("7"), Ok("7")};
        c.operation();
        const auto& calls = FakePipeScope::Calls();
        ASSERT_EQ(calls.size(), c.commands.size());
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].requestSize, 80);
            EXPECT_EQ(calls[i].replySize, 800);
            EXPECT_EQ(calls[i].request, Padded(c.commands[i]));
        }
    }
}

struct ReadCase
{
    const char* reply;
    int fallback;
    int expected;
};

TEST_F(PipeProtocol, ReadAPStateParsesReplyLikeAtoiWithFallbackForMinusOneAnd255)
{
    const ReadCase cases[] = {
        {"255", 0, 0},
        {"255", 1, 1},
        {"-1", 0, 0},
        {"-1", 1, 1},
        {" -1", 7, 7},
        {"0255", 1, 1},
        {"254", 1, 254},
        {"6", 1, 6},
        {"  6", 1, 6},
        {"\t\n\v\f\r 6", 1, 6},
        {"6xyz", 1, 6},
        {"+6", 1, 6},
        {"-3", 1, -3},
        {"abc", 1, 0},
        {"", 1, 0},
        {"-", 1, 0},
        {"- 5", 1, 0},
        {"--5", 1, 0},
        {"x6", 1, 0},
        {"2147483647", 1, INT_MAX},
        {"-2147483648", 1, INT_MIN},
        // Beyond the int range the value saturates, as strtol does; a
        // wrapping parser would turn these into -1 or 255 or worse.
        {"2147483648", 1, INT_MAX},
        {"4294967295", 1, INT_MAX},
        {"4294967551", 1, INT_MAX},
        {"99999999999999999999999", 1, INT_MAX},
        {"-2147483649", 1, INT_MIN},
        {"-99999999999999999999999", 1, INT_MIN},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(std::string("reply \"") + c.reply + "\"");
        FakePipeScope::Answers() = {Ok(c.reply)};
        EXPECT_EQ(ReadAPState(c.fallback), c.expected);
    }
}

TEST_F(PipeProtocol, ReadAPStateFailedCallGivesFallback)
{
    for (int fallback : {0, 1, -5}) {
        FakePipeScope::Answers() = {Failed()};
        EXPECT_EQ(ReadAPState(fallback), fallback);
    }
    EXPECT_EQ(FakePipeScope::Calls().size(), 3u);
}

// A library that reports success but leaves the reply buffer untouched.
int SilentSuccess(const char*, int, char* reply, int)
{
    FakePipeScope::Calls().push_back({std::string(1, reply[0]), 0, 0});
    return 1;
}

TEST_F(PipeProtocol, SuccessWithoutReplyReadsAsZero)
{
    SetPipeCallForTesting(&SilentSuccess);
    EXPECT_EQ(ReadAPState(9), 0);
    EXPECT_FALSE(QuerySystemFlag(0, 2));
    ASSERT_EQ(FakePipeScope::Calls().size(), 2u);
    for (const FakeCall& call : FakePipeScope::Calls())
        EXPECT_EQ(call.request[0], '\0') << "the reply buffer starts empty";
}

struct FlagCase
{
    const char* reply;
    int instance;
    int mask;
    bool expected;
};

TEST_F(PipeProtocol, QuerySystemFlagTestsMaskAgainstParsedValue)
{
    const FlagCase cases[] = {
        {"3", 0, 2, true},    {"3", 0, 4, false},   {"2", 0, 2, true},   {"4", 0, 4, true},
        {"6", 1, 1, false},   {"1", 1, 1, true},    {"0", 0, 2, false},  {"-1", 0, 2, true},
        {"-1", 1, 1, true},   {"-1", 0, 4, true},   {"255", 0, 4, true}, {"abc", 0, 2, false},
        {"abc", 1, 1, false}, {"  2x", 0, 2, true}, {"", 0, 4, false},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(std::string("reply \"") + c.reply + "\" mask " + std::to_string(c.mask));
        FakePipeScope::Calls().clear();
        FakePipeScope::Answers() = {Ok(c.reply)};
        EXPECT_EQ(QuerySystemFlag(c.instance, c.mask), c.expected);
        ASSERT_EQ(SentCommands().size(), 1u);
        EXPECT_EQ(SentCommands()[0], c.instance == 0 ? kSystem0 : kSystem1);
    }
}

TEST_F(PipeProtocol, QuerySystemFlagFailedCallIsFalseAndMakesNoFurtherCall)
{
    FakePipeScope::Answers() = {{0, "7", true}, Ok("7")};
    EXPECT_FALSE(QuerySystemFlag(0, 2));
    EXPECT_EQ(FakePipeScope::Calls().size(), 1u);
}

struct WriteCase
{
    int value;
    const char* text;
    FakeAnswer readBack;
    bool expected;
};

TEST_F(PipeProtocol, WriteAPStateSendsDecimalValueThenVerifiesByReadBack)
{
    const WriteCase cases[] = {
        // A failed read-back falls back to 1.
        {1, "1", Failed(), true},
        {0, "0", Failed(), false},
        {5, "5", Ok("5"), true},
        {5, "5", Ok("4"), false},
        // 255 reads back as "no valid state", so the fallback 1 is compared.
        {255, "255", Ok("255"), false},
        {-3, "-3", Ok("-3"), true},
        {254, "254", Ok("254"), true},
        {12345678, "12345678", Ok("12345678"), true},
        {INT_MAX, "2147483647", Ok("2147483647"), true},
        {INT_MIN, "-2147483648", Ok("-2147483648"), true},
        {-1000000000, "-1000000000", Ok("-1000000000"), true},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.text);
        FakePipeScope::Calls().clear();
        FakePipeScope::Answers() = {Ok("0"), c.readBack};
        EXPECT_EQ(WriteAPState(c.value), c.expected);
        const auto& calls = FakePipeScope::Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].request, Padded(kSetAP + c.text));
        EXPECT_EQ(calls[1].request, Padded(kQueryAP));
    }
}

TEST_F(PipeProtocol, WriteAPStateFailedSetIsFalseWithoutReadBack)
{
    for (int value : {0, 1, 255}) {
        FakePipeScope::Calls().clear();
        FakePipeScope::Answers() = {{0, "", true}, Ok(std::to_string(value))};
        EXPECT_FALSE(WriteAPState(value));
        EXPECT_EQ(SentCommands(), std::vector<std::string>{kSetAP + std::to_string(value)});
    }
}

struct UnterminatedCase
{
    const char* name;
    std::string reply; // all 800 bytes, no terminator
    int expected;
};

TEST_F(PipeProtocol, UnterminatedFullReplyIsReadWithinItsBuffer)
{
    const UnterminatedCase cases[] = {
        {"800 digits", std::string(800, '1'), INT_MAX},
        {"799 spaces, digit", std::string(799, ' ') + "5", 5},
        {"797 spaces, -12", std::string(797, ' ') + "-12", -12},
        {"799 spaces, sign", std::string(799, ' ') + "-", 0},
    };
    for (const UnterminatedCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.reply.size(), 800u);
        FakePipeScope::Answers() = {{1, c.reply, false}};
        EXPECT_EQ(ReadAPState(3), c.expected);
    }
    FakePipeScope::Answers() = {{1, std::string(799, ' ') + "2", false}};
    EXPECT_TRUE(QuerySystemFlag(0, 2));
}

} // namespace
