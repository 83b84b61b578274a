// The macro editor on the mouse page of the main window, with an emulated mouse in front: clicks, typed keys and the
// action menu on controls found by name, and the macro files on disk checked after each step.
#include "PanelWindowFixture.h"
#include "device/MouseDevice.h"
#include "emulator/FirmwareDevice.h"
#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"
#include "pages/CVeltraMouseDevice.h"
#include "panels/CMacroControlUI.h"
#include "panels/MacroRoutes.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace pelan {
namespace {

class MacroPanel : public test::PanelWindowTest {
protected:
    MacroPanel() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(device));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        panel = findMacroPanel(*page());
        ASSERT_NE(panel, nullptr);
        CMacroControlUI::Prompts prompts = panel->prompts();
        prompts.message = [this](const QString& key, bool) {
            messages.append(key);
            return 1;
        };
        panel->setPrompts(prompts);
        click("macro_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return panel->isVisible(); }));
    }

    // Types into an edit and confirms it with Return.
    void enter(const char* name, const QString& text) { type(name, text, Qt::Key_Return); }
    CControlUI* row(int index) { return control<CListUI>("macro_action_list")->GetItemAt(index); }
    // Opens the action menu on the step list (below its rows, or on the text of a row) and picks an item.
    void menu(const QString& item, int onRow = -1) {
        auto* list = control<CListUI>("macro_action_list");
        if (onRow >= 0) {
            QWidget* text = row(onRow)->childAt(QPoint(12, row(onRow)->height() / 2));
            ASSERT_NE(text, nullptr);
            QTest::mouseClick(text, Qt::RightButton, {}, text->rect().center());
        } else {
            QTest::mouseClick(list, Qt::RightButton, {}, QPoint(10, list->height() - 5));
        }
        ASSERT_TRUE(test::waitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const QString text = CResourceManager::GetInstance()->GetText("menu_" + item + "_text");
        for (QAction* action : popup->actions())
            if (action->text() == text) {
                QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
                return;
            }
        FAIL() << "no menu item " << item.toStdString();
    }
    std::string folder() const { return page()->model().userDeviceFolder(); }
    std::vector<MacroEntry> macros() const { return loadMacroList(folder(), "macro.config"); }
    Json::Value events(size_t macro) const {
        return JsonFileStore::loadJsonFile(folder() + macros()[macro].guid + ".mac")["Events"];
    }

    std::shared_ptr<emu::FirmwareDevice> device{emu::makeDevice("mouse")};
    CMacroControlUI* panel = nullptr;
    QStringList messages;
};

TEST_F(MacroPanel, LeftClickOnAnEmptyListAndMovesWithCorrectedDistances) {
    click("macro_btn_name_add");
    ASSERT_EQ(macros().size(), 1u);
    menu("left_click");
    ASSERT_TRUE(test::waitFor([&] { return events(0).size() == 2; }));
    EXPECT_EQ(events(0)[0]["Action"].asString(), "down");
    EXPECT_EQ(events(0)[1]["Action"].asString(), "up");
    EXPECT_EQ(events(0)[1]["Delay"].asString(), "50");

    enter("mouse_x_left_edit", "0");
    click("macro_inset_moveleftkey_btn");
    EXPECT_EQ(control("mouse_x_left_edit")->GetText(), "1");
    ASSERT_EQ(events(0).size(), 3u);
    EXPECT_EQ(events(0)[2]["Type"].asInt(), 4);
    EXPECT_EQ(events(0)[2]["Button"].asInt(), 1);

    // up on the first row and down on the last change nothing; a delay typed into a row is stored
    clickControl(row(0), "row 0");
    click("macro_btn_up");
    clickControl(row(2), "row 2");
    click("macro_btn_down");
    EXPECT_EQ(events(0)[0]["Action"].asString(), "down");
    EXPECT_EQ(events(0)[2]["Type"].asInt(), 4);
    click("macro_btn_uptop");
    EXPECT_EQ(events(0)[0]["Type"].asInt(), 4);
    QLineEdit* delay = dynamic_cast<CEditUI*>(static_cast<CContainerUI*>(row(1))->GetItemAt(2))->GetLineEdit();
    QTest::mouseClick(delay, Qt::LeftButton, {}, delay->rect().center());
    QTest::keyClick(delay, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(delay, "70000");
    QTest::keyClick(delay, Qt::Key_Return);
    EXPECT_EQ(events(0)[1]["Delay"].asString(), "65535");

    menu("left_click", 0);
    EXPECT_TRUE(test::waitFor([&] { return events(0).size() == 5; }));
}

TEST_F(MacroPanel, EmptyRenameIsRefusedWithItsMessage) {
    click("macro_btn_name_add");
    enter("macro_edit_macroname", "");
    click("macro_btn_name_edit");
    EXPECT_EQ(messages, QStringList{"message_text_5_1"});
    EXPECT_EQ(macros()[0].name, "macro_1");
}

TEST_F(MacroPanel, DeletingMacroTwoOfFourRenumbersTheKeysInTheProfileFile) {
    for (int i = 0; i < 4; ++i)
        click("macro_btn_name_add");
    auto& mouse = static_cast<MouseDevice&>(page()->model());
    // the page has read the mouse and loaded its profile
    ASSERT_TRUE(test::waitFor([&] { return !mouse.profileData.getKeyList().empty(); }, kPlugWaitMs));
    std::vector<KeyRecord> keys = mouse.profileData.getKeyList();
    ASSERT_GE(keys.size(), 2u);
    keys[0].current = {KeyType::MacroPlayMode, 1, 0};
    keys[1].current = {KeyType::MacroRepeatCount, 3, 5};
    mouse.profileData.writeKeyList(keys);
    mouse.saveProfile();

    clickControl(control<CListUI>("macro_name_list")->GetItemAt(1), "macro 2");
    click("macro_btn_name_sub");
    EXPECT_EQ(messages, (QStringList{"message_text_4", "message_text_2"}));
    ASSERT_EQ(macros().size(), 3u);
    EXPECT_EQ(macros()[1].name, "macro_3");
    CMouseProfiledata saved;
    saved.loadProfile(mouse.getProfilePath());
    const std::vector<KeyRecord> stored = saved.readKeyList();
    EXPECT_EQ(stored[0].current, keys[0].defaultValue);
    EXPECT_EQ(stored[1].current, (KeyAssignment{KeyType::MacroRepeatCount, 2, 5}));
    // The mouse holds the macros in their new places before its keys name them there.
    const std::vector<uint8_t> image = buildMacroImageFromFolder(folder(), "macro.config", 1 << 16).bytes;
    const std::vector<uint8_t> memory = device->macroMemory();
    ASSERT_FALSE(image.empty());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
    const std::vector<uint8_t> table = device->keyTable(0);
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 3, table.begin() + 6), (std::vector<uint8_t>{0x71, 0x02, 0x05}));
}

TEST_F(MacroPanel, ARefusedImportAndAFailedExportAreExplained) {
    click("macro_btn_name_add");
    const QString notAMacro = dataDir.filePath("steps.mac");
    ASSERT_EQ(JsonFileStore::writeJsonFile(notAMacro.toStdString(), Json::Value(Json::objectValue)), 0);
    CMacroControlUI::Prompts prompts = panel->prompts();
    prompts.openFile = [&](const QString&) { return notAMacro; };
    prompts.saveFile = [&](const QString&) { return dataDir.filePath("missing/out.mac"); };
    panel->setPrompts(prompts);
    click("macro_btn_import");
    click("macro_btn_export");
    EXPECT_EQ(messages, (QStringList{"message_text_326", "message_text_323"}));
    EXPECT_EQ(macros().size(), 1u);
}

// A step the mouse would play as something else keeps the whole file out, and the user is told.
TEST_F(MacroPanel, ImportOfAStepOutOfRangeIsRefusedWithItsMessage) {
    const std::string file = dataDir.path().toStdString() + "/far.mac";
    std::ofstream(file) << R"({"Events": [{"Type": 4, "Button": 300, "Action": "down", "Delay": "5"}]})";
    CMacroControlUI::Prompts prompts = panel->prompts();
    prompts.openFile = [file](const QString&) { return QString::fromStdString(file); };
    panel->setPrompts(prompts);
    click("macro_btn_import");
    EXPECT_TRUE(macros().empty());
    EXPECT_EQ(messages, QStringList{"macro_import_refused_text"});
}

TEST_F(MacroPanel, RecordingTakesTypedKeysAndNotTheStopClick) {
    click("macro_btn_name_add");
    click("macro_check_time");
    enter("macro_fixed_time_edit", "20");
    click("macro_btn_starredio");
    ASSERT_TRUE(control("macro_btn_stopredio")->isVisible());
    // Held down: the desktop's repeats are not steps of their own.
    QTest::keyPress(window->GetHWND(), Qt::Key_A);
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent again(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", true);
        QApplication::sendEvent(window->GetHWND(), &again);
    }
    QTest::keyRelease(window->GetHWND(), Qt::Key_A);
    click("macro_btn_stopredio");
    EXPECT_TRUE(control("macro_btn_starredio")->isVisible());
    const Json::Value recorded = events(0);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0]["Type"].asInt(), 10);
    EXPECT_EQ(recorded[0]["Button"].asInt(), 4);
    EXPECT_EQ(recorded[0]["Delay"].asString(), "20");
    EXPECT_EQ(recorded[1]["Action"].asString(), "up");
    EXPECT_TRUE(control("macro_hook_hint")->isVisible()); // the offscreen window has no desktop input
}

} // namespace
} // namespace pelan
