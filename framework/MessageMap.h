// Message tables: each window class lists the messages it handles itself.
// An entry holds a small thunk that casts the window to the class that
// declared the table and calls its handler; everything not listed gets the
// window's default processing.
#pragma once
#include <windows.h>

class CCmdTarget;

using MessageThunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry
{
    UINT message; // 0 ends the table
    UINT id;      // WM_COMMAND: the command identifier
    MessageThunk thunk;
    const UINT* pRegistered; // registered messages: where their number lives
};

struct MessageMap
{
    const MessageMap* (*pfnGetBaseMap)();
    const MessageMapEntry* entries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const MessageMap* GetThisMessageMap(); \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
    const MessageMap* theClass::GetMessageMap() const \
    {                                                 \
        return GetThisMessageMap();                   \
    }                                                 \
    const MessageMap* theClass::GetThisMessageMap()   \
    {                                                 \
        using ThisClass = theClass;                   \
        using TheBaseClass = baseClass;               \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                      \
    {                                                                          \
        0, 0, nullptr, nullptr                                                 \
    }                                                                          \
    }                                                                          \
    ;                                                                          \
    static_assert(sizeof(ThisClass) > 0, "complete class");                    \
    static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                               \
    }

#define KV_THUNK(body)                                           \
    [](CCmdTarget* t, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* self = static_cast<ThisClass*>(t);            \
        (void)self;                                              \
        (void)wParam;                                            \
        (void)lParam;                                            \
        body                                                     \
    }

// LRESULT Handler(WPARAM, LPARAM)
#define ON_MESSAGE(msg, fn)                                         \
    {                                                               \
        msg, 0, KV_THUNK(return self->fn(wParam, lParam);), nullptr \
    }                                                               \
    ,
// LRESULT Handler(WPARAM, LPARAM) for a message number known only at run time
#define ON_REGISTERED_MESSAGE(var, fn)                                   \
    {                                                                    \
        0xFFFFFFFFu, 0, KV_THUNK(return self->fn(wParam, lParam);), &var \
    }                                                                    \
    ,
// void Handler(), for WM_COMMAND with notification code 0
#define ON_COMMAND(cmd, fn)                                       \
    {                                                             \
        WM_COMMAND, cmd, KV_THUNK(self->fn(); return 0;), nullptr \
    }                                                             \
    ,

#define ON_WM_PAINT()                                              \
    {                                                              \
        WM_PAINT, 0, KV_THUNK(self->OnPaint(); return 0;), nullptr \
    }                                                              \
    ,
#define ON_WM_CLOSE()                                              \
    {                                                              \
        WM_CLOSE, 0, KV_THUNK(self->OnClose(); return 0;), nullptr \
    }                                                              \
    ,
#define ON_WM_DESTROY()                                                \
    {                                                                  \
        WM_DESTROY, 0, KV_THUNK(self->OnDestroy(); return 0;), nullptr \
    }                                                                  \
    ,
#define ON_WM_TIMER()                                                    \
    {                                                                    \
        WM_TIMER, 0, KV_THUNK(self->OnTimer(wParam); return 0;), nullptr \
    }                                                                    \
    ,
#define ON_WM_SYSCOMMAND()                                                                            \
    {                                                                                                 \
        WM_SYSCOMMAND, 0, KV_THUNK(self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;), \
            nullptr                                                                                   \
    }                                                                                                 \
    ,
#define ON_WM_QUERYDRAGICON()                                                                              \
    {                                                                                                      \
        WM_QUERYDRAGICON, 0, KV_THUNK(return reinterpret_cast<LRESULT>(self->OnQueryDragIcon());), nullptr \
    }                                                                                                      \
    ,
#define ON_WM_WINDOWPOSCHANGING()                                                                         \
    {                                                                                                     \
        WM_WINDOWPOSCHANGING, 0,                                                                          \
            KV_THUNK(self->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;), nullptr \
    }                                                                                                     \
    ,
#define ON_WM_POWERBROADCAST()                                                                  \
    {                                                                                           \
        WM_POWERBROADCAST, 0, KV_THUNK(return self->OnPowerBroadcast(wParam, lParam);), nullptr \
    }                                                                                           \
    ,
#define ON_WM_WTSSESSION_CHANGE()                                                                 \
    {                                                                                             \
        WM_WTSSESSION_CHANGE, 0,                                                                  \
            KV_THUNK(self->OnSessionChange(static_cast<UINT>(wParam), static_cast<UINT>(lParam)); \
                     return 0;),                                                                  \
            nullptr                                                                               \
    }                                                                                             \
    ,
