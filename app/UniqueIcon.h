// Move-only owner of one icon: destroys it when it is replaced or when the
// owner ends.
#pragma once
#include <windows.h>

class UniqueIcon
{
public:
    UniqueIcon() = default;
    explicit UniqueIcon(HICON hIcon) : m_hIcon(hIcon) {}
    ~UniqueIcon() { Reset(); }
    UniqueIcon(UniqueIcon&& other) noexcept : m_hIcon(other.Release()) {}
    UniqueIcon& operator=(UniqueIcon&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueIcon(const UniqueIcon&) = delete;
    UniqueIcon& operator=(const UniqueIcon&) = delete;

    HICON Get() const { return m_hIcon; }
    explicit operator bool() const { return m_hIcon != nullptr; }
    HICON Release()
    {
        HICON hIcon = m_hIcon;
        m_hIcon = nullptr;
        return hIcon;
    }
    void Reset(HICON hIcon = nullptr)
    {
        if (m_hIcon)
            ::DestroyIcon(m_hIcon);
        m_hIcon = hIcon;
    }

private:
    HICON m_hIcon = nullptr;
};
