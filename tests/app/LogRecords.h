// The diagnostic log as the program under test wrote it (the test programs
// keep it in build/test-logs).
#pragma once
#include <string>
#include <vector>

namespace apptest {

// Where the log ends now; RecordsSince gives what came after.
class LogMark
{
public:
    LogMark();
    std::vector<std::string> RecordsSince() const;
    // True when a record written since contains text.
    bool Logged(const std::string& text) const;

private:
    size_t m_size;
};

} // namespace apptest
