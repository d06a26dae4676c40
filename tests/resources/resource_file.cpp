#include "resource_file.h"

const ResourceFile kResourceFiles[2] = {
    {"Probe", L"korvane_res_probe.exe", true},
    {"Korvane", L"Korvane.exe", false},
};

void PrintTo(const ResourceFile& file, std::ostream* os)
{
    *os << file.label;
}

std::string ResourceFileLabel(const testing::TestParamInfo<ResourceFile>& info)
{
    return info.param.label;
}

std::wstring BinPath(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length < MAX_PATH ? length : 0);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

DataFile::DataFile(const std::wstring& path)
    : m_module(
          LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
{}

DataFile::~DataFile()
{
    if (m_module)
        FreeLibrary(m_module);
}

ResourceView FindResourceView(HMODULE module, LPCWSTR type, WORD id, WORD lang)
{
    ResourceView view;
    HRSRC info = FindResourceExW(module, type, MAKEINTRESOURCEW(id), lang);
    if (!info)
        return view;
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (data) {
        view.data = static_cast<const BYTE*>(data);
        view.size = SizeofResource(module, info);
    }
    return view;
}

namespace {

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(lang);
    return TRUE;
}

} // namespace

std::vector<WORD> ResourceLanguages(HMODULE module, LPCWSTR type, WORD id)
{
    std::vector<WORD> langs;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&langs));
    return langs;
}

void ResourceFileTest::SetUp()
{
    const ResourceFile& file = GetParam();
    m_path = BinPath(file.fileName);
    if (!file.required && GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "not built yet";
    m_file = std::make_unique<DataFile>(m_path);
    ASSERT_NE(m_file->Get(), nullptr) << "cannot map " << file.label << ", error " << GetLastError();
}
