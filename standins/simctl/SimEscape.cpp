#include "SimEscape.h"

namespace {

std::string Escape(const std::string& bytes, bool doubleBackslash)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b == '\\' && doubleBackslash)
            out += "\\\\";
        else if (b >= 0x20 && b < 0x7F)
            out += c;
        else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string EscapeBytes(const std::string& bytes)
{
    return Escape(bytes, true);
}

std::string EscapeForDisplay(const std::string& bytes)
{
    constexpr std::string::size_type kShown = 200;
    std::string::size_type length = bytes.size();
    if (length > 0 && bytes[length - 1] == '\0')
        --length;
    if (length <= kShown)
        return Escape(bytes.substr(0, length), false);
    return Escape(bytes.substr(0, kShown), false) + "... (" + std::to_string(bytes.size()) + " bytes)";
}

bool UnescapeBytes(const std::string& text, std::string* bytes)
{
    std::string out;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case '0':
            out += '\0';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            int hi = HexValue(text[i + 1]);
            int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    *bytes = std::move(out);
    return true;
}
