// The pages the device files bring to the window: every kind of the demo (the keyboard through its demo file, driven
// on its picture), the mouse behind its wireless receiver, and a device with IDs of a user's own device file, which
// comes and goes with the file.
#include "PanelWindowFixture.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CDeviceOptionUI.h"
#include "device/DeviceFiles.h"
#include "device/DeviceProfile.h"
#include "device/KeyboardDevice.h"
#include "device/PowerDisplay.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CMpDevicePowerUI.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/KeySetRoutes.h"
#include "platform/AtomicFile.h"
#include "profile/JsonFileStore.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

class DemoPages : public test::PanelWindowTest {
protected:
    DemoPages() : PanelWindowTest(kDeviceKindKeyboard) {}

    void SetUp() override {
        // The user's device file folder of this test alone.
        previousConfig_ = test::env("XDG_CONFIG_HOME").toStdString();
        ::setenv("XDG_CONFIG_HOME", configDir.path().c_str(), 1);
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
    }
    void TearDown() override {
        PanelWindowTest::TearDown();
        ::setenv("XDG_CONFIG_HOME", previousConfig_.c_str(), 1);
    }
    bool shown(int kind) const {
        const CMainWnd::DevicePage* entry = window->FindPageOfKind(kind);
        return entry != nullptr && entry->option->IsVisibleFlag() && entry->page->isConnected();
    }
    void select(int kind) {
        clickControl(window->FindPageOfKind(kind)->option->FindSubControl(CDeviceOptionUI::kSelectName),
                     "device_select");
        ASSERT_TRUE(test::waitFor([&] { return window->GetSelectedPage() == page(kind); }));
    }
    std::shared_ptr<emu::FirmwareDevice> plug(const char* kind) {
        std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(kind);
        EXPECT_GT(emulated.tree().plug(device), 0);
        return device;
    }

    testing::TempFolder configDir;

private:
    std::string previousConfig_;
};

TEST_F(DemoPages, EveryKindHasItsPageAndTheKeyboardTakesAFunctionClickedOnItsPicture) {
    for (const char* kind : {"mouse", "mousepad", "headset"})
        plug(kind);
    const std::shared_ptr<emu::FirmwareDevice> keyboard = plug("keyboard");
    ASSERT_TRUE(test::waitFor(
        [&] {
            return shown(kDeviceKindMouse) && shown(kDeviceKindMousepad) && shown(kDeviceKindHeadset) &&
                   shown(kDeviceKindKeyboard);
        },
        kPlugWaitMs));
    auto& model = dynamic_cast<KeyboardDevice&>(page()->model());
    ASSERT_TRUE(test::waitFor([&] { return !keyProfileOf(model)->getKeyList().empty(); }, kPlugWaitMs));
    ASSERT_NO_FATAL_FAILURE(select(kDeviceKindKeyboard));
    ASSERT_NO_FATAL_FAILURE(activateWindow());
    click("key_Op_tab");

    // F1, logical key 1: a media function, in the profile file and at F1's place in the keyboard's key table.
    click("key_1");
    EXPECT_TRUE(control<CDeviceKeyButtonUI>("key_1")->IsSelected());
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_7_text");
    choose(CKeySetControlUI::kMediaCombo, "media_play");
    const std::string file = model.profileFilePath(model.profileName);
    EXPECT_TRUE(test::waitFor([&] {
        return JsonFileStore::loadJsonFile(file)["Device"][0]["KeyList"][1]["Assignment"].asInt() == 0x30CD00;
    }));
    const size_t at = model.keyPositions().position[1] * 3u;
    const std::vector<uint8_t> table = keyboard->keyTable(0);
    ASSERT_GT(table.size(), at + 2);
    EXPECT_EQ((std::vector<uint8_t>(table.begin() + long(at), table.begin() + long(at) + 3)),
              (std::vector<uint8_t>{0x30, 0xCD, 0x00}));
}

TEST_F(DemoPages, TheMouseBehindItsReceiverShowsTheWirelessPageAndKeepsItAcrossPageSwitches) {
    plug("receiver");
    // Behind its receiver the mouse answers slowly (each read may wait for the radio), more so under a sanitizer.
    ASSERT_TRUE(test::waitFor([&] { return shown(kDeviceKindMouse); }, 3 * kPlugWaitMs));
    CVeltraUSBDevice* mouse = page(kDeviceKindMouse);
    EXPECT_EQ(mouse->model().commandChannel.wireless.load(), 1);
    EXPECT_EQ(mouse->identity().deviceKind, kDeviceKindWirelessMouse);
    EXPECT_EQ(mouse->identity().productId, 0x7652);
    CControlUI* mark =
        window->FindPageOfKind(kDeviceKindMouse)->powerPanel->FindSubControl(powerdisplay::kWirelessControl);
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(test::waitFor([&] { return mark->IsVisibleFlag(); }, kPlugWaitMs));

    plug("mousepad");
    ASSERT_TRUE(test::waitFor([&] { return shown(kDeviceKindMousepad); }, kPlugWaitMs));
    ASSERT_NO_FATAL_FAILURE(select(kDeviceKindMousepad));
    ASSERT_NO_FATAL_FAILURE(select(kDeviceKindMouse));
    EXPECT_EQ(mouse->model().commandChannel.wireless.load(), 1);
    EXPECT_TRUE(mouse->isConnected());
    EXPECT_TRUE(mark->IsVisibleFlag());
}

TEST_F(DemoPages, AUserDeviceFileBringsADeviceWithNewIdsAndTakesItAwayAgain) {
    emu::DeviceModel model = emu::makeDevice("keyboard")->model();
    model.productId = 0x7700;
    ASSERT_GT(emulated.tree().plug(std::make_shared<emu::FirmwareDevice>(model, emu::kDefaultVersionNumber)), 0);
    EXPECT_FALSE(test::waitFor([&] { return shown(kDeviceKindKeyboard); }, 500));

    ASSERT_TRUE(ensureFolder(userDeviceFileFolder()));
    // A broken file beside the good one is left out and changes nothing.
    ASSERT_EQ(writeFileAtomically(userDeviceFileFolder() + "49-broken.device", "kind = keyboard\ninterface =\n"), 0);
    const std::string file = userDeviceFileFolder() + "50-keyboard.device";
    ASSERT_EQ(writeFileAtomically(file, "kind = keyboard\ninterface = 0c45:7700 01 04 command ff1c:0092\n"
                                        "interface = 0c45:7700 01 03 notification 000c:0001\n"),
              0);
    ASSERT_TRUE(test::waitFor([&] { return shown(kDeviceKindKeyboard); }, kPlugWaitMs));
    EXPECT_EQ(page()->identity().productId, 0x7700);

    std::filesystem::remove(file);
    EXPECT_TRUE(test::waitFor([&] { return !shown(kDeviceKindKeyboard); }, kPlugWaitMs));
}

} // namespace
} // namespace pelan
