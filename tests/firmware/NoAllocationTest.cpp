// The firmware operations make no heap allocation: operator new is counted
// for the whole test program, and a fake pipe call that allocates nothing
// answers.
#include "PipeProtocol.h"

#include <gtest/gtest.h>

#include "SeamScope.h"

#include <cstdlib>
#include <new>

namespace {

int g_allocations = 0;

int AnswerFive(const char*, int, char* reply, int replySize)
{
    if (replySize < 2)
        return 0;
    reply[0] = '5';
    reply[1] = '\0';
    return 1;
}

} // namespace

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(PipeProtocolMemory, OperationsAllocateNothing)
{
    SeamScope<&SetPipeCallForTesting> pipe{&AnswerFive};
    int before = g_allocations;
    bool flag = QuerySystemFlag(0, 4);
    int state = ReadAPState(1);
    bool written = WriteAPState(5);
    int after = g_allocations;

    EXPECT_EQ(after, before);
    EXPECT_TRUE(flag);
    EXPECT_EQ(state, 5);
    EXPECT_TRUE(written);
}
