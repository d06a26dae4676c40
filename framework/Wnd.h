// A window object: the C++ side of one HWND, with message-table dispatch.
#pragma once
#include <string>
#include "CmdTarget.h"

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object whose window procedure serves hwnd, or nullptr.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Routes hwnd's messages through this object until the window is destroyed.
    bool SubclassWindow(HWND hwnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) const { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void GetClientRect(RECT* rc) const { ::GetClientRect(m_hWnd, rc); }
    void GetWindowRect(RECT* rc) const { ::GetWindowRect(m_hWnd, rc); }
    void MoveWindow(int x, int y, int w, int h, BOOL bRepaint = TRUE) const
    {
        ::MoveWindow(m_hWnd, x, y, w, h, bRepaint);
    }
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    std::wstring GetWindowText() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) const
    {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
    }
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }

protected:
    // Dispatch of one message: WM_COMMAND through OnCommand, then the table,
    // then owner-drawn menu requests, then Default().
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Command processing through the table; true when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Default processing of the message being dispatched.
    LRESULT Default();
    // Called after the last message (WM_NCDESTROY) has been dispatched.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void UnsubclassWindow();

    struct CurrentMessage
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    WNDPROC m_pfnSuper = nullptr;
    CurrentMessage m_current{};
};
