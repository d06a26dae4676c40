// Swaps one of the program's test seams (a Set...ForTesting function that
// returns the previous value) for the lifetime of the object, and puts the
// previous value back on every road out, a failed assertion included.
//   SeamScope<&SetSleepForTesting> sleep{&RecordWait};
#pragma once

template <typename Setter>
struct SeamSetter;
template <typename Previous, typename Parameter>
struct SeamSetter<Previous (*)(Parameter)>
{
    using Value = Previous;
};

template <auto Setter>
class SeamScope
{
public:
    template <typename Replacement>
    explicit SeamScope(Replacement replacement) : m_previous(Setter(replacement))
    {}
    ~SeamScope() { Setter(m_previous); }
    SeamScope(const SeamScope&) = delete;
    SeamScope& operator=(const SeamScope&) = delete;

private:
    typename SeamSetter<decltype(Setter)>::Value m_previous;
};
