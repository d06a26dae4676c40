// One-shot timers of the test thread. Whatever message loop runs on the
// thread (a modal dialog's, a menu's) dispatches them, so a test can act from
// inside a loop it has entered, and end a loop that would otherwise not end.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <vector>

namespace apptest {

// Bound on every loop a test enters: the safety timers fire after this long.
constexpr UINT kSafetyMs = 5000;

class OneShotTimer
{
public:
    OneShotTimer(UINT milliseconds, std::function<void()> fn);
    ~OneShotTimer();
    OneShotTimer(const OneShotTimer&) = delete;
    OneShotTimer& operator=(const OneShotTimer&) = delete;

    bool Fired() const { return m_fired; }

private:
    static void CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD);

    UINT_PTR m_id = 0;
    std::function<void()> m_fn;
    bool m_fired = false;
};

// Dialog windows (class "#32770") of this thread, except those given.
std::vector<HWND> DialogsOfThisThread(std::initializer_list<HWND> except);

} // namespace apptest
