// Captures what the process writes to its standard output, byte for byte.
#pragma once

#include <string>

// Points file descriptor 1 at a temporary file (in text mode, as a
// redirected program's output is) until Finish or destruction. No test
// assertion may run while a capture is active: GoogleTest prints to stdout.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // False when the redirection could not be set up.
    bool IsActive() const { return m_savedFd >= 0; }

    // Restores standard output and returns the bytes written meanwhile.
    std::string Finish();

private:
    wchar_t m_path[260] = {};
    int m_savedFd = -1;
};
