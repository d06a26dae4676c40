// The program files whose resources the tests read, and ways to read them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct ResourceFile
{
    const char* label;       // test name suffix
    const wchar_t* fileName; // in the folder of the test program
    bool required;           // when false, a missing file skips its tests
};

// Every file checked: the probe carries the resources from the start,
// Korvane.exe once it is built.
extern const ResourceFile kResourceFiles[2];

void PrintTo(const ResourceFile& file, std::ostream* os);
std::string ResourceFileLabel(const testing::TestParamInfo<ResourceFile>& info);

// Full path of a file beside the test program.
std::wstring BinPath(const wchar_t* fileName);

// A program file mapped for its resources only; nothing in it runs.
class DataFile
{
public:
    explicit DataFile(const std::wstring& path);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

// The bytes of resource `id` of `type` in exactly language `lang`; empty when
// there is none. Valid while the module stays loaded.
struct ResourceView
{
    const BYTE* data = nullptr;
    std::size_t size = 0;
    bool Empty() const { return data == nullptr; }
};
ResourceView FindResourceView(HMODULE module, LPCWSTR type, WORD id, WORD lang);

// Every language in which the module holds resource `id` of `type`.
std::vector<WORD> ResourceLanguages(HMODULE module, LPCWSTR type, WORD id);

// Fixture for tests run once per file of kResourceFiles.
class ResourceFileTest : public testing::TestWithParam<ResourceFile>
{
protected:
    void SetUp() override;
    HMODULE Module() const { return m_file ? m_file->Get() : nullptr; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    std::unique_ptr<DataFile> m_file;
};

constexpr WORD kLangEnglishUS = 1033;
constexpr WORD kLangChineseTraditional = 1028;
