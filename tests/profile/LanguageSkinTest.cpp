// The language list and the start choice it gives for a stored id or a locale, and the skin record in "main.ini".
#include "profile/LanguageList.h"
#include "profile/SkinRecord.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::readText;
using testing::TempFolder;
using testing::writeText;

TEST(LanguageList, ReadsEntriesInOrderAndSkipsBrokenOnes) {
    TempFolder folder;
    const std::string path = folder.file("Language.config");
    writeText(path, R"({"Language": [
        {"Language_ID": 1033, "Language_name": "English", "Language_file": "lan_en.xml", "Language_text": "English",
         "Language_locale": "en"},
        {"Language_ID": "x", "Language_file": "bad.xml"},
        {"Language_ID": 2052, "Language_file": "lan_cn.xml"}]})");
    const std::vector<LanguageEntry> list = readLanguageList(path);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].file, "lan_en.xml");
    EXPECT_EQ(list[0].locale, "en");
    EXPECT_EQ(list[1].id, 2052);
    EXPECT_EQ(list[1].name, "");

    for (const char* broken : {"", "[1, 2]", "{\"Language\": 3}", "{not json"}) {
        writeText(path, broken);
        EXPECT_TRUE(readLanguageList(path).empty()) << broken;
    }
    EXPECT_TRUE(readLanguageList(folder.file("missing")).empty());
}

TEST(LanguageList, StartIndexPrefersTheStoredIdThenTheLocaleThenTheFirstEntry) {
    const std::vector<LanguageEntry> list = {{1033, "English", "lan_en.xml", "English", "en"},
                                             {2052, "Chinese", "lan_cn.xml", "简体中文", "zh"}};
    EXPECT_EQ(startLanguageIndex(list, "1033", "zh"), 0);
    EXPECT_EQ(startLanguageIndex(list, "2052", "en"), 1);
    EXPECT_EQ(startLanguageIndex(list, "", "zh"), 1);
    EXPECT_EQ(startLanguageIndex(list, "9999", "zh"), 1);
    EXPECT_EQ(startLanguageIndex(list, "", "fr"), 0);
    EXPECT_EQ(startLanguageIndex(list, "", ""), 0);
    EXPECT_EQ(startLanguageIndex({}, "2052", "zh"), 0);
}

TEST(LanguageList, LocaleLanguageFollowsThePosixPrecedence) {
    const auto with = [](const char* all, const char* messages, const char* lang) {
        for (auto [name, value] : {std::pair{"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}}) {
            if (value != nullptr)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        }
        return localeLanguage();
    };
    EXPECT_EQ(with(nullptr, "en_GB.UTF-8", "zh_CN.UTF-8"), "en");
    EXPECT_EQ(with("zh_TW", "en_GB.UTF-8", "de_DE"), "zh");
    EXPECT_EQ(with("", "", "sr@latin"), "sr");
    EXPECT_EQ(with(nullptr, "POSIX", "zh_CN"), "");
    EXPECT_EQ(with(nullptr, nullptr, "C.UTF-8"), "");
}

TEST(SkinRecord, RoundTripKeepsOtherSectionsAndRefusesLineBreaks) {
    TempFolder folder;
    EXPECT_EQ(readSkinRecord(folder.path()).flags, SkinRecord::kReset);
    EXPECT_TRUE(readSkinRecord(folder.path()).image.empty());

    writeText(folder.file("main.ini"),
              "[OTHER]\r\nA=1\r\n[SKINIMAGE]\r\nFLAGS=0\r\nIMAGE=old.png\r\n[TAIL]\r\nB=2\r\n");
    SkinRecord record;
    record.flags = SkinRecord::kColour;
    record.image = "/home/u/My Pictures/sea=blue.png";
    record.colour = 0xFF1E2A44;
    record.customImages = {"/a.png", "/b.png"};
    ASSERT_TRUE(writeSkinRecord(folder.path(), record));

    const SkinRecord back = readSkinRecord(folder.path());
    EXPECT_EQ(back.flags, SkinRecord::kColour);
    EXPECT_EQ(back.image, record.image);
    EXPECT_EQ(back.colour, 0xFF1E2A44u);
    EXPECT_EQ(back.customImages, record.customImages);
    const std::string text = readText(folder.file("main.ini"));
    EXPECT_NE(text.find("[OTHER]\nA=1\n"), std::string::npos);
    EXPECT_NE(text.find("[TAIL]\nB=2\n"), std::string::npos);
    EXPECT_EQ(text.find("old.png"), std::string::npos);

    record.customImages.push_back("/evil.png\n[SKINIMAGE]");
    EXPECT_FALSE(writeSkinRecord(folder.path(), record));
    EXPECT_EQ(readSkinRecord(folder.path()).customImages.size(), 2u);
}

} // namespace
} // namespace pelan
