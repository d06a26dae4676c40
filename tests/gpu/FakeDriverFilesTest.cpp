// The fakes as the demo and the end-to-end tests use them: configured by a
// file named in the environment, logging to a file and publishing the
// simulated clocks in a state file.
#include "DriverScenario.h"
#include "FakeFirmware.h"

#include "gpu/ClockModes.h"

#include <sstream>

using namespace gputest;

namespace {

// Sets an environment variable for the scope; it was unset before.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(m_name, nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const wchar_t* m_name;
};

bool WriteText(const std::wstring& path, const std::string& text)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string text(65536, '\0');
    DWORD got = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(file);
    text.resize(got);
    std::istringstream input(text);
    std::string line;
    while (std::getline(input, line))
        lines.push_back(line);
    return lines;
}

class FakeDriverFiles : public DriverScenario<>
{};

TEST_F(FakeDriverFiles, NvapiConfigurationFromFileAndLogAndStateInFiles)
{
    UseDrivers(std::vector<FakeDll>{kFakeNvapi});
    DriverFolder& folder = *m_folder;
    const std::wstring config = folder.ScratchFile(L"nvapi.cfg");
    ASSERT_TRUE(WriteText(config, "# the third entry point fails\n\nstatus NvClockModeC -1\nnonsense 1\n"));
    ScopedEnvironment configVar(L"KORVANE_FAKE_NVAPI_CONFIG", config);
    ScopedEnvironment logVar(L"KORVANE_FAKE_NVAPI_LOG", folder.ScratchFile(L"nvapi.log"));
    ScopedEnvironment stateVar(L"KORVANE_FAKE_GPU_STATE", folder.ScratchFile(L"state.txt"));
    FakeFirmware firmware(std::string("0"));

    ASSERT_EQ(gpu::LoadNvapi(), gpu::NVAPI_OK);
    ASSERT_TRUE(gpu::EnumerateNvidia());
    gpu::ApplyOverclockNvidia();

    const std::vector<std::string> logFile = ReadLines(folder.FileInside(L"nvapi.log"));
    ASSERT_FALSE(logFile.empty());
    EXPECT_EQ(logFile.front(), "config error at line 4");
    EXPECT_EQ(logFile.back(), "NvClockModeC 0x4E500000 0 -> -1");
    EXPECT_EQ(FakeNvapi().Log(), logFile);
    EXPECT_EQ(ReadLines(folder.FileInside(L"state.txt")),
              (std::vector<std::string>{"vendor=nvidia mode=mixed"}));
    EXPECT_EQ(firmware.CommandTexts().at(1), ApSet(0));
}

TEST_F(FakeDriverFiles, AdlConfigurationFromFileAndLogAndStateInFiles)
{
    UseDrivers(std::vector<FakeDll>{kFakeAtiadlxx});
    DriverFolder& folder = *m_folder;
    const std::wstring config = folder.ScratchFile(L"adl.cfg");
    ASSERT_TRUE(WriteText(config, "flags 1\nengine 500 500 900 100 500 5\nmemory 700 700 1200 100 700 5\n"));
    ScopedEnvironment configVar(L"KORVANE_FAKE_ADL_CONFIG", config);
    ScopedEnvironment logVar(L"KORVANE_FAKE_ADL_LOG", folder.ScratchFile(L"adl.log"));
    ScopedEnvironment stateVar(L"KORVANE_FAKE_GPU_STATE", folder.ScratchFile(L"state.txt"));
    FakeFirmware firmware(std::string("0"));
    HMODULE hAdl = nullptr;
    ADLAdapterODClockInfo info{};

    ASSERT_TRUE(gpu::InitAdlBackend(nullptr, &hAdl, &info));
    EXPECT_EQ(ReadLines(folder.FileInside(L"state.txt")),
              (std::vector<std::string>{"vendor=amd engine=500 memory=700"}));
    gpu::ApplyOverclockAmd(info);

    EXPECT_EQ(
        ReadLines(folder.FileInside(L"adl.log")),
        (std::vector<std::string>{"ADL_Main_Control_Create callback=set 1 -> 0", "AdlAllocCallback 64 -> ok",
                                  "ADL_Display_ODClockInfo_Get 0 iSize=56 -> 0",
                                  "ADL_Display_ODClockConfig_Set 0 iSize=16 iFlags=1 iMemoryClock=1200 "
                                  "iEngineClock=900 -> 0"}));
    EXPECT_EQ(ReadLines(folder.FileInside(L"state.txt")),
              (std::vector<std::string>{"vendor=amd engine=900 memory=1200"}));
}

TEST_F(FakeDriverFiles, RejectedConfigurationLinesAreReportedByNumber)
{
    UseDrivers(std::vector<FakeDll>{kFakeNvapi, kFakeAtiadlxx});
    FakeDriver& nvapi = FakeNvapi();
    FakeDriver& adl = Fake(L"atiadlxx.dll", "FakeAdl_");

    EXPECT_EQ(nvapi.Configure("gpus 2\nmissing NvSomethingElse"), 2);
    EXPECT_EQ(nvapi.Configure("gpus 65"), 1);
    EXPECT_EQ(nvapi.Configure("# fine\nstatus 0xFA579A0F -3\nlogical 64"), 0);
    EXPECT_EQ(adl.Configure("engine 1 2 3"), 1);
    EXPECT_EQ(adl.Configure("\nstatus ADL_Display_Color_Set x"), 2);
    EXPECT_EQ(adl.Configure("alloc 0\nflags -1"), 0);
}

} // namespace
