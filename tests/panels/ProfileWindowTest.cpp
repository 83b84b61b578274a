// The profile buttons in the main window with an emulated mouse: which profile the window shows, the list file names
// and the mouse holds, across a restart, and the questions asked before a profile is deleted.
#include "PanelWindowFixture.h"
#include "emulator/FirmwareDevice.h"
#include "panels/CLightControlUI.h"
#include "profile/JsonFileStore.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr size_t kLightModeByte = 1;

class ProfileWindow : public test::PanelWindowTest {
protected:
    ProfileWindow() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(mouse));
        ASSERT_NO_FATAL_FAILURE(waitUntilRunning());
    }
    // Connected, its profile loaded and written.
    void waitUntilRunning() {
        ASSERT_TRUE(
            test::waitFor([&] { return page() != nullptr && page()->model().lightThreadRunning(); }, kPlugWaitMs));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
    }
    // A profile button, unfolded first when it is among the folded functions.
    void clickProfileButton(const char* name) {
        if (!control(name)->isVisible())
            click("profile_fun_spread_btn");
        click(name);
    }
    Json::Value listFile() const {
        return JsonFileStore::loadJsonFile(page()->model().userDeviceFolder() + "ProfileList.ini");
    }
    std::string selectedInFile() const {
        const Json::Value list = listFile();
        return list["profilelist"][list["profileselect"].asInt()]["profileUUID"].asString();
    }
    uint8_t lightMode() const { return mouse->readMemory(kLightModeByte, 1).at(0); }

    std::shared_ptr<emu::FirmwareDevice> mouse{emu::makeDevice("mouse")};
};

TEST_F(ProfileWindow, NewIsTheProfileShownAndARestartKeepsWhatTheUserSetInIt) {
    clickProfileButton("device_add_btn");
    ASSERT_EQ(listFile()["profilelist"].size(), 2u);
    EXPECT_EQ(page()->model().profileName, selectedInFile());
    EXPECT_EQ(control("device_profile_name_edit")->GetText(), "profile2");

    // The user changes the new profile's lighting; a restart opens it again and the mouse keeps the change.
    click("deng_Op_tab");
    const int mode = lightMode() == 2 ? 1 : 2;
    pickItem(kDeviceKindMouse, CLightControlUI::kModeCombo, mode);
    ASSERT_EQ(lightMode(), mode);
    const std::string shown = page()->model().profileName;
    ASSERT_NO_FATAL_FAILURE(restartWindow());
    ASSERT_TRUE(test::waitFor([&] { return page() != nullptr && window->GetSelectedPage() == page(); }, kPlugWaitMs));
    ASSERT_NO_FATAL_FAILURE(waitUntilRunning());
    EXPECT_EQ(page()->model().profileName, shown);
    EXPECT_EQ(lightMode(), mode);
}

TEST_F(ProfileWindow, DeleteAsksFirstAndKeepsTheProfileWhenCancelled) {
    clickProfileButton("device_add_btn");
    const std::string added = page()->model().profileName;
    answerNextMessage("cancel_btn");
    clickProfileButton("device_sub_btn");
    ASSERT_EQ(shownMessages.size(), 1);
    EXPECT_EQ(listFile()["profilelist"].size(), 2u);
    EXPECT_EQ(page()->model().profileName, added);

    answerNextMessage("confirm_btn");
    clickProfileButton("device_sub_btn");
    EXPECT_EQ(shownMessages.size(), 2);
    EXPECT_EQ(listFile()["profilelist"].size(), 1u);
    EXPECT_NE(page()->model().profileName, added);
}

} // namespace
} // namespace pelan
