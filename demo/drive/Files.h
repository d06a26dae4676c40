// Files and folders of a simulated notebook: the program's own folder, the
// scenario folders beside it and the small text files the fakes write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drive {

// Folder of the running program, without a trailing separator.
std::wstring ProgramFolder();

// Joins two path parts with one backslash.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// Creates folder (and its parents) and removes everything inside it.
bool MakeEmptyFolder(const std::wstring& folder);
// Removes folder with everything inside it; true when it is gone.
bool RemoveFolder(const std::wstring& folder);

// Copies a file into folder under its own name.
bool CopyInto(const std::wstring& file, const std::wstring& folder);

// The whole file; false when it cannot be read (a missing file included).
bool ReadTextFile(const std::wstring& path, std::string* text);
// Replaces the file with text.
bool WriteTextFile(const std::wstring& path, const std::string& text);

// Text split at line ends, without them; a last empty line is dropped.
std::vector<std::string> SplitLines(const std::string& text);

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

} // namespace drive
