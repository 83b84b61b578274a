// Pictures, DPI scaling, scrolling and the lifetime rules of notifications and posted messages.
#include "UiTestSupport.h"

#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using test::HostedTree;

TEST(Pictures, StretchedImagesKeepTheirCornersAndMissingOnesDrawNothing) {
    test::app();
    QTemporaryDir dir;
    // 4 x 4: a one-pixel blue frame around red.
    QImage tile(4, 4, QImage::Format_ARGB32);
    tile.fill(Qt::blue);
    for (int y = 1; y < 3; ++y) {
        for (int x = 1; x < 3; ++x)
            tile.setPixelColor(x, y, Qt::red);
    }
    ASSERT_TRUE(tile.save(dir.filePath("tile.png")));
    CPaintManagerUI::SetResourcePath(dir.path());

    QImage canvas(40, 40, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        EXPECT_TRUE(DrawImageDescription(painter, QRect(0, 0, 40, 40), "file='tile.png' corner='1,1,1,1'"));
        EXPECT_FALSE(DrawImageDescription(painter, QRect(0, 0, 40, 40), "missing.png"));
        EXPECT_FALSE(DrawImageDescription(painter, QRect(0, 0, 40, 40), ""));
    }
    EXPECT_EQ(canvas.pixelColor(0, 20), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(39, 39), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(2, 20), QColor(Qt::red)); // the frame stayed one pixel wide
    EXPECT_EQ(canvas.pixelColor(20, 20), QColor(Qt::red));

    // A part of the picture into a part of the target.
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        DrawImageDescription(painter, QRect(10, 10, 20, 20), "file='tile.png' source='1,1,3,3' dest='0,0,5,5'");
    }
    EXPECT_EQ(canvas.pixelColor(12, 12), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(16, 16).alpha(), 0);
    CPaintManagerUI::SetResourcePath(QString());
}

TEST(Scaling, ADpiChangeScalesLayoutLengthsAndFonts) {
    HostedTree tree(R"(<Window><Font id="3" size="20"/><VerticalLayout name="root" inset="10,10,10,10">
                       <Control name="bar" height="40" padding="0,6,0,0"/><Label name="text" font="3"/></VerticalLayout></Window>)",
                    nullptr, QSize(300, 300));
    EXPECT_EQ(tree.pm.FindControl("bar")->geometry(), QRect(10, 16, 280, 40));
    EXPECT_EQ(tree.pm.GetFont(3).pixelSize(), 20);
    tree.pm.SetDPI(144);
    EXPECT_EQ(tree.pm.FindControl("bar")->geometry(), QRect(15, 24, 270, 60));
    EXPECT_EQ(tree.pm.GetFont(3).pixelSize(), 30);
    EXPECT_EQ(tree.pm.GetFont(99).pixelSize(), tree.pm.GetDefaultFontInfo().pixelSize());
}

TEST(Scrolling, TheWheelOverAChildScrollsItsScrollingContainer) {
    QString rows;
    for (int i = 0; i < 10; ++i)
        rows += QString(R"(<Label name="r%1" height="40"/>)").arg(i);
    HostedTree tree(R"(<VerticalLayout name="list" vscrollbar="true">)" + rows + "</VerticalLayout>", nullptr,
                    QSize(200, 100));
    auto* list = tree.find<CVerticalLayoutUI>("list");
    EXPECT_EQ(list->GetScrollRange(), 300);
    CControlUI* row = tree.pm.FindControl("r1");
    QWheelEvent down(QPointF(5, 5), row->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    for (int i = 0; i < 20; ++i)
        QApplication::sendEvent(row, &down);
    EXPECT_EQ(list->GetScrollPos(), 300); // stops at the end
    EXPECT_EQ(tree.pm.FindControl("r9")->geometry().bottom(), 99);
    list->ScrollIntoView(tree.pm.FindControl("r0"));
    EXPECT_EQ(list->GetScrollPos(), 0);
    EXPECT_EQ(tree.pm.FindControl("r0")->geometry().top(), 0);
}

struct SelfRemovingNotifier : INotifyUI {
    CPaintManagerUI* pm = nullptr;
    int calls = 0;
    void Notify(TNotifyUI&) override {
        ++calls;
        pm->RemoveNotifier(this);
    }
};

TEST(Notifications, LateNotificationsOfADeletedControlAreDroppedAndNotifiersMayLeave) {
    HostedTree tree(R"(<VerticalLayout name="root"><Button name="doomed"/><Button name="stays"/></VerticalLayout>)");
    SelfRemovingNotifier leaving;
    leaving.pm = &tree.pm;
    tree.pm.AddNotifier(&leaving);
    tree.pm.FindControl("stays")->SendNotify("click");
    tree.pm.FindControl("stays")->SendNotify("click");
    EXPECT_EQ(leaving.calls, 1);
    EXPECT_EQ(tree.recorder.typesOf("stays").size(), 2);

    tree.recorder.clear();
    CControlUI* doomed = tree.pm.FindControl("doomed");
    doomed->SendNotify("click", 0, 0, true);
    tree.find<CVerticalLayoutUI>("root")->Remove(doomed);
    QTest::qWait(20);
    EXPECT_TRUE(tree.recorder.entries.empty());
}

TEST(Notifications, RemovingAContainerForgetsTheGroupsAndTimersBelowIt) {
    HostedTree tree(R"(<VerticalLayout name="root"><HorizontalLayout name="box"><Option name="inner" group="grp"/>
                       </HorizontalLayout><Option name="outer" group="grp"/></VerticalLayout>)");
    CControlUI* inner = tree.pm.FindControl("inner");
    inner->SetTimer(4, 1);
    tree.find<CVerticalLayoutUI>("root")->Remove(tree.pm.FindControl("box"));
    EXPECT_FALSE(tree.pm.HasTimer(inner, 4));
    EXPECT_EQ(tree.pm.GetOptionGroup("grp").size(), 1u);
    QTest::qWait(20); // the box and its option are deleted here
    tree.find<COptionUI>("outer")->Selected(true);
    EXPECT_TRUE(tree.find<COptionUI>("outer")->IsSelected());
}

class CountingWnd : public WindowImplBase {
public:
    explicit CountingWnd(int* counter) : m_counter(counter) {}
    QString GetWindowClassName() const override { return "CountingWnd"; }
    QString GetSkinFile() override { return R"(<Window size="120,80"><Control name="root"/></Window>)"; }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, bool& handled) override {
        handled = uMsg == WM_USER + 9;
        if (handled)
            ++*m_counter;
        return 0;
    }

private:
    int* m_counter;
};

TEST(WindowLifetime, MessagesPostedToADeletedWindowAreDropped) {
    test::app();
    int handled = 0;
    auto* window = new CountingWnd(&handled);
    window->Create(static_cast<QWidget*>(nullptr), "short-lived");
    window->PostMessage(WM_USER + 9);
    window->SetTimer(5, 1);
    delete window;
    QTest::qWait(30);
    EXPECT_EQ(handled, 0);
}

TEST(WindowLifetime, AChildWindowIsCentredOnItsOwner) {
    test::app();
    int handled = 0;
    CountingWnd owner(&handled);
    owner.Create(static_cast<QWidget*>(nullptr), "owner", 0, 0, 100, 100, 400, 300);
    owner.ShowWindow(true);
    CountingWnd child(&handled);
    child.Create(&owner, "child");
    child.CenterWindow();
    EXPECT_EQ(child.GetHWND()->size(), QSize(120, 80));
    const QPoint ownerCentre = owner.GetHWND()->frameGeometry().center();
    const QPoint childCentre = child.GetHWND()->frameGeometry().center();
    EXPECT_LE((ownerCentre - childCentre).manhattanLength(), 2);
    child.DestroyWindow();
    owner.DestroyWindow();
}

} // namespace
} // namespace pelan
