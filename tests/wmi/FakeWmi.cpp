#include "FakeWmi.h"

#include "BrightnessEvents.h"

#include <atomic>

#define FAKE_UNUSED       \
    {                     \
        return E_NOTIMPL; \
    }

namespace {
FakeWmi* g_current = nullptr;

std::wstring Text(const wchar_t* s)
{
    return s ? std::wstring(s) : std::wstring(L"<null>");
}
} // namespace

// Counts references; Release calls are logged under the object's name when
// it has one.
template <class Interface>
class FakeObject : public Interface
{
public:
    explicit FakeObject(const char* name) : m_name(name) {}
    virtual ~FakeObject() = default;
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (m_name)
            if (FakeWmi* world = FakeWmi::Current())
                world->LogRelease(m_name);
        return Drop();
    }
    // A release by the fakes themselves, not logged.
    ULONG Drop()
    {
        const LONG n = --m_refs;
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    LONG Refs() const { return m_refs; }

protected:
    HRESULT Self(REFIID riid, REFIID own, void** ppv)
    {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, own)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<LONG> m_refs{1};
    const char* m_name;
};

HRESULT GiveOrFail(HRESULT hr, IUnknown* object, REFIID iid, void** out)
{
    if (FAILED(hr)) {
        *out = kGarbagePointer;
        return hr;
    }
    return object->QueryInterface(iid, out);
}

class FakeClientSecurity final : public FakeObject<IClientSecurity>
{
public:
    FakeClientSecurity() : FakeObject(nullptr) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return Self(riid, IID_IClientSecurity, ppv);
    }
    HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown*, DWORD*, DWORD*, OLECHAR**, DWORD*, DWORD*, void**,
                                           DWORD*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        SetBlanket(IUnknown* proxy, DWORD authn, DWORD authz, OLECHAR* principal, DWORD level, DWORD imp,
                   void* authInfo, DWORD caps) override
    {
        FakeWmi* world = FakeWmi::Current();
        world->blankets.push_back(
            {proxy, authn, authz, principal == nullptr, level, imp, authInfo == nullptr, caps});
        return world->results.setBlanket;
    }
    HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown*, IUnknown**) override FAKE_UNUSED
};

class FakeServices final : public FakeObject<IWbemServices>
{
public:
    FakeServices() : FakeObject("services") {}
    ~FakeServices() override { DropHandler(); }

    IWbemObjectSink* Handler() const { return m_handler; }
    void DropHandler()
    {
        if (m_handler)
            m_handler->Release();
        m_handler = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        FakeWmi* world = FakeWmi::Current();
        if (IsEqualGUID(riid, IID_IClientSecurity) && world && world->results.clientSecurity)
            return world->ClientSecurity()->QueryInterface(riid, ppv);
        return Self(riid, IID_IWbemServices, ppv);
    }

    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR language, const BSTR query, LONG flags,
                                                         IWbemContext* ctx, IWbemObjectSink* handler) override
    {
        FakeWmi* world = FakeWmi::Current();
        world->queries.push_back({Text(language), Text(query), flags, ctx == nullptr, handler});
        if (FAILED(world->results.execQuery))
            return world->results.execQuery;
        handler->AddRef();
        m_handler = handler;
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                            IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        CancelAsyncCall(IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        QueryObjectSink(LONG, IWbemObjectSink**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**,
                  IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        GetObjectAsync(const BSTR, LONG, IWbemContext*,
                       IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        PutClass(IWbemClassObject*, LONG, IWbemContext*,
                 IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        PutClassAsync(IWbemClassObject*, LONG, IWbemContext*,
                      IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        DeleteClass(const BSTR, LONG, IWbemContext*,
                    IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        DeleteClassAsync(const BSTR, LONG, IWbemContext*,
                         IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        CreateClassEnum(const BSTR, LONG, IWbemContext*,
                        IEnumWbemClassObject**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        CreateClassEnumAsync(const BSTR, LONG, IWbemContext*,
                             IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        PutInstance(IWbemClassObject*, LONG, IWbemContext*,
                    IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*,
                         IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        DeleteInstance(const BSTR, LONG, IWbemContext*,
                       IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        DeleteInstanceAsync(const BSTR, LONG, IWbemContext*,
                            IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        CreateInstanceEnum(const BSTR, LONG, IWbemContext*,
                           IEnumWbemClassObject**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*,
                                IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                  IEnumWbemClassObject**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                       IWbemObjectSink*) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                              IEnumWbemClassObject**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemClassObject**,
                   IWbemCallResult**) override FAKE_UNUSED HRESULT STDMETHODCALLTYPE
        ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                        IWbemObjectSink*) override FAKE_UNUSED

        private : IWbemObjectSink* m_handler = nullptr;
};

class FakeLocator final : public FakeObject<IWbemLocator>
{
public:
    FakeLocator() : FakeObject("locator") {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return Self(riid, IID_IWbemLocator, ppv);
    }
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR ns, const BSTR user, const BSTR password,
                                            const BSTR locale, LONG flags, const BSTR authority,
                                            IWbemContext* ctx, IWbemServices** services) override
    {
        FakeWmi* world = FakeWmi::Current();
        const bool onlyNamespace = !user && !password && !locale && !authority && !ctx;
        world->connects.push_back({Text(ns), onlyNamespace, flags});
        return GiveOrFail(world->results.connect, world->Services(), IID_IWbemServices,
                          reinterpret_cast<void**>(services));
    }
};

// The stub's sink side: forwards to the sink the stub wraps.
class FakeStub;
class FakeStubSink final : public FakeObject<IWbemObjectSink>
{
public:
    FakeStubSink(FakeStub* stub, IWbemObjectSink* target);
    ~FakeStubSink() override;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return Self(riid, IID_IWbemObjectSink, ppv);
    }
    HRESULT STDMETHODCALLTYPE Indicate(LONG count, IWbemClassObject** objects) override
    {
        return m_target->Indicate(count, objects);
    }
    HRESULT STDMETHODCALLTYPE SetStatus(LONG flags, HRESULT hr, BSTR param, IWbemClassObject* object) override
    {
        return m_target->SetStatus(flags, hr, param, object);
    }

private:
    FakeStub* m_stub;
    IWbemObjectSink* m_target;
};

// Holds the wrapped sink for as long as it lives.
class FakeStub final : public FakeObject<IUnknown>
{
public:
    explicit FakeStub(IUnknown* object) : FakeObject("stub")
    {
        object->QueryInterface(IID_IWbemObjectSink, reinterpret_cast<void**>(&m_target));
        FakeWmi::Current()->SetWrappedSink(m_target);
        FakeWmi::Current()->StubObjectCreated();
    }
    ~FakeStub() override
    {
        if (FakeWmi* world = FakeWmi::Current()) {
            world->SetWrappedSink(nullptr);
            world->StubObjectFreed();
        }
        if (m_target)
            m_target->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualGUID(riid, IID_IWbemObjectSink)) {
            const HRESULT hr = FakeWmi::Current()->results.stubQuery;
            if (FAILED(hr)) {
                *ppv = kGarbagePointer;
                return hr;
            }
            *ppv = static_cast<IWbemObjectSink*>(new FakeStubSink(this, m_target));
            return S_OK;
        }
        return Self(riid, IID_IUnknown, ppv);
    }

private:
    IWbemObjectSink* m_target = nullptr;
};

FakeStubSink::FakeStubSink(FakeStub* stub, IWbemObjectSink* target)
    : FakeObject("stubSink"), m_stub(stub), m_target(target)
{
    m_stub->AddRef();
    FakeWmi::Current()->StubObjectCreated();
}

FakeStubSink::~FakeStubSink()
{
    if (FakeWmi* world = FakeWmi::Current())
        world->StubObjectFreed();
    m_stub->Drop();
}

class FakeApartment final : public FakeObject<IUnsecuredApartment>
{
public:
    FakeApartment() : FakeObject("apartment") {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return Self(riid, IID_IUnsecuredApartment, ppv);
    }
    HRESULT STDMETHODCALLTYPE CreateObjectStub(IUnknown* object, IUnknown** stub) override
    {
        FakeWmi* world = FakeWmi::Current();
        world->stubbedObjects.push_back(object);
        if (FAILED(world->results.createStub)) {
            *stub = static_cast<IUnknown*>(kGarbagePointer);
            return world->results.createStub;
        }
        *stub = new FakeStub(object);
        return S_OK;
    }
};

namespace {
HRESULT WINAPI FakeCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                    LPVOID* object)
{
    FakeWmi* world = FakeWmi::Current();
    world->creates.push_back({clsid, outer, context, iid});
    if (IsEqualGUID(clsid, CLSID_WbemLocator))
        return GiveOrFail(world->results.createLocator, world->Locator(), iid, object);
    if (IsEqualGUID(clsid, CLSID_UnsecuredApartment))
        return GiveOrFail(world->results.createApartment, world->Apartment(), iid, object);
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}
} // namespace

FakeWmi::FakeWmi(const FakeResults& given)
    : results(given), m_locator(new FakeLocator), m_services(new FakeServices),
      m_clientSecurity(new FakeClientSecurity), m_apartment(new FakeApartment)
{
    g_current = this;
    SetCoCreateInstanceForTesting(FakeCoCreateInstance);
}

FakeWmi::~FakeWmi()
{
    SetCoCreateInstanceForTesting(nullptr);
    m_recording = false;
    m_services->DropHandler();
    m_apartment->Drop();
    m_clientSecurity->Drop();
    m_services->Drop();
    m_locator->Drop();
    g_current = nullptr;
}

FakeWmi* FakeWmi::Current()
{
    return g_current;
}

void FakeWmi::LogRelease(const char* object)
{
    if (!m_recording)
        return;
    long sinkRefs = -1;
    if (m_wrappedSink) {
        sinkRefs = static_cast<long>(m_wrappedSink->AddRef()) - 1;
        m_wrappedSink->Release();
    }
    releases.push_back({object, sinkRefs});
}

long FakeWmi::LocatorRefs() const
{
    return m_locator->Refs() - 1;
}
long FakeWmi::ServicesRefs() const
{
    return m_services->Refs() - 1;
}
long FakeWmi::ApartmentRefs() const
{
    return m_apartment->Refs() - 1;
}
IWbemObjectSink* FakeWmi::Handler() const
{
    return m_services->Handler();
}
IUnknown* FakeWmi::ServicesIdentity() const
{
    return static_cast<IWbemServices*>(m_services);
}

void FakeWmi::DropHandler()
{
    m_services->DropHandler();
}
