// GDI objects of another process. Wine answers GetGuiResources with 0, but
// keeps a process's GDI objects in a handle table of the process's own, named
// by its PEB as on Windows; this reads that table.
#pragma once

#include <windows.h>

namespace bench {

// The live GDI objects of process, stock objects included; -1 when the table
// cannot be read.
long long GdiObjects(HANDLE process);

} // namespace bench
