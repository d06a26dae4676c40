// Fake WMI objects behind the subscription's object creation: the locator,
// the services, the unsecured apartment and its stubs. They answer as told
// and record the calls the subscription makes, releases in order included.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wbemidl.h>

#include <string>
#include <vector>

// What each step answers.
struct FakeResults
{
    HRESULT createLocator = S_OK;
    HRESULT connect = S_OK;
    bool clientSecurity = true; // the services offer IClientSecurity, which CoSetProxyBlanket needs
    HRESULT setBlanket = S_OK;
    HRESULT createApartment = S_OK;
    HRESULT createStub = S_OK;
    HRESULT stubQuery = S_OK;
    HRESULT execQuery = S_OK;
};

// A failed call leaves this in its out pointer: calling through it or
// releasing it crashes the test.
inline void* const kGarbagePointer = reinterpret_cast<void*>(0xBAADF00D);

struct CreateCall
{
    CLSID clsid;
    IUnknown* outer;
    DWORD context;
    IID iid;
};

struct ConnectCall
{
    std::wstring ns;
    bool onlyNamespaceGiven; // user, password, locale, authority and context all null
    LONG securityFlags;
};

struct BlanketCall
{
    IUnknown* proxy;
    DWORD authnService;
    DWORD authzService;
    bool principalNull;
    DWORD authnLevel;
    DWORD impLevel;
    bool authInfoNull;
    DWORD capabilities;
};

struct QueryCall
{
    std::wstring language;
    std::wstring query;
    LONG flags;
    bool contextNull;
    IWbemObjectSink* handler;
};

// One Release call made by the code under test. sinkRefs is the reference
// count of the sink the stub wraps at that moment (-1 while none is wrapped).
struct ReleaseEntry
{
    std::string object;
    long sinkRefs;

    bool operator==(const ReleaseEntry& other) const
    {
        return object == other.object && sinkRefs == other.sinkRefs;
    }
};

class FakeLocator;
class FakeServices;
class FakeClientSecurity;
class FakeApartment;

// Installs itself as the subscription's object creation for its lifetime.
class FakeWmi
{
public:
    explicit FakeWmi(const FakeResults& results);
    ~FakeWmi();
    FakeWmi(const FakeWmi&) = delete;
    FakeWmi& operator=(const FakeWmi&) = delete;

    FakeResults results;
    std::vector<CreateCall> creates;
    std::vector<ConnectCall> connects;
    std::vector<BlanketCall> blankets;
    std::vector<QueryCall> queries;
    std::vector<IUnknown*> stubbedObjects;
    std::vector<ReleaseEntry> releases;

    // References held beyond this object's own one.
    long LocatorRefs() const;
    long ServicesRefs() const;
    long ApartmentRefs() const;
    // Stubs and stub sinks not yet freed.
    int LiveStubObjects() const { return m_liveStubObjects; }
    // The response handler the services kept from a registered query.
    IWbemObjectSink* Handler() const;
    IUnknown* ServicesIdentity() const;
    // The services let go of the handler, as when the query ends.
    void DropHandler();

    // Used by the fakes.
    static FakeWmi* Current();
    void LogRelease(const char* object);
    void SetWrappedSink(IUnknown* sink) { m_wrappedSink = sink; }
    void StubObjectCreated() { ++m_liveStubObjects; }
    void StubObjectFreed() { --m_liveStubObjects; }
    FakeServices* Services() const { return m_services; }
    FakeClientSecurity* ClientSecurity() const { return m_clientSecurity; }
    FakeLocator* Locator() const { return m_locator; }
    FakeApartment* Apartment() const { return m_apartment; }

private:
    FakeLocator* m_locator;
    FakeServices* m_services;
    FakeClientSecurity* m_clientSecurity;
    FakeApartment* m_apartment;
    IUnknown* m_wrappedSink = nullptr;
    int m_liveStubObjects = 0;
    bool m_recording = true;
};

// Sets *out to the object's iid interface, or fails with hr leaving garbage.
HRESULT GiveOrFail(HRESULT hr, IUnknown* object, REFIID iid, void** out);
