// The event sink driven directly: its reference count, its interfaces, the
// brightness messages and the diagnostic lines it writes to standard output.
#include "BrightnessEvents.h"
#include "EventSink.h"
#include "FakeEventObject.h"
#include "RecordingWindow.h"
#include "SinkWatch.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What an out pointer holds before a call that must overwrite it.
void* const kUnset = reinterpret_cast<void*>(0x1234);

std::string EventLines(int value, int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "Event occurred the Value = " + std::to_string(value) + "\r\n";
    return lines;
}

class EventSinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_sink = new EventSink;
        m_sink->AddRef();
    }
    void TearDown() override
    {
        SetBrightnessEventTarget(nullptr);
        if (m_sink)
            m_sink->Release();
    }

    SinkWatch m_watch;
    EventSink* m_sink = nullptr;
};

TEST_F(EventSinkTest, AddRefOnFreshSinkReturnsOneAndReleaseFromOneFreesIt)
{
    EventSink* fresh = new EventSink;
    EXPECT_EQ(fresh->AddRef(), 1u);
    EXPECT_EQ(m_watch.Alive(), 2);

    EXPECT_EQ(fresh->Release(), 0u);
    ASSERT_EQ(m_watch.Destroyed().size(), 1u);
    EXPECT_EQ(m_watch.Destroyed()[0].sink, fresh);
    EXPECT_TRUE(m_watch.Destroyed()[0].isDone);
    EXPECT_EQ(m_watch.Alive(), 1);
}

TEST_F(EventSinkTest, ReleaseAboveOneKeepsTheSink)
{
    EXPECT_EQ(m_sink->AddRef(), 2u);
    EXPECT_EQ(m_sink->Release(), 1u);
    EXPECT_TRUE(m_watch.Destroyed().empty());
    EXPECT_FALSE(m_sink->IsDone());
}

TEST_F(EventSinkTest, QueryInterfaceForUnknownAndSinkGivesTheSinkAndCountsUp)
{
    void* unknown = kUnset;
    void* sink = kUnset;
    ASSERT_EQ(m_sink->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(m_sink->QueryInterface(IID_IWbemObjectSink, &sink), S_OK);

    EXPECT_EQ(unknown, static_cast<void*>(static_cast<IWbemObjectSink*>(m_sink)));
    EXPECT_EQ(sink, unknown);
    // One reference from SetUp, one from each query.
    EXPECT_EQ(m_sink->AddRef(), 4u);
    m_sink->Release();
    static_cast<IUnknown*>(unknown)->Release();
    static_cast<IUnknown*>(sink)->Release();
}

TEST_F(EventSinkTest, QueryInterfaceForAnyOtherInterfaceFailsLeavingNullAndTheCount)
{
    // The last one differs from IID_IWbemObjectSink in its final byte only.
    IID almostSink = IID_IWbemObjectSink;
    almostSink.Data4[7] ^= 1;
    const IID others[] = {IID_IWbemServices, IID_IDispatch, IID_IClassFactory, IID_IWbemClassObject,
                          almostSink};
    for (const IID& iid : others) {
        void* out = kUnset;
        EXPECT_EQ(m_sink->QueryInterface(iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(m_sink->AddRef(), 2u);
    m_sink->Release();
}

TEST_F(EventSinkTest, QueryInterfaceWithoutOutPointerFailsAndKeepsTheCount)
{
    EXPECT_EQ(m_sink->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(m_sink->AddRef(), 2u);
    m_sink->Release();
}

struct RefChurn
{
    EventSink* sink;
    HANDLE start;
};

DWORD WINAPI AddRefReleaseMany(void* param)
{
    auto* churn = static_cast<RefChurn*>(param);
    WaitForSingleObject(churn->start, 10000);
    for (int i = 0; i < 1000000; ++i) {
        churn->sink->AddRef();
        churn->sink->Release();
    }
    return 0;
}

TEST_F(EventSinkTest, CountSurvivesConcurrentAddRefAndRelease)
{
    RefChurn churn{m_sink, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE threads[4] = {};
    for (HANDLE& thread : threads)
        thread = CreateThread(nullptr, 0, AddRefReleaseMany, &churn, 0, nullptr);
    SetEvent(churn.start);
    const DWORD waited = WaitForMultipleObjects(4, threads, TRUE, 30000);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    CloseHandle(churn.start);
    ASSERT_EQ(waited, WAIT_OBJECT_0);

    EXPECT_TRUE(m_watch.Destroyed().empty());
    EXPECT_EQ(m_sink->Release(), 0u);
    m_sink = nullptr;
    EXPECT_EQ(m_watch.Destroyed().size(), 1u);
}

TEST_F(EventSinkTest, OneObjectSendsItsBrightnessAndOneLine)
{
    RecordingWindow window(false);
    ASSERT_NE(window.Handle(), nullptr);
    SetBrightnessEventTarget(window.Handle());
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    const HRESULT hr = m_sink->Indicate(1, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(hr, WBEM_S_NO_ERROR);
    ASSERT_EQ(window.Received().size(), 1u);
    EXPECT_EQ(window.Received()[0].wParam, 70u);
    EXPECT_EQ(window.Received()[0].lParam, 0);
    EXPECT_EQ(out, EventLines(70, 1));
    ASSERT_EQ(event.gets.size(), 1u);
    EXPECT_EQ(event.gets[0].name, L"Brightness");
    EXPECT_EQ(event.gets[0].flags, 0);
    EXPECT_TRUE(event.gets[0].typeNull);
    EXPECT_TRUE(event.gets[0].flavorNull);
}

TEST_F(EventSinkTest, ThreeObjectsSendTheFirstValueOnceAndThreeLines)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    FakeEventObject first(70), second(20), third(30);
    IWbemClassObject* batch[] = {&first, &second, &third};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    const HRESULT hr = m_sink->Indicate(3, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(hr, WBEM_S_NO_ERROR);
    ASSERT_EQ(window.Received().size(), 1u);
    EXPECT_EQ(window.Received()[0].wParam, 70u);
    EXPECT_EQ(out, EventLines(70, 3));
    EXPECT_EQ(first.gets.size(), 1u);
    EXPECT_TRUE(second.gets.empty());
    EXPECT_TRUE(third.gets.empty());
}

TEST_F(EventSinkTest, EmptyBatchReadsSendsAndPrintsNothing)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};
    const struct
    {
        LONG count;
        IWbemClassObject** objects;
    } cases[] = {{0, batch}, {-1, batch}, {LONG_MIN, batch}, {2, nullptr}};

    for (const auto& c : cases) {
        StdoutCapture capture;
        ASSERT_TRUE(capture.IsActive());
        const HRESULT hr = m_sink->Indicate(c.count, c.objects);
        const std::string out = capture.Finish();

        EXPECT_EQ(hr, WBEM_S_NO_ERROR) << c.count;
        EXPECT_EQ(out, "") << c.count;
    }
    EXPECT_TRUE(window.Received().empty());
    EXPECT_TRUE(event.gets.empty());
}

VARIANT Variant(VARTYPE type, LONGLONG n)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    switch (type) {
    case VT_UI1:
        V_UI1(&v) = static_cast<BYTE>(n);
        break;
    case VT_I1:
        V_I1(&v) = static_cast<CHAR>(n);
        break;
    case VT_I2:
        V_I2(&v) = static_cast<SHORT>(n);
        break;
    case VT_UI2:
        V_UI2(&v) = static_cast<USHORT>(n);
        break;
    case VT_I4:
        V_I4(&v) = static_cast<LONG>(n);
        break;
    case VT_UI4:
        V_UI4(&v) = static_cast<ULONG>(n);
        break;
    case VT_I8:
        V_I8(&v) = n;
        break;
    case VT_UI8:
        V_UI8(&v) = static_cast<ULONGLONG>(n);
        break;
    case VT_R8:
        V_R8(&v) = static_cast<double>(n);
        break;
    case VT_BOOL:
        V_BOOL(&v) = n ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_BSTR:
        V_BSTR(&v) = SysAllocString(std::to_wstring(n).c_str());
        break;
    default:
        break;
    }
    return v;
}

TEST_F(EventSinkTest, ValueSentIsTheLowByteOfAnIntegerRead)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    const struct
    {
        VARTYPE type;
        LONGLONG read;
        WPARAM sent;
    } cases[] = {
        {VT_UI1, 0, 0},        {VT_UI1, 255, 255}, {VT_UI1, 70, 70},
        {VT_I1, 12, 12},       {VT_I1, -1, 255},   {VT_I2, 45, 45},
        {VT_UI2, 0x1FF, 255},  {VT_I4, 70, 70},    {VT_I4, 255, 255},
        {VT_I4, 256, 0},       {VT_I4, -70, 186},  {VT_UI4, 99, 99},
        {VT_UI4, 0x10046, 70}, {VT_I8, 33, 33},    {VT_UI8, (1ull << 40) + 5, 5},
        {VT_BSTR, 70, 0},      {VT_R8, 70, 0},     {VT_BOOL, 1, 0},
        {VT_NULL, 0, 0},       {VT_EMPTY, 0, 0},
    };

    for (const auto& c : cases) {
        FakeEventObject event(WBEM_S_NO_ERROR, Variant(c.type, c.read));
        IWbemClassObject* batch[] = {&event};
        const size_t before = window.Received().size();

        StdoutCapture capture;
        ASSERT_TRUE(capture.IsActive());
        m_sink->Indicate(1, batch);
        const std::string out = capture.Finish();

        const auto received = window.Received();
        ASSERT_EQ(received.size(), before + 1) << "type " << c.type << " value " << c.read;
        EXPECT_EQ(received.back().wParam, c.sent) << "type " << c.type << " value " << c.read;
        EXPECT_EQ(out, EventLines(static_cast<int>(c.sent), 1)) << "type " << c.type;
    }
}

// Counts the references taken and given back; lives on the test's stack.
class CountingUnknown final : public IUnknown
{
public:
    int addRefs = 0;
    int releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        ++addRefs;
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++releases;
        return 1;
    }
};

TEST_F(EventSinkTest, FailedReadStillSendsZeroAndReportsSuccess)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    // Providers that fail may leave anything in the output: nothing, a
    // value, a dangling string, an object. None of it is used or freed.
    VARIANT dangling;
    V_VT(&dangling) = VT_BSTR;
    V_BSTR(&dangling) = static_cast<BSTR>(reinterpret_cast<void*>(0xBAADF00D));
    CountingUnknown object;
    VARIANT leftObject;
    V_VT(&leftObject) = VT_UNKNOWN;
    V_UNKNOWN(&leftObject) = &object;
    FakeEventObject notFound(WBEM_E_NOT_FOUND, Variant(VT_EMPTY, 0));
    FakeEventObject leftValue(WBEM_E_FAILED, Variant(VT_UI1, 90));
    FakeEventObject leftString(WBEM_E_FAILED, dangling);
    FakeEventObject leftUnknown(WBEM_E_ACCESS_DENIED, leftObject);

    for (FakeEventObject* event : {&notFound, &leftValue, &leftString, &leftUnknown}) {
        IWbemClassObject* batch[] = {event, event};
        StdoutCapture capture;
        ASSERT_TRUE(capture.IsActive());
        const HRESULT hr = m_sink->Indicate(2, batch);
        const std::string out = capture.Finish();

        EXPECT_EQ(hr, WBEM_S_NO_ERROR);
        EXPECT_EQ(out, EventLines(0, 2));
    }
    const auto received = window.Received();
    ASSERT_EQ(received.size(), 4u);
    for (const ReceivedMessage& message : received)
        EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(object.addRefs, 0);
    EXPECT_EQ(object.releases, 0);
}

TEST_F(EventSinkTest, SuccessfulReadOfAnotherTypeIsFreedAfterUse)
{
    CountingUnknown object;
    VARIANT read;
    V_VT(&read) = VT_UNKNOWN;
    V_UNKNOWN(&read) = &object;
    object.AddRef();
    FakeEventObject event(WBEM_S_NO_ERROR, read);
    IWbemClassObject* batch[] = {&event};
    object.addRefs = 0;

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    m_sink->Indicate(1, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(out, EventLines(0, 1));
    EXPECT_EQ(object.addRefs, 1);  // the copy handed to the sink
    EXPECT_EQ(object.releases, 1); // given back by the sink
}

TEST_F(EventSinkTest, MissingFirstObjectReadsAsZero)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    IWbemClassObject* batch[] = {nullptr};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    const HRESULT hr = m_sink->Indicate(1, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(hr, WBEM_S_NO_ERROR);
    ASSERT_EQ(window.Received().size(), 1u);
    EXPECT_EQ(window.Received()[0].wParam, 0u);
    EXPECT_EQ(out, EventLines(0, 1));
}

TEST_F(EventSinkTest, WithoutTargetNothingIsSentButLinesArePrinted)
{
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    SetBrightnessEventTarget(nullptr);
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    const HRESULT hr = m_sink->Indicate(1, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(hr, WBEM_S_NO_ERROR);
    EXPECT_TRUE(window.Received().empty());
    EXPECT_EQ(out, EventLines(70, 1));
}

TEST_F(EventSinkTest, TargetWindowDestroyedMeanwhileIsHarmless)
{
    HWND gone = nullptr;
    {
        RecordingWindow window(false);
        gone = window.Handle();
        SetBrightnessEventTarget(gone);
    }
    ASSERT_FALSE(IsWindow(gone));
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    const HRESULT hr = m_sink->Indicate(1, batch);
    const std::string out = capture.Finish();

    EXPECT_EQ(hr, WBEM_S_NO_ERROR);
    EXPECT_EQ(out, EventLines(70, 1));
}

TEST_F(EventSinkTest, DeliveryFromAnotherThreadIsHandledBeforeIndicateReturns)
{
    RecordingWindow window(true);
    ASSERT_NE(window.Handle(), nullptr);
    ASSERT_NE(window.ThreadId(), GetCurrentThreadId());
    SetBrightnessEventTarget(window.Handle());
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};

    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    m_sink->Indicate(1, batch);
    capture.Finish();

    // The send is synchronous: the window procedure has run on its own
    // thread by the time Indicate returns.
    const auto received = window.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].wParam, 70u);
    EXPECT_EQ(received[0].lParam, 0);
    EXPECT_EQ(received[0].threadId, window.ThreadId());
}

TEST_F(EventSinkTest, SetStatusPrintsCompletionAndProgressOnly)
{
    const struct
    {
        LONG flags;
        HRESULT result;
        const char* printed;
    } cases[] = {
        {WBEM_STATUS_COMPLETE, 0, "Call complete. hResult = 0x0\r\n"},
        {WBEM_STATUS_COMPLETE, static_cast<HRESULT>(0x80041032), "Call complete. hResult = 0x80041032\r\n"},
        {WBEM_STATUS_COMPLETE, 0x2A, "Call complete. hResult = 0x2A\r\n"},
        {WBEM_STATUS_REQUIREMENTS, 0, ""},
        {WBEM_STATUS_PROGRESS, 0, "Call in progress.\r\n"},
        {WBEM_STATUS_PROGRESS, E_FAIL, "Call in progress.\r\n"},
        {3, 0, ""},
        {-1, 0, ""},
    };
    for (const auto& c : cases) {
        StdoutCapture capture;
        ASSERT_TRUE(capture.IsActive());
        const HRESULT hr = m_sink->SetStatus(c.flags, c.result, nullptr, nullptr);
        const std::string out = capture.Finish();

        EXPECT_EQ(hr, WBEM_S_NO_ERROR) << c.flags;
        EXPECT_EQ(out, c.printed) << c.flags;
    }
}

} // namespace
