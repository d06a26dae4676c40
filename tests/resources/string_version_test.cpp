// The string table and the version record.
#include "resource_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring LoadText(HMODULE module, UINT id)
{
    wchar_t text[256] = L"";
    int length = LoadStringW(module, id, text, 256);
    return std::wstring(text, length > 0 ? length : 0);
}

class StringResources : public ResourceFileTest
{};

TEST_P(StringResources, TableIsEnglishOnly)
{
    // Strings 96 to 111 share block 7.
    EXPECT_EQ(ResourceLanguages(Module(), RT_STRING, 101 / 16 + 1), std::vector<WORD>{kLangEnglishUS});
}

TEST_P(StringResources, TextsLoad)
{
    EXPECT_EQ(LoadText(Module(), 101), L"&About Korvane...");
    const std::wstring notice = LoadText(Module(), 102);
    const std::wstring shortNotice = LoadText(Module(), 103);
    EXPECT_EQ(notice.rfind(L"Copyright", 0), 0u) << "legal notice line";
    EXPECT_FALSE(shortNotice.empty());
    EXPECT_LT(shortNotice.size(), notice.size());
    EXPECT_EQ(LoadText(Module(), 104), L"");
}

INSTANTIATE_TEST_SUITE_P(Files, StringResources, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

class VersionRecord : public ResourceFileTest
{
protected:
    void SetUp() override
    {
        ResourceFileTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(Path().c_str(), &ignored);
        ASSERT_GT(size, 0u);
        m_block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(Path().c_str(), 0, size, m_block.data()));
    }

    // The value at `path`, or nullptr.
    const void* Query(const wchar_t* path, UINT* length = nullptr)
    {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(m_block.data(), path, &value, &size))
            return nullptr;
        if (length)
            *length = size;
        return value;
    }

private:
    std::vector<BYTE> m_block;
};

TEST_P(VersionRecord, IsEnglishOnly)
{
    EXPECT_EQ(ResourceLanguages(Module(), RT_VERSION, 1), std::vector<WORD>{kLangEnglishUS});
}

TEST_P(VersionRecord, FixedPart)
{
    UINT length = 0;
    auto fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\", &length));
    ASSERT_NE(fixed, nullptr);
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x04B60259u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x04B60259u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 4u);
    EXPECT_EQ(fixed->dwFileType, 1u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);
}

TEST_P(VersionRecord, Strings)
{
    const std::wstring notice = LoadText(Module(), 102);
    const struct
    {
        const wchar_t* key;
        std::wstring value;
    } strings[] = {
        {L"FileDescription", L"Korvane"},      {L"FileVersion", L"2.0.1206.0601"},
        {L"InternalName", L"Korvane.exe"},     {L"LegalCopyright", notice},
        {L"OriginalFilename", L"Korvane.exe"}, {L"ProductName", L"Korvane"},
        {L"ProductVersion", L"2.0.1206.0601"},
    };
    for (const auto& s : strings) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904e4\\") + s.key;
        auto value = static_cast<const wchar_t*>(Query(path.c_str()));
        ASSERT_NE(value, nullptr) << testing::PrintToString(s.key);
        EXPECT_EQ(std::wstring(value), s.value) << testing::PrintToString(s.key);
    }
}

TEST_P(VersionRecord, TranslationIsUsEnglishWestern)
{
    UINT length = 0;
    auto pair = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(pair, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pair[0], 0x0409);
    EXPECT_EQ(pair[1], 0x04E4);
}

INSTANTIATE_TEST_SUITE_P(Files, VersionRecord, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

} // namespace
