// Setup and the uninstaller touch only their own files: a folder that holds
// other files and is not a Korvane install is refused with nothing written,
// and a file in use elsewhere is kept or put back: an upgrade changes
// nothing, and an uninstall that cannot remove Korvane.exe (a Korvane of
// this user in another session, whose window it cannot see) removes nothing.
#include "InstallerTest.h"

#include "Files.h"
#include "UniqueHandle.h"
#include "UserState.h"

#include <map>
#include <memory>

namespace installer {
namespace {

using FileTexts = std::map<std::wstring, std::string>;

FileTexts ReadFiles(const std::wstring& folder)
{
    FileTexts texts;
    for (const std::wstring& name : FolderEntries(folder))
        drive::ReadTextFile(drive::JoinPath(folder, name), &texts[name]);
    return texts;
}

struct Foreign
{
    const char* name;
    FileTexts files;
};

class ForeignFolder : public Installer, public ::testing::WithParamInterface<Foreign>
{};

TEST_P(ForeignFolder, IsRefusedWithNothingWritten)
{
    const std::wstring folder = drive::JoinPath(base, L"Shared");
    ASSERT_TRUE(drive::MakeEmptyFolder(folder));
    for (const auto& file : GetParam().files)
        ASSERT_TRUE(drive::WriteTextFile(drive::JoinPath(folder, file.first), file.second));
    EXPECT_EQ(RunSetup(L"/S /D=" + folder), kCannotWrite);
    EXPECT_EQ(ReadFiles(folder), GetParam().files);
    ExpectNothingRegistered();
}

INSTANTIATE_TEST_SUITE_P(Installer, ForeignFolder,
                         ::testing::Values(
                             // Another program's folder, with files of the names setup writes.
                             Foreign{"OtherProgram",
                                     {{L"LICENSE.txt", "another license\r\n"},
                                      {L"tool.exe", "a tool\r\n"},
                                      {L"uninstall.exe", "another uninstaller\r\n"}}},
                             // A copy from the zip: Korvane.exe, but no install of this user's.
                             Foreign{"PortableCopy",
                                     {{L"Korvane.exe", "a portable Korvane\r\n"},
                                      {L"QELWmiAcpi.dll", "its library\r\n"},
                                      {L"README.txt", "its readme\r\n"}}}),
                         e2e::CaseName<Foreign>);

// What another process holds of an install, until it goes.
struct Holder
{
    drive::ChildProcess process;
    pipeio::UniqueHandle file;
};

struct InUse
{
    const char* name;
    // Takes hold of a file of the install in folder; false when it cannot.
    bool (*hold)(const std::wstring& folder, Holder* holder);
    // What an uninstall leaves of the files meanwhile: none but the held one
    // and the uninstaller, or (empty) everything.
    std::vector<std::wstring> leftByUninstall;
};

class FileInUse : public Installer, public ::testing::WithParamInterface<InUse>
{};

TEST_P(FileInUse, UpgradeAndUninstallKeepWhatTheyCannotReplace)
{
    // An empty folder is fine to install into.
    const std::wstring folder = drive::JoinPath(base, L"Korvane");
    ASSERT_TRUE(drive::MakeEmptyFolder(folder));
    ASSERT_EQ(RunSetup(L"/S /D=" + folder), kSetupDone);
    ASSERT_NO_FATAL_FAILURE(MarkInstall(folder));
    auto holder = std::make_unique<Holder>();
    ASSERT_TRUE(GetParam().hold(folder, holder.get()));

    EXPECT_EQ(RunSetup(L"/S /D=" + folder), kCannotWrite) << "upgrade";
    ExpectMarkedInstall(folder);
    EXPECT_EQ(RunUninstaller(folder), kCannotWrite) << "uninstall";
    if (GetParam().leftByUninstall.empty()) {
        ExpectMarkedInstall(folder);
    } else {
        EXPECT_EQ(FolderEntries(folder), GetParam().leftByUninstall);
        EXPECT_TRUE(UserKeyExists(kUninstallKey)) << "the entry that runs the uninstaller again";
        EXPECT_FALSE(PathExists(Shortcut()));
        EXPECT_FALSE(UserValueExists(kRunKey, L"Korvane"));
    }

    // Once it is let go, the uninstall goes through.
    holder.reset();
    EXPECT_EQ(RunUninstaller(folder), kSetupDone);
    ExpectNothingInstalled(folder);
}

INSTANTIATE_TEST_SUITE_P(Installer, FileInUse,
                         ::testing::Values(
                             // A process of the installed Korvane.exe with no window, as a Korvane
                             // of this user in another session: its image is loaded (the file can
                             // be renamed but not deleted), none of it runs.
                             InUse{"KorvaneRunsElsewhere",
                                   [](const std::wstring& folder, Holder* holder) {
                                       holder->process.SetExtraCreationFlags(CREATE_SUSPENDED);
                                       return holder->process.Start(drive::JoinPath(folder, L"Korvane.exe"),
                                                                    L"", folder, {});
                                   },
                                   {}},
                             // Another program has the license open and lets nobody delete it.
                             InUse{"LicenseOpenElsewhere",
                                   [](const std::wstring& folder, Holder* holder) {
                                       holder->file.Reset(CreateFileW(
                                           drive::JoinPath(folder, L"LICENSE.txt").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
                                       return static_cast<bool>(holder->file);
                                   },
                                   {L"LICENSE.txt", L"uninstall.exe"}}),
                         e2e::CaseName<InUse>);

} // namespace
} // namespace installer
