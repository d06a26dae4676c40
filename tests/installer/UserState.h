// What an install leaves in the user's part of the system, read back the way
// Windows reads it: HKEY_CURRENT_USER values, known folders, shortcuts and
// folder listings.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace installer {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Korvane's own settings.
constexpr wchar_t kSettingsKey[] = L"Software\\Korvane";

// A REG_SZ value under HKEY_CURRENT_USER; false when it is missing or of
// another type.
bool ReadUserString(const wchar_t* key, const wchar_t* name, std::wstring* value);
bool ReadUserDword(const wchar_t* key, const wchar_t* name, DWORD* value);
bool WriteUserString(const wchar_t* key, const wchar_t* name, const std::wstring& value);
bool UserValueExists(const wchar_t* key, const wchar_t* name);
bool UserKeyExists(const wchar_t* key);

// A known folder of the user (FOLDERID_...); empty when it has none.
std::wstring KnownFolder(REFKNOWNFOLDERID id);

// The program a shortcut (.lnk) starts; empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& link);

// The names in a folder, sorted; empty when the folder is missing.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// Everything below a folder as paths relative to it, sorted.
std::vector<std::wstring> FolderTree(const std::wstring& folder);

bool PathExists(const std::wstring& path);

// Two files with the same bytes.
bool SameContents(const std::wstring& a, const std::wstring& b);

} // namespace installer
