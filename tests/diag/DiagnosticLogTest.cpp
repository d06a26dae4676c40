// The log on disk: records appended one per line, the folder created, the
// bound kept by rotation, and logs that cannot be written skipped without a
// trace for the caller.
#include "diag/DiagnosticLog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "SeamScope.h"

namespace {

std::string ReadFile(const std::wstring& path)
{
    std::string content;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return content;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void WriteFile(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

size_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Records(const std::string& text)
{
    std::vector<std::string> records;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        records.push_back(text.substr(start, end - start).substr(24)); // without the stamp
    return records;
}

std::wstring LogPath(bool rotated = false)
{
    wchar_t path[MAX_PATH];
    diag::LogFilePath(path, rotated);
    return path;
}

class Log : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + L"korvane-diag-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_root.c_str(), nullptr);
        folder = m_root + L"\\log";
        diag::SetLogFolderForTesting(folder.c_str());
    }
    void TearDown() override
    {
        diag::SetLogFolderForTesting(nullptr);
        for (const wchar_t* name :
             {L"\\log\\Korvane.log", L"\\log\\Korvane.1.log", L"\\Korvane\\Korvane.log", L"\\blocker"})
            DeleteFileW((m_root + name).c_str());
        RemoveDirectoryW((m_root + L"\\log").c_str());
        RemoveDirectoryW((m_root + L"\\Korvane").c_str());
        RemoveDirectoryW(m_root.c_str());
    }

    std::wstring m_root;
    std::wstring folder;
};

TEST_F(Log, RecordsAreAppendedOnePerLineAndTheFolderIsCreated)
{
    ASSERT_FALSE(Exists(folder));
    SetLastError(0xDEADBEEF);
    diag::Log("firmware event 0x%02X", 0x60u);
    EXPECT_EQ(GetLastError(), 0xDEADBEEFu) << "the caller's last error is kept";
    diag::Log("line\nbreak %s", "inside");
    EXPECT_EQ(Records(ReadFile(folder + L"\\Korvane.log")),
              (std::vector<std::string>{"firmware event 0x60", "line break inside"}));
}

TEST_F(Log, ALongRecordIsCutToTheBound)
{
    diag::Log("%s", std::string(3000, 'a').c_str());
    const std::string text = ReadFile(LogPath());
    EXPECT_EQ(text.size(), diag::kMaxRecordBytes - 1);
    EXPECT_EQ(text.substr(text.size() - 3), "a\r\n");
}

TEST_F(Log, AFullLogMovesAsideReplacingTheOlderOne)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string full = std::string(diag::kMaxLogBytes - 42, 'x') + "\r\n";
    ASSERT_NO_FATAL_FAILURE(WriteFile(LogPath(), full));
    ASSERT_NO_FATAL_FAILURE(WriteFile(LogPath(true), "oldest\r\n"));

    diag::Log("short"); // 31 bytes with stamp and line end: still fits
    EXPECT_EQ(ReadFile(LogPath()).size(), diag::kMaxLogBytes - 9) << "appended in place";
    diag::Log("next"); // 30 bytes: would pass the bound
    EXPECT_EQ(ReadFile(LogPath(true)).size(), diag::kMaxLogBytes - 9);
    EXPECT_EQ(Records(ReadFile(LogPath())), std::vector<std::string>{"next"});
    EXPECT_EQ(ReadFile(LogPath(true)).find("oldest"), std::string::npos) << "the older file was replaced";
}

// Two writers find the log full at the same moment (Korvane and a second
// instance being refused): the second starts while the first is moving the
// file aside. The first one's move is where they meet: it lets the second run
// until that one waits for its turn (or, writing out of turn, is done), then
// moves the file. A turn the second gets at once, inside the first one's
// move, is noted: what the two then write depends on the scheduler.
struct RotationRace
{
    static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags)
    {
        if (moves++ == 0) {
            second = CreateThread(nullptr, 0, &LogSecond, nullptr, 0, &secondId);
            const HANDLE stops[] = {atTurn, second};
            EXPECT_NE(WaitForMultipleObjects(second ? 2 : 1, stops, FALSE, 10000), WAIT_TIMEOUT);
        }
        return MoveFileExW(from, to, flags);
    }
    static DWORD WINAPI WaitForTurn(HANDLE mutex, DWORD milliseconds)
    {
        if (GetCurrentThreadId() != secondId)
            return WaitForSingleObject(mutex, milliseconds);
        const DWORD now = WaitForSingleObject(mutex, 0);
        if (now != WAIT_TIMEOUT) {
            turnDuringMove = true;
            SetEvent(atTurn);
            return now;
        }
        SetEvent(atTurn);
        return WaitForSingleObject(mutex, milliseconds);
    }
    static DWORD WINAPI LogSecond(void*)
    {
        diag::Log("second");
        return 0;
    }

    static inline int moves = 0;
    static inline bool turnDuringMove = false;
    static inline HANDLE atTurn = nullptr;
    static inline HANDLE second = nullptr;
    static inline DWORD secondId = 0;
};

TEST_F(Log, TwoWritersRotatingAtOnceKeepTheFullFile)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string full = std::string(diag::kMaxLogBytes - 20, 'x') + "\r\n";
    ASSERT_NO_FATAL_FAILURE(WriteFile(LogPath(), full));
    RotationRace::moves = 0;
    RotationRace::turnDuringMove = false;
    RotationRace::atTurn = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        SeamScope<&diag::SetLogFileApiForTesting> race{
            diag::LogFileApi{&RotationRace::Move, &RotationRace::WaitForTurn}};
        diag::Log("first");
        if (RotationRace::second) {
            EXPECT_EQ(WaitForSingleObject(RotationRace::second, 10000), WAIT_OBJECT_0);
            CloseHandle(RotationRace::second);
        }
    }
    CloseHandle(RotationRace::atTurn);

    EXPECT_FALSE(RotationRace::turnDuringMove)
        << "the second writer's turn came while the first moved the log";
    EXPECT_EQ(RotationRace::moves, 1) << "the log was moved aside once";
    EXPECT_TRUE(ReadFile(LogPath(true)) == full) << "Korvane.1.log holds the full log";
    EXPECT_EQ(Records(ReadFile(LogPath())), (std::vector<std::string>{"first", "second"}));
}

TEST_F(Log, ManyRecordsNeverTakeTheFilesPastTheBound)
{
    const std::string line(400, 'r');
    // Two rotations.
    for (int i = 0; i < 1300; ++i) {
        diag::Log("%s", line.c_str());
        ASSERT_LE(FileSize(LogPath()), diag::kMaxLogBytes);
    }
    EXPECT_LE(FileSize(LogPath(true)), diag::kMaxLogBytes);
    EXPECT_GT(FileSize(LogPath(true)), diag::kMaxLogBytes - 512) << "rotated only when full";
}

TEST_F(Log, AnUnwritableFolderIsSkipped)
{
    ASSERT_NO_FATAL_FAILURE(WriteFile(m_root + L"\\blocker", "a file"));
    diag::SetLogFolderForTesting((m_root + L"\\blocker\\log").c_str());
    SetLastError(1234);
    diag::Log("lost");
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(ReadFile(m_root + L"\\blocker"), "a file");
}

TEST_F(Log, ALockedFileIsSkippedAndUsedAgainOnceFree)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    HANDLE locked =
        CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    diag::Log("while locked");
    CloseHandle(locked);
    diag::Log("afterwards");
    EXPECT_EQ(Records(ReadFile(LogPath())), std::vector<std::string>{"afterwards"});
}

TEST_F(Log, ByDefaultTheLogIsInLocalAppDataKorvane)
{
    diag::SetLogFolderForTesting(nullptr);
    wchar_t previous[MAX_PATH] = {};
    const bool hadValue = GetEnvironmentVariableW(L"LOCALAPPDATA", previous, MAX_PATH) > 0;
    SetEnvironmentVariableW(L"LOCALAPPDATA", m_root.c_str());
    const std::wstring path = LogPath();
    diag::Log("here");
    SetEnvironmentVariableW(L"LOCALAPPDATA", hadValue ? previous : nullptr);

    EXPECT_EQ(path, m_root + L"\\Korvane\\Korvane.log");
    EXPECT_EQ(Records(ReadFile(path)), std::vector<std::string>{"here"});
}

} // namespace
