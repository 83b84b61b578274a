// The recoil tables: a bullet save rewrites only its four events, a reset restores one gun byte for byte, and a
// missing or broken file never leads to a partial table.
#include "recoil/RecoilTables.h"
#include "profile/JsonFileStore.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::TempFolder;
using testing::writeText;

class RecoilTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(factory.path());
        for (int gun = 0; gun < kRecoilGunCount; ++gun)
            fs::copy_file(shipped() + recoilFileName(gun), factory.file(recoilFileName(gun)));
        tables.setFolders(user.path(), factory.path());
    }
    static std::string shipped() { return std::string(std::getenv("PELAN_SOURCE_DIR")) + "/DefaultData/"; }
    Json::Value working(int gun) { return JsonFileStore::loadJsonFile(tables.workingPath(gun)); }

    TempFolder user;
    TempFolder factory;
    RecoilTables tables;
};

TEST_F(RecoilTablesTest, ShippedTablesHoldThirtyBulletsEach) {
    for (int gun = 0; gun < kRecoilGunCount; ++gun) {
        const auto bullets = readRecoilTable(JsonFileStore::loadJsonFile(shipped() + recoilFileName(gun)));
        ASSERT_TRUE(bullets.has_value()) << gun;
        EXPECT_EQ(bullets->size(), size_t(kRecoilBulletCount));
    }
}

TEST_F(RecoilTablesTest, SavingABulletRewritesItsFourEventsAndNothingElse) {
    ASSERT_EQ(tables.ensureWorkingFile(0), RecoilResult::Done);
    Json::Value before = working(0);
    // Odd values in the first events show that they are rewritten, not kept.
    before["Events"][0]["Delay"] = 99;
    before["Extra"] = "kept";
    ASSERT_EQ(JsonFileStore::writeJsonFile(tables.workingPath(0), before), 0);

    RecoilBullet bullet = *tables.readBullet(0, 0);
    bullet.delay = 120;
    ASSERT_EQ(tables.writeBullet(0, 0, bullet), RecoilResult::Done);

    const Json::Value after = working(0);
    const Json::Value& events = after["Events"];
    EXPECT_EQ(events[0], JsonFileStore::parseJsonText(R"({"Action":"down","Button":1,"Delay":10,"Type":1})"));
    EXPECT_EQ(events[1], JsonFileStore::parseJsonText(R"({"Action":"up","Button":1,"Delay":0,"Type":1})"));
    EXPECT_EQ(events[2]["Type"].asInt(), 4);
    EXPECT_EQ(events[2]["Delay"].asInt(), 5);
    EXPECT_EQ(events[3]["Type"].asInt(), 5);
    EXPECT_TRUE(events[3]["Delay"].isInt());
    EXPECT_EQ(events[3]["Delay"].asInt(), 120);
    Json::Value expected = before;
    for (Json::ArrayIndex i = 0; i < 4; ++i)
        expected["Events"][i] = events[i];
    EXPECT_EQ(after, expected);
    EXPECT_EQ(*tables.readBullet(0, 0), bullet);
}

TEST_F(RecoilTablesTest, DirectionsAndLimitsOfTheDevice) {
    ASSERT_EQ(tables.writeBullet(1, 29, {300, true, -4, false, 70000}), RecoilResult::Done);
    EXPECT_EQ(*tables.readBullet(1, 29), (RecoilBullet{255, true, 0, false, 65535}));
    const Json::Value table = working(1);
    const Json::Value& events = table["Events"];
    EXPECT_EQ(events[118]["Action"].asString(), "down"); // to the left
    EXPECT_EQ(events[119]["Action"].asString(), "up");   // downwards
    EXPECT_EQ(tables.writeBullet(1, 30, {}), RecoilResult::BadGun);
    EXPECT_EQ(tables.writeBullet(4, 0, {}), RecoilResult::BadGun);
}

TEST_F(RecoilTablesTest, ResetRestoresTheSelectedGunOnly) {
    for (int gun = 0; gun < kRecoilGunCount; ++gun)
        ASSERT_EQ(tables.writeBullet(gun, 5, {7, true, 8, true, 9}), RecoilResult::Done);
    std::string others[kRecoilGunCount];
    for (int gun = 0; gun < kRecoilGunCount; ++gun)
        others[gun] = readText(tables.workingPath(gun));

    ASSERT_EQ(tables.resetGun(2), RecoilResult::Done);
    EXPECT_EQ(readText(tables.workingPath(2)), readText(tables.factoryPath(2)));
    for (int gun : {0, 1, 3})
        EXPECT_EQ(readText(tables.workingPath(gun)), others[gun]) << gun;
}

TEST_F(RecoilTablesTest, ResetWithoutAFactoryFileRefusesAndKeepsTheWorkingFile) {
    ASSERT_EQ(tables.writeBullet(3, 0, {1, false, 2, false, 3}), RecoilResult::Done);
    const std::string kept = readText(tables.workingPath(3));
    fs::remove(tables.factoryPath(3));
    EXPECT_EQ(tables.resetGun(3), RecoilResult::FactoryMissing);
    writeText(tables.factoryPath(3), "{\"Events\":[]}");
    EXPECT_EQ(tables.resetGun(3), RecoilResult::FactoryMissing);
    EXPECT_EQ(readText(tables.workingPath(3)), kept);
}

TEST_F(RecoilTablesTest, MissingOrBrokenWorkingFilesComeBackWholeFromTheFactory) {
    // Missing: the first read restores the factory table, so a save keeps every other bullet.
    ASSERT_EQ(tables.writeBullet(0, 3, {4, false, 4, false, 40}), RecoilResult::Done);
    const auto table = tables.readTable(0);
    const auto shippedTable = readRecoilTable(JsonFileStore::loadJsonFile(tables.factoryPath(0)));
    ASSERT_TRUE(table && shippedTable);
    for (int bullet = 0; bullet < kRecoilBulletCount; ++bullet) {
        if (bullet != 3) {
            EXPECT_EQ((*table)[size_t(bullet)], (*shippedTable)[size_t(bullet)]) << bullet;
        }
    }

    // Unreadable, or a table with a bullet missing: kept aside, then restored.
    for (const char* broken : {"{ not json", R"({"Events":[{"Type":1}]})"}) {
        writeText(tables.workingPath(1), broken);
        EXPECT_EQ(tables.readBullet(1, 0), (*readRecoilTable(JsonFileStore::loadJsonFile(tables.factoryPath(1))))[0])
            << broken;
        EXPECT_EQ(readText(tables.workingPath(1)), readText(tables.factoryPath(1))) << broken;
        EXPECT_EQ(readText(tables.workingPath(1) + std::string(kUnreadableRecoilEnding)), broken);
    }

    // Neither file: nothing to show and nothing written.
    fs::remove(tables.factoryPath(2));
    EXPECT_EQ(tables.readBullet(2, 0), std::nullopt);
    EXPECT_EQ(tables.writeBullet(2, 0, {}), RecoilResult::FactoryMissing);
    EXPECT_FALSE(fs::exists(tables.workingPath(2)));
}

TEST_F(RecoilTablesTest, ExportAndImportTakeOnlyWholeTables) {
    ASSERT_EQ(tables.writeBullet(0, 10, {11, true, 12, true, 13}), RecoilResult::Done);
    const std::string exported = user.file("gun0.Shoot");
    ASSERT_EQ(tables.exportGun(0, exported), RecoilResult::Done);
    ASSERT_EQ(tables.importGun(3, exported), RecoilResult::Done);
    EXPECT_EQ(tables.readTable(3), tables.readTable(0));

    const std::string before = readText(tables.workingPath(3));
    Json::Value partial = JsonFileStore::loadJsonFile(exported);
    partial["Events"][Json::ArrayIndex(4 * 29 + 3)]["Button"] = 256;
    ASSERT_EQ(JsonFileStore::writeJsonFile(exported, partial), 0);
    EXPECT_EQ(tables.importGun(3, exported), RecoilResult::NotATable);
    partial["Events"].resize(116);
    ASSERT_EQ(JsonFileStore::writeJsonFile(exported, partial), 0);
    EXPECT_EQ(tables.importGun(3, exported), RecoilResult::NotATable);
    EXPECT_EQ(tables.importGun(3, user.file("absent.Shoot")), RecoilResult::SourceUnreadable);
    EXPECT_EQ(readText(tables.workingPath(3)), before);
}

} // namespace
} // namespace pelan
