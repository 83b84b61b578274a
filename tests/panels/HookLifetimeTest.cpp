// The input hook's lifetime in the main window on a real X server with a window manager (Xvfb and openbox): a
// recording or key capture holds the keyboard only while the user can see and stop it. "Free" is checked as any
// other program would: a second X client's XGrabKeyboard succeeds.
#include "PanelWindowFixture.h"
#include "device/DeviceProfile.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/CMacroControlUI.h"
#include "panels/KeySetRoutes.h"
#include "panels/MacroRoutes.h"
#include "platform/InputHook.h"

#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>
// After GoogleTest and Qt: Xlib's macros (None, Bool, ...) would clash with their names.
#include "support/PrivateDesktop.h"
#include <X11/extensions/XTest.h>

namespace pelan {
namespace {

constexpr unsigned kXKeyA = 30 + 8; // X key codes are Linux key codes + 8

// The desktop of the whole test program: Qt's platform is chosen once, when the application object is made.
class DesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!PrivateDesktop::installed())
            return;
        desktop = std::make_unique<PrivateDesktop>();
        if (!desktop->running())
            return;
        ::setenv("DISPLAY", desktop->display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    void TearDown() override { desktop.reset(); }
    std::unique_ptr<PrivateDesktop> desktop;
};
DesktopEnvironment* const desktopEnvironment =
    static_cast<DesktopEnvironment*>(::testing::AddGlobalTestEnvironment(new DesktopEnvironment));

// The X11 hook, counting how often it was started.
class CountingHook : public InputHookBackend {
public:
    explicit CountingHook(std::unique_ptr<InputHookBackend> inner) : inner_(std::move(inner)) {}
    std::string_view name() const override { return inner_->name(); }
    bool capturesDesktop() const override { return true; }
    bool start(bool keyboard, bool mouse, HookEventHandlers handlers) override {
        ++starts;
        return inner_->start(keyboard, mouse, std::move(handlers));
    }
    void stop() override { inner_->stop(); }
    int eventDescriptor() const override { return inner_->eventDescriptor(); }
    void dispatchEvents() override { inner_->dispatchEvents(); }
    int starts = 0;

private:
    std::unique_ptr<InputHookBackend> inner_;
};

class HookLifetime : public test::PanelWindowTest {
protected:
    HookLifetime() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        if (desktopEnvironment->desktop == nullptr || !desktopEnvironment->desktop->running())
            GTEST_SKIP() << "Xvfb or openbox is not installed, so the hook is not tested on a desktop";
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        mouseId = emulated.tree().plug(emu::makeDevice("mouse"));
        ASSERT_GT(mouseId, 0);
        ASSERT_TRUE(
            test::waitFor([&] { return page() != nullptr && window->GetSelectedPage() == page(); }, kPlugWaitMs));
        // The connection's reads done: the key list is the profile's.
        ASSERT_TRUE(test::waitFor([&] { return !keyProfileOf(page()->model())->getKeyList().empty(); }, kPlugWaitMs));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        auto counting = std::make_unique<CountingHook>(connectX11InputHook());
        hook = counting.get();
        window->UseInputHookBackend(std::move(counting));
        macros = findMacroPanel(*page());
        keys = findKeySetPanel(*page());
        ASSERT_NE(macros, nullptr);
        ASSERT_NE(keys, nullptr);
        CMacroControlUI::Prompts prompts = macros->prompts();
        prompts.message = [this](const QString& key, bool) {
            messages.append(key);
            return 1;
        };
        macros->setPrompts(prompts);
        CKeySetControlUI::PageLink link = keys->pageLink();
        const auto store = link.store;
        link.store = [this, store](uint16_t index, KeyAssignment value) {
            ++stores;
            return store(index, value);
        };
        link.message = [this](const QString& text, bool) { messages.append(text); };
        keys->setPageLink(link);
    }

    // Whether another program can take the keyboard now.
    bool keyboardFree() const {
        Display* other = XOpenDisplay(desktopEnvironment->desktop->display().c_str());
        if (other == nullptr)
            return false;
        const bool free = XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                                        CurrentTime) == GrabSuccess;
        XCloseDisplay(other); // ends its grab
        return free;
    }
    bool deviceListEnabled() const {
        CControlUI* devices = window->GetPaintManager()->FindControl("device_select_layout");
        return devices != nullptr && devices->IsEnabled();
    }

    void startRecording() {
        if (!window->GetHWND()->isActiveWindow()) {
            ASSERT_NO_FATAL_FAILURE(activateWindow());
        }
        click("macro_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return macros->isVisible(); }));
        if (macros->library()->entries().empty())
            click("macro_btn_name_add");
        click("macro_btn_starredio");
        ASSERT_TRUE(macros->recording());
        ASSERT_FALSE(keyboardFree()) << "the recording should hold the keyboard";
    }
    // Picks the keyboard category for key 4 and clicks into its key field.
    void focusKeyField() {
        if (!window->GetHWND()->isActiveWindow()) {
            ASSERT_NO_FATAL_FAILURE(activateWindow());
        }
        click("key_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return keys->isVisible(); }));
        click("key_4");
        ASSERT_TRUE(test::waitFor([&] { return control(CKeySetControlUI::kFunctionCombo)->isVisible(); }));
        click(CKeySetControlUI::kFunctionCombo);
        auto* menu = control(CKeySetControlUI::kFunctionCombo)->findChild<QMenu*>("combo_popup");
        ASSERT_NE(menu, nullptr);
        const QString keyboard = CResourceManager::GetInstance()->GetText("keyset_category_6_text");
        for (QAction* action : menu->actions())
            if (action->text() == keyboard)
                action->trigger();
        menu->close();
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        QLineEdit* line = control<CEditUI>(CKeySetControlUI::kKeyEdit)->GetLineEdit();
        QTest::mouseClick(line, Qt::LeftButton, {}, line->rect().center());
    }
    void startCapture() {
        ASSERT_NO_FATAL_FAILURE(focusKeyField());
        ASSERT_TRUE(test::waitFor([&] { return keys->capturing(); }));
        ASSERT_FALSE(keyboardFree()) << "the capture should hold the keyboard";
    }
    // The recording or capture ended, the keyboard is free and the device list usable again.
    void expectLetGo() {
        EXPECT_TRUE(test::waitFor([&] { return !macros->recording() && !keys->capturing(); }));
        EXPECT_TRUE(test::waitFor([&] { return keyboardFree(); }));
        EXPECT_FALSE(window->GetInputHook().installed());
        EXPECT_TRUE(deviceListEnabled());
    }
    void showAgain() {
        window->ToggleShown();
        ASSERT_TRUE(test::waitFor([&] { return window->GetHWND()->isVisible() && !window->GetHWND()->isMinimized(); }));
    }

    int mouseId = -1;
    CountingHook* hook = nullptr;
    CMacroControlUI* macros = nullptr;
    CKeySetControlUI* keys = nullptr;
    QStringList messages;
    int stores = 0;
};

TEST_F(HookLifetime, UnpluggingTheMouseEndsItsRecordingForGood) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_FALSE(deviceListEnabled());
    ASSERT_TRUE(emulated.tree().unplug(mouseId));
    expectLetGo();
    ASSERT_GT(emulated.tree().plug(emu::makeDevice("mouse")), 0);
    ASSERT_TRUE(test::waitFor([&] { return window->GetSelectedPage() == page(); }, kPlugWaitMs));
    EXPECT_FALSE(macros->recording());
    EXPECT_TRUE(control("macro_btn_starredio")->IsVisibleFlag());
    EXPECT_FALSE(control("macro_btn_stopredio")->IsVisibleFlag());
}

TEST_F(HookLifetime, RecordingEndsWhenItsTabChangesOrTheWindowIsHiddenOrMinimised) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    click("key_Op_tab");
    expectLetGo();

    ASSERT_NO_FATAL_FAILURE(startRecording());
    window->ToggleShown(); // the tray icon's click
    expectLetGo();
    ASSERT_NO_FATAL_FAILURE(showAgain());

    ASSERT_NO_FATAL_FAILURE(startRecording());
    clickControl(window->GetPaintManager()->FindControl("minbtn"), "minbtn");
    expectLetGo();
}

TEST_F(HookLifetime, KeyCaptureEndsWhenTheWindowIsHidden) {
    ASSERT_NO_FATAL_FAILURE(startCapture());
    window->ToggleShown();
    expectLetGo();
}

TEST_F(HookLifetime, ClosingTheProgramGivesTheKeyboardBack) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    window->Close(0);
    EXPECT_TRUE(test::waitFor([&] { return keyboardFree(); }));
    EXPECT_TRUE(test::waitFor([&] { return window->GetHWND() == nullptr; }));
}

TEST_F(HookLifetime, RecordingWithoutInputStopsByItself) {
    struct ShortIdleLimit {
        ShortIdleLimit() { ::setenv("PELAN_HOOK_IDLE_SECONDS", "1", 1); }
        ~ShortIdleLimit() { ::unsetenv("PELAN_HOOK_IDLE_SECONDS"); }
    } shortLimit;
    ASSERT_NO_FATAL_FAILURE(startRecording());
    expectLetGo();
}

TEST_F(HookLifetime, KeyboardHeldByAnotherProgramIsToldAndNothingPretendsToRecordOrCapture) {
    Display* other = XOpenDisplay(desktopEnvironment->desktop->display().c_str());
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(other, False);
    click("macro_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return macros->isVisible(); }));
    click("macro_btn_name_add");
    click("macro_btn_starredio");
    EXPECT_FALSE(macros->recording());
    EXPECT_TRUE(control("macro_btn_starredio")->IsVisibleFlag());
    EXPECT_TRUE(deviceListEnabled());
    EXPECT_EQ(messages, QStringList{kHookRefusedMessage});

    // The key field says the same once, and gives up the focus so it does not try again in a loop.
    ASSERT_NO_FATAL_FAILURE(focusKeyField());
    EXPECT_TRUE(test::waitFor([&] { return messages.size() == 2; }));
    EXPECT_EQ(messages.last(), kHookRefusedMessage);
    EXPECT_FALSE(keys->capturing());
    EXPECT_FALSE(control<CEditUI>(CKeySetControlUI::kKeyEdit)->GetLineEdit()->hasFocus());
    XCloseDisplay(other);
}

// The grab moves the X focus for a moment; the key field keeps its focus and its capture through it, instead of
// giving both up and taking them again in a loop, and a typed key is stored once.
TEST_F(HookLifetime, KeyCaptureKeepsItsGrabThroughTheFocusChangeItCauses) {
    ASSERT_NO_FATAL_FAILURE(startCapture());
    const int storesBefore = stores;
    QTest::qWait(1500); // room for a loop to show itself
    EXPECT_EQ(hook->starts, 1);
    EXPECT_TRUE(keys->capturing());
    EXPECT_EQ(stores, storesBefore);
    Display* injector = XOpenDisplay(desktopEnvironment->desktop->display().c_str());
    ASSERT_NE(injector, nullptr);
    XTestFakeKeyEvent(injector, kXKeyA, True, 0);
    XTestFakeKeyEvent(injector, kXKeyA, False, 0);
    XSync(injector, False);
    XCloseDisplay(injector);
    EXPECT_TRUE(test::waitFor([&] { return control(CKeySetControlUI::kKeyEdit)->GetText() == "A"; }));
    QTest::qWait(500);
    EXPECT_EQ(stores, storesBefore + 1);
    EXPECT_EQ(hook->starts, 1);
}

} // namespace
} // namespace pelan
