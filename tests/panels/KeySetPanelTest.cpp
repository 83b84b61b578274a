// The key set panel on the mouse page of the main window, with an emulated mouse in front: key buttons clicked on
// the picture, categories and choices picked from the combo boxes' lists, keys captured through a recording input
// hook; every save checked in the profile file and in the mouse's key table.
#include "PanelWindowFixture.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "device/DeviceProfile.h"
#include "emulator/FirmwareDevice.h"
#include "macro/MacroEvent.h"
#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/KeySetRoutes.h"
#include "platform/InputHook.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"
#include "support/PrivateXServer.h"

#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <gtest/gtest.h>
// After GoogleTest and Qt: Xlib's macros (None, Bool, ...) would clash with their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace pelan {
namespace {

constexpr uint32_t kEvdevA = 30;
constexpr uint32_t kEvdevRightCtrl = 97;

class KeySetPanel : public test::PanelWindowTest {
protected:
    KeySetPanel() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        auto hook = std::make_unique<RecordingInputHook>();
        recordingHook = hook.get();
        window->UseInputHookBackend(std::move(hook));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(mouse));
        // The connection's reads done: the key list is the profile's.
        ASSERT_TRUE(test::waitFor([&] { return !keyProfileOf(page()->model())->getKeyList().empty(); }, kPlugWaitMs));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        panel = findKeySetPanel(*page());
        ASSERT_NE(panel, nullptr);
        click("key_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return panel->isVisible(); }));
    }

    // Types into an edit and confirms it with Return.
    void enter(const char* name, const QString& text) { type(name, text, Qt::Key_Return); }
    void focusKeyField() {
        QLineEdit* line = control<CEditUI>(CKeySetControlUI::kKeyEdit)->GetLineEdit();
        QTest::mouseClick(line, Qt::LeftButton, {}, line->rect().center());
        ASSERT_TRUE(test::waitFor([&] { return recordingHook->keyboardStarted(); }));
    }
    void press(uint32_t evdev) {
        ASSERT_TRUE(recordingHook->key(evdev, true));
        recordingHook->key(evdev, false);
    }
    int storedAssignment(int key) const {
        const std::string path = page()->model().profileFilePath(page()->model().profileName);
        return JsonFileStore::loadJsonFile(path)["Device"][0]["KeyList"][key]["Assignment"].asInt();
    }
    // The three bytes at a button's position of the mouse's key table (buttons sit at their own index there).
    int deviceAssignment(int button) const {
        const std::vector<uint8_t> table = mouse->keyTable(0);
        const size_t at = size_t(button) * 3;
        return (table[at] << 16) | (table[at + 1] << 8) | table[at + 2];
    }

    std::shared_ptr<emu::FirmwareDevice> mouse{emu::makeDevice("mouse")};
    RecordingInputHook* recordingHook = nullptr;
    CKeySetControlUI* panel = nullptr;
};

TEST_F(KeySetPanel, ClickedButtonShowsItsFunctionAndAMediaChoiceReachesFileAndMouse) {
    click("key_3");
    auto* button = control<CDeviceKeyButtonUI>("key_3");
    EXPECT_TRUE(button->IsSelected());
    EXPECT_FALSE(control<CDeviceKeyButtonUI>("key_0")->IsSelected());
    EXPECT_EQ(panel->shownCategory(), KeyCategory::Default);
    EXPECT_EQ(control("keyset_current_text")->GetText(), "Forward");

    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_7_text");
    EXPECT_EQ(control<CTabLayoutUI>(CKeySetControlUI::kPages)->GetCurSel(), int(KeyCategory::Media));
    EXPECT_EQ(storedAssignment(3), 0x101000); // no media choice yet: the key keeps its function
    choose(CKeySetControlUI::kMediaCombo, "media_play");
    EXPECT_EQ(storedAssignment(3), 0x30CD00);
    EXPECT_EQ(deviceAssignment(3), 0x30CD00);
    EXPECT_EQ(button->GetToolTip(), "Play/Pause");

    // Default, then cancel: the current function is back on screen and nothing was stored.
    click(CKeySetControlUI::kDefaultButton);
    EXPECT_EQ(panel->shownCategory(), KeyCategory::Default);
    click(CKeySetControlUI::kCancelButton);
    EXPECT_EQ(panel->shownCategory(), KeyCategory::Media);
    EXPECT_EQ(control<CComboUI>(CKeySetControlUI::kMediaCombo)->GetCurSel(), 1);
    EXPECT_EQ(storedAssignment(3), 0x30CD00);
    EXPECT_EQ(deviceAssignment(3), 0x30CD00);

    // Another button takes the selection.
    click("key_0");
    EXPECT_TRUE(control<CDeviceKeyButtonUI>("key_0")->IsSelected());
    EXPECT_FALSE(button->IsSelected());
}

TEST_F(KeySetPanel, MacroChoiceFollowsTheEditorAndTheRepeatCountIsStored) {
    click("macro_Op_tab");
    click("macro_btn_name_add");
    click("key_Op_tab");
    click("key_1");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_9_text");
    ASSERT_EQ(control<CComboUI>(CKeySetControlUI::kMacroCombo)->GetCount(), 1);
    click(CKeySetControlUI::kMacroCombo);
    control(CKeySetControlUI::kMacroCombo)->findChild<QMenu*>("combo_popup")->actions()[0]->trigger();
    choose(CKeySetControlUI::kPlayModeCombo, "keyset_mode_4_text");
    EXPECT_TRUE(control(CKeySetControlUI::kRepeatLayout)->IsVisibleFlag());
    enter(CKeySetControlUI::kRepeatEdit, "3");
    EXPECT_EQ(storedAssignment(1), 0x710003);
    EXPECT_EQ(deviceAssignment(1), 0x710003);

    choose(CKeySetControlUI::kPlayModeCombo, "keyset_mode_2_text");
    EXPECT_FALSE(control(CKeySetControlUI::kRepeatLayout)->IsVisibleFlag());
    EXPECT_EQ(storedAssignment(1), 0x700002);

    // While the editor records, the key edits cannot be saved.
    click("macro_Op_tab");
    click("macro_btn_starredio");
    EXPECT_FALSE(control(CKeySetControlUI::kSaveButton)->IsEnabled());
    click("macro_btn_stopredio");
    EXPECT_TRUE(control(CKeySetControlUI::kSaveButton)->IsEnabled());
}

TEST_F(KeySetPanel, CapturedKeysAreStoredAtOnceWithTheModifierRule) {
    click("key_4");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_6_text");

    // A with no modifier option: option 0 and the key at once.
    focusKeyField();
    EXPECT_EQ(recordingHook->starts(), 1);
    press(kEvdevA);
    EXPECT_EQ(storedAssignment(4), 0x200004);
    EXPECT_EQ(deviceAssignment(4), 0x200004);
    EXPECT_TRUE(control<COptionUI>("key_ComBox_check_0")->IsSelected());
    EXPECT_EQ(control(CKeySetControlUI::kKeyEdit)->GetText(), "A");

    // Shift chosen, then Right Ctrl captured: the Ctrl option with the key kept, stored with the left Ctrl bit.
    click("key_ComBox_check_2");
    EXPECT_FALSE(recordingHook->keyboardStarted()); // the key field lost the focus: capture ended
    EXPECT_EQ(storedAssignment(4), 0x200204);
    focusKeyField();
    press(kEvdevRightCtrl);
    EXPECT_TRUE(control<COptionUI>("key_ComBox_check_1")->IsSelected());
    EXPECT_EQ(control(CKeySetControlUI::kKeyEdit)->GetText(), "A");
    EXPECT_EQ(storedAssignment(4), 0x200104);
    EXPECT_EQ(deviceAssignment(4), 0x200104);
}

// A category is no function: button 1 keeps working until the key, the choice or the macro is there.
TEST_F(KeySetPanel, ACategoryAloneStoresNothingUntilItsChoiceIsMade) {
    click("key_0");
    const int leftButton = storedAssignment(0);
    const int leftOnMouse = deviceAssignment(0);
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_6_text");
    click("key_ComBox_check_2");
    type(CKeySetControlUI::kKeyEdit, "");
    click(CKeySetControlUI::kSaveButton);
    for (const char* category : {"keyset_category_7_text", "keyset_category_9_text", "keyset_category_1_text"})
        choose(CKeySetControlUI::kFunctionCombo, category);
    EXPECT_EQ(storedAssignment(0), leftButton);
    EXPECT_EQ(deviceAssignment(0), leftOnMouse);

    // The key captured completes it; a category that needs no choice is stored as chosen.
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_6_text");
    focusKeyField();
    press(kEvdevA);
    EXPECT_EQ(deviceAssignment(0), 0x200004);
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_13_text");
    EXPECT_EQ(deviceAssignment(0), storedAssignment(0));
    EXPECT_NE(deviceAssignment(0), 0x200004);
}

// A macro given to a button goes to the mouse with its memory in the same step, or, when the memory cannot take it,
// not at all and the user is told why.
TEST_F(KeySetPanel, AMacroReachesTheMouseWithItsMemoryOrNotAtAll) {
    click("macro_Op_tab");
    click("macro_btn_name_add");
    const std::string folder = page()->model().userDeviceFolder();
    const std::string macroFile = macroEventFilePath(folder, loadMacroList(folder, "macro.config")[0].guid);
    const auto writeEvents = [&](size_t pairs) {
        Json::Value events(Json::arrayValue);
        for (size_t i = 0; i < pairs; ++i) {
            events.append(makeMacroEventObject({10, 4, true, 20}));
            events.append(makeMacroEventObject({10, 4, false, 20}));
        }
        Json::Value tree;
        tree["Events"] = events;
        ASSERT_EQ(JsonFileStore::writeJsonFile(macroFile, tree), 0);
    };
    writeEvents(1);
    click("key_Op_tab");
    click("key_3");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_9_text");
    click(CKeySetControlUI::kMacroCombo);
    control(CKeySetControlUI::kMacroCombo)->findChild<QMenu*>("combo_popup")->actions()[0]->trigger();
    EXPECT_EQ(deviceAssignment(3), 0x700000);
    const std::vector<uint8_t> image = buildMacroImageFromFolder(folder, "macro.config", 1 << 16).bytes;
    const std::vector<uint8_t> memory = mouse->macroMemory();
    ASSERT_FALSE(image.empty());
    ASSERT_GE(memory.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));

    // Grown past the mouse's memory: button 4 stays as it was, and the message counts events.
    writeEvents(memory.size());
    const int before = storedAssignment(4);
    click("key_4");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_9_text");
    answerNextMessage("confirm_btn");
    click(CKeySetControlUI::kMacroCombo);
    control(CKeySetControlUI::kMacroCombo)->findChild<QMenu*>("combo_popup")->actions()[0]->trigger();
    ASSERT_TRUE(test::waitFor([&] { return !shownMessages.isEmpty(); }));
    EXPECT_TRUE(shownMessages[0].contains("events")) << shownMessages[0].toStdString();
    EXPECT_EQ(storedAssignment(4), before);
    EXPECT_EQ(deviceAssignment(4), before);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), mouse->macroMemory().begin()));
}

// The same capture through the X11 hook of a private X server, the key typed through XTest: the window installs the
// hook when the key field takes the focus and the key pressed anywhere on the desktop lands in the file and device.
TEST_F(KeySetPanel, KeyCapturedThroughTheX11HookIsStored) {
    if (!PrivateXServer::installed())
        GTEST_SKIP() << "Xvfb is not installed, so capture through the X11 hook is not tested";
    PrivateXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    std::unique_ptr<InputHookBackend> x11 = connectX11InputHook(server.display().c_str());
    ASSERT_NE(x11, nullptr);
    window->UseInputHookBackend(std::move(x11));
    recordingHook = nullptr;
    Display* injector = XOpenDisplay(server.display().c_str());
    ASSERT_NE(injector, nullptr);

    click("key_4");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_6_text");
    QLineEdit* line = control<CEditUI>(CKeySetControlUI::kKeyEdit)->GetLineEdit();
    QTest::mouseClick(line, Qt::LeftButton, {}, line->rect().center());
    CDeviceHook& hook = window->GetInputHook();
    ASSERT_EQ(hook.backend().name(), "X11");
    ASSERT_TRUE(test::waitFor([&] { return hook.installed() && hook.mode() == HookMode::SingleKey; }));
    constexpr unsigned kXKeyA = kEvdevA + 8; // X key codes are Linux key codes + 8
    XTestFakeKeyEvent(injector, kXKeyA, True, 0);
    XTestFakeKeyEvent(injector, kXKeyA, False, 0);
    XSync(injector, False);
    EXPECT_TRUE(test::waitFor([&] { return storedAssignment(4) == 0x200004; }));
    EXPECT_EQ(deviceAssignment(4), 0x200004);
    EXPECT_EQ(control(CKeySetControlUI::kKeyEdit)->GetText(), "A");
    XCloseDisplay(injector);
}

TEST_F(KeySetPanel, KeyboardPageShowsStoredDpiAndGunValuesItCannotOffer) {
    CVeltraUSBDevice* keyboardPage = window->FindPageOfKind(kDeviceKindKeyboard)->page;
    CKeySetControlUI* keyboardPanel = findKeySetPanel(*keyboardPage);
    ASSERT_NE(keyboardPanel, nullptr);
    auto* categories = dynamic_cast<CComboUI*>(keyboardPanel->FindSubControl(CKeySetControlUI::kFunctionCombo));
    EXPECT_FALSE(categories->GetItemAt(int(KeyCategory::Dpi))->IsVisibleFlag());
    EXPECT_FALSE(categories->GetItemAt(int(KeyCategory::GunKey))->IsVisibleFlag());
    EXPECT_TRUE(control<CComboUI>(CKeySetControlUI::kFunctionCombo)->GetItemAt(int(KeyCategory::Dpi))->IsVisibleFlag());

    const KeyAssignment escape{KeyType::Keyboard, 0, 0x29};
    keyboardPanel->setKey(makeKeyRecord(0, {KeyType::Dpi, 3, 0}, escape));
    EXPECT_EQ(keyboardPanel->shownCategory(), KeyCategory::Dpi);
    keyboardPanel->setKey(makeKeyRecord(0, {KeyType::GunKey, 2, 0}, escape));
    EXPECT_EQ(keyboardPanel->shownCategory(), KeyCategory::GunKey);
    // A value without a category hides the editing area.
    keyboardPanel->setKey(makeKeyRecord(0, {0x50, 1, 1}, escape));
    EXPECT_EQ(keyboardPanel->shownCategory(), std::nullopt);
}

} // namespace
} // namespace pelan
