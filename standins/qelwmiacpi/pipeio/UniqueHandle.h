// Move-only owner of one kernel handle.
#pragma once

#include <windows.h>

namespace pipeio {

class UniqueHandle
{
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : m_h(IsValid(h) ? h : nullptr) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    HANDLE Release()
    {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }

    void Reset(HANDLE h = nullptr)
    {
        if (m_h)
            CloseHandle(m_h);
        m_h = IsValid(h) ? h : nullptr;
    }

private:
    static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

    HANDLE m_h = nullptr;
};

} // namespace pipeio
