// Start-up pieces: the command line, the private fonts, the registered messages.
#include "AppTestSupport.h"
#include "app/AppMessages.h"
#include "app/FontLoader.h"
#include "app/StartupOptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelan {
namespace {

TEST(StartupOptions, EmulatedKindsAndDataFolderAreRead) {
    StartupOptions options = parseStartupOptions({"--emulate", "mouse,mousepad,headset", "--data-dir", "/tmp/d"});
    EXPECT_TRUE(options.error.empty());
    EXPECT_EQ(options.emulateKinds, (std::vector<std::string>{"mouse", "mousepad", "headset"}));
    EXPECT_EQ(options.dataDir, "/tmp/d");

    options = parseStartupOptions({"--emulate=headset,headset,,mouse", "--data-dir=/x", "-platform", "offscreen"});
    EXPECT_TRUE(options.error.empty());
    EXPECT_EQ(options.emulateKinds, (std::vector<std::string>{"headset", "mouse"}));
    EXPECT_EQ(options.dataDir, "/x");

    EXPECT_TRUE(parseStartupOptions({}).emulateKinds.empty());
    EXPECT_FALSE(parseStartupOptions({}).minimized);

    EXPECT_FALSE(parseStartupOptions({}).rgbServer);

    options = parseStartupOptions({"--minimized", "--version", "--rgb-server"});
    EXPECT_TRUE(options.error.empty());
    EXPECT_TRUE(options.minimized);
    EXPECT_TRUE(options.version);
    EXPECT_TRUE(options.rgbServer);
}

TEST(StartupOptions, BadValuesAreReportedNotGuessed) {
    EXPECT_NE(parseStartupOptions({"--emulate", "mouse,toaster"}).error.find("toaster"), std::string::npos);
    EXPECT_FALSE(parseStartupOptions({"--emulate"}).error.empty());
    EXPECT_FALSE(parseStartupOptions({"--emulate", ","}).error.empty());
    EXPECT_FALSE(parseStartupOptions({"--data-dir"}).error.empty());
    EXPECT_FALSE(parseStartupOptions({"--data-dir="}).error.empty());
    // A mistyped option is refused, not ignored; Qt's single-dash options and their values are not ours to judge.
    EXPECT_NE(parseStartupOptions({"--minimised"}).error.find("--minimised"), std::string::npos);
    EXPECT_FALSE(parseStartupOptions({"stray"}).error.empty());
    EXPECT_TRUE(parseStartupOptions({"-display", ":5", "-reverse", "--help"}).error.empty());
    EXPECT_TRUE(parseStartupOptions({"--help"}).help);
}

TEST(PrivateFonts, MissingFolderOrBrokenFilesAreSkipped) {
    test::app();
    QTemporaryDir noFonts;
    EXPECT_TRUE(loadPrivateFonts(noFonts.path()).empty());

    QTemporaryDir someFonts;
    QDir(someFonts.path()).mkdir("Font");
    QFile broken(someFonts.filePath(privateFontFiles()[0]));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a font");
    broken.close();
    const QString system = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (QFile::exists(system)) {
        ASSERT_TRUE(QFile::copy(system, someFonts.filePath(privateFontFiles()[2])));
    }
    const std::vector<int> ids = loadPrivateFonts(someFonts.path());
    EXPECT_EQ(ids.size(), QFile::exists(system) ? 1u : 0u);
    unloadPrivateFonts(ids);
}

TEST(RegisteredMessages, InstanceAndGuidMessagesGetTheirOwnIds) {
    const UINT instance = registerInstanceMessage();
    registerGuidMessages();
    const AppMessageIds& ids = appMessages();
    EXPECT_EQ(ids.instance, instance);
    EXPECT_EQ(RegisterWindowMessage("ORVANE Pelan Gaming Mouse"), instance);
    EXPECT_EQ(RegisterWindowMessage(kSettingsRelayMessageName), ids.settingsRelay);
    const QSet<UINT> distinct = {ids.instance, ids.settingsRelay, ids.lightingOwnerAnnouncement,
                                 ids.lightingOwnerRequest};
    EXPECT_EQ(distinct.size(), 4);
}

} // namespace
} // namespace pelan
