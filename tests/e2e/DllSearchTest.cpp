// Where Korvane takes its driver libraries from: a fake NVIDIA driver planted
// in the working directory or on PATH is ignored (Korvane ends as on a
// machine without a GPU), one in the system folder is loaded. Nor is the
// other architecture's library loaded, even beside Korvane.exe.
#include "KorvaneTest.h"

#include "Files.h"
#include "gpu/NvapiLibrary.h"

namespace e2e {
namespace {

// The name only the other architecture's Korvane loads.
#ifdef _WIN64
constexpr wchar_t kOtherArchitectureNvapi[] = L"nvapi.dll";
#else
constexpr wchar_t kOtherArchitectureNvapi[] = L"nvapi64.dll";
#endif

// The fake NVIDIA driver copied into a folder under a name, deleted again on
// every road.
class PlantedNvapi
{
public:
    PlantedNvapi(const std::wstring& folder, const wchar_t* name) : m_path(drive::JoinPath(folder, name))
    {
        m_planted = CopyFileW(drive::FakeNvapiPath().c_str(), m_path.c_str(), FALSE) != FALSE;
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
    // folder (the setup names it, or it is Korvane's own) under name.
    void PlantAndLaunch(const std::wstring& folder, const wchar_t* name = gpu::kNvapiLibrary)
    {
        notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
        std::string error;
        ASSERT_TRUE(notebook->Prepare(&error)) << error;
        planted = std::make_unique<PlantedNvapi>(folder, name);
        ASSERT_TRUE(planted->Planted()) << "cannot write " << drive::Narrow(planted->Path());
        ASSERT_TRUE(notebook->StartFirmware());
        ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    }

    std::wstring plantFolder;
    std::unique_ptr<PlantedNvapi> planted;
};

enum class Place {
    WorkingDirectory,
    Path,
    ProgramFolder,
};

struct UntrustedCase
{
    const char* name;
    Place place;
    const wchar_t* file;
};

class DllSearchUntrusted : public DllSearch, public ::testing::WithParamInterface<UntrustedCase>
{};

TEST_P(DllSearchUntrusted, AFakeDriverThereIsNotLoaded)
{
    const UntrustedCase& c = GetParam();
    setup.nvidia = false;
    std::wstring folder = FolderFor();
    if (c.place != Place::ProgramFolder) {
        plantFolder = FolderFor(L"-planted");
        ASSERT_TRUE(drive::MakeEmptyFolder(plantFolder));
        (c.place == Place::WorkingDirectory ? setup.workingFolder : setup.pathFolder) = plantFolder;
        folder = plantFolder;
    }
    ASSERT_NO_FATAL_FAILURE(PlantAndLaunch(folder, c.file));

    DWORD status = 0;
    ASSERT_TRUE(korvane.WaitForExit(20000, &status)) << "Korvane runs: it found a driver";
    EXPECT_EQ(status, 1u) << "it ends as without a GPU";
    EXPECT_TRUE(notebook->NvapiCalls().empty()) << "the planted library was called";
}

INSTANTIATE_TEST_SUITE_P(Folders, DllSearchUntrusted,
                         ::testing::Values(UntrustedCase{"WorkingDirectory", Place::WorkingDirectory,
                                                         gpu::kNvapiLibrary},
                                           UntrustedCase{"Path", Place::Path, gpu::kNvapiLibrary},
                                           UntrustedCase{"OtherArchitecturesNameBesideKorvane",
                                                         Place::ProgramFolder, kOtherArchitectureNvapi}),
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
