#include "BrightnessEvents.h"
#include "EventSink.h"

#include <oleauto.h>
#include <wbemidl.h>

#include <atomic>
#include <cstdio>
#include <new>

namespace {

// Null means CoCreateInstance itself.
std::atomic<CoCreateInstanceFn> g_createInstance{nullptr};

HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** object)
{
    CoCreateInstanceFn fn = g_createInstance.load();
    return fn ? fn(clsid, nullptr, context, iid, object)
              : CoCreateInstance(clsid, nullptr, context, iid, object);
}

// An out pointer counts only when its call succeeded: what a failed call left
// there is not ours to call through or release.
template <class T>
T* Obtained(HRESULT hr, T* object)
{
    return SUCCEEDED(hr) ? object : nullptr;
}

// Steps that failed left null; those are skipped.
template <class T>
void ReleaseObtained(T*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

} // namespace

CoCreateInstanceFn SetCoCreateInstanceForTesting(CoCreateInstanceFn fn)
{
    return g_createInstance.exchange(fn);
}

int SubscribeBrightnessEvents()
{
    BSTR ns = SysAllocString(L"ROOT\\WMI");

    // The thread may already be in an apartment of the other model
    // (RPC_E_CHANGED_MODE); then this call added nothing, and the failure
    // paths must not uninitialise the caller's apartment.
    const bool comJoined = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    auto uninitialize = [comJoined] {
        if (comJoined)
            CoUninitialize();
    };

    // Fails with RPC_E_TOO_LATE when the process already set its security;
    // that security then stays in force.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);

    IWbemLocator* locator = nullptr;
    HRESULT hr = CreateInstance(CLSID_WbemLocator, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(&locator));
    locator = Obtained(hr, locator);
    if (!locator) {
        SysFreeString(ns);
        uninitialize();
        return kBrightnessLocatorFailed;
    }

    IWbemServices* services = nullptr;
    hr = locator->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    services = Obtained(hr, services);
    if (!services) {
        SysFreeString(ns);
        ReleaseObtained(locator);
        uninitialize();
        return kBrightnessConnectFailed;
    }

    hr = CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) {
        SysFreeString(ns);
        ReleaseObtained(services);
        ReleaseObtained(locator);
        uninitialize();
        return kBrightnessProxyBlanketFailed;
    }

    IUnsecuredApartment* apartment = nullptr;
    hr = CreateInstance(CLSID_UnsecuredApartment, CLSCTX_LOCAL_SERVER, IID_IUnsecuredApartment,
                        reinterpret_cast<void**>(&apartment));
    apartment = Obtained(hr, apartment);

    EventSink* sink = new (std::nothrow) EventSink;
    if (sink)
        sink->AddRef();

    IUnknown* stub = nullptr;
    if (apartment && sink) {
        hr = apartment->CreateObjectStub(sink, &stub);
        stub = Obtained(hr, stub);
    }

    IWbemObjectSink* stubSink = nullptr;
    if (stub) {
        hr = stub->QueryInterface(IID_IWbemObjectSink, reinterpret_cast<void**>(&stubSink));
        stubSink = Obtained(hr, stubSink);
    }

    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM WmiMonitorBrightnessEvent");

    // Without a stub sink (no unsecured apartment, as under Wine, or a stub
    // that could not be made) the query is not made at all: handing the
    // service our own sink instead would accept its callbacks outside the
    // apartment meant to receive them. The program then runs without
    // brightness events, as after a refused query, and says so by status 1.
    bool registered = false;
    if (stubSink) {
        hr = services->ExecNotificationQueryAsync(language, query, WBEM_FLAG_SEND_STATUS, nullptr, stubSink);
        registered = SUCCEEDED(hr);
        if (!registered) {
            std::printf("ExecNotificationQueryAsync failed with = 0x%X\n", static_cast<unsigned>(hr));
            std::fflush(stdout);
        }
    }

    SysFreeString(ns);
    SysFreeString(language);
    SysFreeString(query);

    if (!registered) {
        ReleaseObtained(services);
        ReleaseObtained(locator);
        ReleaseObtained(apartment);
        ReleaseObtained(stub);
        ReleaseObtained(sink);
        ReleaseObtained(stubSink);
        uninitialize();
        return kBrightnessQueryRefused;
    }

    // The service keeps the stub sink, and the stub keeps the sink, for as
    // long as the query stays registered; COM stays initialised on this thread.
    ReleaseObtained(apartment);
    ReleaseObtained(stub);
    ReleaseObtained(sink);
    ReleaseObtained(stubSink);
    ReleaseObtained(services);
    ReleaseObtained(locator);
    return kBrightnessSubscribed;
}
