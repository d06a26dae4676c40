// Fake ADL (atiadlxx.dll / atiadlxy.dll) for the tests and the demo: the ten
// functions the program looks up, a call log and simulated overdrive clocks.
// Which functions exist is fixed per build (see CMakeLists.txt); everything
// else is configured.
//
// Configuration: FakeAdl_Configure(text), or else the file named by
// KORVANE_FAKE_ADL_CONFIG, read at the first call into the library. One
// directive per line, '#' starts a comment:
//   status <function> <n>   <function> returns n and does nothing else when n is nonzero
//   flags <n>               iFlags of the clock information              (default 2)
//   memory <default> <current> <max> <min> <requested> <step>
//                           the memory clock record   (default 800 800 1000 300 800 5)
//   engine <default> <current> <max> <min> <requested> <step>
//                           the engine clock record    (default 600 600 750 200 600 5)
//   alloc <bytes>           what ADL_Main_Control_Create asks of the allocation
//                           callback; 0 asks nothing                     (default 64)
// <function> is any of the ten ADL names below.
//
// Natural results: 0, except -2 (ADL_ERR_NOT_INIT) for the clock calls before
// a successful ADL_Main_Control_Create, -9 for a null record, -5 for an
// adapter other than 0 and -4 for a configuration record whose iSize is not 16.
//
// Log: FakeAdl_GetLog, and appended line by line to the file named by
// KORVANE_FAKE_ADL_LOG. One line per call, in call order:
//   ADL_Main_Control_Create callback=<set|null> <connectedOnly> -> <status>
//   AdlAllocCallback <bytes> -> <ok|null>
//   ADL_Display_ODClockInfo_Get <adapter> iSize=<n> -> <status>
//   ADL_Display_ODClockConfig_Set <adapter> iSize=<n> iFlags=<n> iMemoryClock=<n> iEngineClock=<n> ->
//   <status> <other ADL function> -> <status> config error at line <n>
// (iSize and the clocks read "-" when the record is null.)
//
// Clock state: FakeAdl_GetState, and the whole of the file named by
// KORVANE_FAKE_GPU_STATE, rewritten after every configuration and clock set:
//   vendor=amd engine=<n> memory=<n>
// The clocks start at the configured current clocks and follow every
// successful ADL_Display_ODClockConfig_Set.
//
// Test exports (cdecl, plain names):
//   int  FakeAdl_Configure(const char* text)  0, or the number of the first bad line;
//                                             replaces the configuration, clears log and state
//   void FakeAdl_Reset()
//   int  FakeAdl_GetLog(char* buf, int size)   full length of the log text
//   int  FakeAdl_GetState(char* buf, int size)
#include "FakeDriverSupport.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// ADL's records as ADL publishes them.
struct ClockSetting
{
    int iDefaultClock;
    int iCurrentClock;
    int iMaxClock;
    int iMinClock;
    int iRequestedClock;
    int iStepClock;
};

struct ODClockInfo
{
    int iSize;
    int iFlags;
    ClockSetting sMemoryClock;
    ClockSetting sEngineClock;
};

struct ODClockConfig
{
    int iSize;
    int iFlags;
    int iMemoryClock;
    int iEngineClock;
};

using AllocCallback = void*(__stdcall*)(int);

constexpr int kOk = 0;
constexpr int kErrNotInit = -2;
constexpr int kErrInvalidParamSize = -4;
constexpr int kErrInvalidAdapter = -5;
constexpr int kErrNullPointer = -9;

enum Function {
    kODClockInfoGet,
    kODClockConfigSet,
    kMainControlCreate,
    kMainControlDestroy,
    kNumberOfAdaptersGet,
    kAdapterInfoGet,
    kDisplayInfoGet,
    kColorCapsGet,
    kColorGet,
    kColorSet,
    kFunctionCount
};

constexpr const char* kFunctionNames[kFunctionCount] = {
    "ADL_Display_ODClockInfo_Get", "ADL_Display_ODClockConfig_Set",    "ADL_Main_Control_Create",
    "ADL_Main_Control_Destroy",    "ADL_Adapter_NumberOfAdapters_Get", "ADL_Adapter_AdapterInfo_Get",
    "ADL_Display_DisplayInfo_Get", "ADL_Display_ColorCaps_Get",        "ADL_Display_Color_Get",
    "ADL_Display_Color_Set",
};

struct Config
{
    bool statusSet[kFunctionCount] = {};
    int status[kFunctionCount] = {};
    int flags = 2;
    ClockSetting memory = {800, 800, 1000, 300, 800, 5};
    ClockSetting engine = {600, 600, 750, 200, 600, 5};
    long alloc = 64;
};

Config g_config;
bool g_created = false;
int g_engineClock = 0;
int g_memoryClock = 0;
fakedriver::CallLog g_log(L"KORVANE_FAKE_ADL_LOG");
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

std::string StateText()
{
    return Format("vendor=amd engine=%d memory=%d", g_engineClock, g_memoryClock);
}

void PublishState()
{
    fakedriver::WriteStateFile(L"KORVANE_FAKE_GPU_STATE", StateText());
}

bool FindFunction(const std::string& word, int& index)
{
    for (int i = 0; i < kFunctionCount; ++i) {
        if (word == kFunctionNames[i]) {
            index = i;
            return true;
        }
    }
    return false;
}

bool ParseClockSetting(const std::vector<std::string>& words, ClockSetting& setting)
{
    long values[6];
    if (words.size() != 7)
        return false;
    for (int i = 0; i < 6; ++i) {
        if (!fakedriver::ParseNumber(words[i + 1], values[i]))
            return false;
    }
    setting = {static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
               static_cast<int>(values[3]), static_cast<int>(values[4]), static_cast<int>(values[5])};
    return true;
}

bool ApplyLine(const std::vector<std::string>& words, Config& config)
{
    long number = 0;
    int function = 0;
    if (words[0] == "status") {
        if (words.size() != 3 || !FindFunction(words[1], function) ||
            !fakedriver::ParseNumber(words[2], number))
            return false;
        config.statusSet[function] = true;
        config.status[function] = static_cast<int>(number);
        return true;
    }
    if (words[0] == "memory")
        return ParseClockSetting(words, config.memory);
    if (words[0] == "engine")
        return ParseClockSetting(words, config.engine);
    if (words.size() != 2 || !fakedriver::ParseNumber(words[1], number))
        return false;
    if (words[0] == "flags") {
        config.flags = static_cast<int>(number);
        return true;
    }
    if (words[0] == "alloc" && number >= 0) {
        config.alloc = number;
        return true;
    }
    return false;
}

int Configure(const std::string& text)
{
    g_config = Config();
    g_log.Clear();
    g_created = false;
    g_configured = true;
    int firstBad = 0;
    for (const fakedriver::ConfigLine& line : fakedriver::SplitConfig(text)) {
        if (!ApplyLine(line.words, g_config) && firstBad == 0)
            firstBad = line.number;
    }
    g_engineClock = g_config.engine.iCurrentClock;
    g_memoryClock = g_config.memory.iCurrentClock;
    PublishState();
    return firstBad;
}

void EnsureConfigured()
{
    if (g_configured)
        return;
    const int bad = Configure(fakedriver::ReadFileNamedBy(L"KORVANE_FAKE_ADL_CONFIG"));
    if (bad != 0)
        g_log.Add(Format("config error at line %d", bad));
}

int Result(Function function, int natural)
{
    return g_config.statusSet[function] ? g_config.status[function] : natural;
}

// The functions the program only looks up.
int Unused(Function function)
{
    EnsureConfigured();
    const int status = Result(function, kOk);
    g_log.Add(Format("%s -> %d", kFunctionNames[function], status));
    return status;
}

std::string Field(const int* field)
{
    return field ? std::to_string(*field) : std::string("-");
}

} // namespace

extern "C" {

int __cdecl ADL_Main_Control_Create(AllocCallback callback, int connectedOnly)
{
    EnsureConfigured();
    const int status = Result(kMainControlCreate, kOk);
    g_log.Add(Format("ADL_Main_Control_Create callback=%s %d -> %d", callback ? "set" : "null", connectedOnly,
                     status));
    if (status != kOk)
        return status;
    // ADL keeps what it allocates through the callback until it is destroyed;
    // so does the fake, writing it to show that the memory is usable.
    if (callback && g_config.alloc > 0) {
        void* memory = callback(static_cast<int>(g_config.alloc));
        if (memory)
            std::memset(memory, 0xAD, static_cast<size_t>(g_config.alloc));
        g_log.Add(Format("AdlAllocCallback %ld -> %s", g_config.alloc, memory ? "ok" : "null"));
    }
    g_created = true;
    return status;
}

int __cdecl ADL_Display_ODClockInfo_Get(int adapter, ODClockInfo* pInfo)
{
    EnsureConfigured();
    int status = kOk;
    if (!g_created)
        status = kErrNotInit;
    else if (!pInfo)
        status = kErrNullPointer;
    else if (adapter != 0)
        status = kErrInvalidAdapter;
    status = Result(kODClockInfoGet, status);
    g_log.Add(Format("ADL_Display_ODClockInfo_Get %d iSize=%s -> %d", adapter,
                     Field(pInfo ? &pInfo->iSize : nullptr).c_str(), status));
    if (status == kOk && pInfo) {
        pInfo->iSize = sizeof(ODClockInfo);
        pInfo->iFlags = g_config.flags;
        pInfo->sMemoryClock = g_config.memory;
        pInfo->sEngineClock = g_config.engine;
    }
    return status;
}

int __cdecl ADL_Display_ODClockConfig_Set(int adapter, ODClockConfig* pConfig)
{
    EnsureConfigured();
    int status = kOk;
    if (!g_created)
        status = kErrNotInit;
    else if (!pConfig)
        status = kErrNullPointer;
    else if (adapter != 0)
        status = kErrInvalidAdapter;
    else if (pConfig->iSize != static_cast<int>(sizeof(ODClockConfig)))
        status = kErrInvalidParamSize;
    status = Result(kODClockConfigSet, status);
    g_log.Add(
        Format("ADL_Display_ODClockConfig_Set %d iSize=%s iFlags=%s iMemoryClock=%s iEngineClock=%s -> %d",
               adapter, Field(pConfig ? &pConfig->iSize : nullptr).c_str(),
               Field(pConfig ? &pConfig->iFlags : nullptr).c_str(),
               Field(pConfig ? &pConfig->iMemoryClock : nullptr).c_str(),
               Field(pConfig ? &pConfig->iEngineClock : nullptr).c_str(), status));
    if (status == kOk && pConfig) {
        g_memoryClock = pConfig->iMemoryClock;
        g_engineClock = pConfig->iEngineClock;
        PublishState();
    }
    return status;
}

int __cdecl ADL_Main_Control_Destroy()
{
    return Unused(kMainControlDestroy);
}

int __cdecl ADL_Adapter_NumberOfAdapters_Get(int*)
{
    return Unused(kNumberOfAdaptersGet);
}

int __cdecl ADL_Adapter_AdapterInfo_Get(void*, int)
{
    return Unused(kAdapterInfoGet);
}

int __cdecl ADL_Display_DisplayInfo_Get(int, int*, void**, int)
{
    return Unused(kDisplayInfoGet);
}

int __cdecl ADL_Display_ColorCaps_Get(int, int, int*, int*)
{
    return Unused(kColorCapsGet);
}

int __cdecl ADL_Display_Color_Get(int, int, int, int*, int*, int*, int*, int*)
{
    return Unused(kColorGet);
}

int __cdecl ADL_Display_Color_Set(int, int, int, int)
{
    return Unused(kColorSet);
}

FAKE_DRIVER_CONTROL_EXPORTS(FakeAdl)

} // extern "C"
