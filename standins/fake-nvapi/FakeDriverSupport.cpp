#include "FakeDriverSupport.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace fakedriver {

namespace {

std::wstring PathNamedBy(const wchar_t* envName)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(envName, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(path, length);
}

void WriteWhole(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

std::string ReadFileNamedBy(const wchar_t* envName)
{
    const std::wstring path = PathNamedBy(envName);
    if (path.empty())
        return std::string();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    return text;
}

std::vector<ConfigLine> SplitConfig(const std::string& text)
{
    std::vector<ConfigLine> lines;
    std::istringstream input(text);
    std::string line;
    int number = 0;
    while (std::getline(input, line)) {
        ++number;
        const std::string::size_type hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> split;
        std::string word;
        while (words >> word)
            split.push_back(word);
        if (!split.empty())
            lines.push_back({number, split});
    }
    return lines;
}

bool ParseNumber(const std::string& word, long& value)
{
    if (word.empty())
        return false;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    char* end = nullptr;
    errno = 0;
    if (hex) {
        const unsigned long parsed = std::strtoul(word.c_str() + 2, &end, 16);
        value = static_cast<long>(parsed);
    } else {
        value = std::strtol(word.c_str(), &end, 10);
    }
    return errno == 0 && end && *end == '\0';
}

int CopyOut(const std::string& text, char* buffer, int size)
{
    if (buffer && size > 0) {
        const std::string::size_type count =
            text.size() < static_cast<std::string::size_type>(size) ? text.size() : size - 1;
        text.copy(buffer, count);
        buffer[count] = '\0';
    }
    return static_cast<int>(text.size());
}

void CallLog::Add(const std::string& line)
{
    m_text += line;
    m_text += '\n';

    const std::wstring path = PathNamedBy(m_envName);
    if (path.empty())
        return;
    // Opened per line so that every line is on disk before the call returns,
    // whoever reads the log and whenever the process ends.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteWhole(file, line + "\n");
    CloseHandle(file);
}

void WriteStateFile(const wchar_t* envName, const std::string& text)
{
    const std::wstring path = PathNamedBy(envName);
    if (path.empty())
        return;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteWhole(file, text + "\n");
    CloseHandle(file);
}

} // namespace fakedriver
