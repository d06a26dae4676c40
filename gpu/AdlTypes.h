// The ADL records the AMD backend exchanges with atiadlxx.dll / atiadlxy.dll,
// laid out exactly as ADL publishes them (all fields are 32-bit ints).
#pragma once

// One overdrive clock domain (memory or engine).
struct ADLODClockSetting
{
    int iDefaultClock;
    int iCurrentClock;
    int iMaxClock;
    int iMinClock;
    int iRequestedClock;
    int iStepClock;
};

// Filled by ADL_Display_ODClockInfo_Get.
struct ADLAdapterODClockInfo
{
    int iSize;
    int iFlags;
    ADLODClockSetting sMemoryClock;
    ADLODClockSetting sEngineClock;
};

// Passed to ADL_Display_ODClockConfig_Set.
struct ADLAdapterODClockConfig
{
    int iSize;
    int iFlags;
    int iMemoryClock;
    int iEngineClock;
};

static_assert(sizeof(ADLODClockSetting) == 24, "ADL record layout");
static_assert(sizeof(ADLAdapterODClockInfo) == 56, "ADL record layout");
static_assert(sizeof(ADLAdapterODClockConfig) == 16, "ADL record layout");

// ADL's memory allocation callback; ADL declares it __stdcall.
using ADL_MAIN_MALLOC_CALLBACK = void*(__stdcall*)(int);
