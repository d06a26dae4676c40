#include "diag/DiagnosticLog.h"

#include "diag/LogText.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>

namespace diag {

namespace {

wchar_t g_testFolder[MAX_PATH] = {};
LogFileApi g_fileApi = {&::MoveFileExW, &::WaitForSingleObject};

// Held by a process that found the log full, from measuring it again to
// closing it.
const wchar_t kTurnName[] = L"Local\\Korvane.DiagnosticLog";
// An append takes milliseconds; a writer stuck longer costs one record, not a
// stalled window.
constexpr DWORD kTurnTimeoutMs = 2000;

// Keeps the thread's last error as the logged code left it.
class KeepLastError
{
public:
    KeepLastError() : m_error(::GetLastError()) {}
    ~KeepLastError() { ::SetLastError(m_error); }
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;

private:
    DWORD m_error;
};

class FileHandle
{
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// This process's turn at the log for the object's lifetime. Without the
// mutex (it cannot be made) the record is written anyway, as before there
// was one; a turn that does not come in time skips the record.
class WriterTurn
{
public:
    WriterTurn() : m_mutex(::CreateMutexW(nullptr, FALSE, kTurnName))
    {
        if (!m_mutex)
            return;
        const DWORD result = g_fileApi.waitForTurn(m_mutex, kTurnTimeoutMs);
        // Abandoned: its writer ended in the middle, the turn is ours now.
        m_owned = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~WriterTurn()
    {
        if (m_owned)
            ::ReleaseMutex(m_mutex);
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;
    bool Taken() const { return m_owned || !m_mutex; }

private:
    HANDLE m_mutex;
    bool m_owned = false;
};

// The log's folder into out; false when there is none or the path is too long.
bool LogFolder(wchar_t (&out)[MAX_PATH])
{
    out[0] = L'\0';
    if (g_testFolder[0]) {
        std::wcscpy(out, g_testFolder);
        return true;
    }
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", out, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        out[0] = L'\0';
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, out)))
            return false;
    }
    constexpr wchar_t kSubfolder[] = L"\\Korvane";
    if (std::wcslen(out) + std::wcslen(kSubfolder) >= MAX_PATH)
        return false;
    std::wcscat(out, kSubfolder);
    return true;
}

HANDLE OpenForAppend(const wchar_t* path)
{
    // Others may read, rename or delete the file while it is open.
    return ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The log opened for appending, created (and its folder) when missing.
HANDLE OpenLog(const wchar_t* path)
{
    HANDLE handle = OpenForAppend(path);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PATH_NOT_FOUND) {
        wchar_t folder[MAX_PATH];
        if (LogFolder(folder) && ::CreateDirectoryW(folder, nullptr))
            handle = OpenForAppend(path);
    }
    return handle;
}

// True when a record of length bytes would take the open log past the bound
// (an empty log takes any record); false too when it cannot be measured.
bool PassesBound(const FileHandle& file, size_t length, bool* passes)
{
    LARGE_INTEGER size{};
    if (!file.Valid() || !::GetFileSizeEx(file.Get(), &size))
        return false;
    *passes = size.QuadPart > 0 && size.QuadPart + static_cast<LONGLONG>(length) > kMaxLogBytes;
    return true;
}

void Append(const char* record, size_t length)
{
    wchar_t path[MAX_PATH];
    LogFilePath(path);
    if (!path[0])
        return;
    std::optional<FileHandle> file(std::in_place, OpenLog(path));
    bool passes = false;
    if (!PassesBound(*file, length, &passes))
        return;
    // A writer that finds the log full takes its turn and opens it again by
    // name: another writer's rotation may have come first, and moving that
    // one's fresh file would replace the full one. A record that fits needs
    // no turn and one open, which keeps the usual record free of waits.
    std::optional<WriterTurn> turn;
    if (passes) {
        turn.emplace();
        if (!turn->Taken())
            return;
        file.emplace(OpenLog(path));
        if (!PassesBound(*file, length, &passes))
            return;
    }
    if (passes) {
        file.reset();
        wchar_t rotated[MAX_PATH];
        LogFilePath(rotated, true);
        // A file that cannot be moved aside takes no more records: the bound holds.
        if (!rotated[0] || !g_fileApi.moveFile(path, rotated, MOVEFILE_REPLACE_EXISTING))
            return;
        file.emplace(OpenForAppend(path));
        if (!file->Valid())
            return;
    }
    DWORD written = 0;
    ::WriteFile(file->Get(), record, static_cast<DWORD>(length), &written, nullptr);
}

void AppendText(const char* text)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char record[kMaxRecordBytes];
    const size_t length = FormatRecord(now, text, {record, sizeof record});
    if (length)
        Append(record, length);
}

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// The version Windows itself reports, not the one shown to the program for
// compatibility; false when it cannot be read.
bool WindowsVersion(OSVERSIONINFOW* info)
{
    *info = {};
    info->dwOSVersionInfoSize = sizeof *info;
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc)
        return false;
    RtlGetVersionFn getVersion;
    static_assert(sizeof getVersion == sizeof proc, "function pointers of one size");
    std::memcpy(&getVersion, &proc, sizeof proc);
    return getVersion(info) == 0;
}

// The command line after the program's name, which is left out: its path may
// hold the user's name.
const wchar_t* ArgumentsOf(const wchar_t* line)
{
    if (!line)
        return L"";
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"')
            ++line;
        if (*line)
            ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t')
            ++line;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

} // namespace

void LogFilePath(wchar_t (&out)[MAX_PATH], bool rotated)
{
    const wchar_t* name = rotated ? L"\\Korvane.1.log" : L"\\Korvane.log";
    if (!LogFolder(out) || std::wcslen(out) + std::wcslen(name) >= MAX_PATH) {
        out[0] = L'\0';
        return;
    }
    std::wcscat(out, name);
}

void SetLogFolderForTesting(const wchar_t* folder)
{
    g_testFolder[0] = L'\0';
    if (folder && std::wcslen(folder) < MAX_PATH - 16)
        std::wcscpy(g_testFolder, folder);
}

LogFileApi SetLogFileApiForTesting(const LogFileApi& api)
{
    const LogFileApi previous = g_fileApi;
    g_fileApi = api;
    return previous;
}

void Log(const char* format, ...)
{
    KeepLastError keep;
    char text[kMaxRecordBytes];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length >= 0)
        AppendText(text);
}

void LogStart(const char* version)
{
    KeepLastError keep;
    OSVERSIONINFOW windows;
    const bool known = WindowsVersion(&windows);
    // Long arguments are cut: three UTF-8 bytes at most per UTF-16 unit.
    char commandLine[kMaxRecordBytes];
    const wchar_t* line = ArgumentsOf(::GetCommandLineW());
    const int units = static_cast<int>(::wcsnlen(line, sizeof commandLine / 3 - 1));
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, line, units, commandLine, sizeof commandLine - 1, nullptr, nullptr);
    commandLine[bytes > 0 ? bytes : 0] = '\0';
    Log("Korvane %s starts; Windows %lu.%lu.%lu%s; arguments: %s", version,
        known ? windows.dwMajorVersion : 0ul, known ? windows.dwMinorVersion : 0ul,
        known ? windows.dwBuildNumber : 0ul, known ? "" : " (unknown)",
        commandLine[0] ? commandLine : "(none)");
}

} // namespace diag
