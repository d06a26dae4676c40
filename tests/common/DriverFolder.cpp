#include "DriverFolder.h"

#include "gpu/NvapiLibrary.h"

namespace gputest {

const FakeDll kFakeNvapi = {L"nvapi", gpu::kNvapiLibrary};
const FakeDll kFakeNvapiWithoutQuery = {L"nvapi-no-query", gpu::kNvapiLibrary};
const FakeDll kFakeAtiadlxx = {L"atiadlxx", L"atiadlxx.dll"};
const FakeDll kFakeAtiadlxy = {L"atiadlxy", L"atiadlxy.dll"};

namespace {

std::wstring FakesRoot()
{
    wchar_t exe[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, length);
    return path.substr(0, path.find_last_of(L'\\')) + L"\\fakes\\";
}

std::wstring FreshTempFolder()
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    for (;;) {
        const std::wstring path = std::wstring(temp, length) + L"korvane-gpu-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(path.c_str(), nullptr))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::wstring();
    }
}

std::vector<std::pair<std::wstring, std::wstring>> Named(const std::vector<FakeDll>& fakes)
{
    std::vector<std::pair<std::wstring, std::wstring>> named;
    for (const FakeDll& fake : fakes)
        named.emplace_back(fake.folder, fake.file);
    return named;
}

} // namespace

std::wstring AdlFolderWithout(const std::string& function)
{
    return L"atiadlxx-without-" + std::wstring(function.begin(), function.end());
}

DriverFolder::DriverFolder(const std::vector<FakeDll>& fakes) : DriverFolder(Named(fakes)) {}

DriverFolder::DriverFolder(const std::vector<std::pair<std::wstring, std::wstring>>& fakes)
    : m_path(FreshTempFolder())
{
    if (m_path.empty())
        return;
    m_ready = true;
    for (const auto& fake : fakes) {
        const std::wstring target = FileInside(fake.second);
        if (CopyFileW((FakesRoot() + fake.first + L"\\" + fake.second).c_str(), target.c_str(), TRUE))
            m_files.push_back(target);
        else
            m_ready = false;
    }
    if (!SetDllDirectoryW(m_path.c_str()))
        m_ready = false;
}

std::wstring DriverFolder::ScratchFile(const std::wstring& name)
{
    m_files.push_back(FileInside(name));
    return m_files.back();
}

bool DriverFolder::Remove()
{
    if (m_path.empty())
        return true;
    SetDllDirectoryW(nullptr);
    bool removed = true;
    for (const std::wstring& file : m_files) {
        if (!DeleteFileW(file.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            removed = false;
    }
    m_files.clear();
    if (!RemoveDirectoryW(m_path.c_str()))
        removed = false;
    m_path.clear();
    return removed;
}

bool IsModuleLoaded(const wchar_t* name)
{
    return GetModuleHandleW(name) != nullptr;
}

} // namespace gputest
