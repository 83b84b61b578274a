// The modal message window: close codes of its buttons, its texts and its DPI check.
#include "AppTestSupport.h"
#include "app/CMsgWnd.h"
#include "platform/Trace.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <mutex>

namespace pelan {
namespace {

// While the message window runs, finds it and hands it to `act`.
void whileShown(const std::function<void(CPaintManagerUI&)>& act) {
    QTimer::singleShot(0, [act] {
        CPaintManagerUI* pm = CPaintManagerUI::GetPaintManager("MsgWnd");
        ASSERT_NE(pm, nullptr);
        act(*pm);
    });
}

void click(CPaintManagerUI& pm, const char* name) {
    CControlUI* button = pm.FindControl(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

TEST(MessageWindow, ConfirmGivesOneCancelAndCloseGiveZero) {
    test::useSourceSkin();
    whileShown([](CPaintManagerUI& pm) { click(pm, "confirm_btn"); });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "Title", "message_text_22", 96, true, CMsgWnd::kConfirmAndCancel), 1);

    whileShown([](CPaintManagerUI& pm) { click(pm, "cancel_btn"); });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "Title", "message_text_22", 96, true, CMsgWnd::kConfirmAndCancel), 0);

    whileShown([](CPaintManagerUI& pm) { click(pm, "closebtn"); });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "plain words", 96, false, CMsgWnd::kConfirmOnly), 0);
    EXPECT_EQ(CPaintManagerUI::GetPaintManager("MsgWnd"), nullptr); // the window is gone
}

// Typed keys go to the focused control: the window's, whatever has the focus when the key comes.
QWidget* focusOf(CPaintManagerUI& pm) {
    QWidget* window = pm.GetPaintWindow();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
}

void press(CPaintManagerUI& pm, Qt::Key key) {
    QTest::keyClick(focusOf(pm), key);
}

TEST(MessageWindow, ReturnConfirmsAndEscapeCancelsOrCloses) {
    test::useSourceSkin();
    whileShown([](CPaintManagerUI& pm) {
        EXPECT_EQ(focusOf(pm), pm.FindControl("confirm_btn"));
        press(pm, Qt::Key_Return);
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_22", 96, true, CMsgWnd::kConfirmAndCancel), 1);

    whileShown([](CPaintManagerUI& pm) { press(pm, Qt::Key_Escape); });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_22", 96, true, CMsgWnd::kConfirmAndCancel), 0);

    // Without a Cancel button Escape closes the message as its close button does.
    whileShown([](CPaintManagerUI& pm) { press(pm, Qt::Key_Escape); });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_22", 96, true, CMsgWnd::kConfirmOnly), 0);
}

TEST(MessageWindow, ShowsTitleKeyTextAndOnlyTheButtonsAskedFor) {
    test::useSourceSkin();
    whileShown([](CPaintManagerUI& pm) {
        EXPECT_EQ(pm.FindControl("MessageTitle")->GetText(), "Reset");
        EXPECT_EQ(pm.FindControl("MessageText")->GetText(), "Restore the default settings?");
        EXPECT_FALSE(pm.FindControl("cancel_btn")->IsVisible());
        EXPECT_TRUE(pm.FindControl("confirm_btn")->IsVisible());
        click(pm, "confirm_btn");
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "Reset", "message_text_22", 96, true, CMsgWnd::kConfirmOnly), 1);

    whileShown([](CPaintManagerUI& pm) {
        EXPECT_EQ(pm.FindControl("MessageText")->GetText(), "message_text_22 as words");
        EXPECT_TRUE(pm.FindControl("cancel_btn")->IsVisible());
        const QString folder = test::env("PELAN_SCREENSHOT_DIR");
        if (!folder.isEmpty() && QDir().mkpath(folder)) {
            EXPECT_TRUE(pm.GetPaintWindow()->grab().save(folder + "/message_window.png"));
        }
        click(pm, "cancel_btn");
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_22 as words", 96, false, 1), 0);
}

TEST(MessageWindow, AnUnsupportedDpiIsReportedAndShownAt96) {
    test::useSourceSkin();
    std::mutex mutex;
    QStringList lines;
    const TraceSink previous = setTraceSink([&](std::string_view line) {
        std::lock_guard lock(mutex);
        lines.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    });
    int shownDpi = 0;
    whileShown([&](CPaintManagerUI& pm) {
        shownDpi = pm.GetDPI();
        click(pm, "confirm_btn");
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_7", 100, true, 0), 1);
    EXPECT_EQ(shownDpi, 96);
    EXPECT_TRUE(lines.contains("MSG_WND DPI SET ERROR"));

    lines.clear();
    QSize shownSize;
    whileShown([&](CPaintManagerUI& pm) {
        shownDpi = pm.GetDPI();
        shownSize = pm.GetPaintWindow()->size();
        click(pm, "confirm_btn");
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, "", "message_text_7", 144, true, 0), 1);
    EXPECT_EQ(shownDpi, 144);
    EXPECT_EQ(shownSize, QSize(420 * 3 / 2, 220 * 3 / 2));
    EXPECT_FALSE(lines.contains("MSG_WND DPI SET ERROR"));
    setTraceSink(previous);
}

} // namespace
} // namespace pelan
