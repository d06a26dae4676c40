#include "EventSink.h"

#include "BrightnessEvents.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<EventSink::DestroyedFn> g_destroyedHook{nullptr};
std::atomic<LONG> g_liveSinks{0};

// WMI delivers the uint8 property as VT_UI1. Of any other integer type the
// low byte is sent, as of the one-byte value; a value of no integer type
// (a string's pointer, a float) reads as 0, like a failed read.
BYTE BrightnessFrom(const VARIANT& value)
{
    switch (V_VT(&value)) {
    case VT_UI1:
        return V_UI1(&value);
    case VT_I1:
        return static_cast<BYTE>(V_I1(&value));
    case VT_I2:
        return static_cast<BYTE>(V_I2(&value));
    case VT_UI2:
        return static_cast<BYTE>(V_UI2(&value));
    case VT_I4:
        return static_cast<BYTE>(V_I4(&value));
    case VT_UI4:
        return static_cast<BYTE>(V_UI4(&value));
    case VT_INT:
        return static_cast<BYTE>(V_INT(&value));
    case VT_UINT:
        return static_cast<BYTE>(V_UINT(&value));
    case VT_I8:
        return static_cast<BYTE>(V_I8(&value));
    case VT_UI8:
        return static_cast<BYTE>(V_UI8(&value));
    default:
        return 0;
    }
}

} // namespace

EventSink::EventSink()
{
    ++g_liveSinks;
}

EventSink::~EventSink()
{
    m_isDone = true;
    if (DestroyedFn hook = g_destroyedHook.load())
        hook(this);
    --g_liveSinks;
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IWbemObjectSink)) {
        *ppv = static_cast<IWbemObjectSink*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE EventSink::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE EventSink::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE EventSink::Indicate(LONG lObjectCount, IWbemClassObject** apObjArray)
{
    // An empty batch has nothing to read and no brightness to report.
    if (lObjectCount <= 0 || apObjArray == nullptr)
        return WBEM_S_NO_ERROR;

    VARIANT value;
    VariantInit(&value);
    HRESULT hr = E_POINTER;
    if (apObjArray[0] != nullptr)
        hr = apObjArray[0]->Get(L"Brightness", 0, &value, nullptr, nullptr);
    // A failed read reports 0; the message goes out regardless. Only a
    // successful read hands us a VARIANT to clear.
    BYTE brightness = 0;
    if (SUCCEEDED(hr)) {
        brightness = BrightnessFrom(value);
        VariantClear(&value);
    }

    // The target is null once the main window is gone; a window destroyed
    // after this read makes SendMessageW fail harmlessly.
    if (HWND target = GetBrightnessEventTarget())
        SendMessageW(target, WM_BRIGHTNESS_EVENT, brightness, 0);

    // The line carries the brightness sent, not the read's HRESULT.
    for (LONG i = 0; i < lObjectCount; ++i)
        std::printf("Event occurred the Value = %d\n", brightness);
    std::fflush(stdout);
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE EventSink::SetStatus(LONG lFlags, HRESULT hResult, BSTR, IWbemClassObject*)
{
    if (lFlags == WBEM_STATUS_COMPLETE)
        std::printf("Call complete. hResult = 0x%X\n", static_cast<unsigned>(hResult));
    else if (lFlags == WBEM_STATUS_PROGRESS)
        std::printf("Call in progress.\n");
    std::fflush(stdout);
    return WBEM_S_NO_ERROR;
}

EventSink::DestroyedFn EventSink::SetDestroyedHookForTesting(DestroyedFn fn)
{
    return g_destroyedHook.exchange(fn);
}

LONG EventSink::LiveCountForTesting()
{
    return g_liveSinks.load();
}
