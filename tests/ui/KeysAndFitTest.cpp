// The keyboard in a dialog (Tab, Space, Return, Escape, the visible focus), the maximise and restore buttons, and
// layouts that make room for their texts.
#include "UiTestSupport.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace pelan {
namespace {

class DialogWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return "DialogWnd"; }
    QString GetSkinFile() override {
        return R"(<Window size="300,200" caption="0,0,0,30" defaultbutton="ok" cancelbutton="cancel">
            <VerticalLayout name="root">
                <HorizontalLayout height="30"><Control/>
                    <Button name="maxbtn" width="30"/><Button name="restorebtn" width="30" visible="false"/>
                </HorizontalLayout>
                <Edit name="edit" height="30"/>
                <CheckBox name="check" height="30" text="Check"/>
                <Button name="ok" height="30" text="OK"/>
                <Button name="cancel" height="30" text="Cancel"/>
            </VerticalLayout></Window>)";
    }
    void Notify(TNotifyUI& msg) override {
        if (msg.sType == DUI_MSGTYPE_CLICK || msg.sType == DUI_MSGTYPE_RETURN)
            events << msg.pSender->GetName() + ":" + msg.sType;
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == "maxbtn")
            SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == "restorebtn")
            SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        WindowImplBase::Notify(msg);
    }
    template <typename T = CControlUI>
    T* find(const char* name) {
        return dynamic_cast<T*>(m_pm.FindControl(name));
    }
    QStringList events;
};

struct Dialog : ::testing::Test {
    void SetUp() override {
        test::app();
        window = std::make_unique<DialogWnd>();
        ASSERT_NE(window->Create(static_cast<QWidget*>(nullptr), "dialog", 0x10000000, 0), nullptr);
        window->GetHWND()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window->GetHWND()));
    }
    void TearDown() override {
        if (window->GetHWND() != nullptr)
            window->DestroyWindow();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    std::unique_ptr<DialogWnd> window;
};

TEST_F(Dialog, ReturnPressesTheDefaultButtonSpaceTogglesEscapeCancels) {
    // The focus starts on the default button, with a ring that shows it.
    auto* ok = window->find("ok");
    ASSERT_EQ(focused(), ok);
    const QImage ringed = ok->grab().toImage();
    window->find("cancel")->SetFocus();
    EXPECT_NE(ok->grab().toImage(), ringed);

    // Tab and Shift+Tab move in reading order.
    window->find("check")->SetFocus();
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), ok);
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), window->find("check"));

    // Return on a check box leaves it alone and presses the default button; Space toggles it.
    auto* check = window->find<CCheckBoxUI>("check");
    QTest::keyClick(check, Qt::Key_Return);
    EXPECT_FALSE(check->IsSelected());
    EXPECT_EQ(window->events, QStringList{"ok:click"});
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_TRUE(check->IsSelected());

    // Return in an edit commits it and presses the default button; Escape anywhere presses Cancel.
    window->events.clear();
    QLineEdit* line = window->find<CEditUI>("edit")->GetLineEdit();
    line->setFocus();
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(window->events, (QStringList{"edit:return", "ok:click"}));
    window->events.clear();
    QTest::keyClick(line, Qt::Key_Escape);
    QTest::keyClick(check, Qt::Key_Escape);
    EXPECT_EQ(window->events, (QStringList{"cancel:click", "cancel:click"}));
}

TEST_F(Dialog, TheRestoreButtonShowsWhileMaximisedAndACaptionDoubleClickToggles) {
    auto* maximize = window->find("maxbtn");
    auto* restore = window->find("restorebtn");
    QTest::mouseClick(maximize, Qt::LeftButton, {}, test::centerOf(maximize));
    ASSERT_TRUE(test::waitFor([&] { return window->GetHWND()->isMaximized(); }));
    EXPECT_TRUE(restore->isVisible());
    EXPECT_FALSE(maximize->isVisible());
    QTest::mouseClick(restore, Qt::LeftButton, {}, test::centerOf(restore));
    ASSERT_TRUE(test::waitFor([&] { return !window->GetHWND()->isMaximized(); }));
    EXPECT_TRUE(maximize->isVisible());
    EXPECT_FALSE(restore->isVisible());

    QWidget* root = window->GetPaintManager()->GetRoot();
    QTest::mouseDClick(root, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(test::waitFor([&] { return window->GetHWND()->isMaximized(); }));
    QTest::mouseDClick(root, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(test::waitFor([&] { return !window->GetHWND()->isMaximized(); }));
}

// A fixed width too small for its text grows, a shared width never falls below its text, a layout is as tall as
// its rows need, and a label that elides shows its whole text as the tooltip.
TEST(LayoutFit, ControlsMakeRoomForTheirTexts) {
    test::HostedTree tree(R"(<VerticalLayout>
        <HorizontalLayout name="row" height="30">
            <Label name="fixed" width="20" text="A rather long caption"/>
            <Label name="shared" text="Another long caption here"/>
            <Control/><Control/><Control/>
        </HorizontalLayout>
        <VerticalLayout name="rows"><Label height="30" text="one"/><Label height="30" text="two"/></VerticalLayout>
        <Control/><Control/><Control/><Control/>
        <Label name="short" width="30" endellipsis="true" text="Shortened caption"/>
        </VerticalLayout>)",
                          nullptr, {600, 400});
    auto* fixed = tree.find<CLabelUI>("fixed");
    auto* shared = tree.find<CLabelUI>("shared");
    EXPECT_GE(fixed->width(), fixed->TextSize(0).width());
    EXPECT_GT(fixed->TextSize(0).width(), 20);
    EXPECT_GE(shared->width(), shared->TextSize(0).width());
    EXPECT_GE(tree.find<CControlUI>("rows")->height(), 60);
    auto* shortened = tree.find<CLabelUI>("short");
    EXPECT_EQ(shortened->width(), 30);
    shortened->grab();
    EXPECT_EQ(shortened->toolTip(), "Shortened caption");
}

} // namespace
} // namespace pelan
