#pragma once

// The main window with emulated devices behind the real HID path, driven as a user drives it: mouse clicks and typed
// keys on the controls of a device page, found by name.
#include "app/MainWindowTestSupport.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/Paths.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan::test {

class PanelWindowTest : public ::testing::Test {
protected:
    // Generous: a loaded machine (the sanitizer builds run the tests two at a time) connects slowly.
    static constexpr int kPlugWaitMs = 15000;

    explicit PanelWindowTest(int frontKind) : frontKind_(frontKind) {}

    // The data folder, the program folder (a copy of the factory files when a test may change them, else the source
    // tree's) and the started window. Call through ASSERT_NO_FATAL_FAILURE.
    void startWindow(bool copyFactoryFiles) {
        ASSERT_TRUE(dataDir.isValid());
        if (copyFactoryFiles)
            std::filesystem::copy(env("PELAN_SOURCE_DIR").toStdString() + "/DefaultData",
                                  programDir.file("DefaultData"), std::filesystem::copy_options::recursive);
        setDataFolderOverride(dataDir.path().toStdString());
        setProgramFolderOverride(copyFactoryFiles ? programDir.path() : env("PELAN_SOURCE_DIR").toStdString());
        window = createMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitFor([&] { return window->IsStarted() && window->GetHWND()->isVisible(); }));
    }
    // Plugs an emulated device and waits until its page is in front.
    void plugAndWaitInFront(std::shared_ptr<emu::FirmwareDevice> device) {
        ASSERT_GT(emulated.tree().plug(std::move(device)), 0);
        ASSERT_TRUE(waitFor([&] { return page() != nullptr && window->GetSelectedPage() == page(); }, kPlugWaitMs));
    }
    // Typed keys reach an edit only in the active window, and activation arrives later than the call.
    void activateWindow() {
        window->GetHWND()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window->GetHWND()));
    }
    // Answers the next message window, once it shows, with a click on `button` ("confirm_btn", "cancel_btn"); its
    // text is added to `shownMessages`.
    void answerNextMessage(const char* button) {
        messageWatch.stop();
        messageWatch.disconnect();
        QObject::connect(&messageWatch, &QTimer::timeout, [this, button] {
            CPaintManagerUI* shown = CPaintManagerUI::GetPaintManager("MsgWnd");
            if (shown == nullptr)
                return;
            messageWatch.stop();
            shownMessages.append(shown->FindControl("MessageText")->GetText());
            CControlUI* target = shown->FindControl(button);
            QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
        });
        messageWatch.start(10);
    }
    void TearDown() override {
        messageWatch.stop();
        destroyMainWindow(window);
        setDataFolderOverride("");
        setProgramFolderOverride("");
    }

    // The page of a kind; null until a device of that kind has had one made.
    CVeltraUSBDevice* page(int kind) const {
        const CMainWnd::DevicePage* entry = window->FindPageOfKind(kind);
        return entry != nullptr ? entry->page : nullptr;
    }
    CVeltraUSBDevice* page() const { return page(frontKind_); }
    template <typename T = CControlUI>
    T* control(int kind, const QString& name) const {
        return dynamic_cast<T*>(page(kind)->FindSubControl(name));
    }
    template <typename T = CControlUI>
    T* control(const QString& name) const {
        return control<T>(frontKind_, name);
    }
    void clickControl(CControlUI* target, const QString& what, Qt::MouseButton button = Qt::LeftButton) {
        ASSERT_NE(target, nullptr) << what.toStdString();
        ASSERT_TRUE(target->isVisible()) << what.toStdString();
        QTest::mouseClick(target, button, {}, centerOf(target));
    }
    void click(int kind, const QString& name) { clickControl(control(kind, name), name); }
    // Chooses an item from a combo's list as the user does.
    void pickItem(int kind, const char* comboName, int index) {
        auto* combo = control<CComboUI>(kind, comboName);
        clickControl(combo, comboName);
        auto* menu = combo->findChild<QMenu*>("combo_popup");
        ASSERT_NE(menu, nullptr);
        const QString wanted = combo->GetItemAt(index)->GetText();
        for (QAction* action : menu->actions()) {
            if (action->text() != wanted)
                continue;
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            ASSERT_TRUE(waitFor([&] { return combo->GetCurSel() == index; })) << index;
            return;
        }
        FAIL() << comboName << " item " << index << " not offered";
    }
    // Closes the window and starts it again over the same folders and devices.
    void restartWindow() {
        destroyMainWindow(window);
        window = createMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitFor([&] { return window->IsStarted() && window->GetHWND()->isVisible(); }));
    }
    void click(const QString& name) { click(frontKind_, name); }
    // Types into an edit as a user does: clicks into it, selects all, deletes, types, and leaves it with `leave`
    // (Tab, or Return). An empty text clears it.
    void type(int kind, const char* name, const QString& text, Qt::Key leave = Qt::Key_Tab) {
        auto* edit = control<CEditUI>(kind, name);
        ASSERT_NE(edit, nullptr) << name;
        QLineEdit* line = edit->GetLineEdit();
        // The offscreen platform does not give the window its activation back when a popup menu closes.
        if (!window->GetHWND()->isActiveWindow()) {
            ASSERT_NO_FATAL_FAILURE(activateWindow());
        }
        QTest::mouseClick(line, Qt::LeftButton, {}, line->rect().center());
        ASSERT_TRUE(line->hasFocus()) << name;
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(line, Qt::Key_Delete);
        QTest::keyClicks(line, text);
        QTest::keyClick(line, leave);
    }
    // Opens a combo box's list and picks the item shown with this language key's text.
    void choose(int kind, const QString& combo, const QString& textKey) {
        click(kind, combo);
        auto* menu = control(kind, combo)->findChild<QMenu*>("combo_popup");
        ASSERT_NE(menu, nullptr);
        const QString text = CResourceManager::GetInstance()->GetText(textKey);
        for (QAction* action : menu->actions())
            if (action->text() == text) {
                action->trigger();
                menu->close();
                return;
            }
        FAIL() << "no item " << textKey.toStdString() << " in " << combo.toStdString();
    }
    void choose(const QString& combo, const QString& textKey) { choose(frontKind_, combo, textKey); }
    void type(const char* name, const QString& text, Qt::Key leave = Qt::Key_Tab) {
        type(frontKind_, name, text, leave);
    }

    QTemporaryDir dataDir;
    testing::TempFolder programDir;
    EmulatedTree emulated;
    std::unique_ptr<CMainWnd> window;
    QTimer messageWatch;
    QStringList shownMessages;

private:
    int frontKind_;
};

} // namespace pelan::test
