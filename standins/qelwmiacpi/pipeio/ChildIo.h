// What starting a helper process needs: a job that takes the process down
// with its last handle, and an inheritable output file for it.
#pragma once

#include "UniqueHandle.h"

#include <string>

namespace pipeio {

// A job whose processes end when its last handle closes, with extraLimits
// (JOB_OBJECT_LIMIT_...) besides; empty on failure.
UniqueHandle KillOnCloseJob(DWORD extraLimits = 0);

// An inheritable handle writing to file (created anew), or to NUL when file
// is empty.
UniqueHandle OpenChildOutput(const std::wstring& file);

} // namespace pipeio
