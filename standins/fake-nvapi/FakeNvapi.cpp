// Fake NVIDIA driver library for the tests and the demo (nvapi.dll, in a
// 64-bit build nvapi64.dll): answers nvapi_QueryInterface for the entry
// points the program uses, records every call and keeps a simulated clock
// mode.
//
// Configuration: FakeNv_Configure(text), or else the file named by
// KORVANE_FAKE_NVAPI_CONFIG, read at the first call into the library. One
// directive per line, '#' starts a comment:
//   missing <entry>      nvapi_QueryInterface answers null for <entry>
//   status <entry> <n>   <entry> returns n; its outputs are written only when n is 0
//   displays <n>         NvEnumDisplay hands out n displays, then -7   (default 1)
//   gpus <n>             physical GPUs, 0 to 64; 0 makes the call give -6 (default 1)
//   logical <n>          logical GPUs, 0 to 64; 0 makes the call give -6  (default 1)
// <entry> is NvAPI_Initialize, NvEnumDisplay, NvAPI_EnumPhysicalGPUs,
// NvAPI_EnumLogicalGPUs, NvClockModeA, NvClockModeB, NvClockModeC or an
// interface ID in hexadecimal (0x...). Unknown IDs are always missing.
//
// Log: FakeNv_GetLog, and appended line by line to the file named by
// KORVANE_FAKE_NVAPI_LOG. One line per call, in call order:
//   nvapi_QueryInterface 0x0150E828 -> found|missing
//   NvAPI_Initialize -> <status>
//   NvEnumDisplay <index> -> <status>
//   NvAPI_EnumPhysicalGPUs -> <status> [count=<n>]
//   NvAPI_EnumLogicalGPUs -> <status> [count=<n>]
//   NvClockModeA 0x<handle> <mode> -> <status>
//   NvClockModeB 0x<handle> <mode> <option> -> <status>
//   NvClockModeC 0x<handle> <mode> -> <status>
//   config error at line <n>          (a bad line in the configuration file)
// Handles are display 0x4E440000+i, physical GPU 0x4E500000+i, logical GPU
// 0x4E4C0000+i. A clock call with any other handle returns -101.
//
// Clock state: FakeNv_GetState, and the whole of the file named by
// KORVANE_FAKE_GPU_STATE, rewritten after every configuration and clock call:
//   vendor=nvidia mode=<default|overclocked|mixed>
// Only calls returning 0 move it: overclocked once A(1), B(1,0) and C(0) have
// succeeded since the last A; default once A(0) and C(1) have. Starts default.
//
// Test exports (cdecl, plain names):
//   int  FakeNv_Configure(const char* text)  0, or the number of the first bad line;
//                                            replaces the configuration, clears log and state
//   void FakeNv_Reset()                      default configuration, empty log, default state
//   int  FakeNv_GetLog(char* buf, int size)  full length of the log text
//   int  FakeNv_GetState(char* buf, int size)
#include "FakeDriverSupport.h"

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using Status = int;
constexpr Status kOk = 0;
constexpr Status kNvidiaDeviceNotFound = -6;
constexpr Status kInvalidArgument = -5;
constexpr Status kEndEnumeration = -7;
constexpr Status kExpectedPhysicalGpuHandle = -101;
constexpr std::uint32_t kMaxGpus = 64;

constexpr std::uintptr_t kDisplayBase = 0x4E440000;
constexpr std::uintptr_t kPhysicalBase = 0x4E500000;
constexpr std::uintptr_t kLogicalBase = 0x4E4C0000;

enum Entry { kInitialize, kEnumDisplay, kEnumPhysical, kEnumLogical, kModeA, kModeB, kModeC, kEntryCount };

struct EntryInfo
{
    const char* name;
    std::uint32_t id;
};

constexpr EntryInfo kEntries[kEntryCount] = {
    {"NvAPI_Initialize", 0x0150E828},       {"NvEnumDisplay", 0x20DE9260},
    {"NvAPI_EnumPhysicalGPUs", 0xE5AC921F}, {"NvAPI_EnumLogicalGPUs", 0x48B3EA59},
    {"NvClockModeA", 0xB23B70EE},           {"NvClockModeB", 0xFDFC7D49},
    {"NvClockModeC", 0xFA579A0F},
};

struct Config
{
    bool missing[kEntryCount] = {};
    bool statusSet[kEntryCount] = {};
    Status status[kEntryCount] = {};
    long displays = 1;
    long gpus = 1;
    long logical = 1;
};

// Last successful clock calls.
struct ClockTrack
{
    int a = 0;
    bool bSinceA = false;
    int bMode = 0;
    int bOption = 0;
    int c = 1;
};

Config g_config;
ClockTrack g_clock;
fakedriver::CallLog g_log(L"KORVANE_FAKE_NVAPI_LOG");
bool g_configured = false;

std::string Format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

const char* ModeName()
{
    if (g_clock.a == 1 && g_clock.bSinceA && g_clock.bMode == 1 && g_clock.bOption == 0 && g_clock.c == 0)
        return "overclocked";
    if (g_clock.a == 0 && g_clock.c == 1)
        return "default";
    return "mixed";
}

std::string StateText()
{
    return std::string("vendor=nvidia mode=") + ModeName();
}

void PublishState()
{
    fakedriver::WriteStateFile(L"KORVANE_FAKE_GPU_STATE", StateText());
}

bool FindEntry(const std::string& word, int& index)
{
    long id = 0;
    const bool numeric = fakedriver::ParseNumber(word, id);
    for (int i = 0; i < kEntryCount; ++i) {
        if (word == kEntries[i].name || (numeric && static_cast<std::uint32_t>(id) == kEntries[i].id)) {
            index = i;
            return true;
        }
    }
    return false;
}

bool ApplyLine(const std::vector<std::string>& words, Config& config)
{
    long number = 0;
    int entry = 0;
    if (words.size() == 2 && words[0] == "missing" && FindEntry(words[1], entry)) {
        config.missing[entry] = true;
        return true;
    }
    if (words.size() == 3 && words[0] == "status" && FindEntry(words[1], entry) &&
        fakedriver::ParseNumber(words[2], number)) {
        config.statusSet[entry] = true;
        config.status[entry] = static_cast<Status>(number);
        return true;
    }
    if (words.size() != 2 || !fakedriver::ParseNumber(words[1], number) || number < 0)
        return false;
    if (words[0] == "displays") {
        config.displays = number;
        return true;
    }
    if (number > static_cast<long>(kMaxGpus))
        return false;
    if (words[0] == "gpus") {
        config.gpus = number;
        return true;
    }
    if (words[0] == "logical") {
        config.logical = number;
        return true;
    }
    return false;
}

// Returns 0 or the number of the first bad line, which is skipped.
int Configure(const std::string& text)
{
    g_config = Config();
    g_clock = ClockTrack();
    g_log.Clear();
    g_configured = true;
    int firstBad = 0;
    for (const fakedriver::ConfigLine& line : fakedriver::SplitConfig(text)) {
        if (!ApplyLine(line.words, g_config) && firstBad == 0)
            firstBad = line.number;
    }
    PublishState();
    return firstBad;
}

void EnsureConfigured()
{
    if (g_configured)
        return;
    const int bad = Configure(fakedriver::ReadFileNamedBy(L"KORVANE_FAKE_NVAPI_CONFIG"));
    if (bad != 0)
        g_log.Add(Format("config error at line %d", bad));
}

Status Result(Entry entry, Status natural)
{
    return g_config.statusSet[entry] ? g_config.status[entry] : natural;
}

bool IsPhysicalGpu(const void* handle)
{
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
    return value >= kPhysicalBase && value < kPhysicalBase + static_cast<std::uintptr_t>(g_config.gpus);
}

Status ClockResult(Entry entry, const void* handle)
{
    return Result(entry, IsPhysicalGpu(handle) ? kOk : kExpectedPhysicalGpuHandle);
}

std::uintptr_t HandleValue(const void* handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

Status __cdecl Initialize()
{
    const Status status = Result(kInitialize, kOk);
    g_log.Add(Format("NvAPI_Initialize -> %d", status));
    return status;
}

Status __cdecl EnumDisplay(std::uint32_t index, void** pHandle)
{
    Status status =
        Result(kEnumDisplay, index < static_cast<std::uint32_t>(g_config.displays) ? kOk : kEndEnumeration);
    if (status == kOk) {
        if (pHandle)
            *pHandle = reinterpret_cast<void*>(kDisplayBase + index);
        else
            status = kInvalidArgument;
    }
    g_log.Add(Format("NvEnumDisplay %u -> %d", index, status));
    return status;
}

Status EnumerateGpus(Entry entry, std::uintptr_t base, long count, void** handles, std::uint32_t* pCount)
{
    Status status = Result(entry, count > 0 ? kOk : kNvidiaDeviceNotFound);
    if (status == kOk && (!handles || !pCount))
        status = kInvalidArgument;
    if (status != kOk) {
        g_log.Add(Format("%s -> %d", kEntries[entry].name, status));
        return status;
    }
    for (long i = 0; i < count; ++i)
        handles[i] = reinterpret_cast<void*>(base + i);
    *pCount = static_cast<std::uint32_t>(count);
    g_log.Add(Format("%s -> %d count=%ld", kEntries[entry].name, status, count));
    return status;
}

Status __cdecl EnumPhysicalGpus(void** handles, std::uint32_t* pCount)
{
    return EnumerateGpus(kEnumPhysical, kPhysicalBase, g_config.gpus, handles, pCount);
}

Status __cdecl EnumLogicalGpus(void** handles, std::uint32_t* pCount)
{
    return EnumerateGpus(kEnumLogical, kLogicalBase, g_config.logical, handles, pCount);
}

Status __cdecl ClockModeA(void* hGpu, int mode)
{
    const Status status = ClockResult(kModeA, hGpu);
    g_log.Add(Format("NvClockModeA 0x%08X %d -> %d", HandleValue(hGpu), mode, status));
    if (status == kOk) {
        g_clock.a = mode;
        g_clock.bSinceA = false;
    }
    PublishState();
    return status;
}

Status __cdecl ClockModeB(void* hGpu, int mode, int option)
{
    const Status status = ClockResult(kModeB, hGpu);
    g_log.Add(Format("NvClockModeB 0x%08X %d %d -> %d", HandleValue(hGpu), mode, option, status));
    if (status == kOk) {
        g_clock.bSinceA = true;
        g_clock.bMode = mode;
        g_clock.bOption = option;
    }
    PublishState();
    return status;
}

Status __cdecl ClockModeC(void* hGpu, int mode)
{
    const Status status = ClockResult(kModeC, hGpu);
    g_log.Add(Format("NvClockModeC 0x%08X %d -> %d", HandleValue(hGpu), mode, status));
    if (status == kOk)
        g_clock.c = mode;
    PublishState();
    return status;
}

void* const kEntryAddresses[kEntryCount] = {
    reinterpret_cast<void*>(&Initialize),       reinterpret_cast<void*>(&EnumDisplay),
    reinterpret_cast<void*>(&EnumPhysicalGpus), reinterpret_cast<void*>(&EnumLogicalGpus),
    reinterpret_cast<void*>(&ClockModeA),       reinterpret_cast<void*>(&ClockModeB),
    reinterpret_cast<void*>(&ClockModeC),
};

} // namespace

extern "C" {

void* __cdecl nvapi_QueryInterface(std::uint32_t id)
{
    EnsureConfigured();
    void* address = nullptr;
    for (int i = 0; i < kEntryCount; ++i) {
        if (kEntries[i].id == id && !g_config.missing[i])
            address = kEntryAddresses[i];
    }
    g_log.Add(Format("nvapi_QueryInterface 0x%08X -> %s", id, address ? "found" : "missing"));
    return address;
}

FAKE_DRIVER_CONTROL_EXPORTS(FakeNv)

} // extern "C"
