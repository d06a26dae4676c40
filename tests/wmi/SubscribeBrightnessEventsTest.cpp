// The subscription against fake WMI objects (every status, the arguments of
// each step, the release orders, the thread's COM state afterwards) and
// against Wine's own WMI.
#include "BrightnessEvents.h"
#include "FakeEventObject.h"
#include "FakeWmi.h"
#include "RecordingWindow.h"
#include "SinkWatch.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

enum class Apartment {
    None,
    SingleThreaded,
    MultiThreaded,
};

// One subscription on a thread of its own, so that its COM state is known.
struct SubscribeRun
{
    bool finished = false;
    int status = -1;
    // CoInitializeEx on that thread afterwards, in the model it started in
    // (multithreaded when none): S_OK means the thread was left without COM,
    // S_FALSE that it is still initialised in that model.
    HRESULT probe = E_UNEXPECTED;
    std::string output;
};

struct ThreadArgs
{
    Apartment before;
    SubscribeRun* run;
};

DWORD WINAPI SubscribeOnThread(void* param)
{
    auto* args = static_cast<ThreadArgs*>(param);
    HRESULT preInit = E_UNEXPECTED;
    if (args->before == Apartment::SingleThreaded)
        preInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    else if (args->before == Apartment::MultiThreaded)
        preInit = CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    args->run->status = SubscribeBrightnessEvents();

    const DWORD model =
        args->before == Apartment::SingleThreaded ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
    args->run->probe = CoInitializeEx(nullptr, model);
    if (SUCCEEDED(args->run->probe))
        CoUninitialize();
    // A registered query keeps the subscription's own initialisation.
    if (args->run->status == kBrightnessSubscribed && args->before != Apartment::SingleThreaded)
        CoUninitialize();
    if (SUCCEEDED(preInit))
        CoUninitialize();
    return 0;
}

SubscribeRun SubscribeOnFreshThread(Apartment before = Apartment::None)
{
    SubscribeRun run;
    ThreadArgs args{before, &run};
    StdoutCapture capture;
    HANDLE thread = CreateThread(nullptr, 0, SubscribeOnThread, &args, 0, nullptr);
    if (thread) {
        run.finished = WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0;
        CloseHandle(thread);
    }
    run.output = capture.Finish();
    return run;
}

FakeResults Failing(HRESULT FakeResults::*step, HRESULT hr)
{
    FakeResults results;
    results.*step = hr;
    return results;
}

// CoSetProxyBlanket then fails with E_NOINTERFACE.
FakeResults WithoutClientSecurity()
{
    FakeResults results;
    results.clientSecurity = false;
    return results;
}

std::vector<ReleaseEntry> Releases(std::initializer_list<ReleaseEntry> entries)
{
    return entries;
}

class SubscribeTest : public ::testing::Test
{
protected:
    void TearDown() override { SetBrightnessEventTarget(nullptr); }

    SinkWatch m_watch;
};

TEST_F(SubscribeTest, LocatorNotCreatedGivesThreeAndMakesNoSink)
{
    FakeWmi wmi(Failing(&FakeResults::createLocator, REGDB_E_CLASSNOTREG));
    const SubscribeRun run = SubscribeOnFreshThread();

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, kBrightnessLocatorFailed);
    ASSERT_EQ(wmi.creates.size(), 1u);
    EXPECT_TRUE(IsEqualGUID(wmi.creates[0].clsid, CLSID_WbemLocator));
    EXPECT_EQ(wmi.creates[0].outer, nullptr);
    EXPECT_EQ(wmi.creates[0].context, static_cast<DWORD>(CLSCTX_INPROC_SERVER));
    EXPECT_TRUE(IsEqualGUID(wmi.creates[0].iid, IID_IWbemLocator));
    EXPECT_TRUE(wmi.connects.empty());
    EXPECT_TRUE(wmi.releases.empty());
    EXPECT_EQ(m_watch.Alive(), 0);
    EXPECT_TRUE(m_watch.Destroyed().empty());
    EXPECT_EQ(run.probe, S_OK);
    EXPECT_EQ(run.output, "");
}

TEST_F(SubscribeTest, ConnectionRefusedGivesFourAndReleasesTheLocator)
{
    FakeWmi wmi(Failing(&FakeResults::connect, static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE)));
    const SubscribeRun run = SubscribeOnFreshThread();

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, kBrightnessConnectFailed);
    ASSERT_EQ(wmi.connects.size(), 1u);
    EXPECT_EQ(wmi.connects[0].ns, L"ROOT\\WMI");
    EXPECT_TRUE(wmi.connects[0].onlyNamespaceGiven);
    EXPECT_EQ(wmi.connects[0].securityFlags, 0);
    EXPECT_EQ(wmi.releases, Releases({{"locator", -1}}));
    EXPECT_EQ(wmi.LocatorRefs(), 0);
    EXPECT_EQ(wmi.ServicesRefs(), 0);
    EXPECT_TRUE(wmi.blankets.empty());
    EXPECT_EQ(wmi.creates.size(), 1u);
    EXPECT_EQ(m_watch.Alive(), 0);
    EXPECT_EQ(run.probe, S_OK);
    EXPECT_EQ(run.output, "");
}

TEST_F(SubscribeTest, AuthenticationNotSetGivesFiveAndReleasesServicesThenLocator)
{
    const FakeResults cases[] = {
        Failing(&FakeResults::setBlanket, E_ACCESSDENIED),
        WithoutClientSecurity(),
    };
    for (const FakeResults& results : cases) {
        FakeWmi wmi(results);
        const SubscribeRun run = SubscribeOnFreshThread();

        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, kBrightnessProxyBlanketFailed);
        EXPECT_EQ(wmi.releases, Releases({{"services", -1}, {"locator", -1}}));
        EXPECT_EQ(wmi.LocatorRefs(), 0);
        EXPECT_EQ(wmi.ServicesRefs(), 0);
        EXPECT_EQ(wmi.creates.size(), 1u); // no unsecured apartment
        EXPECT_EQ(m_watch.Alive(), 0);
        EXPECT_EQ(run.probe, S_OK);
        EXPECT_EQ(run.output, "");
    }
}

TEST_F(SubscribeTest, ProxyBlanketIsWindowsAuthenticationPerCallWithImpersonation)
{
    FakeWmi wmi(Failing(&FakeResults::setBlanket, E_ACCESSDENIED));
    SubscribeOnFreshThread();

    ASSERT_EQ(wmi.blankets.size(), 1u);
    const BlanketCall& b = wmi.blankets[0];
    EXPECT_EQ(b.proxy, wmi.ServicesIdentity());
    EXPECT_EQ(b.authnService, static_cast<DWORD>(RPC_C_AUTHN_WINNT));
    EXPECT_EQ(b.authzService, static_cast<DWORD>(RPC_C_AUTHZ_NONE));
    EXPECT_TRUE(b.principalNull);
    EXPECT_EQ(b.authnLevel, static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CALL));
    EXPECT_EQ(b.impLevel, static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_TRUE(b.authInfoNull);
    EXPECT_EQ(b.capabilities, static_cast<DWORD>(EOAC_NONE));
}

TEST_F(SubscribeTest, RegisteredQueryGivesZeroAndLeavesTheSinkWithTheService)
{
    FakeWmi wmi(FakeResults{});
    const SubscribeRun run = SubscribeOnFreshThread();

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, kBrightnessSubscribed);
    ASSERT_EQ(wmi.creates.size(), 2u);
    EXPECT_TRUE(IsEqualGUID(wmi.creates[1].clsid, CLSID_UnsecuredApartment));
    EXPECT_EQ(wmi.creates[1].outer, nullptr);
    EXPECT_EQ(wmi.creates[1].context, static_cast<DWORD>(CLSCTX_LOCAL_SERVER));
    EXPECT_TRUE(IsEqualGUID(wmi.creates[1].iid, IID_IUnsecuredApartment));
    ASSERT_EQ(wmi.stubbedObjects.size(), 1u);
    EXPECT_NE(wmi.stubbedObjects[0], nullptr);

    ASSERT_EQ(wmi.queries.size(), 1u);
    EXPECT_EQ(wmi.queries[0].language, L"WQL");
    EXPECT_EQ(wmi.queries[0].query, L"SELECT * FROM WmiMonitorBrightnessEvent");
    EXPECT_EQ(wmi.queries[0].flags, WBEM_FLAG_SEND_STATUS);
    EXPECT_TRUE(wmi.queries[0].contextNull);
    EXPECT_EQ(wmi.queries[0].handler, wmi.Handler());

    // The setup's own sink reference goes between the stub and the stub sink.
    EXPECT_EQ(wmi.releases,
              Releases({{"apartment", 2}, {"stub", 2}, {"stubSink", 1}, {"services", 1}, {"locator", 1}}));
    EXPECT_EQ(wmi.LocatorRefs(), 0);
    EXPECT_EQ(wmi.ServicesRefs(), 0);
    EXPECT_EQ(wmi.ApartmentRefs(), 0);
    EXPECT_EQ(wmi.LiveStubObjects(), 2);
    EXPECT_EQ(m_watch.Alive(), 1);
    EXPECT_TRUE(m_watch.Destroyed().empty());
    EXPECT_EQ(run.probe, S_FALSE);
    EXPECT_EQ(run.output, "");

    // Events reach the window through the handler the service kept.
    RecordingWindow window(false);
    SetBrightnessEventTarget(window.Handle());
    FakeEventObject event(70);
    IWbemClassObject* batch[] = {&event};
    StdoutCapture capture;
    ASSERT_TRUE(capture.IsActive());
    wmi.Handler()->Indicate(1, batch);
    wmi.Handler()->SetStatus(WBEM_STATUS_COMPLETE, 0, nullptr, nullptr);
    const std::string out = capture.Finish();
    ASSERT_EQ(window.Received().size(), 1u);
    EXPECT_EQ(window.Received()[0].wParam, 70u);
    EXPECT_EQ(out, "Event occurred the Value = 70\r\nCall complete. hResult = 0x0\r\n");

    // When the service lets go, the stub and then the sink go with it.
    wmi.DropHandler();
    EXPECT_EQ(wmi.LiveStubObjects(), 0);
    EXPECT_EQ(m_watch.Alive(), 0);
    ASSERT_EQ(m_watch.Destroyed().size(), 1u);
    EXPECT_TRUE(m_watch.Destroyed()[0].isDone);
}

TEST_F(SubscribeTest, RefusedQueryGivesOnePrintsAndReleasesInOrder)
{
    FakeWmi wmi(Failing(&FakeResults::execQuery, static_cast<HRESULT>(WBEM_E_INVALID_CLASS)));
    const SubscribeRun run = SubscribeOnFreshThread();

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, kBrightnessQueryRefused);
    EXPECT_EQ(wmi.queries.size(), 1u);
    EXPECT_EQ(run.output, "ExecNotificationQueryAsync failed with = 0x80041010\r\n");
    EXPECT_EQ(wmi.releases,
              Releases({{"services", 2}, {"locator", 2}, {"apartment", 2}, {"stub", 2}, {"stubSink", 1}}));
    EXPECT_EQ(wmi.LocatorRefs(), 0);
    EXPECT_EQ(wmi.ServicesRefs(), 0);
    EXPECT_EQ(wmi.ApartmentRefs(), 0);
    // The sink goes as soon as the stub lets go of it.
    EXPECT_EQ(wmi.LiveStubObjects(), 0);
    EXPECT_EQ(m_watch.Alive(), 0);
    ASSERT_EQ(m_watch.Destroyed().size(), 1u);
    EXPECT_TRUE(m_watch.Destroyed()[0].isDone);
    EXPECT_EQ(run.probe, S_OK);
}

// Without a stub sink the query is not made; whatever was obtained is
// released and the failed step's output is never touched.
TEST_F(SubscribeTest, NoStubSinkSkipsTheQueryAndGivesOne)
{
    const struct
    {
        const char* step;
        FakeResults results;
        size_t stubbed;
        std::vector<ReleaseEntry> releases;
    } cases[] = {
        {"unsecured apartment",
         Failing(&FakeResults::createApartment, REGDB_E_CLASSNOTREG),
         0,
         {{"services", -1}, {"locator", -1}}},
        {"object stub",
         Failing(&FakeResults::createStub, E_OUTOFMEMORY),
         1,
         {{"services", -1}, {"locator", -1}, {"apartment", -1}}},
        {"stub sink",
         Failing(&FakeResults::stubQuery, E_NOINTERFACE),
         1,
         {{"services", 2}, {"locator", 2}, {"apartment", 2}, {"stub", 2}}},
    };
    for (const auto& c : cases) {
        SinkWatch watch;
        FakeWmi wmi(c.results);
        const SubscribeRun run = SubscribeOnFreshThread();

        ASSERT_TRUE(run.finished) << c.step;
        EXPECT_EQ(run.status, kBrightnessQueryRefused) << c.step;
        EXPECT_EQ(wmi.creates.size(), 2u) << c.step;
        EXPECT_EQ(wmi.stubbedObjects.size(), c.stubbed) << c.step;
        EXPECT_TRUE(wmi.queries.empty()) << c.step;
        EXPECT_EQ(wmi.releases, c.releases) << c.step;
        EXPECT_EQ(wmi.LocatorRefs(), 0) << c.step;
        EXPECT_EQ(wmi.ServicesRefs(), 0) << c.step;
        EXPECT_EQ(wmi.ApartmentRefs(), 0) << c.step;
        EXPECT_EQ(wmi.LiveStubObjects(), 0) << c.step;
        EXPECT_EQ(watch.Alive(), 0) << c.step;
        EXPECT_EQ(watch.Destroyed().size(), 1u) << c.step;
        EXPECT_EQ(run.probe, S_OK) << c.step;
        EXPECT_EQ(run.output, "") << c.step;
    }
}

TEST_F(SubscribeTest, CallerInSingleThreadedApartmentGetsEveryStepAndKeepsItsApartment)
{
    FakeWmi wmi(FakeResults{});
    const SubscribeRun run = SubscribeOnFreshThread(Apartment::SingleThreaded);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, kBrightnessSubscribed);
    EXPECT_EQ(wmi.creates.size(), 2u);
    EXPECT_EQ(wmi.blankets.size(), 1u);
    EXPECT_EQ(wmi.queries.size(), 1u);
    EXPECT_EQ(run.probe, S_FALSE);
    wmi.DropHandler();
    EXPECT_EQ(m_watch.Alive(), 0);
}

// A failed subscription undoes its own COM initialisation only: a caller's
// apartment, of either model, is still there afterwards.
TEST_F(SubscribeTest, FailureLeavesTheCallersApartment)
{
    for (Apartment before : {Apartment::SingleThreaded, Apartment::MultiThreaded}) {
        FakeWmi wmi(Failing(&FakeResults::createLocator, REGDB_E_CLASSNOTREG));
        const SubscribeRun run = SubscribeOnFreshThread(before);

        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, kBrightnessLocatorFailed);
        EXPECT_EQ(run.probe, S_FALSE) << static_cast<int>(before);
    }
}

// True when this system registers the unsecured apartment (Windows does,
// Wine does not); asked on a thread of its own.
bool SystemHasUnsecuredApartment()
{
    bool present = false;
    std::thread probe([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        IUnsecuredApartment* apartment = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_UnsecuredApartment, nullptr, CLSCTX_LOCAL_SERVER,
                                       IID_IUnsecuredApartment, reinterpret_cast<void**>(&apartment))) &&
            apartment) {
            present = true;
            apartment->Release();
        }
        CoUninitialize();
    });
    probe.join();
    return present;
}

// The system's own WMI through the real CoCreateInstance; the system decides
// the road. Without an unsecured apartment no query may be made: status 1,
// no text, the sink made and freed, COM left as the thread had it. With one,
// the query is registered and COM stays initialised for it, or a refused
// query leaves nothing behind either.
TEST_F(SubscribeTest, SystemWmiSubscribesOnlyThroughAnUnsecuredApartment)
{
    const bool apartment = SystemHasUnsecuredApartment();
    const SubscribeRun run = SubscribeOnFreshThread();

    ASSERT_TRUE(run.finished);
    if (!apartment) {
        EXPECT_EQ(run.status, kBrightnessQueryRefused) << "no query without the apartment's stub sink";
        EXPECT_EQ(run.output, "");
    } else {
        EXPECT_TRUE(run.status == kBrightnessSubscribed || run.status == kBrightnessQueryRefused)
            << run.status;
    }
    if (run.status == kBrightnessSubscribed) {
        EXPECT_EQ(run.probe, S_FALSE) << "COM stays initialised for the registered query";
        return;
    }
    EXPECT_EQ(m_watch.Alive(), 0);
    ASSERT_EQ(m_watch.Destroyed().size(), 1u);
    EXPECT_TRUE(m_watch.Destroyed()[0].isDone);
    EXPECT_EQ(run.probe, S_OK);
}

} // namespace
