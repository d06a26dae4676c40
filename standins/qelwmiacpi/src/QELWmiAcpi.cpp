// CQELWmiAcpi: window registration and the event subscription.
#include "QELWmiAcpi.h"

#include "PipeIo.h"
#include "Slots.h"
#include "Subscription.h"
#include "Wire.h"

namespace {

// Room for the subscription message: its word, the three accepted texts
// (compared without case, so of their length) and two line ends.
constexpr int kMaxSubscribeMessage = 128;

bool SameText(const wchar_t* a, const wchar_t* b)
{
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Appends text in UTF-8 (without terminator) at out[*length]; false when it
// does not fit.
bool AppendUtf8(char* out, int* length, const wchar_t* text)
{
    int room = kMaxSubscribeMessage - *length;
    if (!*text)
        return true;
    int n = WideCharToMultiByte(CP_UTF8, 0, text, lstrlenW(text), out + *length, room, nullptr, nullptr);
    if (n <= 0)
        return false;
    *length += n;
    return true;
}

bool AppendText(char* out, int* length, const char* text)
{
    int n = lstrlenA(text);
    if (n > kMaxSubscribeMessage - *length)
        return false;
    for (int i = 0; i < n; ++i)
        out[(*length)++] = text[i];
    return true;
}

} // namespace

CQELWmiAcpi::CQELWmiAcpi() : m_nSlot(AcquireSlot()) {}

CQELWmiAcpi::~CQELWmiAcpi()
{
    ReleaseSlot(m_nSlot);
}

void CQELWmiAcpi::AddHWND(HWND hWnd)
{
    SubscriptionRef subscription(FindSlot(m_nSlot));
    if (subscription)
        subscription->AddWindow(hWnd);
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
    SubscriptionRef subscription(FindSlot(m_nSlot));
    if (!subscription)
        return false;
    char message[kMaxSubscribeMessage];
    int length = 0;
    if (!AppendText(message, &length, wire::kSubscribe) || !AppendUtf8(message, &length, wmiNamespace) ||
        !AppendText(message, &length, "\n") || !AppendUtf8(message, &length, language) ||
        !AppendText(message, &length, "\n") || !AppendUtf8(message, &length, query))
        return false;
    wchar_t path[pipeio::kMaxPipePath];
    pipeio::PipePathFromEnvironment(path);
    return subscription->Start(path, message, static_cast<DWORD>(length));
}
