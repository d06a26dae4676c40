// What the fake driver libraries share: the configuration text they read,
// the call log they keep and the clock state file they write.
#pragma once
#include <string>
#include <vector>

namespace fakedriver {

// The contents of the file named by environment variable envName; empty when
// the variable is unset or the file cannot be read.
std::string ReadFileNamedBy(const wchar_t* envName);

// One configuration line split into blank-separated words, with its number.
struct ConfigLine
{
    int number;
    std::vector<std::string> words;
};

// Configuration text split into lines; '#' starts a comment, lines without
// words are dropped.
std::vector<ConfigLine> SplitConfig(const std::string& text);

// Decimal (optionally negative) or 0x-prefixed hexadecimal, 32 bits.
bool ParseNumber(const std::string& word, long& value);

// Copies text with its terminator into buffer (truncated to size) and returns
// the full length without the terminator, so callers can size a second call.
int CopyOut(const std::string& text, char* buffer, int size);

// The ordered record of calls: kept in memory and, when envName names a file,
// appended to it line by line as they happen.
class CallLog
{
public:
    explicit CallLog(const wchar_t* envName) : m_envName(envName) {}
    void Add(const std::string& line);
    void Clear() { m_text.clear(); }
    const std::string& Text() const { return m_text; }

private:
    const wchar_t* m_envName;
    std::string m_text;
};

// Replaces the file named by envName, if any, with text and a line end.
void WriteStateFile(const wchar_t* envName, const std::string& text);

} // namespace fakedriver

// The control exports every fake offers its tests, named Prefix_Configure,
// Prefix_Reset, Prefix_GetLog and Prefix_GetState. The fake defines
// Configure(text), EnsureConfigured(), StateText() and its CallLog g_log.
#define FAKE_DRIVER_CONTROL_EXPORTS(Prefix)                     \
    int __cdecl Prefix##_Configure(const char* text)            \
    {                                                           \
        return Configure(text ? text : "");                     \
    }                                                           \
    void __cdecl Prefix##_Reset()                               \
    {                                                           \
        Configure("");                                          \
    }                                                           \
    int __cdecl Prefix##_GetLog(char* buffer, int size)         \
    {                                                           \
        EnsureConfigured();                                     \
        return fakedriver::CopyOut(g_log.Text(), buffer, size); \
    }                                                           \
    int __cdecl Prefix##_GetState(char* buffer, int size)       \
    {                                                           \
        EnsureConfigured();                                     \
        return fakedriver::CopyOut(StateText(), buffer, size);  \
    }
