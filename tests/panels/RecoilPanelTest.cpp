// The recoil panel on the mouse page of the main window, with an emulated mouse in front: mouse clicks and typed
// keys on controls found by name, and the gun files on disk checked after each step.
#include "PanelWindowFixture.h"
#include "controls/CRecoilChartUI.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "panels/CShootControlUI.h"
#include "panels/RecoilRoutes.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "recoil/RecoilTables.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;

class RecoilPanel : public test::PanelWindowTest {
protected:
    RecoilPanel() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        // The factory files come from a copy of the shipped ones, so a test may take one away.
        ASSERT_NO_FATAL_FAILURE(startWindow(true));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(emu::makeDevice("mouse")));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        panel = findRecoilPanel(*page());
        ASSERT_NE(panel, nullptr);
        panel->setPrompts({[this](const QString& key) { messages.append(key); },
                           [this](const QString&) { return chosenPath; }, [this](const QString&) { return chosenPath; },
                           [this](const QString& key) {
                               questions.append(key);
                               return confirmReset;
                           }});
        // The recoil tab of the profile panel brings the recoil panel up.
        click("cursor_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return panel->isVisible(); }));
    }

    QString shown(const char* name) const { return control(name)->GetText(); }
    RecoilTables tables() const { return RecoilTables(userDeviceFolder("mouse"), defaultDataFolder()); }
    Json::Value event(int gun, int bullet, int step) const {
        return JsonFileStore::loadJsonFile(tables().workingPath(gun))["Events"][4 * bullet + step];
    }
    std::string fileText(int gun) const { return testing::readText(tables().workingPath(gun)); }

    CShootControlUI* panel = nullptr;
    QStringList messages;
    QStringList questions;
    bool confirmReset = true;
    QString chosenPath;
};

TEST_F(RecoilPanel, TheRecoilTabShowsOnlyThePanelAndTheOtherTabsTakeItAway) {
    auto* areas = control<CTabLayoutUI>("device_function_switch");
    EXPECT_EQ(areas->GetItemAt(areas->GetCurSel()), control("device_function_recoil"));
    EXPECT_FALSE(control("mouse_function_area")->isVisible());
    const QString folder = test::env("PELAN_SCREENSHOT_DIR");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window->GetHWND()->grab().save(folder + "/main_window_recoil_tab.png"));
    click("system_Op_tab");
    EXPECT_TRUE(test::waitFor([&] { return !panel->isVisible(); }));
    EXPECT_TRUE(control("mouse_function_area")->isVisible());
}

TEST_F(RecoilPanel, BulletStepsStopAtTheFirstAndTheLastBullet) {
    click("bullet_op_29");
    EXPECT_EQ(shown("bullet_select_index"), "30");
    click("bullet_selected_next");
    EXPECT_EQ(shown("bullet_select_index"), "30");
    EXPECT_TRUE(control<COptionUI>("bullet_op_29")->IsSelected());
    click("bullet_selected_prev");
    EXPECT_EQ(shown("bullet_select_index"), "29");
    click("bullet_op_0");
    click("bullet_selected_prev");
    EXPECT_EQ(shown("bullet_select_index"), "1");
    EXPECT_TRUE(control<COptionUI>("bullet_op_0")->IsSelected());
    EXPECT_EQ(panel->selectedBullet(), 0);
}

TEST_F(RecoilPanel, EditsAndDirectionsReachTheFileAtOnceWithinTheDeviceLimits) {
    click("bullet_op_2");
    const bool left = event(0, 2, 2)["Action"].asString() == "down";
    EXPECT_EQ(control<CCheckBoxUI>("bullet_x_check")->GetCheck(), left);
    click("bullet_x_check");
    EXPECT_EQ(shown("bullet_x_check"), CResourceManager::GetInstance()->GetText(left ? CShootControlUI::kRightText
                                                                                     : CShootControlUI::kLeftText));
    // Another bullet right after the tick: the new direction is in the file.
    click("bullet_op_5");
    EXPECT_EQ(event(0, 2, 2)["Action"].asString(), left ? "up" : "down");

    type("bullet_delay_eidt", "120");
    EXPECT_EQ(event(0, 5, 3)["Delay"], Json::Value(120));
    type("bullet_x_eidt", "999");
    EXPECT_EQ(shown("bullet_x_eidt"), "255");
    EXPECT_EQ(event(0, 5, 2)["Button"], Json::Value(255));
    type("bullet_delay_eidt", "99999");
    EXPECT_EQ(shown("bullet_delay_eidt"), "65535");
    EXPECT_EQ(event(0, 5, 3)["Delay"], Json::Value(65535));
    // The fire events of the bullet stand as the device plays them.
    EXPECT_EQ(event(0, 5, 0)["Delay"], Json::Value(10));
    EXPECT_EQ(event(0, 5, 1)["Action"], Json::Value("up"));

    // The other bullet shows its own values, and coming back shows the stored ones.
    click("bullet_op_2");
    click("bullet_op_5");
    EXPECT_EQ(shown("bullet_x_eidt"), "255");
    EXPECT_EQ(shown("bullet_delay_eidt"), "65535");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(",").toStdString();
}

TEST_F(RecoilPanel, ResetRestoresTheShownGunOnlyAndRefusesWithoutAFactoryFile) {
    click("shoot_gun_op_1");
    // The chart draws the shown gun's path and follows each edit.
    auto* chart = control<CRecoilChartUI>("shoot_chart");
    const auto drawn = [&](int gun) {
        std::vector<QPoint> points;
        for (const RecoilPoint& point : recoilPath(tables().readTable(gun).value()))
            points.emplace_back(point.x, point.y);
        return points;
    };
    EXPECT_EQ(chart->points(), drawn(1));
    ASSERT_EQ(chart->points().size(), 31u);
    type("bullet_y_eidt", "42");
    EXPECT_EQ(event(1, 0, 3)["Button"], Json::Value(42));
    EXPECT_EQ(chart->points(), drawn(1));
    EXPECT_EQ(std::abs(chart->points()[1].y()), 42);
    click("shoot_gun_op_0");
    type("bullet_y_eidt", "43");
    const std::string gunZero = fileText(0);

    click("shoot_gun_op_1");
    EXPECT_EQ(shown("bullet_y_eidt"), "42");
    // Reset asks first; a cancelled question keeps the table.
    const std::string edited = fileText(1);
    confirmReset = false;
    click("shootdate_reset_btn");
    EXPECT_EQ(questions, QStringList{"message_text_22"});
    EXPECT_EQ(fileText(1), edited);
    confirmReset = true;
    click("shootdate_reset_btn");
    EXPECT_EQ(fileText(1), testing::readText(tables().factoryPath(1)));
    EXPECT_NE(shown("bullet_y_eidt"), "42");
    EXPECT_EQ(fileText(0), gunZero);

    fs::remove(tables().factoryPath(0));
    click("shoot_gun_op_0");
    click("shootdate_reset_btn");
    EXPECT_EQ(messages, QStringList{"recoil_factory_missing_text"});
    EXPECT_EQ(fileText(0), gunZero);
    EXPECT_EQ(shown("bullet_y_eidt"), "43");
}

TEST_F(RecoilPanel, ExportImportAndSaveCarryWholeTables) {
    click("shoot_gun_op_2");
    type("bullet_x_eidt", "17");
    chosenPath = dataDir.filePath("gun3.Shoot");
    click("shootdate_export_btn");
    EXPECT_EQ(JsonFileStore::loadJsonFile(chosenPath.toStdString()),
              JsonFileStore::loadJsonFile(tables().workingPath(2)));

    click("shoot_gun_op_3");
    click("shootdate_import_btn");
    EXPECT_EQ(tables().readTable(3), tables().readTable(2));
    EXPECT_EQ(shown("bullet_x_eidt"), "17");

    // A file that is not a whole table is refused and the gun keeps its table.
    const std::string before = fileText(3);
    testing::writeText(chosenPath.toStdString(), R"({"Events":[]})");
    click("shootdate_import_btn");
    EXPECT_EQ(messages, QStringList{"recoil_import_refused_text"});
    EXPECT_EQ(fileText(3), before);

    // Save stores what the edits show.
    control<CEditUI>("bullet_delay_eidt")->SetText("77");
    click("shootdate_save_btn");
    EXPECT_EQ(event(3, 0, 3)["Delay"], Json::Value(77));
}

} // namespace
} // namespace pelan
