// Where Korvane takes its driver libraries from: a fake nvapi.dll planted in
// the working directory or on PATH is ignored (Korvane ends as on a machine
// without a GPU), one in the system folder is loaded.
#include "KorvaneTest.h"

#include "Files.h"

namespace e2e {
namespace {

// The fake NVIDIA driver copied into a folder, deleted again on every road.
class PlantedNvapi
{
public:
    explicit PlantedNvapi(const std::wstring& folder) : m_path(drive::JoinPath(folder, L"nvapi.dll"))
    {
        const std::wstring fake = drive::JoinPath(drive::ProgramFolder(), L"fakes\\nvapi\\nvapi.dll");
        m_planted = CopyFileW(fake.c_str(), m_path.c_str(), FALSE) != FALSE;
    }
    ~PlantedNvapi()
    {
        // The last Korvane that loaded it may still be going away.
        for (int attempt = 0; attempt < 50 && !DeleteFileW(m_path.c_str()); ++attempt) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                break;
            Sleep(100);
        }
    }
    PlantedNvapi(const PlantedNvapi&) = delete;
    PlantedNvapi& operator=(const PlantedNvapi&) = delete;

    bool Planted() const { return m_planted; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    bool m_planted = false;
};

class DllSearch : public KorvaneTest
{
protected:
    void TearDown() override
    {
        // Korvane ends before the planted file goes.
        KorvaneTest::TearDown();
        planted.reset();
        if (!plantFolder.empty())
            drive::RemoveFolder(plantFolder);
    }

    // Starts Korvane without a driver in its own folder; the fake stands in
    // the folder the setup names.
    void PlantAndLaunch(const std::wstring& folder)
    {
        notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
        std::string error;
        ASSERT_TRUE(notebook->Prepare(&error)) << error;
        planted = std::make_unique<PlantedNvapi>(folder);
        ASSERT_TRUE(planted->Planted()) << "cannot write " << drive::Narrow(planted->Path());
        ASSERT_TRUE(notebook->StartFirmware());
        ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    }

    std::wstring plantFolder;
    std::unique_ptr<PlantedNvapi> planted;
};

struct UntrustedCase
{
    const char* name;
    bool workingFolder;
};

class DllSearchUntrusted : public DllSearch, public ::testing::WithParamInterface<UntrustedCase>
{};

TEST_P(DllSearchUntrusted, AFakeDriverThereIsNotLoaded)
{
    setup.nvidia = false;
    plantFolder = FolderFor(L"-planted");
    ASSERT_TRUE(drive::MakeEmptyFolder(plantFolder));
    (GetParam().workingFolder ? setup.workingFolder : setup.pathFolder) = plantFolder;
    ASSERT_NO_FATAL_FAILURE(PlantAndLaunch(plantFolder));

    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(20000, &status)) << "Korvane runs: it found a driver";
    EXPECT_EQ(status, 1u) << "it ends as without a GPU";
    EXPECT_TRUE(notebook->NvapiCalls().empty()) << "the planted library was called";
}

INSTANTIATE_TEST_SUITE_P(Folders, DllSearchUntrusted,
                         ::testing::Values(UntrustedCase{"WorkingDirectory", true},
                                           UntrustedCase{"Path", false}),
                         CaseName<UntrustedCase>);

// Writes into the Wine prefix's system folder, shared by every test: this
// program's cases run alone (RUN_SERIAL) and the file goes on every road.
TEST_F(DllSearch, AFakeDriverInTheSystemFolderIsLoaded)
{
    setup.nvidia = false;
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    ASSERT_NO_FATAL_FAILURE(PlantAndLaunch(system));

    main = drive::WaitForMainWindow(korvane.ProcessId(), 20000);
    ASSERT_NE(main, nullptr) << "Korvane ended: the system folder's driver was not found";
    ASSERT_TRUE(drive::WaitUntil([&] { return !notebook->NvapiCalls().empty(); }, 20000));
    EXPECT_TRUE(korvane.IsRunning());
    EXPECT_EQ(CloseKorvane(), 0);
}

} // namespace
} // namespace e2e
