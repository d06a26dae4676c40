// QELWmiAcpi.dll: the maker's WMI/ACPI library. It carries text commands to
// the maker's service and forwards firmware events to windows.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstring>

#ifdef QELWMIACPI_BUILD
#define QELWMIACPI_API __declspec(dllexport)
#else
#define QELWMIACPI_API __declspec(dllimport)
#endif

// Posted to every registered window for each firmware event; the low byte of
// wParam is the QEL_Event code, lParam is 0.
#define WM_QEL_EVENT 0x4040

// A WMI method description; the two strings are owned by the record.
struct QEL_METHOD_DEF
{
    int nInstance;
    BSTR bstrClassName;
    BSTR bstrMethodName;
    int nInputSize;
};

class QELWMIACPI_API CQELWmiAcpi
{
public:
    CQELWmiAcpi();
    ~CQELWmiAcpi();

    // Adds a window to those that receive WM_QEL_EVENT; each window once.
    void AddHWND(HWND hWnd);

    // Subscribes to firmware events: query "Select * from QEL_Event" in
    // namespace "root\wmi", language "WQL". True when the subscription runs
    // (it keeps reconnecting while the service is away). The buffer is not
    // touched.
    bool QELWMIEvent(const wchar_t* query, char* buffer, const wchar_t* wmiNamespace,
                     const wchar_t* language);

    void FreeMethodWMI(QEL_METHOD_DEF* def)
    {
        if (!def)
            return;
        if (def->bstrClassName)
            SysFreeString(def->bstrClassName);
        if (def->bstrMethodName)
            SysFreeString(def->bstrMethodName);
        std::memset(def, 0, sizeof *def);
    }

    // Bytewise copy. The object holds only the number of its registration
    // inside the library, and releasing a number twice does nothing, so both
    // copies can be destroyed safely.
    CQELWmiAcpi& operator=(const CQELWmiAcpi& other)
    {
        if (this != &other)
            std::memcpy(static_cast<void*>(this), &other, sizeof *this);
        return *this;
    }

private:
    unsigned m_nSlot;
};

// Sends one NUL-terminated command (the terminator must lie within
// requestSize) to the maker's service and copies its answer, NUL-terminated,
// into reply. Nonzero when the command was carried out; zero on any failure,
// including an answer that does not fit replySize. Never waits longer than a
// few seconds.
extern "C" QELWMIACPI_API int __cdecl QEL_CallNamePipe(const char* request, int requestSize, char* reply,
                                                       int replySize);
