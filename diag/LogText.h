// Pieces of log records, built in fixed buffers: the log allocates nothing,
// so the layers that call it keep making no heap allocation.
#pragma once

#include <windows.h>

#include <cstddef>

namespace diag {

// A buffer of size bytes; whatever is written into it stays terminated.
struct TextBuffer
{
    char* text;
    size_t size;
};

// text (at most maxBytes bytes, stopping at the first NUL) as printable ASCII:
// every byte outside 0x20..0x7E written as \xNN, "..." marking a cut. The
// output is cut to fit out.
void Escape(const char* text, size_t size, size_t maxBytes, TextBuffer out);

// The record as written: the local time as ISO 8601 with milliseconds
// ("2024-05-01T12:34:56.789"), a space, text with line breaks made spaces,
// CR LF; text is cut (never inside a UTF-8 sequence) so that the whole record
// fits out. Returns the record's length.
size_t FormatRecord(const SYSTEMTIME& time, const char* text, TextBuffer out);

} // namespace diag
