#include "StdoutCapture.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

StdoutCapture::StdoutCapture()
{
    wchar_t dir[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, dir) || !GetTempFileNameW(dir, L"kvw", 0, m_path))
        return;
    const int fd = _wopen(m_path, _O_WRONLY | _O_TRUNC | _O_TEXT);
    if (fd < 0)
        return;
    std::fflush(stdout);
    m_savedFd = _dup(_fileno(stdout));
    _dup2(fd, _fileno(stdout));
    _close(fd);
}

StdoutCapture::~StdoutCapture()
{
    Finish();
}

std::string StdoutCapture::Finish()
{
    if (m_savedFd < 0)
        return {};
    std::fflush(stdout);
    _dup2(m_savedFd, _fileno(stdout));
    _close(m_savedFd);
    m_savedFd = -1;

    std::string bytes;
    if (FILE* f = _wfopen(m_path, L"rb")) {
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    DeleteFileW(m_path);
    return bytes;
}
