#include "InstallerTest.h"

#include "Files.h"
#include "KorvaneUi.h"
#include "UniqueHandle.h"
#include "UserState.h"
#include "gpu/NvapiLibrary.h"
#include "version.h"

#include <shlobj.h>

namespace installer {

namespace {

// Setup waits up to KORVANE_EXIT_WAIT_MS for a running Korvane (a few seconds
// in the test build); everything else it does takes a second or two.
constexpr DWORD kSetupTimeoutMs = 60000;
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMainCaption[] = L"NVIDIA Korvane";

std::wstring TestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return drive::Widen(name);
}

std::wstring TempFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, path);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : L"C:\\";
}

ULONGLONG FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

void Installer::SetUp()
{
    KorvaneTest::SetUp();
    base = drive::JoinPath(TempFolder(), L"korvane-installer\\" + TestName());
    ASSERT_TRUE(drive::MakeEmptyFolder(base));
    // The cases share the prefix: each starts from a user with nothing of
    // Korvane installed, whatever a case before it left.
    RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Korvane");
    DeleteFileW(Shortcut().c_str());
    ASSERT_TRUE(drive::RemoveFolder(DefaultFolder()));
    ASSERT_TRUE(drive::RemoveFolder(LogFolder()));
    ASSERT_EQ(RunningKorvane(), 0u) << "a Korvane of an earlier case still runs";
    // The driver where a real one lives: the system folder, not the program's.
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    ASSERT_TRUE(drive::CopyInto(drive::FakeNvapiPath(), system))
        << "cannot place the fake NVIDIA driver in the system folder";
    m_fakeDriver = drive::JoinPath(system, gpu::kNvapiLibrary);
    setup.nvidia = false;
}

void Installer::TearDown()
{
    // A Korvane that setup started runs outside setup's job and ends as a
    // user ends it; whatever still runs ends with the tests' Wine prefix.
    for (int i = 0; i < 3; ++i) {
        const DWORD pid = RunningKorvane();
        if (pid == 0 || pid == korvane.ProcessId())
            break;
        pipeio::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        PostMessageW(FindWindowW(kDialogClass, kMainCaption), WM_CLOSE, 0, 0);
        if (process)
            WaitForSingleObject(process.Get(), kExitTimeoutMs);
    }
    KorvaneTest::TearDown();
    if (!m_fakeDriver.empty())
        DeleteFileW(m_fakeDriver.c_str());
    if (!HasFailure())
        drive::RemoveFolder(base);
}

long Installer::Run(const std::wstring& exe, const std::wstring& arguments)
{
    drive::ChildProcess run;
    run.SetJobLimits(jobLimits);
    const drive::Environment environment = notebook ? notebook->KorvaneEnvironment() : drive::Environment();
    if (!run.Start(exe, arguments, base, environment))
        return kNoStart;
    DWORD code = 0;
    return run.WaitForExit(kSetupTimeoutMs, &code) ? static_cast<long>(code) : kNoEnd;
}

long Installer::RunSetup(const std::wstring& arguments)
{
    return Run(drive::JoinPath(drive::ProgramFolder(), L"..\\installer\\Korvane-test-setup.exe"), arguments);
}

long Installer::RunUninstaller(const std::wstring& folder)
{
    const std::wstring copy = drive::JoinPath(base, L"uninstaller");
    if (!drive::MakeEmptyFolder(copy) || !drive::CopyInto(drive::JoinPath(folder, L"uninstall.exe"), copy))
        return kNoStart;
    return Run(drive::JoinPath(copy, L"uninstall.exe"), L"/S _?=" + folder);
}

void Installer::StartFirmware()
{
    notebook = std::make_unique<drive::Notebook>(drive::JoinPath(base, L"notebook"), setup);
    ASSERT_TRUE(drive::MakeEmptyFolder(notebook->Folder()));
    ASSERT_TRUE(notebook->StartFirmware()) << "the firmware simulator does not start";
}

void Installer::StartInstalledKorvane(const std::wstring& folder)
{
    Mark();
    ASSERT_TRUE(korvane.Start(drive::JoinPath(folder, L"Korvane.exe"), L"", folder,
                              notebook->KorvaneEnvironment(), notebook->PathOf(L"korvane.out")))
        << "the installed Korvane.exe does not start";
    main = drive::WaitForMainWindow(korvane.ProcessId(), kStartTimeoutMs);
    ASSERT_NE(main, nullptr) << "Korvane's main window does not appear";
    ASSERT_TRUE(WaitForCommands(4)) << "Korvane's start-up does not reach the firmware";
    ASSERT_TRUE(drive::Settle(main)) << "Korvane's window does not answer";
}

DWORD Installer::RunningKorvane()
{
    HWND window = FindWindowW(kDialogClass, kMainCaption);
    DWORD pid = 0;
    if (window)
        GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::vector<std::wstring> Installer::InstalledFiles()
{
    return {L"Korvane.com", L"Korvane.exe", L"LICENSE.txt", L"QELWmiAcpi.dll", L"uninstall.exe"};
}

std::wstring Installer::LogFolder()
{
    return drive::JoinPath(KnownFolder(FOLDERID_LocalAppData), L"Korvane");
}

std::wstring Installer::DefaultFolder()
{
    return drive::JoinPath(KnownFolder(FOLDERID_LocalAppData), L"Programs\\Korvane");
}

std::wstring Installer::Shortcut()
{
    return drive::JoinPath(KnownFolder(FOLDERID_Programs), L"Korvane.lnk");
}

void Installer::ExpectInstalledIn(const std::wstring& folder) const
{
    EXPECT_EQ(FolderEntries(folder), InstalledFiles()) << "the files, and nothing half-written beside them";
    const std::wstring bin = drive::ProgramFolder();
    for (const wchar_t* name : {L"Korvane.exe", L"QELWmiAcpi.dll", L"Korvane.com"})
        EXPECT_TRUE(SameContents(drive::JoinPath(folder, name), drive::JoinPath(bin, name)))
            << drive::Narrow(name);
    std::string license;
    EXPECT_TRUE(drive::ReadTextFile(drive::JoinPath(folder, L"LICENSE.txt"), &license));
    EXPECT_EQ(license.rfind("MIT License\r\n", 0), 0u) << "the license, with Windows line ends";

    const std::wstring exe = drive::JoinPath(folder, L"Korvane.exe");
    EXPECT_EQ(ShortcutTarget(Shortcut()), exe) << "the Start-menu shortcut";

    const std::wstring uninstaller = Quoted(drive::JoinPath(folder, L"uninstall.exe"));
    const struct
    {
        const wchar_t* name;
        std::wstring expected;
    } strings[] = {
        {L"DisplayName", L"Korvane"},
        {L"DisplayVersion", drive::Widen(KORVANE_VERSION_STRING)},
        {L"Publisher", L"The Korvane developers"},
        {L"DisplayIcon", exe + L",0"},
        {L"InstallLocation", folder},
        {L"UninstallString", uninstaller},
        {L"QuietUninstallString", uninstaller + L" /S"},
    };
    for (const auto& value : strings) {
        std::wstring text;
        EXPECT_TRUE(ReadUserString(kUninstallKey, value.name, &text)) << drive::Narrow(value.name);
        EXPECT_EQ(text, value.expected) << drive::Narrow(value.name);
    }
    for (const wchar_t* flag : {L"NoModify", L"NoRepair"}) {
        DWORD set = 0;
        EXPECT_TRUE(ReadUserDword(kUninstallKey, flag, &set) && set == 1) << drive::Narrow(flag);
    }
    // The installed-apps page shows EstimatedSize in KB.
    ULONGLONG bytes = 0;
    for (const std::wstring& name : InstalledFiles())
        bytes += FileBytes(drive::JoinPath(folder, name));
    DWORD kilobytes = 0;
    EXPECT_TRUE(ReadUserDword(kUninstallKey, L"EstimatedSize", &kilobytes));
    EXPECT_GE(kilobytes, bytes / 1024 - 4);
    EXPECT_LE(kilobytes, bytes / 1024 + 4);
}

void Installer::ExpectNothingInstalled(const std::wstring& folder,
                                       const std::vector<std::wstring>& left) const
{
    EXPECT_EQ(FolderEntries(folder), left);
    if (left.empty()) {
        EXPECT_FALSE(PathExists(folder)) << "the empty folder goes too";
    }
    ExpectNothingRegistered();
}

void Installer::ExpectNothingRegistered() const
{
    EXPECT_FALSE(PathExists(Shortcut())) << "the Start-menu shortcut";
    EXPECT_FALSE(UserValueExists(kRunKey, L"Korvane")) << "the sign-in start";
    EXPECT_FALSE(UserKeyExists(kUninstallKey)) << "the installed-programs entry";
    EXPECT_FALSE(UserKeyExists(kSettingsKey)) << "Korvane's settings";
    EXPECT_FALSE(PathExists(LogFolder())) << "the diagnostic log";
}

void Installer::MarkInstall(const std::wstring& folder)
{
    ASSERT_TRUE(drive::WriteTextFile(drive::JoinPath(folder, L"LICENSE.txt"), "edited\r\n"));
    ASSERT_TRUE(WriteUserString(kUninstallKey, L"DisplayVersion", L"1.0"));
    ASSERT_TRUE(drive::ReadTextFile(drive::JoinPath(folder, L"uninstall.exe"), &m_markedUninstaller));
}

void Installer::ExpectMarkedInstall(const std::wstring& folder) const
{
    EXPECT_EQ(FolderEntries(folder), InstalledFiles()) << "the files, and nothing half-written beside them";
    std::string text;
    EXPECT_TRUE(drive::ReadTextFile(drive::JoinPath(folder, L"LICENSE.txt"), &text));
    EXPECT_EQ(text, "edited\r\n");
    EXPECT_TRUE(drive::ReadTextFile(drive::JoinPath(folder, L"uninstall.exe"), &text));
    EXPECT_TRUE(text == m_markedUninstaller) << "uninstall.exe was replaced";
    std::wstring version;
    EXPECT_TRUE(ReadUserString(kUninstallKey, L"DisplayVersion", &version));
    EXPECT_EQ(version, L"1.0");
    EXPECT_TRUE(PathExists(Shortcut())) << "the Start-menu shortcut";
    EXPECT_TRUE(UserValueExists(kRunKey, L"Korvane")) << "the sign-in start";
}

} // namespace installer
