// The reply parser reads no byte past the reply's size: each reply is placed
// so that its last byte ends just before an inaccessible page.
#include "ReplyParser.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

class GuardedBuffer
{
public:
    GuardedBuffer()
    {
        SYSTEM_INFO si{};
        GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base =
            static_cast<char*>(VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (m_base)
            VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~GuardedBuffer()
    {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    bool Valid() const { return m_base != nullptr; }

    // Copies bytes so that the last one is the last readable byte.
    const char* Place(const std::string& bytes)
    {
        char* at = m_base + m_page - bytes.size();
        std::memcpy(at, bytes.data(), bytes.size());
        return at;
    }

private:
    DWORD m_page = 0;
    char* m_base = nullptr;
};

struct ParseCase
{
    std::string bytes;
    int expected;
};

TEST(ReplyParser, StopsAtTheEndOfUnterminatedReply)
{
    GuardedBuffer guard;
    ASSERT_TRUE(guard.Valid());
    const ParseCase cases[] = {
        {std::string(800, '7'), INT_MAX},   {"-" + std::string(799, '7'), INT_MIN},
        {std::string(798, ' ') + "42", 42}, {std::string(800, ' '), 0},
        {std::string(799, ' ') + "+", 0},   {"12", 12},
        {"-2147483648", INT_MIN},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.bytes.substr(c.bytes.size() > 12 ? c.bytes.size() - 12 : 0));
        EXPECT_EQ(ParseReplyInt(guard.Place(c.bytes), c.bytes.size()), c.expected);
    }
}

TEST(ReplyParser, ReadsNoMoreThanSizeEvenWhenMoreFollows)
{
    EXPECT_EQ(ParseReplyInt("12345", 3), 123);
    EXPECT_EQ(ParseReplyInt("  -9", 3), 0);
    EXPECT_EQ(ParseReplyInt("9", 0), 0);
}

} // namespace
