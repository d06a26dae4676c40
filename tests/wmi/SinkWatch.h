// Sees each EventSink go, with m_isDone as its destructor left it.
#pragma once

#include "EventSink.h"

#include <mutex>
#include <vector>

struct DestroyedSink
{
    const EventSink* sink;
    bool isDone;
};

class SinkWatch
{
public:
    SinkWatch() : m_liveBefore(EventSink::LiveCountForTesting())
    {
        std::lock_guard<std::mutex> hold(Lock());
        Log().clear();
        m_previous = EventSink::SetDestroyedHookForTesting(&Record);
    }
    ~SinkWatch() { EventSink::SetDestroyedHookForTesting(m_previous); }
    SinkWatch(const SinkWatch&) = delete;
    SinkWatch& operator=(const SinkWatch&) = delete;

    std::vector<DestroyedSink> Destroyed() const
    {
        std::lock_guard<std::mutex> hold(Lock());
        return Log();
    }
    // Sinks made since the watch began and not yet freed.
    LONG Alive() const { return EventSink::LiveCountForTesting() - m_liveBefore; }

private:
    static void Record(const EventSink* sink)
    {
        std::lock_guard<std::mutex> hold(Lock());
        Log().push_back({sink, sink->IsDone()});
    }
    static std::vector<DestroyedSink>& Log()
    {
        static std::vector<DestroyedSink> log;
        return log;
    }
    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }

    EventSink::DestroyedFn m_previous;
    LONG m_liveBefore;
};
