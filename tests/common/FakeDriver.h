// A test's own reference to a fake driver library, through which it
// configures the fake and reads what the fake recorded.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace gputest {

class FakeDriver
{
public:
    // Loads path and finds <prefix>Configure, <prefix>GetLog and <prefix>GetState.
    FakeDriver(const std::wstring& path, const char* prefix);
    ~FakeDriver() { Release(); }
    FakeDriver(const FakeDriver&) = delete;
    FakeDriver& operator=(const FakeDriver&) = delete;

    bool Ready() const { return m_configure && m_getLog && m_getState; }
    HMODULE Module() const { return m_module; }

    // 0, or the number of the first configuration line the fake rejected.
    int Configure(const std::string& text) const;
    std::vector<std::string> Log() const;
    std::string State() const;

    // Drops the test's reference; the module stays only if someone else holds it.
    void Release();

private:
    using ConfigureFn = int(__cdecl*)(const char*);
    using ReadFn = int(__cdecl*)(char*, int);
    std::string Read(ReadFn read) const;

    HMODULE m_module = nullptr;
    ConfigureFn m_configure = nullptr;
    ReadFn m_getLog = nullptr;
    ReadFn m_getState = nullptr;
};

// The lines of log that do not start with prefix.
std::vector<std::string> Without(const std::vector<std::string>& log, const std::string& prefix);

} // namespace gputest
