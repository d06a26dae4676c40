// The tour's step runner: gives one input to Korvane, waits for what it
// causes, checks it against the expected outcome and prints one line of the
// timeline.
#pragma once

#include "ChildProcess.h"
#include "Notebook.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tour {

// What a step must leave behind, as the simulators see it.
struct Outcome
{
    // The firmware commands the input caused, in order (subscriptions apart).
    std::vector<std::string> commands;
    int ap = 0;
    std::string clockMode;
    // Whether Korvane.exe still runs afterwards.
    bool running = true;
};

// The input of a step. Returns false with *problem set when it could not be
// given or its own visible effect (a window, an exit) did not follow.
using Input = std::function<bool(std::string* problem)>;

class Timeline
{
public:
    Timeline(drive::Notebook& notebook, drive::ChildProcess& korvane);

    // Runs one step: the input, then a wait until the expected number of
    // firmware commands arrived and Korvane's thread is idle again (unless
    // the step ended it), then the check. Commands that came after the
    // previous check and before this input fail the step. Prints the step's
    // line; false when anything differs from the expectation.
    bool Step(const std::string& description, const Input& input, const Outcome& expected);

    void SetMainWindow(HWND mainWindow) { m_main = mainWindow; }
    HWND MainWindow() const { return m_main; }

    void PrintHeader(const std::string& title) const;

private:
    bool Observe(size_t from, Outcome* seen, size_t* logSize, std::string* problem) const;
    double Seconds() const;

    drive::Notebook& m_notebook;
    drive::ChildProcess& m_korvane;
    HWND m_main = nullptr;
    ULONGLONG m_start;
    int m_number = 0;
    // The firmware log's length at the last check: whatever comes after it
    // belongs to the next step, or to no step at all.
    size_t m_logChecked = 0;
};

} // namespace tour
