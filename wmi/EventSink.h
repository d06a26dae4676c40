// The COM object WMI delivers brightness events to.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wbemidl.h>

// Counts its own references and frees itself when the last one goes; it is
// created only on the heap. Calls arrive on COM's threads and may overlap.
class EventSink final : public IWbemObjectSink
{
public:
    EventSink();
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Reads "Brightness" of the batch's first object, sends it to the
    // brightness event target and prints one line per object. Returns 0.
    HRESULT STDMETHODCALLTYPE Indicate(LONG lObjectCount, IWbemClassObject** apObjArray) override;
    // Prints the completion or progress of the query. Returns 0.
    HRESULT STDMETHODCALLTYPE SetStatus(LONG lFlags, HRESULT hResult, BSTR strParam,
                                        IWbemClassObject* pObjParam) override;

    bool IsDone() const { return m_isDone; }

    // Called from the destructor, after m_isDone is set (tests only).
    using DestroyedFn = void (*)(const EventSink* sink);
    static DestroyedFn SetDestroyedHookForTesting(DestroyedFn fn);
    // Sinks constructed and not yet destroyed (tests only).
    static LONG LiveCountForTesting();

private:
    ~EventSink();

    LONG m_refCount = 0;
    bool m_isDone = false;
};
