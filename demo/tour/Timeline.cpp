#include "Timeline.h"

#include "FirmwareLog.h"
#include "KorvaneUi.h"

#include <cstdio>

namespace tour {

namespace {

// Korvane's own waits are 3000 ms at most; the rest is pipe and driver work.
constexpr DWORD kStepTimeoutMs = 15000;
constexpr int kInputWidth = 50;
constexpr int kCommandsWidth = 44;

std::string Padded(const std::string& text, int width)
{
    return text.size() >= static_cast<size_t>(width)
               ? text
               : text + std::string(static_cast<size_t>(width) - text.size(), ' ');
}

void PrintLines(const char* label, const std::vector<std::string>& commands)
{
    std::printf("        %s:\n", label);
    if (commands.empty())
        std::printf("          (none)\n");
    for (const std::string& c : commands)
        std::printf("          %s\n", c.c_str());
}

} // namespace

Timeline::Timeline(drive::Notebook& notebook, drive::ChildProcess& korvane)
    : m_notebook(notebook), m_korvane(korvane), m_start(GetTickCount64())
{}

double Timeline::Seconds() const
{
    return static_cast<double>(GetTickCount64() - m_start) / 1000.0;
}

void Timeline::PrintHeader(const std::string& title) const
{
    std::printf("%s\n\n", title.c_str());
    std::printf("  %-6s %-4s %-7s %s| %s| %-3s| %s\n", "check", "step", "time",
                Padded("input given to Korvane", kInputWidth).c_str(),
                Padded("firmware commands it caused", kCommandsWidth).c_str(), "AP", "GPU clocks");
    std::fflush(stdout);
}

bool Timeline::Observe(size_t from, Outcome* seen, size_t* logSize, std::string* problem) const
{
    std::vector<std::string> log;
    if (!m_notebook.FirmwareLog(&log)) {
        *problem = "the firmware simulator does not answer";
        return false;
    }
    *logSize = log.size();
    seen->commands = drive::CommandsFrom(log, from);
    if (!m_notebook.ApState(&seen->ap)) {
        *problem = "the firmware simulator does not answer";
        return false;
    }
    seen->clockMode = m_notebook.ClockMode();
    return true;
}

bool Timeline::Step(const std::string& description, const Input& input, const Outcome& expected)
{
    ++m_number;
    std::vector<std::string> before;
    std::string problem;
    bool ok = m_notebook.FirmwareLog(&before);
    if (!ok)
        problem = "the firmware simulator does not answer";
    if (ok) {
        const std::vector<std::string> late = drive::CommandsFrom(before, m_logChecked);
        if (!late.empty()) {
            ok = false;
            problem = "firmware commands came after the previous step's check: " + drive::ShortNames(late);
        }
    }
    const double at = Seconds();
    if (ok)
        ok = input(&problem);

    Outcome seen;
    if (ok) {
        // Wait for the expected commands (no more come once Korvane has
        // ended), then for Korvane to finish the handler that sent them, so
        // that any command beyond them shows too.
        drive::WaitUntil(
            [&] {
                std::vector<std::string> log;
                return !m_korvane.IsRunning() ||
                       (m_notebook.FirmwareLog(&log) &&
                        drive::CommandsFrom(log, before.size()).size() >= expected.commands.size());
            },
            kStepTimeoutMs);
        if (m_korvane.IsRunning() && m_main && !drive::Settle(m_main)) {
            ok = false;
            problem = "Korvane's window does not answer";
        }
    }
    size_t logSize = 0;
    if (ok)
        ok = Observe(before.size(), &seen, &logSize, &problem);
    if (ok)
        m_logChecked = logSize;
    seen.running = m_korvane.IsRunning();
    if (ok && seen.running != expected.running) {
        ok = false;
        problem = seen.running ? "Korvane.exe is still running" : "Korvane.exe has ended";
    }
    if (ok && (seen.commands != expected.commands || seen.ap != expected.ap ||
               seen.clockMode != expected.clockMode)) {
        ok = false;
        problem = "the outcome differs from the expected one";
    }

    char number[16];
    std::snprintf(number, sizeof number, "%3d", m_number);
    char time[16];
    std::snprintf(time, sizeof time, "+%.1fs", at);
    std::printf("  %-6s %-4s %-7s %s| %s| %-3d| %s\n", ok ? "ok" : "FAILED", number, time,
                Padded(description, kInputWidth).c_str(),
                Padded(drive::ShortNames(seen.commands), kCommandsWidth).c_str(), seen.ap,
                m_notebook.ClockDescription().c_str());
    if (!ok) {
        std::printf("\n  FAILED at step %d (%s): %s\n", m_number, description.c_str(), problem.c_str());
        PrintLines("expected firmware commands", expected.commands);
        PrintLines("firmware commands seen", seen.commands);
        std::printf("        expected AP %d, GPU %s; seen AP %d, GPU %s\n", expected.ap,
                    expected.clockMode.c_str(), seen.ap, seen.clockMode.c_str());
        DWORD status = 0;
        if (m_korvane.Handle() && m_korvane.WaitForExit(0, &status))
            std::printf("        Korvane.exe has ended, exit status %lu%s\n", status,
                        status == 0 && m_number == 1 ? " (is another Korvane running?)" : "");
    }
    std::fflush(stdout);
    return ok;
}

} // namespace tour
