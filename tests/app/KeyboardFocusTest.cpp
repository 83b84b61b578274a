// The keyboard on a device page: Tab from a DPI field reaches the next stage's check box with a visible mark, Return
// there changes nothing, Space switches the check box.
#include "emulator/FirmwareDevice.h"
#include "panels/PanelWindowFixture.h"
#include "profile/JsonFileStore.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace pelan {
namespace {

class KeyboardFocus : public test::PanelWindowTest {
protected:
    KeyboardFocus() : PanelWindowTest(kDeviceKindMouse) {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(emu::makeDevice("mouse")));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        click("system_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return control("DPI_edit_0")->isVisible(); }));
    }
    int stageActive(int stage) const {
        const std::string path = page()->model().profileFilePath(page()->model().profileName);
        return JsonFileStore::loadJsonFile(path)["Device"][0]["DPIStages"]["StageDPIs"][stage]["StageActive"].asInt();
    }
};

TEST_F(KeyboardFocus, TabFromADpiFieldMarksTheNextCheckBoxAndOnlySpaceSwitchesIt) {
    auto* check = control<CCheckBoxUI>("DPI_enable_check_1");
    ASSERT_NE(check, nullptr);
    const bool on = check->IsSelected();
    const QImage unmarked = check->grab().toImage();
    ASSERT_NO_FATAL_FAILURE(type("DPI_edit_0", "800"));
    ASSERT_EQ(QApplication::focusWidget(), check) << QApplication::focusWidget()->objectName().toStdString();
    EXPECT_NE(check->grab().toImage(), unmarked) << "the focus shows";

    const int stored = stageActive(1);
    QTest::keyClick(check, Qt::Key_Return);
    EXPECT_EQ(check->IsSelected(), on);
    EXPECT_EQ(stageActive(1), stored);
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_EQ(check->IsSelected(), !on);
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_EQ(check->IsSelected(), on);
}

} // namespace
} // namespace pelan
