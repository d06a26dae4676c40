#include "ProgramSample.h"

#include "LinuxProcess.h"
#include "Samples.h"
#include "WindowsCounters.h"

namespace bench {

void SampleProgram(const std::string& prefix, Program* program)
{
    // The memory first: the GDI count reads the process's handle table.
    UnixCounters u = ReadUnixCounters(UnixPidOf(program->Exe()));
    WindowsCounters w = ReadWindowsCounters(program->Process().Handle(), program->Process().ProcessId());
    // Wine does not fill PrivateUsage for another process: the private
    // resident pages of its Linux process stand in.
    SampleValue(prefix + "private_kb", w.privateKb > 0 ? w.privateKb : static_cast<double>(u.privateKb));
    SampleValue(prefix + "working_set_kb", w.workingSetKb);
    SampleValue(prefix + "handles", static_cast<double>(w.handles));
    SampleValue(prefix + "gdi_objects", static_cast<double>(w.gdiObjects));
    SampleValue(prefix + "threads", static_cast<double>(w.threads));
    SampleValue(prefix + "rss_kb", static_cast<double>(u.rssKb));
}

} // namespace bench
