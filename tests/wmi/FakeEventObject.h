// A WMI event object whose "Brightness" read answers as told and is recorded.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <string>
#include <vector>

#define FAKE_EVENT_UNUSED \
    {                     \
        return E_NOTIMPL; \
    }

struct GetCall
{
    std::wstring name;
    LONG flags;
    bool typeNull;
    bool flavorNull;
};

// Lives on the test's stack; the sink does not keep it.
class FakeEventObject final : public IWbemClassObject
{
public:
    // A read that succeeds with an unsigned byte, as WMI delivers Brightness.
    explicit FakeEventObject(BYTE brightness)
    {
        V_VT(&m_value) = VT_UI1;
        V_UI1(&m_value) = brightness;
    }
    // A read that answers hr and leaves value (taken over) in the output.
    FakeEventObject(HRESULT hr, const VARIANT& value) : m_result(hr), m_value(value) {}
    ~FakeEventObject()
    {
        if (SUCCEEDED(m_result))
            VariantClear(&m_value);
    }
    FakeEventObject(const FakeEventObject&) = delete;
    FakeEventObject& operator=(const FakeEventObject&) = delete;

    std::vector<GetCall> gets;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IWbemClassObject)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type,
                                  LONG* flavor) override
    {
        gets.push_back({name ? name : L"<null>", flags, type == nullptr, flavor == nullptr});
        if (SUCCEEDED(m_result))
            return VariantCopy(value, &m_value);
        // A misbehaving provider: what it leaves behind on failure is not the caller's.
        *value = m_value;
        return m_result;
    }

    HRESULT STDMETHODCALLTYPE
    GetQualifierSet(IWbemQualifierSet**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        Delete(LPCWSTR) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        BeginEnumeration(LONG) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        EndEnumeration() override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetPropertyQualifierSet(LPCWSTR,
                                IWbemQualifierSet**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        Clone(IWbemClassObject**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetObjectText(LONG, BSTR*) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        SpawnDerivedClass(LONG, IWbemClassObject**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        SpawnInstance(LONG, IWbemClassObject**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        CompareTo(LONG, IWbemClassObject*) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetPropertyOrigin(LPCWSTR, BSTR*) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        InheritsFrom(LPCWSTR) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetMethod(LPCWSTR, LONG, IWbemClassObject**,
                  IWbemClassObject**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        PutMethod(LPCWSTR, LONG, IWbemClassObject*,
                  IWbemClassObject*) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        DeleteMethod(LPCWSTR) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        BeginMethodEnumeration(LONG) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        NextMethod(LONG, BSTR*, IWbemClassObject**,
                   IWbemClassObject**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        EndMethodEnumeration() override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetMethodQualifierSet(LPCWSTR,
                              IWbemQualifierSet**) override FAKE_EVENT_UNUSED HRESULT STDMETHODCALLTYPE
        GetMethodOrigin(LPCWSTR, BSTR*) override FAKE_EVENT_UNUSED

        private : HRESULT m_result = WBEM_S_NO_ERROR;
    VARIANT m_value{};
};
