// Painting of the minimised main dialog: the application icon centred in the
// client area, the odd pixel going to the right and bottom.
//
// A minimised top-level window is not on screen, so nothing it paints can be
// read back, and Wine gives every minimised window the fixed minimised size.
// The main dialog's handlers are bound here (CWnd::SubclassWindow) to a child
// of a visible host window instead, sized first and then marked iconic with
// WS_MINIMIZE: the same OnPaint through the same message table, with pixels
// that can be read.
#include "AppScenario.h"
#include "Canvas.h"

using namespace apptest;

namespace {

constexpr COLORREF kBackground = RGB(0, 128, 128);

// The windows of this class have no frame: the client area is the whole
// window, minimised or not (Wine's default gives an iconic window none).
LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCALCSIZE)
        return 0;
    if (message == WM_ERASEBKGND || message == WM_ICONERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH brush = CreateSolidBrush(kBackground);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* HostClass()
{
    static const wchar_t kClass[] = L"KorvaneAppTestPaintHost";
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        return RegisterClassW(&wc) != 0;
    }();
    return registered ? kClass : nullptr;
}

std::vector<DWORD> OnScreen(HWND hwnd, int size)
{
    Canvas canvas(size, RGB(255, 255, 255));
    HDC dc = GetDC(hwnd);
    BitBlt(canvas.dc(), 0, 0, size, size, dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
    return canvas.Pixels();
}

// A visible popup window, destroyed with its children at the end of the scope.
struct HostWindow
{
    HostWindow()
        : hwnd(CreateWindowExW(0, HostClass(), L"host", WS_POPUP | WS_VISIBLE, 100, 100, 120, 120, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr))
    {}
    ~HostWindow()
    {
        if (hwnd)
            DestroyWindow(hwnd);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND hwnd;
};

class MinimisedPaint : public AppScenario
{};

TEST_F(MinimisedPaint, IconIsDrawnAt2_2InA36Or35SquareClientArea)
{
    ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
    ASSERT_EQ(GetSystemMetrics(SM_CYICON), 32);
    ASSERT_NE(HostClass(), nullptr);
    const HostWindow host;
    ASSERT_NE(host.hwnd, nullptr);

    for (int size : {36, 35}) {
        SCOPED_TRACE("client area " + std::to_string(size));
        HWND child = CreateWindowExW(0, HostClass(), L"", WS_CHILD | WS_VISIBLE, 10, 10, size, size,
                                     host.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(child, nullptr);
        SetWindowLongW(child, GWL_STYLE, GetWindowLongW(child, GWL_STYLE) | WS_MINIMIZE);
        ASSERT_TRUE(IsIconic(child));
        RECT client;
        GetClientRect(child, &client);
        ASSERT_EQ(client.right - client.left, size);
        ASSERT_EQ(client.bottom - client.top, size);

        {
            CKorvaneDlg painter;
            ASSERT_TRUE(painter.SubclassWindow(child));
            const std::vector<DWORD> at22 = IconPixels(painter.m_hIcon, size, kBackground, 2, 2);
            ASSERT_NE(at22, IconPixels(painter.m_hIcon, size, kBackground, 3, 3))
                << "positions can be told apart";
            ASSERT_NE(at22, IconPixels(painter.m_hIcon, size, kBackground, 1, 1));

            RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            EXPECT_EQ(OnScreen(child, size), at22);
            DestroyWindow(child);
        }
    }
}

} // namespace
