// The profile panel on a mouse page: the combo box and name edit in step with the profile list, the function tabs
// by device kind, the profile buttons with their messages and dialogs, and switching profiles, which reloads the
// page and writes the chosen profile to an emulated mouse.
#include "app/AppTestSupport.h"
#include "device/MouseSettingsBlock.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "panels/CDeviceProfileUI.h"
#include "panels/ProfileRoutes.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "tests/support/EmulatedTree.h"
#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;

// Builds the mouse page and, as the main window does, the profile panel's tag from its own layout.
struct PanelCallback : IDialogBuilderCallback {
    CControlUI* CreateControl(const QString& tag) override {
        if (tag.compare("VeltraMouseDevice", Qt::CaseInsensitive) == 0)
            return new CVeltraMouseDevice();
        if (tag.compare("DeviceProfile", Qt::CaseInsensitive) == 0)
            return new CDeviceProfileUI();
        if (tag.compare("DeviceProfileUI", Qt::CaseInsensitive) == 0)
            return CDialogBuilder().Create("XML/CustomControlXML/DeviceProfile.xml", QString(), this, nullptr);
        return nullptr;
    }
};

// The main window's click table for the profile buttons: what a click on one of them reaches.
struct ClickRouter : INotifyUI {
    CVeltraUSBDevice* page = nullptr;
    void Notify(TNotifyUI& msg) override {
        if (page != nullptr && msg.sType == DUI_MSGTYPE_CLICK && msg.pSender != nullptr)
            routeProfileClick(*page, msg.pSender->GetName());
    }
};

// The skin's mouse page in a window-sized host.
const QString kLayout = QStringLiteral(R"(<Window size="1141,753">
    <Font id="0" size="15" default="true" shared="true"/><Font id="4" size="16" shared="true"/>
    <Font id="5" size="20" shared="true"/><Font id="7" size="14" shared="true"/><Font id="8" size="12" shared="true"/>
    <VerticalLayout name="host_root" bkimage="common/background.png" bkcolor="#FF15171C">
        <Include source="XML/DeviceXml/mousedevice.xml"/>
    </VerticalLayout></Window>)");

class ProfilePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useSourceSkin();
        folder = fs::temp_directory_path() / ("pelan-profile-panel-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        setDataFolderOverride(folder.string());
        setProgramFolderOverride(test::env("PELAN_SOURCE_DIR").toStdString());
        tree = std::make_unique<test::HostedTree>(kLayout, &callback, QSize(1141, 753));
        page = tree->find<CVeltraMouseDevice>("mouse_device_page");
        ASSERT_NE(page, nullptr);
        panel = findProfilePanel(*page);
        ASSERT_NE(panel, nullptr);
        router.page = page;
        tree->pm.AddNotifier(&router);
        panel->setPrompts({[this](const QString& text, bool, bool withCancel) {
                               messages.append(text);
                               return withCancel ? answer : 1;
                           },
                           [this](const QString& filter) {
                               filters.append(filter);
                               return chosenPath;
                           },
                           [this](const QString& filter) {
                               filters.append(filter);
                               return chosenPath;
                           }});
    }

    void TearDown() override {
        tree.reset();
        setDataFolderOverride("");
        setProgramFolderOverride("");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // Binds the page the way the main window does for a device of `kind`.
    void bind(int kind = kDeviceKindMouse) {
        SupportedDeviceEntry entry;
        entry.deviceKind = kind;
        page->onConnected(entry);
        page->clearProfileName();
        page->bindPageControls();
    }

    // A real click on the named button; the profile functions are unfolded first when the button is among them.
    void click(const char* name) {
        CControlUI* button = tree->find<CControlUI>(name);
        ASSERT_NE(button, nullptr) << name;
        if (!button->isVisible()) {
            CControlUI* spread = tree->find<CControlUI>("profile_fun_spread_btn");
            QTest::mouseClick(spread, Qt::LeftButton, {}, test::centerOf(spread));
            QApplication::processEvents();
        }
        ASSERT_TRUE(button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, test::centerOf(button));
        QApplication::processEvents();
    }

    CComboUI* combo() { return tree->find<CComboUI>("device_profile_combo"); }
    CEditUI* nameEdit() { return tree->find<CEditUI>("device_profile_name_edit"); }
    QStringList comboTexts() {
        QStringList texts;
        for (int i = 0; i < combo()->GetCount(); ++i)
            texts.append(combo()->GetItemAt(i)->GetText());
        return texts;
    }
    QStringList listNames() {
        QStringList names;
        for (const ProfileItem& item : panel->profiles().items())
            names.append(QString::fromStdString(item.name));
        return names;
    }
    std::string mouseFolder() { return (folder / "mouse/").string(); }
    Json::Value listFile() { return JsonFileStore::loadJsonFile(mouseFolder() + "ProfileList.ini"); }
    std::string idAt(size_t index) { return panel->profiles().items().at(index).id; }
    Json::Value profileFile(const std::string& id) { return JsonFileStore::loadJsonFile(mouseFolder() + id + ".Json"); }
    void setStageZeroCode(const std::string& id, int code) {
        Json::Value tree = profileFile(id);
        tree["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"] = code;
        tree["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIY"] = code;
        ASSERT_EQ(JsonFileStore::writeJsonFile(mouseFolder() + id + ".Json", tree), 0);
    }

    fs::path folder;
    PanelCallback callback;
    ClickRouter router;
    std::unique_ptr<test::HostedTree> tree;
    CVeltraMouseDevice* page = nullptr;
    CDeviceProfileUI* panel = nullptr;
    QStringList messages;
    QStringList filters;
    QString chosenPath;
    int answer = 1;
};

TEST_F(ProfilePanelTest, BindingStartsTheListAndMirrorsItOnceWhateverTheNumberOfBinds) {
    bind();
    ASSERT_EQ(comboTexts(), QStringList{"profile1"});
    CControlUI* item = combo()->GetItemAt(0);
    EXPECT_EQ(item->GetUserData(), "profile1");
    EXPECT_EQ(item->GetFixedHeight(), CDeviceProfileUI::kItemHeight);
    EXPECT_EQ(combo()->GetCurSel(), 0);
    EXPECT_EQ(nameEdit()->GetText(), "profile1");
    // The page shows the selected profile, whose file was made from the default profile.
    EXPECT_EQ(page->model().profileName, idAt(0));
    EXPECT_TRUE(profileFile(idAt(0))["Device"].isArray());

    bind();
    EXPECT_EQ(comboTexts(), QStringList{"profile1"});
    EXPECT_EQ(listFile()["profilelist"].size(), 1u);
}

TEST_F(ProfilePanelTest, FunctionTabsFollowTheDeviceKindAndSelectOneAtATime) {
    auto visible = [this](const char* name) { return tree->find<COptionUI>(name)->IsVisibleFlag(); };
    auto selected = [this] {
        QStringList names;
        for (const char* name : CDeviceProfileUI::kTabOptions)
            if (tree->find<COptionUI>(name)->IsSelected())
                names.append(name);
        return names;
    };
    bind(kDeviceKindMouse);
    EXPECT_TRUE(visible("cursor_Op_tab"));
    EXPECT_TRUE(visible("key_Op_tab"));
    EXPECT_FALSE(visible("magic_Op_tab"));
    EXPECT_EQ(selected(), QStringList{"deng_Op_tab"});

    panel->selectTab(3);
    EXPECT_EQ(selected(), QStringList{"macro_Op_tab"});
    panel->selectTab(0);
    EXPECT_TRUE(selected().isEmpty());

    bind(kDeviceKindHeadset);
    for (const char* hidden : {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"})
        EXPECT_FALSE(visible(hidden)) << hidden;
    EXPECT_TRUE(visible("6533_voice_Op_tab"));
    EXPECT_TRUE(visible("magic_Op_tab"));
    EXPECT_TRUE(visible("deng_Op_tab"));
}

TEST_F(ProfilePanelTest, AddCopyAndDeleteKeepTheComboInStepAndThePageOnALiveProfile) {
    bind();
    // A new profile is selected in the window, the page and the list file alike.
    click("device_add_btn");
    EXPECT_EQ(combo()->GetCurSel(), 1);
    EXPECT_EQ(nameEdit()->GetText(), "profile2");
    EXPECT_EQ(page->model().profileName, idAt(1));
    EXPECT_EQ(listFile()["profileselect"].asInt(), 1);
    click("device_copy_btn");
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile2", "profile2 copy"}));
    EXPECT_EQ(comboTexts(), listNames());
    EXPECT_EQ(combo()->GetCurSel(), 1);
    EXPECT_EQ(combo()->GetItemAt(2)->GetUserData(), "profile2 copy");

    const std::string deleted = idAt(1);
    click("device_sub_btn");
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile2 copy"}));
    EXPECT_EQ(combo()->GetCurSel(), 0);
    EXPECT_EQ(nameEdit()->GetText(), "profile1");
    EXPECT_FALSE(fs::exists(mouseFolder() + deleted + ".Json"));
    // The page moved to the new selection: a save of the page goes to a listed profile, never the removed file.
    EXPECT_EQ(page->model().profileName, idAt(0));
    page->model().saveProfile();
    EXPECT_FALSE(fs::exists(mouseFolder() + deleted + ".Json"));

    // The last profile stays.
    click("device_sub_btn");
    click("device_sub_btn");
    EXPECT_EQ(comboTexts(), QStringList{"profile2 copy"});
    // Each delete that could happen asked first.
    EXPECT_EQ(messages, QStringList(2, "message_text_320"));
}

TEST_F(ProfilePanelTest, RenameShowsWhyANameIsRefusedAndKeepsTheTypedText) {
    bind();
    click("device_add_btn");
    const struct {
        const char* name;
        const char* message;
    } refused[] = {{"", "message_text_5_4"}, {"   ", "message_text_5_4"}, {"PROFILE1", "message_text_5"}};
    for (const auto& attempt : refused) {
        messages.clear();
        nameEdit()->SetText(attempt.name);
        click("device_profile_edit_save_btn");
        EXPECT_EQ(messages, QStringList{attempt.message}) << attempt.name;
        EXPECT_EQ(nameEdit()->GetText(), attempt.name);
        EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile2"}));
    }

    // The new profile is the selected one: the name goes to it.
    messages.clear();
    nameEdit()->SetText("FPS low sens");
    click("device_profile_edit_save_btn");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "FPS low sens"}));
    EXPECT_EQ(combo()->GetItemAt(1)->GetUserData(), "FPS low sens");
    EXPECT_EQ(listFile()["profilelist"][1]["profilename"].asString(), "FPS low sens");
    EXPECT_EQ(profileFile(idAt(1))["profilename"].asString(), "FPS low sens");
}

TEST_F(ProfilePanelTest, ExportAndImportGoThroughTheChosenFileAndExplainWhatIsNotAProfile) {
    bind();
    const std::string exported = (folder / "out.json").string();
    chosenPath = QString::fromStdString(exported);
    click("device_export_btn");
    EXPECT_EQ(JsonFileStore::loadJsonFile(exported), profileFile(idAt(0)));

    click("device_import_btn");
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile1(1)"}));
    EXPECT_EQ(filters, (QStringList{"Profile Files(*.json)", "Profile Files(*.json)"}));
    EXPECT_NE(idAt(1), idAt(0));
    EXPECT_EQ(profileFile(idAt(1))["Device"], profileFile(idAt(0))["Device"]);

    // A hostile file that names a file outside the folder, a broken one, and a cancelled dialog add nothing.
    const std::string hostile = (folder / "hostile.json").string();
    Json::Value bad;
    bad["profilename"] = "evil";
    bad["profileUUID"] = "../../escape";
    bad["Device"] = "not a list";
    ASSERT_EQ(JsonFileStore::writeJsonFile(hostile, bad), 0);
    std::ofstream((folder / "broken.json").string()) << "{\"profilename\": ";
    for (const QString& path :
         {QString::fromStdString(hostile), QString::fromStdString((folder / "broken.json").string()), QString()}) {
        chosenPath = path;
        click("device_import_btn");
    }
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile1(1)"}));
    EXPECT_EQ(messages, QStringList(2, "message_text_321"));
    EXPECT_FALSE(fs::exists(folder.parent_path() / "escape.Json"));

    // An export into a folder that is not there fails with its message.
    messages.clear();
    chosenPath = QString::fromStdString((folder / "missing" / "out.json").string());
    click("device_export_btn");
    EXPECT_EQ(messages, QStringList{"message_text_323"});
}

TEST_F(ProfilePanelTest, ResetAsksFirstAndThenReloadsThePageFromTheDefaults) {
    bind();
    setStageZeroCode(idAt(0), 41);
    const Json::Value defaults = JsonFileStore::loadJsonFile(page->model().defaultProfilePath());
    ASSERT_TRUE(defaults["Device"].isArray());

    answer = 0;
    click("device_reset_btn");
    EXPECT_EQ(messages, QStringList{"message_text_22"});
    EXPECT_EQ(profileFile(idAt(0))["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt(), 41);

    answer = 1;
    click("device_reset_btn");
    EXPECT_EQ(profileFile(idAt(0))["Device"], defaults["Device"]);
    EXPECT_EQ(profileFile(idAt(0))["profilename"].asString(), "profile1");
    EXPECT_EQ(page->mouse().profileData.getDpiStages().at(0).dpiX,
              defaults["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt());
}

TEST_F(ProfilePanelTest, AProfileOfAnotherDeviceKindIsRefusedWithAMessage) {
    bind();
    const size_t filesBefore = size_t(std::distance(fs::directory_iterator(mouseFolder()), {}));
    chosenPath = QString::fromStdString(test::env("PELAN_SOURCE_DIR").toStdString() + "/DefaultData/keyboard.Json");
    click("device_import_btn");
    EXPECT_EQ(messages, QStringList{"message_text_30"});
    EXPECT_EQ(comboTexts(), QStringList{"profile1"});
    EXPECT_EQ(size_t(std::distance(fs::directory_iterator(mouseFolder()), {})), filesBefore);
}

TEST_F(ProfilePanelTest, WithoutAFactoryProfileResetAndAddChangeNeitherFilesNorTheMouse) {
    const fs::path program = folder / "program";
    fs::create_directories(program / "DefaultData");
    fs::copy(test::env("PELAN_SOURCE_DIR").toStdString() + "/DefaultData", program / "DefaultData",
             fs::copy_options::recursive);
    setProgramFolderOverride(program.string());
    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
    ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(emulated.tree().plug(mouse), 4), false));
    bind();
    setStageZeroCode(idAt(0), 41);
    const std::string before = testing::readText(mouseFolder() + idAt(0) + ".Json");
    fs::remove(program / "DefaultData" / "mouse.Json");
    mouse->clearRequestLog();

    click("device_reset_btn");
    click("device_add_btn");
    EXPECT_EQ(messages, (QStringList{"message_text_22", "message_text_31", "message_text_31"}));
    EXPECT_EQ(testing::readText(mouseFolder() + idAt(0) + ".Json"), before);
    EXPECT_EQ(comboTexts(), QStringList{"profile1"});
    EXPECT_EQ(mouse->requestCount(), 0u);
    page->closeCommandInterface();

    // First start without it: no profile is made, the user is told, and the page has no profile to write.
    messages.clear();
    fs::remove_all(mouseFolder());
    bind();
    EXPECT_EQ(messages, QStringList{"message_text_31"});
    EXPECT_TRUE(fs::is_empty(mouseFolder()));
    EXPECT_EQ(page->model().profileName, "");
}

TEST_F(ProfilePanelTest, AListChangedByPelanctlShowsAtOnceAndThePageFollowsItsSelection) {
    bind();
    click("device_add_btn");
    ProfileList other; // what pelanctl does beside the window
    other.setFolders(mouseFolder(), page->model().defaultProfilePath());
    ASSERT_EQ(other.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(other.copyProfile(), ProfileListResult::Done);
    ASSERT_TRUE(test::waitFor([&] { return comboTexts().size() == 3; }));
    EXPECT_EQ(comboTexts(), (QStringList{"profile1", "profile2", "profile2 copy"}));

    // A profile selected there is selected here too, page included.
    ASSERT_EQ(other.selectProfile(0), ProfileListResult::Done);
    ASSERT_TRUE(test::waitFor([&] { return page->model().profileName == idAt(0); }));
    EXPECT_EQ(combo()->GetCurSel(), 0);
    ASSERT_EQ(other.deleteProfile(), ProfileListResult::Done); // the window's selected profile
    ASSERT_TRUE(test::waitFor([&] { return comboTexts().size() == 2; }));
    EXPECT_EQ(page->model().profileName, other.getCurrentProfileId());
    EXPECT_EQ(nameEdit()->GetText(), "profile2");

    // The window's next change keeps pelanctl's, and every profile file stays listed.
    click("device_copy_btn");
    EXPECT_EQ(listNames(), (QStringList{"profile2", "profile2 copy", "profile2 copy copy"}));
    EXPECT_EQ(listFile()["profilelist"].size(), 3u);
    size_t profileFiles = 0;
    for (const auto& entry : fs::directory_iterator(mouseFolder()))
        profileFiles += entry.path().extension() == ".Json";
    EXPECT_EQ(profileFiles, 3u);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ProfilePanelTest, AnUnreadableListIsRebuiltAndTheUserToldOnce) {
    bind();
    click("device_add_btn");
    std::ofstream(mouseFolder() + "ProfileList.ini") << "{\"profilelist\": [";
    bind();
    EXPECT_EQ(messages, QStringList{"message_text_32"});
    EXPECT_EQ(comboTexts().size(), 2);
    bind();
    EXPECT_EQ(messages, QStringList{"message_text_32"});
}

TEST_F(ProfilePanelTest, TheSpreadButtonFoldsTheProfileFunctions) {
    bind();
    EXPECT_FALSE(panel->isMenuVisible());
    const QString screenshots = test::env("PELAN_SCREENSHOT_DIR");
    if (!screenshots.isEmpty() && QDir().mkpath(screenshots)) {
        click("profile_fun_spread_btn");
        QApplication::processEvents();
        EXPECT_TRUE(tree->host.grab().save(screenshots + "/profile_panel.png"));
        click("profile_fun_spread_btn");
    }
    click("profile_fun_spread_btn");
    EXPECT_TRUE(panel->isMenuVisible());
    EXPECT_TRUE(tree->find<CControlUI>("profile_menu_layout")->IsVisibleFlag());
    click("profile_fun_spread_btn");
    EXPECT_FALSE(panel->isMenuVisible());
    EXPECT_FALSE(routeProfileClick(*page, "device_add_button"));
}

// The panel in front of an emulated mouse, whose memory shows what was written.
class ProfilePanelWithMouse : public ProfilePanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProfilePanelTest::SetUp());
        const int id = emulated.tree().plug(mouse);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(id, 4), false));
        bind();
    }
    void TearDown() override {
        if (page != nullptr)
            page->closeCommandInterface();
        ProfilePanelTest::TearDown();
    }

    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
};

// An imported profile the mouse cannot take as it is: the user is told which members changed, and the mouse gets
// the nearest values it takes (today's main wrote report rate 249, every stage off and brightness 255).
TEST_F(ProfilePanelWithMouse, AnImportedProfileOutOfRangeIsClampedNamedAndWrittenSo) {
    Json::Value wild = profileFile(idAt(0));
    wild["Device"][0]["DPIStages"]["StageActive"] = -7;
    wild["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"] = -5;
    wild["Device"][0]["ReportStages"]["StageActive"] = -7;
    wild["Device"][0]["LightInfo"]["Light"] = 255;
    const std::string file = (folder / "wild.json").string();
    ASSERT_EQ(JsonFileStore::writeJsonFile(file, wild), 0);
    chosenPath = QString::fromStdString(file);
    click("device_import_btn");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("LightInfo.Light, DPIStages.StageActive, DPIStages.StageDPIs[0].StageDPIX and "
                                     "ReportStages.StageActive"))
        << messages[0].toStdString();
    EXPECT_EQ(profileFile(idAt(1))["Device"][0]["LightInfo"]["Light"].asInt(), 4);

    combo()->SelectItem1(1, false, true);
    switchToChosenProfile(*page);
    EXPECT_EQ(mouse->readMemory(mouse_block::kBrightness, 1).at(0), 4);
    EXPECT_EQ(mouse->readMemory(mouse_block::kReportRate, 1).at(0), 0);
    EXPECT_EQ(mouse->readMemory(mouse_block::kActiveStage, 1).at(0), 0);
    EXPECT_EQ(mouse->readMemory(mouse_block::kStageCode[0], 2), (std::vector<uint8_t>{0, 0}));
}

// A profile file edited by hand out of range: choosing it tells the user which members were changed, once, and the
// mouse and the file get the nearest values the mouse takes.
TEST_F(ProfilePanelWithMouse, ChoosingAHandEditedProfileOutOfRangeNamesWhatWasChanged) {
    click("device_add_btn"); // selects the new profile
    Json::Value edited = profileFile(idAt(0));
    edited["Device"][0]["LightInfo"]["Light"] = 255;
    edited["Device"][0]["ReportStages"]["StageActive"] = -7;
    ASSERT_EQ(JsonFileStore::writeJsonFile(mouseFolder() + idAt(0) + ".Json", edited), 0);
    messages.clear();

    combo()->SelectItem1(0, false, true);
    switchToChosenProfile(*page);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The profile was loaded.")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].endsWith(": LightInfo.Light and ReportStages.StageActive.")) << messages[0].toStdString();
    EXPECT_EQ(mouse->readMemory(mouse_block::kBrightness, 1).at(0), 4);
    EXPECT_EQ(mouse->readMemory(mouse_block::kReportRate, 1).at(0), 0);
    EXPECT_EQ(profileFile(idAt(0))["Device"][0]["LightInfo"]["Light"].asInt(), 4);

    combo()->SelectItem1(1, false, true);
    switchToChosenProfile(*page);
    combo()->SelectItem1(0, false, true);
    switchToChosenProfile(*page);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ProfilePanelWithMouse, ChoosingAProfileWritesItToTheMouse) {
    click("device_add_btn"); // selects the new profile
    setStageZeroCode(idAt(0), 41);
    const size_t stageZero = mouse_block::kStageCode[0];

    combo()->SelectItem1(0, false, true);
    switchToChosenProfile(*page);
    EXPECT_EQ(panel->profiles().getSelectedIndex(), 0);
    EXPECT_EQ(listFile()["profileselect"].asInt(), 0);
    EXPECT_EQ(page->model().profileName, idAt(0));
    EXPECT_EQ(nameEdit()->GetText(), "profile1");
    EXPECT_EQ(mouse->readMemory(stageZero, 1).at(0), 41);

    // Choosing the profile that is already selected writes nothing.
    mouse->clearRequestLog();
    switchToChosenProfile(*page);
    EXPECT_EQ(mouse->requestCount(), 0u);

    combo()->SelectItem1(1, false, true);
    switchToChosenProfile(*page);
    const int defaultCode = profileFile(idAt(1))["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt();
    EXPECT_EQ(mouse->readMemory(stageZero, 1).at(0), defaultCode);
    EXPECT_NE(defaultCode, 41);
}

} // namespace
} // namespace pelan
