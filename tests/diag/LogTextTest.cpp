// Records and escaped text, built in fixed buffers.
#include "diag/LogText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const SYSTEMTIME kTime = {2024, 5, 3, 1, 9, 4, 7, 89}; // 2024-05-01 09:04:07.089

struct RecordCase
{
    const char* name;
    const char* text;
    size_t bufferSize;
    std::string expected;
};

TEST(FormatRecord, StampTextAndLineEnd)
{
    const RecordCase cases[] = {
        {"plain", "menu command Enable", 128, "2024-05-01T09:04:07.089 menu command Enable\r\n"},
        {"line breaks become spaces", "a\r\nb\nc", 128, "2024-05-01T09:04:07.089 a  b c\r\n"},
        {"empty text", "", 128, "2024-05-01T09:04:07.089 \r\n"},
        {"null text", nullptr, 128, "2024-05-01T09:04:07.089 \r\n"},
        {"cut to the buffer", "abcdefgh", 24 + 3 + 4, "2024-05-01T09:04:07.089 abcd\r\n"},
        // U+00E9 is two bytes: a cut inside it drops the whole character.
        {"never half a character", "abc\xC3\xA9", 24 + 3 + 4, "2024-05-01T09:04:07.089 abc\r\n"},
        {"no room for text", "abc", 24 + 3, "2024-05-01T09:04:07.089 \r\n"},
        {"no room for the stamp", "abc", 20, ""},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[128];
        std::memset(buffer, '#', sizeof buffer);
        const size_t length = diag::FormatRecord(kTime, c.text, {buffer, c.bufferSize});
        EXPECT_EQ(std::string(buffer, length), c.expected);
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_LT(length, c.bufferSize);
    }
}

struct EscapeCase
{
    const char* name;
    std::string text;
    size_t maxBytes;
    size_t bufferSize;
    std::string expected;
};

TEST(Escape, PrintableAsIsOthersInHexCutsMarked)
{
    const EscapeCase cases[] = {
        {"printable", "root\\WMI:Q:QEL_AP:AP:6", 80, 64, "root\\WMI:Q:QEL_AP:AP:6"},
        {"control and high bytes", std::string("2\r\n\x01\xFF", 5), 80, 64, "2\\x0D\\x0A\\x01\\xFF"},
        {"stops at NUL",
         std::string("12\0"
                     "34",
                     5),
         80, 64, "12"},
        {"cut at maxBytes", "123456", 3, 64, "123..."},
        {"cut by the buffer", "123456", 80, 5, "1234"},
        {"escape does not fit whole", "a\x01", 80, 4, "a"},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        diag::Escape(c.text.data(), c.text.size(), c.maxBytes, {buffer, c.bufferSize});
        EXPECT_EQ(std::string(buffer), c.expected);
    }
}

TEST(Escape, UnterminatedTextIsReadOnlyWithinItsSize)
{
    const char reply[4] = {'7', '7', '7', '7'};
    char buffer[64];
    diag::Escape(reply, sizeof reply, 80, {buffer, sizeof buffer});
    EXPECT_EQ(std::string(buffer), "7777");
}

} // namespace
