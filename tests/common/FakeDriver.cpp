#include "FakeDriver.h"

#include <sstream>

namespace gputest {

namespace {

template <typename Fn>
Fn Lookup(HMODULE module, const std::string& name)
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name.c_str())));
}

} // namespace

FakeDriver::FakeDriver(const std::wstring& path, const char* prefix) : m_module(LoadLibraryW(path.c_str()))
{
    m_configure = Lookup<ConfigureFn>(m_module, std::string(prefix) + "Configure");
    m_getLog = Lookup<ReadFn>(m_module, std::string(prefix) + "GetLog");
    m_getState = Lookup<ReadFn>(m_module, std::string(prefix) + "GetState");
}

int FakeDriver::Configure(const std::string& text) const
{
    return m_configure ? m_configure(text.c_str()) : -1;
}

std::string FakeDriver::Read(ReadFn read) const
{
    if (!read)
        return std::string();
    std::string text(static_cast<size_t>(read(nullptr, 0)) + 1, '\0');
    read(&text[0], static_cast<int>(text.size()));
    text.resize(text.size() - 1);
    return text;
}

std::vector<std::string> FakeDriver::Log() const
{
    std::vector<std::string> lines;
    std::istringstream text(Read(m_getLog));
    std::string line;
    while (std::getline(text, line))
        lines.push_back(line);
    return lines;
}

std::string FakeDriver::State() const
{
    return Read(m_getState);
}

void FakeDriver::Release()
{
    if (m_module) {
        FreeLibrary(m_module);
        m_module = nullptr;
        m_configure = nullptr;
        m_getLog = nullptr;
        m_getState = nullptr;
    }
}

std::vector<std::string> Without(const std::vector<std::string>& log, const std::string& prefix)
{
    std::vector<std::string> kept;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            kept.push_back(line);
    }
    return kept;
}

} // namespace gputest
