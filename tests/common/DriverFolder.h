// A fresh temporary folder holding the fake driver libraries a scenario
// needs, put on the DLL search path for the scenario's lifetime.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace gputest {

// A fake driver build: its folder under bin\fakes and its file name.
struct FakeDll
{
    const wchar_t* folder;
    const wchar_t* file;
};

extern const FakeDll kFakeNvapi;
extern const FakeDll kFakeNvapiWithoutQuery;
extern const FakeDll kFakeAtiadlxx;
extern const FakeDll kFakeAtiadlxy;

// bin\fakes\<folder> of a build without one ADL function.
std::wstring AdlFolderWithout(const std::string& function);

class DriverFolder
{
public:
    // Copies each fake into the folder; folders are given as full names.
    explicit DriverFolder(const std::vector<std::pair<std::wstring, std::wstring>>& fakes);
    explicit DriverFolder(const std::vector<FakeDll>& fakes);
    ~DriverFolder() { Remove(); }
    DriverFolder(const DriverFolder&) = delete;
    DriverFolder& operator=(const DriverFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring FileInside(const std::wstring& name) const { return m_path + L"\\" + name; }
    bool Ready() const { return m_ready; }

    // Takes the folder off the search path and deletes it; false when
    // something in it could not be deleted, such as a library still loaded.
    bool Remove();

    // A file of the folder's own, deleted with it.
    std::wstring ScratchFile(const std::wstring& name);

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
    bool m_ready = false;
};

// True while a module of that name is loaded in the process.
bool IsModuleLoaded(const wchar_t* name);

} // namespace gputest
