// Escaping of raw bytes for the simulator's log and console: printable ASCII
// stays, a backslash becomes "\\", every other byte "\xHH".
#pragma once

#include <string>

std::string EscapeBytes(const std::string& bytes);
// For people, not parsers: as EscapeBytes, but backslashes stay single, a
// final NUL is dropped, and only the first 200 bytes of a longer message are
// shown, followed by its length.
std::string EscapeForDisplay(const std::string& bytes);
// Reverses EscapeBytes; also accepts \0, \t, \n and \r. False on a malformed
// escape.
bool UnescapeBytes(const std::string& text, std::string* bytes);
