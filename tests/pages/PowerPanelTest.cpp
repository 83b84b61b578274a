// The power panel under the device list in the main window, with emulated devices: nothing shown before a device
// reports its status, the charge as a bar that fills from the left, and a phone only on the charging pad.
#include "app/CMainWnd.h"
#include "device/PowerDisplay.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CMpDevicePowerUI.h"
#include "panels/PanelWindowFixture.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

class PowerPanel : public test::PanelWindowTest {
protected:
    PowerPanel() : PanelWindowTest(kDeviceKindMousepad) {}

    CMpDevicePowerUI* panelOf(int kind) const { return window->FindPageOfKind(kind)->powerPanel; }
    CControlUI* part(int kind, const char* name) const { return panelOf(kind)->FindSubControl(name); }
    QString figure(int kind) const { return part(kind, powerdisplay::kValueControl)->GetText(); }
};

TEST_F(PowerPanel, ShowsOnlyWhatTheDeviceReported) {
    ASSERT_NO_FATAL_FAILURE(startWindow(false));
    // Before any device: no figure and no bar, on every page.
    for (int kind : {kDeviceKindMouse, kDeviceKindMousepad, kDeviceKindHeadset}) {
        EXPECT_EQ(figure(kind), "--") << kind;
        EXPECT_FALSE(part(kind, powerdisplay::kProgressControl)->IsVisibleFlag()) << kind;
        EXPECT_FALSE(part(kind, powerdisplay::kPhoneControl)->IsVisibleFlag()) << kind;
    }

    std::shared_ptr<emu::FirmwareDevice> pad = emu::makeDevice("mousepad");
    pad->setPowerState({.battery = 30, .charging = 2, .statusValue = 0, .phoneType = 1});
    std::shared_ptr<emu::FirmwareDevice> headset = emu::makeDevice("headset");
    headset->setPowerState({.battery = 70, .charging = 2, .statusValue = 0, .phoneType = 1});
    ASSERT_GT(emulated.tree().plug(headset), 0);
    const int padId = emulated.tree().plug(pad);
    ASSERT_GT(padId, 0);
    ASSERT_TRUE(test::waitFor([&] { return figure(kDeviceKindMousepad) == "30%"; }, kPlugWaitMs));
    auto* bar = dynamic_cast<CProgressUI*>(part(kDeviceKindMousepad, powerdisplay::kProgressControl));
    EXPECT_TRUE(bar->IsVisibleFlag());
    EXPECT_EQ(bar->GetValue(), 30);
    // The phone control takes the name of the phone it shows.
    CControlUI* phone = part(kDeviceKindMousepad, phoneDisplayFor(1).name.c_str());
    ASSERT_NE(phone, nullptr);
    EXPECT_TRUE(phone->IsVisibleFlag());
    ASSERT_TRUE(test::waitFor([&] { return figure(kDeviceKindHeadset) == "70%"; }, kPlugWaitMs));
    EXPECT_FALSE(part(kDeviceKindHeadset, powerdisplay::kPhoneControl)->IsVisibleFlag());

    // The pad goes: what it reported goes with it.
    ASSERT_TRUE(emulated.tree().unplug(padId));
    ASSERT_TRUE(test::waitFor([&] { return figure(kDeviceKindMousepad) == "--"; }, kPlugWaitMs));
    EXPECT_FALSE(bar->IsVisibleFlag());
    EXPECT_FALSE(phone->IsVisibleFlag());
}

} // namespace
} // namespace pelan
