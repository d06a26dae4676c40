// What the driver tells whoever runs it: progress on standard output, and a
// failure on standard error that ends the run.
#pragma once

#include <string>

namespace bench {

void Progress(const char* what);
[[noreturn]] void Fail(const std::string& message);

} // namespace bench
