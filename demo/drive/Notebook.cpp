#include "Notebook.h"

#include "FirmwareLog.h"
#include "Files.h"

#include <cstdio>

namespace drive {

namespace {

constexpr wchar_t kNvapiLog[] = L"nvapi.log";
constexpr wchar_t kAdlLog[] = L"adl.log";
constexpr wchar_t kNvapiConfig[] = L"nvapi.cfg";
constexpr wchar_t kAdlConfig[] = L"adl.cfg";
constexpr wchar_t kGpuState[] = L"gpu.state";

std::vector<std::string> LinesOf(const std::wstring& path)
{
    std::string text;
    if (!ReadTextFile(path, &text))
        return {};
    return SplitLines(text);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

} // namespace

std::wstring FakeNvapiPath()
{
    return JoinPath(JoinPath(ProgramFolder(), L"fakes\\nvapi"), gpu::kNvapiLibrary);
}

Notebook::Notebook(std::wstring folder, NotebookSetup setup, std::wstring pipeName)
    : m_folder(std::move(folder)), m_setup(std::move(setup)), m_firmware(std::move(pipeName))
{}

std::wstring Notebook::PathOf(const std::wstring& name) const
{
    return JoinPath(m_folder, name);
}

bool Notebook::Prepare(std::string* error)
{
    if (!MakeEmptyFolder(m_folder)) {
        *error = "cannot empty the folder " + Narrow(m_folder);
        return false;
    }
    const std::wstring bin = ProgramFolder();
    const std::wstring fakes = JoinPath(bin, L"fakes");
    std::vector<std::wstring> files = {JoinPath(bin, L"Korvane.exe"), JoinPath(bin, L"QELWmiAcpi.dll")};
    if (m_setup.nvidia)
        files.push_back(FakeNvapiPath());
    if (m_setup.amd)
        files.push_back(JoinPath(JoinPath(fakes, m_setup.adlFolder), m_setup.adlFile));
    for (const std::wstring& file : files) {
        if (!CopyInto(file, m_folder)) {
            *error = "cannot copy " + Narrow(file) + " (is it built?)";
            return false;
        }
    }
    if ((!m_setup.nvapiConfig.empty() && !WriteTextFile(PathOf(kNvapiConfig), m_setup.nvapiConfig)) ||
        (!m_setup.adlConfig.empty() && !WriteTextFile(PathOf(kAdlConfig), m_setup.adlConfig))) {
        *error = "cannot write the fake drivers' configuration";
        return false;
    }
    return true;
}

bool Notebook::StartFirmware()
{
    simctl::SimStart start = m_setup.firmware;
    start.outputFile = PathOf(L"firmware.out");
    return m_firmware.Start(start);
}

void Notebook::StopFirmware()
{
    m_firmware.Kill();
}

Environment Notebook::KorvaneEnvironment() const
{
    return {
        {L"QEL_PIPE_NAME", m_firmware.PipeName()},
        {L"KORVANE_FAKE_NVAPI_LOG", m_setup.driverFiles ? PathOf(kNvapiLog) : L""},
        {L"KORVANE_FAKE_ADL_LOG", m_setup.driverFiles ? PathOf(kAdlLog) : L""},
        {L"KORVANE_FAKE_GPU_STATE", m_setup.driverFiles ? PathOf(kGpuState) : L""},
        {L"KORVANE_FAKE_NVAPI_CONFIG", m_setup.nvapiConfig.empty() ? L"" : PathOf(kNvapiConfig)},
        {L"KORVANE_FAKE_ADL_CONFIG", m_setup.adlConfig.empty() ? L"" : PathOf(kAdlConfig)},
        {L"QEL_PIPE_TIMEOUT_MS",
         m_setup.pipeTimeoutMs ? std::to_wstring(m_setup.pipeTimeoutMs) : std::wstring()},
    };
}

bool Notebook::LaunchKorvane(ChildProcess* process, const std::wstring& outputName,
                             const std::wstring& arguments) const
{
    Environment environment = KorvaneEnvironment();
    environment.emplace_back(L"LOCALAPPDATA", m_folder);
    if (!m_setup.pathFolder.empty()) {
        std::wstring path(32767, L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
        environment.emplace_back(L"PATH", m_setup.pathFolder + L";" + path);
    }
    const std::wstring& folder = m_setup.workingFolder.empty() ? m_folder : m_setup.workingFolder;
    return process->Start(PathOf(L"Korvane.exe"), arguments, folder, environment, PathOf(outputName));
}

bool Notebook::RunKorvane(const std::wstring& arguments, DWORD timeoutMs, DWORD* exitStatus,
                          std::string* output) const
{
    constexpr wchar_t kOutput[] = L"command.out";
    ChildProcess process;
    if (!LaunchKorvane(&process, kOutput, arguments) || !process.WaitForExit(timeoutMs, exitStatus))
        return false;
    output->clear();
    ReadTextFile(PathOf(kOutput), output);
    return true;
}

std::wstring Notebook::DiagnosticLogPath(bool rotated) const
{
    return PathOf(rotated ? L"Korvane\\Korvane.1.log" : L"Korvane\\Korvane.log");
}

std::vector<std::string> Notebook::DiagnosticLog(bool rotated) const
{
    return LinesOf(DiagnosticLogPath(rotated));
}

bool Notebook::FirmwareLog(std::vector<std::string>* log) const
{
    std::vector<std::string> raw;
    if (!m_firmware.Log(&raw))
        return false;
    log->clear();
    for (const std::string& entry : raw)
        log->push_back(Normalise(entry));
    return true;
}

bool Notebook::ApState(int* ap) const
{
    simctl::SimState state;
    if (!m_firmware.State(&state))
        return false;
    *ap = state.ap;
    return true;
}

std::vector<std::string> Notebook::NvapiCalls() const
{
    return LinesOf(PathOf(kNvapiLog));
}

std::vector<std::string> Notebook::AdlCalls() const
{
    return LinesOf(PathOf(kAdlLog));
}

std::vector<std::string> Notebook::ClockCalls() const
{
    std::vector<std::string> calls;
    for (const std::string& line : NvapiCalls())
        if (StartsWith(line, "NvClockMode"))
            calls.push_back(line);
    for (const std::string& line : AdlCalls())
        if (StartsWith(line, "ADL_Display_ODClockConfig_Set"))
            calls.push_back(line);
    return calls;
}

std::string Notebook::GpuStateText() const
{
    std::string text;
    if (!ReadTextFile(PathOf(kGpuState), &text))
        return std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string Notebook::ClockMode() const
{
    const std::string state = GpuStateText();
    char mode[32] = {};
    if (std::sscanf(state.c_str(), "vendor=nvidia mode=%31s", mode) == 1)
        return mode;
    int engine = 0;
    int memory = 0;
    if (std::sscanf(state.c_str(), "vendor=amd engine=%d memory=%d", &engine, &memory) == 2) {
        if (engine == m_setup.adlEngine.defaultClock && memory == m_setup.adlMemory.defaultClock)
            return "default";
        if (engine == m_setup.adlEngine.maxClock && memory == m_setup.adlMemory.maxClock)
            return "overclocked";
        return "other";
    }
    return "none";
}

std::string Notebook::ClockDescription() const
{
    const std::string mode = ClockMode();
    int engine = 0;
    int memory = 0;
    if (std::sscanf(GpuStateText().c_str(), "vendor=amd engine=%d memory=%d", &engine, &memory) == 2)
        return mode + " (engine " + std::to_string(engine) + " MHz, memory " + std::to_string(memory) +
               " MHz)";
    return mode;
}

} // namespace drive
