#include "LogRecords.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "diag/DiagnosticLog.h"

namespace apptest {

namespace {
std::string LogText()
{
    wchar_t path[MAX_PATH];
    diag::LogFilePath(path);
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
} // namespace

LogMark::LogMark() : m_size(LogText().size()) {}

std::vector<std::string> LogMark::RecordsSince() const
{
    const std::string text = LogText();
    // A rotation since the mark starts the file anew.
    std::istringstream lines(text.size() >= m_size ? text.substr(m_size) : text);
    std::vector<std::string> records;
    for (std::string line; std::getline(lines, line);)
        records.push_back(line);
    return records;
}

bool LogMark::Logged(const std::string& text) const
{
    for (const std::string& record : RecordsSince())
        if (record.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace apptest
