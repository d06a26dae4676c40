// The single-instance guard and the ways the program ends.
#include "KorvaneTest.h"

#include "Files.h"
#include "Tray.h"

namespace e2e {
namespace {

class Instance : public KorvaneTest
{};

// A second notebook folder on the first one's firmware pipe, so that its
// firmware commands land in the same log while its driver calls and GPU state
// stay apart.
class SecondInstance
{
public:
    SecondInstance(const std::wstring& folder, const drive::Notebook& first)
        : m_notebook(folder, first.Setup(), first.PipeName())
    {}
    ~SecondInstance() { drive::RemoveFolder(m_notebook.Folder()); }
    drive::Notebook& Notebook() { return m_notebook; }

private:
    drive::Notebook m_notebook;
};

TEST_F(Instance, SecondInstanceEndsSilentlyAndTheFirstKeepsRunning)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    const int iconsBefore = drive::TrayIconCount();
    SecondInstance second(FolderFor(L"-second"), *notebook);
    std::string error;
    ASSERT_TRUE(second.Notebook().Prepare(&error)) << error;

    Mark();
    drive::ChildProcess process;
    ASSERT_NO_FATAL_FAILURE(Launch(second.Notebook(), &process));
    DWORD status = 1;
    ASSERT_TRUE(process.WaitForExit(20000, &status)) << "the second instance keeps running";
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(CommandsSinceMark(), Commands()) << "no firmware command";
    EXPECT_EQ(SubscriptionsSinceMark(), 0) << "no event subscription";
    EXPECT_TRUE(second.Notebook().NvapiCalls().empty()) << "no driver call";
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore) << "no second icon";

    EXPECT_TRUE(korvane.IsRunning());
    ASSERT_TRUE(SendCommand(drive::kMenuDisable)) << "the first one still answers";
    EXPECT_EQ(CommandsSinceMark(), drive::ClockOperation(0));
}

TEST_F(Instance, TwoInstancesStartedTogetherLeaveExactlyOne)
{
    notebook = std::make_unique<drive::Notebook>(FolderFor(), setup);
    std::string error;
    ASSERT_TRUE(notebook->Prepare(&error)) << error;
    ASSERT_TRUE(notebook->StartFirmware());
    SecondInstance second(FolderFor(L"-second"), *notebook);
    ASSERT_TRUE(second.Notebook().Prepare(&error)) << error;
    const int iconsBefore = drive::TrayIconCount();

    drive::ChildProcess other;
    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    ASSERT_NO_FATAL_FAILURE(Launch(second.Notebook(), &other));
    HANDLE both[] = {korvane.Handle(), other.Handle()};
    DWORD ended = WaitForMultipleObjects(2, both, FALSE, 20000);
    ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1) << "neither instance ended";

    drive::ChildProcess& survivor = ended == WAIT_OBJECT_0 ? other : korvane;
    drive::Notebook& survivorNotebook = ended == WAIT_OBJECT_0 ? second.Notebook() : *notebook;
    drive::Notebook& endedNotebook = ended == WAIT_OBJECT_0 ? *notebook : second.Notebook();
    main = drive::WaitForMainWindow(survivor.ProcessId(), 20000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForCommands(4));
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_TRUE(survivor.IsRunning());

    std::vector<std::string> log;
    ASSERT_TRUE(notebook->FirmwareLog(&log));
    EXPECT_EQ(drive::CommandsFrom(log, 0), StartupCommands(1)) << "one start-up only";
    EXPECT_EQ(drive::SubscriptionsFrom(log, 0), 1);
    EXPECT_TRUE(endedNotebook.NvapiCalls().empty()) << "the ended one called no driver";
    EXPECT_EQ(survivorNotebook.ClockMode(), "overclocked");
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore + 1) << "one icon";

    // The survivor ends normally (and TearDown has nothing left to do).
    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD status = 1;
    EXPECT_TRUE(survivor.WaitForExit(15000, &status));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(survivorNotebook.ClockMode(), "default");
}

TEST_F(Instance, WmCloseRestoresThreeTimesEndsAndReleasesTheMutex)
{
    ASSERT_NO_FATAL_FAILURE(StartNotebook());
    const int iconsBefore = drive::TrayIconCount();
    Mark();
    EXPECT_EQ(CloseKorvane(), 0);
    EXPECT_EQ(CommandsSinceMark(),
              drive::Concat({drive::ClockOperation(0), drive::ClockOperation(0), drive::ClockOperation(0)}))
        << "OnClose, the Exit button's handler, OnDestroy";
    EXPECT_EQ(ClockCallsSinceMark(), drive::Concat({NvRestoreCalls(), NvRestoreCalls(), NvRestoreCalls()}));
    EXPECT_EQ(notebook->ClockMode(), "default");
    EXPECT_EQ(drive::TrayIconCount(), iconsBefore - 1);

    Mark();
    ASSERT_NO_FATAL_FAILURE(Launch(*notebook, &korvane));
    main = drive::WaitForMainWindow(korvane.ProcessId(), 20000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForCommands(4)) << "a new instance starts in full";
    ASSERT_TRUE(drive::Settle(main));
    EXPECT_EQ(CommandsSinceMark(), StartupCommands(1));
}

} // namespace
} // namespace e2e
