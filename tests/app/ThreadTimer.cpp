#include "ThreadTimer.h"

#include <algorithm>
#include <map>

namespace apptest {

namespace {

std::map<UINT_PTR, OneShotTimer*>& Timers()
{
    static std::map<UINT_PTR, OneShotTimer*> timers;
    return timers;
}

struct DialogSearch
{
    std::vector<HWND> found;
    std::vector<HWND> except;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") == 0 &&
        std::find(search->except.begin(), search->except.end(), hwnd) == search->except.end())
        search->found.push_back(hwnd);
    return TRUE;
}

} // namespace

OneShotTimer::OneShotTimer(UINT milliseconds, std::function<void()> fn) : m_fn(std::move(fn))
{
    m_id = SetTimer(nullptr, 0, milliseconds, &OneShotTimer::Proc);
    if (m_id)
        Timers()[m_id] = this;
}

OneShotTimer::~OneShotTimer()
{
    if (m_id) {
        KillTimer(nullptr, m_id);
        Timers().erase(m_id);
    }
}

void CALLBACK OneShotTimer::Proc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto it = Timers().find(id);
    if (it == Timers().end())
        return;
    OneShotTimer* timer = it->second;
    Timers().erase(it);
    timer->m_id = 0;
    timer->m_fired = true;
    if (timer->m_fn)
        timer->m_fn();
}

std::vector<HWND> DialogsOfThisThread(std::initializer_list<HWND> except)
{
    DialogSearch search;
    search.except.assign(except.begin(), except.end());
    EnumThreadWindows(GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace apptest
