// CQELWmiAcpi: window registration and the event subscription.
#include "QELWmiAcpi.h"

#include "PipeIo.h"
#include "Slots.h"
#include "Subscription.h"
#include "Wire.h"

#include <string>

namespace {

bool SameText(const wchar_t* a, const wchar_t* b)
{
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

std::string Narrow(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

} // namespace

CQELWmiAcpi::CQELWmiAcpi() : m_nSlot(0)
{
    try {
        m_nSlot = AcquireSlot();
    } catch (...) {
        m_nSlot = 0;
    }
}

CQELWmiAcpi::~CQELWmiAcpi()
{
    try {
        ReleaseSlot(m_nSlot);
    } catch (...) {
    }
}

void CQELWmiAcpi::AddHWND(HWND hWnd)
{
    try {
        if (auto subscription = FindSlot(m_nSlot))
            subscription->AddWindow(hWnd);
    } catch (...) {
    }
}

bool CQELWmiAcpi::QELWMIEvent(const wchar_t* query, char* /*buffer*/, const wchar_t* wmiNamespace,
                              const wchar_t* language)
{
    if (!query || !wmiNamespace || !language)
        return false;
    // The firmware raises only QEL_Event; no other subscription exists.
    if (!SameText(query, L"Select * from QEL_Event") || !SameText(wmiNamespace, L"root\\wmi") ||
        !SameText(language, L"WQL"))
        return false;
    try {
        auto subscription = FindSlot(m_nSlot);
        if (!subscription)
            return false;
        std::string message =
            wire::kSubscribe + Narrow(wmiNamespace) + "\n" + Narrow(language) + "\n" + Narrow(query);
        return subscription->Start(pipeio::PipePath(pipeio::PipeNameFromEnvironment()), message);
    } catch (...) {
        return false;
    }
}
