// A scripted stand-in for QEL_CallNamePipe: it answers from a queue and
// records every call. Installed for the lifetime of a FakePipeScope.
#pragma once

#include "PipeProtocol.h"

#include <deque>
#include <string>
#include <vector>

struct FakeCall
{
    std::string request; // all requestSize bytes
    int requestSize;
    int replySize;
};

struct FakeAnswer
{
    int result;
    std::string reply; // written to the reply buffer as given
    bool terminated;   // followed by a NUL
};

inline FakeAnswer Ok(std::string reply)
{
    return {1, std::move(reply), true};
}

inline FakeAnswer Failed()
{
    return {0, "7", true};
}

class FakePipeScope
{
public:
    FakePipeScope() : m_previous(SetPipeCallForTesting(&Call))
    {
        Calls().clear();
        Answers().clear();
    }
    ~FakePipeScope() { SetPipeCallForTesting(m_previous); }
    FakePipeScope(const FakePipeScope&) = delete;
    FakePipeScope& operator=(const FakePipeScope&) = delete;

    static std::vector<FakeCall>& Calls()
    {
        static std::vector<FakeCall> calls;
        return calls;
    }
    static std::deque<FakeAnswer>& Answers()
    {
        static std::deque<FakeAnswer> answers;
        return answers;
    }

private:
    static int Call(const char* request, int requestSize, char* reply, int replySize)
    {
        Calls().push_back(
            {std::string(request,
                         requestSize > 0 && requestSize <= 4096 ? static_cast<size_t>(requestSize) : 0),
             requestSize, replySize});
        if (Answers().empty())
            return 0;
        FakeAnswer answer = Answers().front();
        Answers().pop_front();
        size_t n = answer.reply.size() < static_cast<size_t>(replySize) ? answer.reply.size() : replySize;
        answer.reply.copy(reply, n);
        if (answer.terminated && n < static_cast<size_t>(replySize))
            reply[n] = '\0';
        return answer.result;
    }

    PipeCallFn m_previous;
};
