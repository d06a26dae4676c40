// One sample of a running program's memory, handles, GDI objects and threads,
// recorded under a key prefix.
#pragma once

#include "Program.h"

#include <string>

namespace bench {

void SampleProgram(const std::string& prefix, Program* program);

} // namespace bench
