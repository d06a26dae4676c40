// The drawing wrappers: who deletes what, and guards that restore selections.
#include <gtest/gtest.h>
#include <utility>

#include "Gdi.h"
#include "MenuTestSupport.h"

using namespace menutest;

TEST(GdiObject, DeletesWhatItHoldsWhenItEnds)
{
    HGDIOBJ h = nullptr;
    {
        CBrush brush;
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 2, 3)));
        h = brush.GetSafeHandle();
        EXPECT_EQ(GetObjectType(h), DWORD(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(h), 0u);

    HPEN hPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    {
        CPen pen;
        ASSERT_TRUE(pen.Attach(hPen));
    }
    EXPECT_EQ(GetObjectType(hPen), 0u) << "an attached object is owned";
}

TEST(GdiObject, DetachHandsOwnershipBack)
{
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(4, 4, 1, 1, nullptr));
    HGDIOBJ h = bitmap.Detach();
    EXPECT_EQ(bitmap.GetSafeHandle(), nullptr);
    EXPECT_FALSE(bitmap.DeleteObject());
    EXPECT_EQ(GetObjectType(h), DWORD(OBJ_BITMAP));
    DeleteObject(h);
}

TEST(GdiObject, RefusesToReplaceAHeldObject)
{
    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 2, 3)));
    HGDIOBJ first = brush.GetSafeHandle();
    const int before = CountGdiObjects();
    EXPECT_FALSE(brush.CreateSolidBrush(RGB(4, 5, 6)));
    HBRUSH other = CreateSolidBrush(RGB(7, 8, 9));
    EXPECT_FALSE(brush.Attach(other));
    DeleteObject(other);
    EXPECT_EQ(brush.GetSafeHandle(), first);
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(GdiObject, MoveTransfersOwnershipAndAssignmentDeletesTheOld)
{
    CFont a;
    ASSERT_TRUE(a.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    HGDIOBJ ha = a.GetSafeHandle();
    CFont b(std::move(a));
    EXPECT_EQ(a.GetSafeHandle(), nullptr);
    EXPECT_EQ(b.GetSafeHandle(), ha);

    CFont c;
    ASSERT_TRUE(c.CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    HGDIOBJ hc = c.GetSafeHandle();
    c = std::move(b);
    EXPECT_EQ(GetObjectType(hc), 0u);
    EXPECT_EQ(c.GetSafeHandle(), ha);
    EXPECT_EQ(GetObjectType(ha), DWORD(OBJ_FONT));
}

TEST(GdiObject, GetLogFontDescribesTheFontOrFails)
{
    CFont font;
    LOGFONTW lf{};
    lf.lfHeight = 77;
    EXPECT_FALSE(font.GetLogFont(&lf));
    EXPECT_EQ(lf.lfHeight, 77) << "untouched on failure";

    ASSERT_TRUE(font.CreateFont(-17, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    ASSERT_TRUE(font.GetLogFont(&lf));
    EXPECT_EQ(lf.lfHeight, -17);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
}

TEST(GdiDc, AttachedDcIsBorrowedAndSurvivesTheWrapper)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    {
        CDC dc;
        ASSERT_TRUE(dc.Attach(hdc));
        EXPECT_FALSE(dc.Attach(hdc)) << "already holds a DC";
        EXPECT_EQ(dc.GetSafeHdc(), hdc);
    }
    EXPECT_EQ(GetObjectType(hdc), DWORD(OBJ_MEMDC));
    {
        CDC dc;
        dc.Attach(hdc);
        EXPECT_EQ(dc.Detach(), hdc);
        EXPECT_EQ(dc.GetSafeHdc(), nullptr);
    }
    EXPECT_EQ(GetObjectType(hdc), DWORD(OBJ_MEMDC));
    DeleteDC(hdc);
}

TEST(GdiDc, CreatedDcIsDeletedOnceEvenAfterAMove)
{
    HDC hdc = nullptr;
    {
        CDC outer;
        {
            CDC dc;
            ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
            hdc = dc.GetSafeHdc();
            outer = std::move(dc);
            EXPECT_EQ(dc.GetSafeHdc(), nullptr);
        }
        EXPECT_EQ(GetObjectType(hdc), DWORD(OBJ_MEMDC)) << "the moved-from wrapper must not delete";
    }
    EXPECT_EQ(GetObjectType(hdc), 0u);
}

TEST(GdiDc, ScreenDcsAreGivenBack)
{
    const int before = CountGdiObjects();
    for (int i = 0; i < 200; ++i) {
        CWindowDC dc(nullptr);
        ASSERT_NE(dc.GetSafeHdc(), nullptr);
        EXPECT_GT(GetDeviceCaps(dc.GetSafeHdc(), HORZRES), 0);
    }
    EXPECT_LE(CountGdiObjects(), before + 2);
}

TEST(GdiSelectGuard, RestoresThePreviousObjectIntoTheSameDc)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CPen pen;
    ASSERT_TRUE(pen.CreatePen(PS_SOLID, 3, RGB(9, 9, 9)));
    HGDIOBJ original = GetCurrentObject(dc.GetSafeHdc(), OBJ_PEN);
    {
        CSelectGuard guard(dc, pen);
        EXPECT_TRUE(guard.Selected());
        EXPECT_EQ(guard.Previous(), original);
        EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_PEN), pen.GetSafeHandle());
    }
    EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_PEN), original);
}

TEST(GdiSelectGuard, MovedGuardRestoresOnceAtTheEndOfTheLastOwner)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 1, 1)));
    HGDIOBJ original = GetCurrentObject(dc.GetSafeHdc(), OBJ_BRUSH);
    {
        CSelectGuard outer = [&] {
            CSelectGuard inner(dc, brush);
            return CSelectGuard(std::move(inner));
        }();
        EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_BRUSH), brush.GetSafeHandle());
        outer.Restore();
        EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_BRUSH), original);
        // A second selection made by hand is not undone by the spent guard.
        dc.SelectObject(brush);
    }
    EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_BRUSH), brush.GetSafeHandle());
    dc.SelectObject(original);
}

TEST(GdiSelectGuard, FailedSelectionRestoresNothing)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    HGDIOBJ original = GetCurrentObject(dc.GetSafeHdc(), OBJ_FONT);
    CFont empty;
    {
        CSelectGuard guard(dc, empty);
        EXPECT_FALSE(guard.Selected());
    }
    EXPECT_EQ(GetCurrentObject(dc.GetSafeHdc(), OBJ_FONT), original);
}
