#include "dialog_template.h"

namespace {

// Reads little-endian fields and stops at the end of the data instead of
// running past it.
class Reader
{
public:
    Reader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Word(WORD& out)
    {
        if (m_size - m_pos < 2)
            return false;
        out = static_cast<WORD>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        m_pos += 2;
        return true;
    }

    bool Short(short& out)
    {
        WORD w = 0;
        if (!Word(w))
            return false;
        out = static_cast<short>(w);
        return true;
    }

    bool Byte(BYTE& out)
    {
        if (m_pos >= m_size)
            return false;
        out = m_data[m_pos++];
        return true;
    }

    bool Dword(DWORD& out)
    {
        WORD lo = 0, hi = 0;
        if (!Word(lo) || !Word(hi))
            return false;
        out = static_cast<DWORD>(lo) | static_cast<DWORD>(hi) << 16;
        return true;
    }

    bool String(std::wstring& out)
    {
        out.clear();
        for (WORD c = 0; Word(c);) {
            if (c == 0)
                return true;
            out.push_back(static_cast<wchar_t>(c));
        }
        return false;
    }

    bool NameOrOrd(NameOrOrdinal& out)
    {
        WORD first = 0;
        if (!Word(first))
            return false;
        if (first == 0x0000)
            return true;
        if (first == 0xFFFF)
            return Word(out.ordinal);
        m_pos -= 2;
        return String(out.name);
    }

    bool AlignDword()
    {
        std::size_t aligned = (m_pos + 3) & ~std::size_t{3};
        if (aligned > m_size)
            return false;
        m_pos = aligned;
        return true;
    }

    bool Skip(std::size_t count)
    {
        if (m_size - m_pos < count)
            return false;
        m_pos += count;
        return true;
    }

private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

bool ReadItem(Reader& r, DialogItem& item)
{
    return r.AlignDword() && r.Dword(item.helpId) && r.Dword(item.exStyle) && r.Dword(item.style) &&
           r.Short(item.x) && r.Short(item.y) && r.Short(item.cx) && r.Short(item.cy) && r.Dword(item.id) &&
           r.NameOrOrd(item.windowClass) && r.NameOrOrd(item.title) && r.Word(item.extraCount) &&
           r.Skip(item.extraCount);
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplateEx(const BYTE* data, std::size_t size)
{
    if (!data)
        return std::nullopt;
    Reader r(data, size);
    DialogTemplate t;
    WORD version = 0, signature = 0, count = 0;
    if (!r.Word(version) || !r.Word(signature) || version != 1 || signature != 0xFFFF)
        return std::nullopt;
    if (!r.Dword(t.helpId) || !r.Dword(t.exStyle) || !r.Dword(t.style) || !r.Word(count) || !r.Short(t.x) ||
        !r.Short(t.y) || !r.Short(t.cx) || !r.Short(t.cy) || !r.NameOrOrd(t.menu) ||
        !r.NameOrOrd(t.windowClass) || !r.String(t.caption))
        return std::nullopt;
    t.hasFont = (t.style & DS_SETFONT) != 0;
    if (t.hasFont && (!r.Word(t.pointSize) || !r.Word(t.weight) || !r.Byte(t.italic) || !r.Byte(t.charset) ||
                      !r.String(t.face)))
        return std::nullopt;
    t.items.resize(count);
    for (DialogItem& item : t.items) {
        if (!ReadItem(r, item))
            return std::nullopt;
    }
    return t;
}

std::wstring ControlClassName(const NameOrOrdinal& windowClass)
{
    if (windowClass.ordinal == 0)
        return windowClass.name;
    switch (windowClass.ordinal) {
    case 0x0080:
        return L"Button";
    case 0x0081:
        return L"Edit";
    case 0x0082:
        return L"Static";
    case 0x0083:
        return L"ListBox";
    case 0x0084:
        return L"ScrollBar";
    case 0x0085:
        return L"ComboBox";
    default:
        return std::wstring();
    }
}
