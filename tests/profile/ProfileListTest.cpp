#include "profile/ProfileList.h"
#include "profile/ProfileFollower.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::TempFolder;
using testing::writeText;

constexpr const char* kDefaultProfile = R"({"profilename": "Default", "profileUUID": "factory", "Device": [{
    "LightInfo": {"Light": 3},
    "KeyList": [{"Assignment": 1}, {"Assignment": 2}],
    "CustomEQNameInfo": [{"Name": "factory eq"}],
    "CustomEQHzValueInfo": [[{"value": 0}]]}]})";

// A user device folder "dev/" inside a scratch folder, so that a test can see any file written beside it.
class ProfileListTest : public ::testing::Test {
protected:
    ProfileListTest() {
        std::filesystem::create_directory(deviceFolder());
        writeText(defaultPath(), kDefaultProfile);
        list.setDeviceKind(2);
        list.setFolders(deviceFolder(), defaultPath());
    }

    std::string deviceFolder() const { return scratch.file("dev/"); }
    std::string defaultPath() const { return scratch.file("default.Json"); }
    Json::Value listFile() const { return JsonFileStore::loadJsonFile(deviceFolder() + "ProfileList.ini"); }
    Json::Value profileFile(const std::string& id) const { return JsonFileStore::loadJsonFile(list.profilePath(id)); }

    void writeList(const std::string& text) const { writeText(deviceFolder() + "ProfileList.ini", text); }
    // A list of profiles with these names whose files hold `LightInfo.Light` = their index.
    void writeProfiles(const std::vector<std::string>& names, int select = 0) const {
        Json::Value root;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string id = "id" + std::to_string(i);
            root["profilelist"][static_cast<Json::ArrayIndex>(i)]["profilename"] = names[i];
            root["profilelist"][static_cast<Json::ArrayIndex>(i)]["profileUUID"] = id;
            Json::Value profile = JsonFileStore::loadJsonFile(defaultPath());
            profile["profilename"] = names[i];
            profile["profileUUID"] = id;
            profile["Device"][0]["LightInfo"]["Light"] = static_cast<int>(i);
            JsonFileStore::writeJsonFile(list.profilePath(id), profile);
        }
        root["profileselect"] = select;
        JsonFileStore::writeJsonFile(deviceFolder() + "ProfileList.ini", root);
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const ProfileItem& item : list.items())
            result.push_back(item.name);
        return result;
    }

    // The items, the list file's entries and (with `withFiles`) the profile files all tell the same story.
    void expectInStep(bool withFiles = true) const {
        Json::Value root = listFile();
        ASSERT_EQ(root["profilelist"].size(), list.items().size());
        for (Json::ArrayIndex i = 0; i < root["profilelist"].size(); ++i) {
            const ProfileItem& item = list.items()[i];
            EXPECT_EQ(root["profilelist"][i]["profilename"].asString(), item.name);
            EXPECT_EQ(root["profilelist"][i]["profileUUID"].asString(), item.id);
            if (!withFiles)
                continue;
            EXPECT_EQ(profileFile(item.id)["profilename"].asString(), item.name);
            EXPECT_EQ(profileFile(item.id)["profileUUID"].asString(), item.id);
        }
    }

    TempFolder scratch;
    ProfileList list;
};

TEST_F(ProfileListTest, FirstStartMakesProfile1FromTheDefaultProfile) {
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(names(), std::vector<std::string>{"profile1"});
    EXPECT_EQ(list.getSelectedIndex(), 0);

    Json::Value root = listFile();
    const Json::Value& entry = root["profilelist"][0];
    EXPECT_EQ(entry.getMemberNames(),
              (std::vector<std::string>{"profileUUID", "profileislink", "profilelinkmame", "profilename"}));
    EXPECT_EQ(entry["profileislink"], Json::Value(0));
    EXPECT_EQ(entry["profilelinkmame"], Json::Value(""));
    EXPECT_EQ(root["profileselect"], Json::Value(0));
    EXPECT_EQ(entry["profileUUID"].asString(), list.getCurrentProfileId());
    EXPECT_EQ(list.getCurrentProfilePath(), deviceFolder() + list.getCurrentProfileId() + ".Json");
    EXPECT_EQ(profileFile(list.getCurrentProfileId())["Device"], JsonFileStore::loadJsonFile(defaultPath())["Device"]);
    expectInStep();
}

TEST_F(ProfileListTest, WithoutAReadableDefaultProfileFirstStartAddAndResetChangeNothing) {
    writeText(defaultPath(), R"({"profilename": "Default", "Device": [null]})");
    EXPECT_EQ(list.initProfileList(), ProfileListResult::NoFactoryProfile);
    EXPECT_EQ(list.getCurrentProfileId(), "");
    EXPECT_TRUE(std::filesystem::is_empty(deviceFolder()));
    EXPECT_EQ(messageKeyFor(ProfileListResult::NoFactoryProfile), "message_text_31");

    writeProfiles({"A"});
    const std::string before = testing::readText(list.profilePath("id0"));
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    std::filesystem::remove(defaultPath());
    EXPECT_EQ(list.addProfile(), ProfileListResult::NoFactoryProfile);
    EXPECT_EQ(list.resetProfile(), ProfileListResult::NoFactoryProfile);
    EXPECT_EQ(testing::readText(list.profilePath("id0")), before);
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    expectInStep();
}

TEST_F(ProfileListTest, InitKeepsAStoredListAndNeverDuplicatesItems) {
    writeProfiles({"A", "B", "C"}, 2);
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(list.getSelectedIndex(), 2);
    EXPECT_EQ(list.getCurrentProfileId(), "id2");
}

TEST_F(ProfileListTest, ASelectionOutOfRangeSelectsTheFirstAndRepairsTheFile) {
    for (const char* select : {"3", "-1", "\"1\"", "1.5", "null", "99999999999"}) {
        writeList(R"({"profilelist": [{"profilename": "A", "profileUUID": "a"}, {"profilename": "B",
                   "profileUUID": "b"}], "profileselect": )" +
                  std::string(select) + "}");
        ASSERT_EQ(list.initProfileList(), ProfileListResult::Done) << select;
        EXPECT_EQ(list.getSelectedIndex(), 0) << select;
        EXPECT_EQ(listFile()["profileselect"], Json::Value(0)) << select;
    }
}

TEST_F(ProfileListTest, SelectingStoresTheChoiceAndNamesTheFileToLoad) {
    writeProfiles({"A", "B"});
    list.initProfileList();
    ASSERT_EQ(list.selectProfile(1), ProfileListResult::Done);
    EXPECT_EQ(list.getCurrentProfilePath(), deviceFolder() + "id1.Json");
    EXPECT_EQ(listFile()["profileselect"], Json::Value(1));

    EXPECT_EQ(list.selectProfile(2), ProfileListResult::NoSuchProfile);
    EXPECT_EQ(list.selectProfile(-1), ProfileListResult::NoSuchProfile);
    EXPECT_EQ(list.getSelectedIndex(), 1);
    EXPECT_EQ(listFile()["profilelist"].size(), 2u);
}

TEST_F(ProfileListTest, AddTakesTheFirstFreeNameIgnoringCaseAndSelectsIt) {
    writeProfiles({"profile1", "PROFILE3"});
    list.initProfileList();
    ASSERT_EQ(list.addProfile(), ProfileListResult::Done);
    ASSERT_EQ(list.addProfile(), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"profile1", "PROFILE3", "profile2", "profile4"}));
    // The list and its file agree on the newest profile, so a restart opens the profile shown.
    EXPECT_EQ(list.getSelectedIndex(), 3);
    EXPECT_EQ(listFile()["profileselect"], Json::Value(3));
    EXPECT_EQ(profileFile(list.items()[2].id)["Device"], JsonFileStore::loadJsonFile(defaultPath())["Device"]);
    expectInStep();
}

TEST_F(ProfileListTest, AtFiftyProfilesAddRefusesWhileCopyAndImportStillAdd) {
    std::vector<std::string> fifty;
    for (int i = 0; i < 50; ++i)
        fifty.push_back("P" + std::to_string(i));
    writeProfiles(fifty);
    list.initProfileList();
    EXPECT_EQ(list.addProfile(), ProfileListResult::LimitReached);
    EXPECT_EQ(list.copyProfile(), ProfileListResult::Done);
    EXPECT_EQ(list.importProfile(list.profilePath("id3")), ProfileListResult::Done);
    EXPECT_EQ(names().size(), 52u);
    EXPECT_EQ(names().back(), "P3(1)");
    expectInStep();
}

TEST_F(ProfileListTest, CopyChainsTheSuffixAndCopiesEverySetting) {
    writeProfiles({"A", "a COPY"});
    list.initProfileList();
    ASSERT_EQ(list.copyProfile(), ProfileListResult::Done);
    EXPECT_EQ(names().back(), "A copy copy");
    const ProfileItem& copy = list.items().back();
    EXPECT_NE(copy.id, "id0");
    EXPECT_EQ(profileFile(copy.id)["Device"], profileFile("id0")["Device"]);
    EXPECT_EQ(listFile()["profileselect"], Json::Value(0));
    expectInStep();
}

TEST_F(ProfileListTest, ImportChainsTheNumberAndGivesANewIdentifier) {
    writeProfiles({"A", "A(1)"});
    list.initProfileList();
    Json::Value in = profileFile("id0");
    in["profileUUID"] = "../../evil";
    in["Device"][0]["LightInfo"]["Light"] = 77;
    JsonFileStore::writeJsonFile(scratch.file("in.json"), in);
    ASSERT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::Done);
    const ProfileItem& imported = list.items().back();
    EXPECT_EQ(imported.name, "A(1)(2)");
    EXPECT_NE(imported.id, "../../evil");
    EXPECT_EQ(profileFile(imported.id)["Device"][0]["LightInfo"]["Light"].asInt(), 77);
    EXPECT_EQ(listFile()["profileselect"], Json::Value(0));
    expectInStep();
}

TEST_F(ProfileListTest, ImportRefusesAProfileOfAnotherDeviceKind) {
    writeProfiles({"A"});
    list.initProfileList();
    Json::Value lacking = profileFile("id0");
    lacking["Device"][0].removeMember("CustomEQNameInfo");
    Json::Value moreKeys = profileFile("id0");
    moreKeys["Device"][0]["KeyList"].append(Json::Value(Json::objectValue));
    Json::Value noNode = profileFile("id0");
    noNode.removeMember("Device");
    for (const Json::Value& other : {lacking, moreKeys, noNode}) {
        JsonFileStore::writeJsonFile(scratch.file("in.json"), other);
        EXPECT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::OtherDeviceKind);
    }
    EXPECT_EQ(messageKeyFor(ProfileListResult::OtherDeviceKind), "message_text_30");
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deviceFolder()), {}), 2);
}

TEST_F(ProfileListTest, NamesKeepToOneCapInEveryOperation) {
    const std::string longest(64, 'n');
    writeProfiles({std::string(61, 'c'), "x"});
    list.initProfileList();
    EXPECT_EQ(list.renameProfile(longest + "n"), ProfileListResult::NameTooLong);
    EXPECT_EQ(messageKeyFor(ProfileListResult::NameTooLong), "message_text_33");
    EXPECT_EQ(list.copyProfile(), ProfileListResult::NameTooLong); // "<61 c> copy" is 66 long

    Json::Value in = profileFile("id1");
    in["profilename"] = longest + "-cut";
    JsonFileStore::writeJsonFile(scratch.file("in.json"), in);
    ASSERT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::Done);
    EXPECT_EQ(names().back(), longest);
    EXPECT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::NameTooLong);

    ASSERT_EQ(list.renameProfile(longest.substr(1) + "m"), ProfileListResult::Done);
    // A name made too long by hand is cut when the list is read.
    writeList(R"({"profilelist": [{"profilename": ")" + longest + R"(xyz", "profileUUID": "id0"}]})");
    list.initProfileList();
    EXPECT_EQ(names(), std::vector<std::string>{longest});
}

TEST_F(ProfileListTest, AnImportThatIsNotAProfileWritesNothing) {
    writeProfiles({"A"});
    list.initProfileList();
    const std::vector<std::string> refused = {
        "",
        "{broken",
        "[1, 2]",
        R"({"profilename": "X"})",
        R"({"profilename": 5, "profileUUID": "u"})",
        R"({"profilename": "X", "profileUUID": []})",
        R"({"profilename": "X", "profileUUID": "u", "Device": {"0": {}}})",
        R"({"profilename": "X", "profileUUID": "u", "Device": [{}, 3]})",
    };
    for (const std::string& text : refused) {
        writeText(scratch.file("in.json"), text);
        EXPECT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::NotAProfile) << text;
    }
    EXPECT_EQ(list.importProfile(scratch.file("absent.json")), ProfileListResult::NotAProfile);
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deviceFolder()), {}), 2); // list and one profile
}

TEST_F(ProfileListTest, DeleteSelectsTheProfileBeforeAndRemovesTheFile) {
    writeProfiles({"A", "B", "C"});
    list.initProfileList();
    ASSERT_EQ(list.deleteProfile(), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(list.getSelectedIndex(), 0);
    EXPECT_EQ(list.getCurrentProfileId(), "id1");
    EXPECT_FALSE(std::filesystem::exists(list.profilePath("id0")));

    writeProfiles({"A", "B", "C"}, 2);
    list.initProfileList();
    ASSERT_EQ(list.deleteProfile(), ProfileListResult::Done);
    EXPECT_EQ(list.getSelectedIndex(), 1);
    EXPECT_EQ(list.getCurrentProfileId(), "id1");
    EXPECT_EQ(listFile()["profileselect"], Json::Value(1));
    EXPECT_FALSE(std::filesystem::exists(list.profilePath("id2")));
    expectInStep();

    ASSERT_EQ(list.deleteProfile(), ProfileListResult::Done);
    EXPECT_EQ(list.deleteProfile(), ProfileListResult::LastProfile);
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    EXPECT_TRUE(std::filesystem::exists(list.profilePath("id0")));
}

TEST_F(ProfileListTest, DeletingOneOfTwoEntriesSharingAFileKeepsTheFile) {
    writeList(R"({"profilelist": [{"profilename": "A", "profileUUID": "same"},
                                  {"profilename": "B", "profileUUID": "same"}], "profileselect": 0})");
    writeText(list.profilePath("same"), R"({"profilename": "A", "profileUUID": "same"})");
    list.initProfileList();
    ASSERT_EQ(list.deleteProfile(), ProfileListResult::Done);
    EXPECT_TRUE(std::filesystem::exists(list.profilePath("same")));
}

TEST_F(ProfileListTest, RenameRefusesBadAndDuplicateNamesButAcceptsItsOwnInAnotherCase) {
    writeProfiles({"Alpha", "Beta"});
    list.initProfileList();
    EXPECT_EQ(list.renameProfile("BETA"), ProfileListResult::DuplicateName);
    EXPECT_EQ(list.renameProfile(""), ProfileListResult::InvalidName);
    EXPECT_EQ(list.renameProfile("   "), ProfileListResult::InvalidName);
    EXPECT_EQ(list.renameProfile("two\nlines"), ProfileListResult::InvalidName);
    EXPECT_EQ(names(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(messageKeyFor(ProfileListResult::DuplicateName), "message_text_5");
    EXPECT_EQ(messageKeyFor(ProfileListResult::InvalidName), "message_text_5_4");
    EXPECT_EQ(messageKeyFor(ProfileListResult::LimitReached), "message_text_324");

    ASSERT_EQ(list.renameProfile("ALPHA"), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"ALPHA", "Beta"}));
    EXPECT_EQ(profileFile("id0")["Device"][0]["LightInfo"]["Light"].asInt(), 0); // settings untouched
    // Spaces are part of a name, as in the names Copy makes.
    ASSERT_EQ(list.renameProfile("FPS low sens"), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"FPS low sens", "Beta"}));
    expectInStep();
}

TEST_F(ProfileListTest, HeadsetResetKeepsTheCustomEqualiserAndRestoresTheRest) {
    list.setDeviceKind(7);
    writeProfiles({"Mine"});
    Json::Value profile = profileFile("id0");
    profile["Device"][0]["LightInfo"]["Light"] = 9;
    profile["Device"][0]["CustomEQNameInfo"][0]["Name"] = "bass";
    profile["Device"][0]["CustomEQHzValueInfo"][0][0]["value"] = 6;
    JsonFileStore::writeJsonFile(list.profilePath("id0"), profile);
    list.initProfileList();
    std::string listBefore = testing::readText(deviceFolder() + "ProfileList.ini");

    ASSERT_EQ(list.resetProfile(), ProfileListResult::Done);
    Json::Value reset = profileFile("id0");
    EXPECT_EQ(reset["profilename"].asString(), "Mine");
    EXPECT_EQ(reset["profileUUID"].asString(), "id0");
    EXPECT_EQ(reset["Device"][0]["LightInfo"]["Light"].asInt(), 3);
    EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"], profile["Device"][0]["CustomEQNameInfo"]);
    EXPECT_EQ(reset["Device"][0]["CustomEQHzValueInfo"], profile["Device"][0]["CustomEQHzValueInfo"]);
    EXPECT_EQ(testing::readText(deviceFolder() + "ProfileList.ini"), listBefore);

    // A profile without custom presets takes the default ones rather than losing them.
    profile["Device"][0].removeMember("CustomEQNameInfo");
    JsonFileStore::writeJsonFile(list.profilePath("id0"), profile);
    ASSERT_EQ(list.resetProfile(), ProfileListResult::Done);
    EXPECT_EQ(profileFile("id0")["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "factory eq");
    EXPECT_EQ(profileFile("id0")["Device"][0]["CustomEQHzValueInfo"], profile["Device"][0]["CustomEQHzValueInfo"]);

    // Another kind takes the default equaliser too.
    list.setDeviceKind(2);
    JsonFileStore::writeJsonFile(list.profilePath("id0"), profile);
    ASSERT_EQ(list.resetProfile(), ProfileListResult::Done);
    EXPECT_EQ(profileFile("id0")["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "factory eq");
}

TEST_F(ProfileListTest, ExportWritesTheSelectedProfileAndRefusesAMissingOne) {
    writeProfiles({"A", "B"}, 1);
    list.initProfileList();
    ASSERT_EQ(list.exportProfile(scratch.file("out.json")), ProfileListResult::Done);
    EXPECT_EQ(JsonFileStore::loadJsonFile(scratch.file("out.json")), profileFile("id1"));

    std::filesystem::remove(list.profilePath("id1"));
    EXPECT_EQ(list.exportProfile(scratch.file("out2.json")), ProfileListResult::ReadFailed);
    EXPECT_FALSE(std::filesystem::exists(scratch.file("out2.json")));
}

TEST_F(ProfileListTest, OperationsBeforeInitDoNothing) {
    writeText(scratch.file("in.json"), R"({"profilename": "X", "profileUUID": "u"})");
    EXPECT_EQ(list.addProfile(), ProfileListResult::NoSelection);
    EXPECT_EQ(list.copyProfile(), ProfileListResult::NoSelection);
    EXPECT_EQ(list.deleteProfile(), ProfileListResult::NoSelection);
    EXPECT_EQ(list.renameProfile("X"), ProfileListResult::NoSelection);
    EXPECT_EQ(list.importProfile(scratch.file("in.json")), ProfileListResult::NoSelection);
    EXPECT_EQ(list.exportProfile(scratch.file("out.json")), ProfileListResult::NoSelection);
    EXPECT_EQ(list.resetProfile(), ProfileListResult::NoSelection);
    EXPECT_EQ(list.selectProfile(0), ProfileListResult::NoSelection);
    EXPECT_EQ(list.getCurrentProfilePath(), "");
    EXPECT_TRUE(std::filesystem::is_empty(deviceFolder()));

    ProfileList unset;
    EXPECT_EQ(unset.initProfileList(), ProfileListResult::NoFolder);
}

TEST_F(ProfileListTest, ProfilesMadeWithinOneMillisecondGetTheirOwnFiles) {
    const auto fixed = std::chrono::system_clock::now();
    ProfileList frozen([fixed] { return fixed; });
    frozen.setFolders(deviceFolder(), defaultPath());
    frozen.initProfileList();
    frozen.addProfile();
    frozen.copyProfile();
    ASSERT_EQ(frozen.items().size(), 3u);
    EXPECT_NE(frozen.items()[0].id, frozen.items()[1].id);
    EXPECT_NE(frozen.items()[1].id, frozen.items()[2].id);
    EXPECT_NE(frozen.items()[0].id, frozen.items()[2].id);
}

TEST_F(ProfileListTest, AListChangedByAnotherProgramIsAdoptedNotWrittenOver) {
    writeProfiles({"A", "B", "C"}, 1);
    list.initProfileList();
    // A removed list file is written again from the items.
    std::filesystem::remove(deviceFolder() + "ProfileList.ini");
    ASSERT_EQ(list.copyProfile(), ProfileListResult::Done);
    expectInStep();

    // pelanctl adds a profile and deletes "A": the window's next operation keeps both changes.
    ProfileList other;
    other.setFolders(deviceFolder(), defaultPath());
    ASSERT_EQ(other.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(other.addProfile(), ProfileListResult::Done);
    ASSERT_EQ(other.selectProfile(0), ProfileListResult::Done);
    ASSERT_EQ(other.deleteProfile(), ProfileListResult::Done);
    ASSERT_EQ(list.renameProfile("Bee"), ProfileListResult::Done);
    EXPECT_EQ(names(), (std::vector<std::string>{"Bee", "C", "B copy", "profile1"}));
    EXPECT_EQ(list.getCurrentProfileId(), "id1");
    expectInStep();

    // An index chosen from the list shown before the change is not taken; the change is.
    ASSERT_EQ(other.addProfile(), ProfileListResult::Done);
    EXPECT_EQ(list.selectProfile(2), ProfileListResult::ListChanged);
    EXPECT_EQ(list.items(), other.items());
    EXPECT_EQ(list.getCurrentProfileId(), "id1");

    // When the selected profile itself is gone, operations on it do nothing and the file's selection is taken.
    ASSERT_EQ(other.selectProfile(0), ProfileListResult::Done);
    ASSERT_EQ(other.deleteProfile(), ProfileListResult::Done);
    const std::string listBefore = testing::readText(deviceFolder() + "ProfileList.ini");
    EXPECT_EQ(list.deleteProfile(), ProfileListResult::ListChanged);
    EXPECT_EQ(list.getCurrentProfileId(), other.getCurrentProfileId());
    EXPECT_EQ(testing::readText(deviceFolder() + "ProfileList.ini"), listBefore);
    EXPECT_EQ(list.refresh(), ProfileListResult::Done);
    // Every profile file of the folder is listed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deviceFolder()), {}),
              static_cast<std::ptrdiff_t>(list.items().size() + 1));
}

TEST_F(ProfileListTest, AnUnreadableListIsKeptAsideAndRebuiltFromTheProfileFiles) {
    writeProfiles({"A", "B"}, 1);
    writeText(list.profilePath("id1"), "{\"profilename\": "); // a damaged profile is listed under its identifier
    writeList(R"({"profilelist": [{"profilename": ")" + std::string(kMaxJsonFileSize, 'n') + R"("}]})");
    EXPECT_EQ(list.initProfileList(), ProfileListResult::Rebuilt);
    EXPECT_EQ(messageKeyFor(ProfileListResult::Rebuilt), "message_text_32");
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "id1"}));
    expectInStep(false);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(deviceFolder()))
        if (entry.path().filename().string().rfind("ProfileList.ini.broken-", 0) == 0)
            kept.push_back(entry.path().string());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(kept[0]), kMaxJsonFileSize);
    // The user is told once: the next start finds a good list.
    EXPECT_EQ(list.initProfileList(), ProfileListResult::Done);

    // In a running session the items keep their order and profiles made meanwhile follow.
    writeText(list.profilePath("2030_01_01_00_00_00_000"), R"({"profilename": "Late"})");
    writeList("{broken");
    ASSERT_EQ(list.selectProfile(1), ProfileListResult::ListChanged);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "id1", "Late"}));
    ASSERT_EQ(list.selectProfile(1), ProfileListResult::Done);
    expectInStep(false);
}

TEST_F(ProfileListTest, AFailedListWriteLeavesNoOrphanProfile) {
    writeProfiles({"A"});
    list.initProfileList();
    // A folder where the list file should be: it can be neither read nor replaced.
    std::filesystem::remove(deviceFolder() + "ProfileList.ini");
    std::filesystem::create_directory(deviceFolder() + "ProfileList.ini");
    EXPECT_EQ(list.addProfile(), ProfileListResult::WriteFailed);
    EXPECT_EQ(list.importProfile(list.profilePath("id0")), ProfileListResult::WriteFailed);
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deviceFolder()), {}), 2); // folder and one profile
}

// Hostile list files: whatever they hold, nothing crashes, every item names a file inside the device folder and
// nothing is written outside it.
class HostileListTest : public ProfileListTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileListTest, StaysInsideTheDeviceFolder) {
    writeList(GetParam());
    list.initProfileList();
    ASSERT_FALSE(list.items().empty());
    for (const ProfileItem& item : list.items()) {
        EXPECT_EQ(std::filesystem::path(list.profilePath(item.id)).parent_path(),
                  std::filesystem::path(deviceFolder()).parent_path());
    }
    EXPECT_GE(list.getSelectedIndex(), 0);
    writeText(scratch.file("in.json"), R"({"profilename": "../x", "profileUUID": "/etc/passwd"})");
    list.addProfile();
    list.copyProfile();
    list.importProfile(scratch.file("in.json"));
    list.renameProfile("renamed");
    list.resetProfile();
    list.exportProfile(scratch.file("out.json"));
    list.deleteProfile();
    expectInStep(false); // hand-made lists name profile files that do not exist
    std::vector<std::string> outside;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
        outside.push_back(entry.path().filename().string());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"default.Json", "dev", "in.json", "out.json"}));
}

std::string hugeList() {
    std::string text = R"({"profileselect": 19999, "profilelist": [)";
    for (int i = 0; i < 20000; ++i)
        text += (i ? "," : "") + std::string(R"({"profilename": "p", "profileUUID": "u)") + std::to_string(i) + "\"}";
    return text + "]}";
}

INSTANTIATE_TEST_SUITE_P(ProfileList, HostileListTest,
                         ::testing::Values("", "{", "[]", "7", R"({"profilelist": "x"})", R"({"profilelist": []})",
                                           R"({"profilelist": [1, "a", null, []], "profileselect": 2})",
                                           R"({"profilelist": [{"profilename": 5, "profileUUID": "ok"}]})",
                                           R"({"profilelist": [{"profilename": "a", "profileUUID": "../../escape"},
                                          {"profilename": "b", "profileUUID": "/tmp/abs"},
                                          {"profilename": "c", "profileUUID": "a\\b"},
                                          {"profilename": "d", "profileUUID": ".."},
                                          {"profilename": "e", "profileUUID": 12},
                                          {"profilename": "f/../../g", "profileUUID": "fine"}],
                          "profileselect": 5})",
                                           R"({"profilelist": [{"profilename": "a", "profileUUID": "x\u0000y"}]})",
                                           R"({"profilelist": [{"profilename": "a", "profileUUID": ""}]})",
                                           hugeList()));

TEST_F(ProfileListTest, LeftOutEntriesKeepTheStoredSelectionOnItsProfile) {
    writeList(R"({"profilelist": [{"profilename": "bad", "profileUUID": "../x"},
                                  {"profilename": "A", "profileUUID": "a"},
                                  {"profilename": "B", "profileUUID": "b"}], "profileselect": 2})");
    list.initProfileList();
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(list.getCurrentProfileId(), "b");
    EXPECT_EQ(listFile()["profileselect"], Json::Value(1));
    EXPECT_EQ(listFile()["profilelist"].size(), 2u);
}

TEST_F(ProfileListTest, ALinkLivesInItsEntryAndAnApplicationFollowsOneProfile) {
    writeProfiles({"A", "B", "C"});
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(list.linkProfile(1, "Firefox"), ProfileListResult::Done);
    ASSERT_EQ(list.linkProfile(2, "foot"), ProfileListResult::Done);
    EXPECT_EQ(listFile()["profilelist"][1]["profileislink"], Json::Value(1));
    EXPECT_EQ(listFile()["profilelist"][1]["profilelinkmame"], Json::Value("Firefox"));
    EXPECT_EQ(listFile()["profilelist"][0]["profileislink"], Json::Value(0));

    // The same application (in another case) moves to the new profile.
    ASSERT_EQ(list.linkProfile(0, "firefox"), ProfileListResult::Done);
    EXPECT_EQ(list.linkedProfile("FIREFOX"), 0);
    EXPECT_EQ(listFile()["profilelist"][1]["profilelinkmame"], Json::Value(""));

    ProfileList other;
    other.setFolders(deviceFolder(), defaultPath());
    ASSERT_EQ(other.initProfileList(), ProfileListResult::Done);
    EXPECT_EQ(other.linkedProfile("foot"), 2);
    EXPECT_EQ(other.unlinkApplication("foot"), ProfileListResult::Done);
    EXPECT_EQ(other.unlinkApplication("foot"), ProfileListResult::NotLinked);
    // The first list takes the other program's change without losing its place.
    EXPECT_EQ(list.linkedProfile("foot"), 2);
    ASSERT_EQ(list.selectProfile(1), ProfileListResult::Done);
    EXPECT_EQ(list.linkedProfile("foot"), -1);

    for (const std::string& bad : {std::string(), std::string("a\nb"), std::string(kMaxApplicationIdLength + 1, 'x')})
        EXPECT_EQ(list.linkProfile(0, bad), ProfileListResult::InvalidApplication);
    EXPECT_EQ(list.linkProfile(3, "x"), ProfileListResult::NoSuchProfile);
    expectInStep();
}

TEST_F(ProfileListTest, LinksAndTheFallbackStayConsistentThroughCopyRenameImportAndDelete) {
    writeProfiles({"A", "B"}, 1);
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(list.linkProfile(1, "game"), ProfileListResult::Done);
    ASSERT_EQ(list.setLinkFallback(1), ProfileListResult::Done);
    EXPECT_EQ(listFile()[kLinkFallbackMember], Json::Value("id1"));

    ASSERT_EQ(list.renameProfile("Bee"), ProfileListResult::Done);
    ASSERT_EQ(list.copyProfile(), ProfileListResult::Done);
    ASSERT_EQ(list.exportProfile(scratch.file("out.json")), ProfileListResult::Done);
    ASSERT_EQ(list.importProfile(scratch.file("out.json")), ProfileListResult::Done);
    EXPECT_EQ(list.linkedProfile("game"), 1);
    EXPECT_EQ(list.items()[2].link, "");
    EXPECT_EQ(list.items()[3].link, "");
    EXPECT_EQ(list.getLinkFallback(), 1);

    ASSERT_EQ(list.deleteProfile(), ProfileListResult::Done);
    EXPECT_EQ(list.linkedProfile("game"), -1);
    EXPECT_EQ(list.getLinkFallback(), -1);
    EXPECT_FALSE(listFile().isMember(kLinkFallbackMember));
    ASSERT_EQ(list.setLinkFallback(2), ProfileListResult::Done);
    ASSERT_EQ(list.setLinkFallback(-1), ProfileListResult::Done);
    EXPECT_FALSE(listFile().isMember(kLinkFallbackMember));
    expectInStep();
}

TEST_F(ProfileListTest, TheFollowerTakesTheLinkThenTheFallbackThenTheProfileChosenByHand) {
    writeProfiles({"A", "B", "C"});
    ASSERT_EQ(list.initProfileList(), ProfileListResult::Done);
    ASSERT_EQ(list.linkProfile(2, "game"), ProfileListResult::Done);
    ProfileFollower follower;
    auto follow = [&](const std::string& application) {
        const std::optional<int> target = follower.profileFor(list, application);
        if (target)
            list.selectProfile(*target);
        return list.getSelectedIndex();
    };
    EXPECT_EQ(follow("game"), 2);
    EXPECT_EQ(follow("editor"), 0);
    list.selectProfile(1); // by hand
    EXPECT_EQ(follow("game"), 2);
    list.selectProfile(0); // by hand, while the game is in front: stays until the application changes
    EXPECT_EQ(follow("editor"), 0);
    EXPECT_EQ(follow("game"), 2);
    ASSERT_EQ(list.setLinkFallback(1), ProfileListResult::Done);
    EXPECT_EQ(follow("editor"), 1);
    EXPECT_EQ(follow(""), 1);
}

} // namespace
} // namespace pelan
