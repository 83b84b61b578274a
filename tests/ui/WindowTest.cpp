// Message-driven windows: SendMessage across threads, posting, registered ids, modal windows, window timers, menus,
// the tray icon and the skin subject.
#include "UiTestSupport.h"

#include <QMenu>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace pelan {
namespace {

constexpr UINT kTestMessage = WM_USER + 77;

class RecordingWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return "RecordingWnd"; }
    QString GetSkinFile() override {
        return R"(<Window size="300,200"><VerticalLayout name="root"><Button name="ok" height="30"/></VerticalLayout></Window>)";
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        handled = true;
        if (uMsg == kTestMessage) {
            handledOnUiThread = QThread::currentThread() == qApp->thread();
            handled_count.fetch_add(1);
            return static_cast<LRESULT>(wParam + static_cast<WPARAM>(lParam));
        }
        if (uMsg == WM_TIMER) {
            timerIds.push_back(static_cast<UINT>(wParam));
            KillTimer(static_cast<UINT>(wParam));
            return 0;
        }
        if (uMsg == WM_MENUCLICK) {
            menuNames.append(reinterpret_cast<const MenuCmd*>(wParam)->szName);
            return 0;
        }
        if (uMsg == UIMSG_TRAYICON) {
            trayClicks.push_back(lParam);
            return 0;
        }
        handled = false;
        return 0;
    }
    void Notify(TNotifyUI& msg) override {
        notifications.append(msg.sType);
        WindowImplBase::Notify(msg);
    }
    std::atomic<int> handled_count{0};
    std::atomic<bool> handledOnUiThread{false};
    std::vector<UINT> timerIds;
    QStringList menuNames;
    std::vector<LPARAM> trayClicks;
    QStringList notifications;
};

TEST(WindowMessages, WorkerSendMessageBlocksUntilTheUiThreadHandledIt) {
    test::app();
    RecordingWnd window;
    ASSERT_NE(window.Create(static_cast<QWidget*>(nullptr), "recording"), nullptr);
    std::atomic<bool> done{false};
    std::atomic<int> seenAfterReturn{-1};
    std::atomic<LRESULT> result{0};
    std::thread worker([&] {
        result = window.SendMessage(kTestMessage, 40, 2);
        seenAfterReturn = window.handled_count.load();
        done = true;
    });
    ASSERT_TRUE(test::waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(seenAfterReturn.load(), 1);
    EXPECT_TRUE(window.handledOnUiThread.load());

    // On the UI thread the message is handled before SendMessage returns, without the event loop.
    EXPECT_EQ(window.SendMessage(kTestMessage, 1, 1), 2);
    EXPECT_EQ(window.handled_count.load(), 2);
    window.DestroyWindow();
}

TEST(WindowMessages, PostedMessagesWaitForTheEventLoop) {
    test::app();
    RecordingWnd window;
    window.Create(static_cast<QWidget*>(nullptr), "recording");
    window.PostMessage(kTestMessage, 1, 2);
    std::thread worker([&] { window.PostMessage(kTestMessage, 3, 4); });
    worker.join();
    EXPECT_EQ(window.handled_count.load(), 0);
    ASSERT_TRUE(test::waitFor([&] { return window.handled_count.load() == 2; }));
    window.DestroyWindow();
}

TEST(WindowMessages, RegisteredIdsAreStablePerNameAndDistinct) {
    const UINT a = RegisterWindowMessage("{test-name-a}");
    const UINT b = RegisterWindowMessage("{test-name-b}");
    EXPECT_GE(a, kFirstRegisteredMessage);
    EXPECT_NE(a, b);
    std::atomic<UINT> fromThread{0};
    std::thread([&] { fromThread = RegisterWindowMessage("{test-name-a}"); }).join();
    EXPECT_EQ(fromThread.load(), a);
}

TEST(WindowMessages, WindowTimersArriveAsWmTimer) {
    test::app();
    RecordingWnd window;
    window.Create(static_cast<QWidget*>(nullptr), "recording");
    window.SetTimer(1011, 5);
    ASSERT_TRUE(test::waitFor([&] { return !window.timerIds.empty(); }));
    QTest::qWait(30);
    EXPECT_EQ(window.timerIds, std::vector<UINT>{1011}); // killed in its handler, so once
    window.DestroyWindow();
}

TEST(Windows, LayoutSizeWindowInitAndCloseCodeOfAModalWindow) {
    test::app();
    auto* window = new RecordingWnd();
    window->Create(static_cast<QWidget*>(nullptr), "modal");
    EXPECT_EQ(window->GetHWND()->size(), QSize(300, 200));
    EXPECT_EQ(window->GetHWND()->objectName(), "RecordingWnd");

    QTimer::singleShot(0, [window] {
        EXPECT_TRUE(window->notifications.contains("windowinit"));
        window->ResizeClient(320, 240);
        EXPECT_TRUE(window->notifications.contains("windowsize"));
        EXPECT_EQ(window->GetPaintManager()->GetRoot()->size(), QSize(320, 240));
        auto* ok = window->GetPaintManager()->FindControl("ok");
        QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
        EXPECT_TRUE(window->notifications.contains("click"));
        window->Close(5);
    });
    EXPECT_EQ(window->ShowModal(), 5u);
    EXPECT_EQ(window->GetHWND(), nullptr);
    delete window;
}

TEST(Menus, ClickPostsTheItemRecordToTheOwner) {
    test::app();
    RecordingWnd window;
    window.Create(static_cast<QWidget*>(nullptr), "owner");
    CMenuWnd menu;
    ASSERT_TRUE(menu.Init(&window, R"(<Menu><MenuElement name="show" text="Show"/><MenuElement name="exit" text="Exit"
                                       userdata="u1" checked="true"/></Menu>)",
                          QPoint(10, 10)));
    ASSERT_EQ(menu.GetItems().size(), 2);
    EXPECT_EQ(menu.GetItems()[1].szUserData, "u1");
    EXPECT_TRUE(menu.GetItems()[1].bChecked);
    EXPECT_TRUE(menu.ClickItem("exit"));
    EXPECT_FALSE(menu.ClickItem("nothing"));
    ASSERT_TRUE(test::waitFor([&] { return !window.menuNames.isEmpty(); }));
    EXPECT_EQ(window.menuNames, QStringList{"exit"});
    EXPECT_FALSE(menu.Init(&window, "missing_menu.xml", QPoint()));
    window.DestroyWindow();
}

TEST(TrayIcon, ClicksArriveAsTheTrayMessage) {
    test::app();
    RecordingWnd window;
    window.Create(static_cast<QWidget*>(nullptr), "owner");
    CTrayIcon tray;
    tray.CreateTrayIcon(&window, 107, QIcon(), "tip");
    EXPECT_EQ(tray.GetTooltipText(), "tip");
    tray.ReportClick(WM_LBUTTONUP);
    tray.ReportClick(WM_RBUTTONUP);
    ASSERT_TRUE(test::waitFor([&] { return window.trayClicks.size() == 2; }));
    EXPECT_EQ(window.trayClicks, (std::vector<LPARAM>{WM_LBUTTONUP, WM_RBUTTONUP}));
    tray.DeleteTrayIcon();
    EXPECT_FALSE(tray.IsCreated());
    window.DestroyWindow();
}

struct Background {
    bool colour;
    DWORD argb;
};

struct BackgroundReceiver : ReceiverImpl<int, Background> {
    int Receive(Background param) override {
        received.push_back(param.argb);
        return 1;
    }
    std::vector<DWORD> received;
};

TEST(SkinSubject, ReceiversGetBroadcastsAndLeaveWhenDestroyed) {
    ObserverImpl<int, Background> subject;
    BackgroundReceiver first;
    first.AddObserver(&subject);
    {
        BackgroundReceiver second;
        second.AddObserver(&subject);
        EXPECT_EQ(subject.Broadcast({true, 0xFF000001}), 1);
        EXPECT_EQ(second.received.size(), 1u);
    }
    EXPECT_EQ(subject.ReceiverCount(), 1u);
    subject.Broadcast({true, 0xFF000002});
    EXPECT_EQ(first.received, (std::vector<DWORD>{0xFF000001, 0xFF000002}));
}

TEST(FileDialogs, FiltersBecomeQtFilters) {
    EXPECT_EQ(ToQtFileFilter("Profile Files(*.json)"), "Profile Files (*.json)");
    EXPECT_EQ(ToQtFileFilter("Macro Files(*.mac;*.txt;)"), "Macro Files (*.mac *.txt)");
    EXPECT_EQ(ToQtFileFilter("(*.png) | *.png |(*.*)|*.*||"), "*.png (*.png);;*.* (*.*)");
}

} // namespace
} // namespace pelan
