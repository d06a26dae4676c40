// The 64-bit setup program over an install of the 32-bit Korvane: it upgrades
// in place (the same folder, the same installed-apps entry, the same sign-in
// choice), and a running Korvane ends through its Exit first. The earlier
// install is staged as the 32-bit setup program leaves it; this machine
// cannot run that setup program.
#include "InstallerTest.h"

#include "Files.h"
#include "UniqueHandle.h"
#include "UserState.h"

#include <cstring>

namespace installer {
namespace {

constexpr wchar_t kEarlierVersion[] = L"2.0.1205.0100";
constexpr WORD kMachineX86 = 0x14C;
constexpr WORD kMachineX64 = 0x8664;

// The 32-bit build's shipped files, built beside this one
// (scripts/korvane-build).
std::wstring X86Folder()
{
    return drive::JoinPath(drive::ProgramFolder(), L"..\\i686\\bin");
}

// A value written as the 32-bit setup program writes it: from a 32-bit
// process, through the 32-bit view of the registry.
bool WriteX86Value(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const bool written =
        RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return written;
}

bool WriteX86String(const wchar_t* key, const wchar_t* name, const std::wstring& text)
{
    return WriteX86Value(key, name, REG_SZ, text.c_str(),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool WriteX86Dword(const wchar_t* key, const wchar_t* name, DWORD value)
{
    return WriteX86Value(key, name, REG_DWORD, &value, sizeof value);
}

// The installed-apps entries named Korvane in one view of the registry.
int KorvaneEntries(REGSAM view)
{
    HKEY uninstall = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                      KEY_READ | view, &uninstall) != ERROR_SUCCESS)
        return 0;
    int found = 0;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(uninstall, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        wchar_t display[64];
        DWORD bytes = sizeof display;
        if (RegGetValueW(uninstall, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, display, &bytes) ==
                ERROR_SUCCESS &&
            std::wstring(display) == L"Korvane")
            ++found;
    }
    RegCloseKey(uninstall);
    return found;
}

// The PE machine of a file, 0 when it cannot be read.
WORD MachineOf(const std::wstring& path)
{
    std::string bytes;
    if (!drive::ReadTextFile(path, &bytes) || bytes.size() < 0x40)
        return 0;
    DWORD header = 0;
    memcpy(&header, bytes.data() + 0x3C, sizeof header);
    WORD machine = 0;
    if (header + 6 > bytes.size() || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    memcpy(&machine, bytes.data() + header + 4, sizeof machine);
    return machine;
}

// The program file of a running process.
std::wstring ImageOf(DWORD pid)
{
    pipeio::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &length))
        return std::wstring();
    return std::wstring(path, length);
}

struct StagedInstall
{
    const char* name;
    bool signIn;
    bool running;
};

class UpgradeFromX86 : public Installer, public ::testing::WithParamInterface<StagedInstall>
{
protected:
    // Everything the 32-bit setup program leaves in folder and the registry
    // (its Start-menu shortcut aside, which every install writes anew).
    void StageX86Install(const std::wstring& folder, bool signIn)
    {
        ASSERT_TRUE(drive::MakeEmptyFolder(folder));
        const std::wstring x86 = X86Folder();
        for (const wchar_t* name : {L"Korvane.exe", L"QELWmiAcpi.dll", L"Korvane.com"})
            ASSERT_TRUE(drive::CopyInto(drive::JoinPath(x86, name), folder))
                << "no 32-bit build beside this one";
        ASSERT_TRUE(drive::WriteTextFile(drive::JoinPath(folder, L"LICENSE.txt"), "MIT License\r\n"));
        // Only the 32-bit setup program can write its uninstaller, and only
        // while it runs: a 32-bit program stands in for it.
        ASSERT_TRUE(CopyFileW(drive::JoinPath(x86, L"Korvane.exe").c_str(),
                              drive::JoinPath(folder, L"uninstall.exe").c_str(), FALSE));

        const std::wstring exe = drive::JoinPath(folder, L"Korvane.exe");
        const std::wstring uninstaller = Quoted(drive::JoinPath(folder, L"uninstall.exe"));
        const struct
        {
            const wchar_t* name;
            std::wstring text;
        } strings[] = {
            {L"DisplayName", L"Korvane"},
            {L"DisplayVersion", kEarlierVersion},
            {L"Publisher", L"The Korvane developers"},
            {L"DisplayIcon", exe + L",0"},
            {L"InstallLocation", folder},
            {L"UninstallString", uninstaller},
            {L"QuietUninstallString", uninstaller + L" /S"},
        };
        for (const auto& value : strings)
            ASSERT_TRUE(WriteX86String(kUninstallKey, value.name, value.text));
        ASSERT_TRUE(WriteX86Dword(kUninstallKey, L"EstimatedSize", 300));
        ASSERT_TRUE(WriteX86Dword(kUninstallKey, L"NoModify", 1));
        ASSERT_TRUE(WriteX86Dword(kUninstallKey, L"NoRepair", 1));
        if (signIn) {
            ASSERT_TRUE(WriteX86String(kRunKey, L"Korvane", Quoted(exe)));
        }
    }

    // This machine cannot run the 32-bit Korvane: a 64-bit one from another
    // folder stands in for it. Setup reaches a running Korvane only through
    // its window, which both open alike.
    void StartRunningKorvane()
    {
        const std::wstring running = drive::JoinPath(base, L"running");
        ASSERT_TRUE(drive::MakeEmptyFolder(running));
        for (const wchar_t* name : {L"Korvane.exe", L"QELWmiAcpi.dll"})
            ASSERT_TRUE(drive::CopyInto(drive::JoinPath(drive::ProgramFolder(), name), running));
        ASSERT_NO_FATAL_FAILURE(StartFirmware());
        ASSERT_NO_FATAL_FAILURE(StartInstalledKorvane(running));
    }
};

TEST_P(UpgradeFromX86, KeepsFolderEntryAndSignInChoice)
{
    const StagedInstall& staged = GetParam();
    const std::wstring folder = drive::JoinPath(base, L"Tools\\Korvane x86");
    const std::wstring exe = drive::JoinPath(folder, L"Korvane.exe");
    ASSERT_NO_FATAL_FAILURE(StageX86Install(folder, staged.signIn));
    ASSERT_EQ(MachineOf(drive::JoinPath(folder, L"uninstall.exe")), kMachineX86);
    if (staged.running) {
        ASSERT_NO_FATAL_FAILURE(StartRunningKorvane());
        Mark();
    }

    // No /D: setup finds the folder through the installed-apps entry.
    ASSERT_EQ(RunSetup(L"/S"), kSetupDone);

    ExpectInstalledIn(folder);
    EXPECT_EQ(MachineOf(drive::JoinPath(folder, L"uninstall.exe")), kMachineX64) << "the 64-bit uninstaller";
    EXPECT_FALSE(PathExists(DefaultFolder())) << "nothing installed beside the earlier folder";
    EXPECT_EQ(KorvaneEntries(KEY_WOW64_64KEY), 1) << "one installed-apps entry, seen by 64-bit programs";
    EXPECT_EQ(KorvaneEntries(KEY_WOW64_32KEY), 1) << "the same entry, seen by 32-bit programs";
    std::wstring signIn;
    EXPECT_EQ(ReadUserString(kRunKey, L"Korvane", &signIn), staged.signIn) << "the sign-in choice is kept";
    if (staged.signIn) {
        EXPECT_EQ(signIn, Quoted(exe));
    }

    if (staged.running) {
        DWORD status = 1;
        EXPECT_TRUE(korvane.WaitForExit(0, &status)) << "setup was done before the old Korvane ended";
        EXPECT_EQ(status, 0u) << "Korvane ended by itself, not killed";
        // Exit restores the default clocks twice (its command, then the
        // destroy handler); the new Korvane starts as every Korvane does.
        const e2e::Commands expected =
            drive::Concat({drive::ClockOperation(0), drive::ClockOperation(0), e2e::StartupCommands(1)});
        ASSERT_TRUE(WaitForCommands(expected.size())) << "the new Korvane does not start";
        EXPECT_EQ(CommandsSinceMark(), expected);
        const DWORD restarted = RunningKorvane();
        EXPECT_NE(restarted, korvane.ProcessId());
        EXPECT_EQ(ImageOf(restarted), exe) << "the upgraded Korvane runs from the same folder";
    } else {
        EXPECT_EQ(RunningKorvane(), 0u) << "setup starts only a Korvane it ended";
    }

    // The 64-bit uninstaller now owns all of it.
    ASSERT_EQ(RunUninstaller(folder), kSetupDone);
    ExpectNothingInstalled(folder);
    EXPECT_EQ(KorvaneEntries(KEY_WOW64_32KEY), 0);
}

INSTANTIATE_TEST_SUITE_P(Installer, UpgradeFromX86,
                         ::testing::Values(StagedInstall{"StartsAtSignInAndRuns", true, true},
                                           StagedInstall{"NoStartAtSignIn", false, false}),
                         e2e::CaseName<StagedInstall>);

} // namespace
} // namespace installer
