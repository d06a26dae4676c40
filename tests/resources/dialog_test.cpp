// The three dialog templates, field by field, as the dialog manager reads them.
#include "dialog_template.h"
#include "resource_file.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace {

struct ExpectedItem
{
    DWORD id;
    const wchar_t* className;
    const wchar_t* text; // nullptr: the title is the ordinal below
    WORD ordinal;
    DWORD style;
    short x, y, cx, cy;
};

struct ExpectedDialog
{
    WORD id;
    WORD lang;
    DWORD style, exStyle;
    short x, y, cx, cy;
    const wchar_t* caption;
    WORD pointSize, weight;
    BYTE italic, charset;
    const wchar_t* face;
    std::vector<ExpectedItem> items;
};

constexpr DWORD kStatic = static_cast<DWORD>(-1);

const ExpectedDialog kDialogs[] = {
    {100,
     kLangEnglishUS,
     0x80C800C8,
     0,
     0,
     0,
     205,
     62,
     L"About Korvane",
     8,
     0,
     0,
     1,
     L"MS Shell Dlg",
     {
         {kStatic, L"Static", nullptr, 130, WS_CHILD | WS_VISIBLE | SS_ICON, 14, 14, 20, 20},
         {1002, L"Static", L"Korvane, Version 2.0.1206.0601", 0,
          WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 42, 14, 153, 8},
         {1001, L"Static", L"Copyright (C) 2012 QEL", 0, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 42, 26,
          114, 8},
         {IDOK, L"Button", L"OK", 0, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 148,
          41, 50, 14},
     }},
    {102,
     kLangEnglishUS,
     0x90C808C0,
     0x00040000,
     0,
     0,
     129,
     86,
     L"NVIDIA Korvane",
     11,
     400,
     0,
     136,
     L"MS Shell Dlg",
     {
         {1000, L"Button", L"Overclock VGA", 0,
          WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 28, 23, 63, 10},
         {1001, L"Button", L"Downclock VGA", 0, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 28, 40, 63, 10},
         {IDOK, L"Button", L"OK", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 16, 66, 50, 14},
         {IDCANCEL, L"Button", L"Exit", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 66, 66, 50,
          14},
     }},
    {136, kLangChineseTraditional, 0x80080048, 0, 0, 0, 116, 67, L"", 8, 400, 0, 1, L"MS Shell Dlg", {}},
};

class DialogResources : public ResourceFileTest
{};

TEST_P(DialogResources, EachTemplateExistsOnlyInItsLanguage)
{
    for (const ExpectedDialog& want : kDialogs) {
        SCOPED_TRACE(want.id);
        EXPECT_EQ(ResourceLanguages(Module(), RT_DIALOG, want.id), std::vector<WORD>{want.lang});
    }
}

TEST_P(DialogResources, TemplatesMatchTheirLayout)
{
    for (const ExpectedDialog& want : kDialogs) {
        SCOPED_TRACE(want.id);
        ResourceView res = FindResourceView(Module(), RT_DIALOG, want.id, want.lang);
        ASSERT_FALSE(res.Empty());
        std::optional<DialogTemplate> got = ParseDialogTemplateEx(res.data, res.size);
        ASSERT_TRUE(got) << "not a complete extended template";
        EXPECT_EQ(got->style, want.style);
        EXPECT_EQ(got->exStyle, want.exStyle);
        EXPECT_EQ(got->helpId, 0u);
        EXPECT_EQ(got->x, want.x);
        EXPECT_EQ(got->y, want.y);
        EXPECT_EQ(got->cx, want.cx);
        EXPECT_EQ(got->cy, want.cy);
        EXPECT_EQ(got->menu.ordinal, 0);
        EXPECT_EQ(got->menu.name, L"");
        EXPECT_EQ(got->windowClass.ordinal, 0);
        EXPECT_EQ(got->windowClass.name, L"");
        EXPECT_EQ(got->caption, want.caption);
        ASSERT_TRUE(got->hasFont);
        EXPECT_EQ(got->pointSize, want.pointSize);
        EXPECT_EQ(got->weight, want.weight);
        EXPECT_EQ(got->italic, want.italic);
        EXPECT_EQ(got->charset, want.charset);
        EXPECT_EQ(got->face, want.face);
        ASSERT_EQ(got->items.size(), want.items.size());
        for (std::size_t i = 0; i < want.items.size(); ++i) {
            const ExpectedItem& w = want.items[i];
            const DialogItem& g = got->items[i];
            SCOPED_TRACE(testing::Message() << "item " << i << ", id " << static_cast<int>(w.id));
            EXPECT_EQ(g.id, w.id);
            EXPECT_EQ(_wcsicmp(ControlClassName(g.windowClass).c_str(), w.className), 0)
                << testing::PrintToString(ControlClassName(g.windowClass));
            if (w.text) {
                EXPECT_EQ(g.title.ordinal, 0);
                EXPECT_EQ(g.title.name, w.text);
            } else {
                EXPECT_EQ(g.title.ordinal, w.ordinal);
            }
            EXPECT_EQ(g.style, w.style);
            EXPECT_EQ(g.exStyle, 0u);
            EXPECT_EQ(g.x, w.x);
            EXPECT_EQ(g.y, w.y);
            EXPECT_EQ(g.cx, w.cx);
            EXPECT_EQ(g.cy, w.cy);
            EXPECT_EQ(g.extraCount, 0);
        }
    }
}

TEST_P(DialogResources, AboutBoxLegalNoticeIsStringTableLine)
{
    ResourceView res = FindResourceView(Module(), RT_DIALOG, 100, kLangEnglishUS);
    std::optional<DialogTemplate> about = ParseDialogTemplateEx(res.data, res.size);
    ASSERT_TRUE(about);
    wchar_t line[128] = L"";
    ASSERT_GT(LoadStringW(Module(), 102, line, 128), 0);
    ASSERT_EQ(about->items.size(), 4u);
    EXPECT_EQ(about->items[2].title.name, line);
}

// The About box as the dialog manager builds it: hidden, and its icon control
// finds icon group 130 in the same file.
TEST_P(DialogResources, AboutBoxCreatesHiddenWithItsIcon)
{
    HWND dlg = CreateDialogParamW(Module(), MAKEINTRESOURCEW(100), nullptr, nullptr, 0);
    ASSERT_NE(dlg, nullptr) << GetLastError();
    EXPECT_FALSE(IsWindowVisible(dlg));
    wchar_t text[64] = L"";
    GetDlgItemTextW(dlg, 1002, text, 64);
    EXPECT_STREQ(text, L"Korvane, Version 2.0.1206.0601");
    HWND icon = GetDlgItem(dlg, -1);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0);
    EXPECT_NE(GetDlgItem(dlg, IDOK), nullptr);
    DestroyWindow(dlg);
}

INSTANTIATE_TEST_SUITE_P(Files, DialogResources, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

// A template cut short anywhere is refused, never read past its end.
TEST(DialogTemplateParser, TruncatedTemplateIsRefused)
{
    DataFile probe(BinPath(kResourceFiles[0].fileName));
    ASSERT_NE(probe.Get(), nullptr);
    ResourceView res = FindResourceView(probe.Get(), RT_DIALOG, 100, kLangEnglishUS);
    ASSERT_FALSE(res.Empty());
    ASSERT_TRUE(ParseDialogTemplateEx(res.data, res.size));
    for (std::size_t size = 0; size < res.size; ++size) {
        std::vector<BYTE> cut(res.data, res.data + size);
        EXPECT_FALSE(ParseDialogTemplateEx(cut.data(), cut.size())) << size;
    }
}

} // namespace
