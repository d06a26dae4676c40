// Reads an extended dialog template (DLGTEMPLATEEX) as stored in a resource.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A template field that is either absent, a 16-bit ordinal or a string.
struct NameOrOrdinal
{
    WORD ordinal = 0; // nonzero when the field is an ordinal
    std::wstring name;
};

struct DialogItem
{
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    WORD extraCount = 0;
};

struct DialogTemplate
{
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
    std::vector<DialogItem> items; // in tab order, as stored
};

// Nothing when the bytes are not a complete extended template.
std::optional<DialogTemplate> ParseDialogTemplateEx(const BYTE* data, std::size_t size);

// Name of a predefined control class given as an atom (0x0080 "Button" ...),
// or the class name as stored; empty for an unknown atom.
std::wstring ControlClassName(const NameOrOrdinal& windowClass);
