// The manifest: caller's rights, version 6 of the common controls, per-monitor
// DPI awareness.
#include "resource_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ManifestResource : public ResourceFileTest
{};

TEST_P(ManifestResource, IsEnglishResourceOne)
{
    EXPECT_EQ(ResourceLanguages(Module(), RT_MANIFEST, 1), std::vector<WORD>{kLangEnglishUS});
}

TEST_P(ManifestResource, AsksForCallersRightsAndCommonControlsSix)
{
    ResourceView res = FindResourceView(Module(), RT_MANIFEST, 1, kLangEnglishUS);
    ASSERT_FALSE(res.Empty());
    const std::string text(reinterpret_cast<const char*>(res.data), res.size);
    for (const char* part :
         {"level=\"asInvoker\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\"",
          "language=\"*\""})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_EQ(text.find("requireAdministrator"), std::string::npos);
}

// Version 2 of per-monitor awareness where the system has it, version 1
// before, and per-monitor (true/pm) where only the older element is read.
TEST_P(ManifestResource, DeclaresPerMonitorDpiAwarenessWithItsFallbacks)
{
    ResourceView res = FindResourceView(Module(), RT_MANIFEST, 1, kLangEnglishUS);
    ASSERT_FALSE(res.Empty());
    const std::string text(reinterpret_cast<const char*>(res.data), res.size);
    for (const char* part :
         {"<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
          "PerMonitor</dpiAwareness>"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

INSTANTIATE_TEST_SUITE_P(Files, ManifestResource, testing::ValuesIn(kResourceFiles), ResourceFileLabel);

// The loader accepts the manifest: the probe starts, and the common controls
// it loads come from the version 6 assembly. Exit 0 says so (see the probe).
TEST(ManifestActivation, ProbeGetsCommonControlsSix)
{
    std::wstring path = BinPath(kResourceFiles[0].fileName);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << GetLastError();
    CloseHandle(process.hThread);
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        ADD_FAILURE() << "probe did not end";
    }
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u);
}

} // namespace
