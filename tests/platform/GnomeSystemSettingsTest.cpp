#include "platform/SystemSettingsBackends.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace pelan {
namespace {

using Argv = std::vector<std::string>;

// Stands in for gsettings: remembers the command lines and answers "get" from a table of printed values.
struct FakeGsettings {
    CommandRunner runner() {
        return [this](const Argv& argv) {
            commands.push_back(argv);
            ProgramRun run;
            if (argv.size() == 4 && argv[1] == "get") {
                auto found = printed.find(argv[3]);
                if (found == printed.end()) {
                    run.exitStatus = 1;
                    run.errors = "No such key";
                } else {
                    run.exitStatus = 0;
                    run.output = found->second + "\n";
                }
            } else {
                run.exitStatus = failSets ? 1 : 0;
            }
            return run;
        };
    }
    std::vector<Argv> commands;
    std::map<std::string, std::string> printed;
    bool failSets = false;
};

TEST(GnomeSystemSettings, PointerSpeedMapsOntoGnomeSpeedAndBack) {
    EXPECT_DOUBLE_EQ(GnomeSystemSettings::speedFromPointerSpeed(1), -1.0);
    EXPECT_DOUBLE_EQ(GnomeSystemSettings::speedFromPointerSpeed(10), 0.0);
    EXPECT_DOUBLE_EQ(GnomeSystemSettings::speedFromPointerSpeed(20), 1.0);
    for (int speed = 1; speed <= 20; ++speed)
        EXPECT_EQ(GnomeSystemSettings::pointerSpeedFromSpeed(GnomeSystemSettings::speedFromPointerSpeed(speed)), speed);
    EXPECT_EQ(GnomeSystemSettings::pointerSpeedFromSpeed(7.0), 20);
    EXPECT_EQ(GnomeSystemSettings::pointerSpeedFromSpeed(-7.0), 1);
}

TEST(GnomeSystemSettings, WritesEachSettingToItsKeyInGsettingsNotation) {
    // A locale with a decimal comma must not leak into the numbers gsettings reads.
    const char* previousLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    std::string savedLocale = previousLocale != nullptr ? previousLocale : "C";
    FakeGsettings fake;
    GnomeSystemSettings gnome(fake.runner());
    EXPECT_TRUE(gnome.setPointerSpeed(5));
    EXPECT_TRUE(gnome.setPointerPrecision(0));
    EXPECT_TRUE(gnome.setPointerPrecision(1));
    EXPECT_TRUE(gnome.setDoubleClickTime(300));
    EXPECT_TRUE(gnome.setKeyboardSpeed(31));
    EXPECT_TRUE(gnome.setKeyboardDelay(0));
    EXPECT_FALSE(gnome.setWheelLines(3)); // GNOME has no such setting
    std::setlocale(LC_NUMERIC, savedLocale.c_str());

    const std::string mouse = "org.gnome.desktop.peripherals.mouse";
    const std::string keyboard = "org.gnome.desktop.peripherals.keyboard";
    std::vector<Argv> expected = {
        {"gsettings", "set", mouse, "speed", "-0.555556"},
        {"gsettings", "set", mouse, "accel-profile", "'flat'"},
        {"gsettings", "set", mouse, "accel-profile", "'adaptive'"},
        {"gsettings", "set", mouse, "double-click", "300"},
        {"gsettings", "set", keyboard, "repeat-interval", "33"},
        {"gsettings", "set", keyboard, "delay", "250"},
    };
    EXPECT_EQ(fake.commands, expected);
}

TEST(GnomeSystemSettings, ReadsPrintedValuesAndRejectsOnesItCannotUse) {
    FakeGsettings fake;
    fake.printed = {{"speed", "0.5"},
                    {"accel-profile", "'default'"},
                    {"double-click", "400"},
                    {"repeat-interval", "uint32 30"},
                    {"delay", "uint32 500"}};
    GnomeSystemSettings gnome(fake.runner());
    EXPECT_EQ(gnome.pointerSpeed(), 15);
    EXPECT_EQ(gnome.pointerPrecision(), 1);
    EXPECT_EQ(gnome.doubleClickTime(), 400);
    EXPECT_EQ(gnome.keyboardSpeed(), keyboardSpeedFromRepeatInterval(30));
    EXPECT_EQ(gnome.keyboardDelay(), 1);
    EXPECT_EQ(gnome.wheelLines(), std::nullopt);

    fake.printed = {{"speed", "nan"},
                    {"accel-profile", "'sideways'"},
                    {"double-click", "-4"},
                    {"repeat-interval", "uint32 "},
                    {"delay", "uint32 99999999999999"}};
    EXPECT_EQ(gnome.pointerSpeed(), std::nullopt);
    EXPECT_EQ(gnome.pointerPrecision(), std::nullopt);
    EXPECT_EQ(gnome.doubleClickTime(), std::nullopt);
    EXPECT_EQ(gnome.keyboardSpeed(), std::nullopt);
    EXPECT_EQ(gnome.keyboardDelay(), std::nullopt);

    fake.printed.clear(); // gsettings fails
    EXPECT_EQ(gnome.pointerSpeed(), std::nullopt);
    fake.failSets = true;
    EXPECT_FALSE(gnome.setDoubleClickTime(500));
}

TEST(GnomeSystemSettings, AvailableOnlyWhenGsettingsKnowsTheMouseSchema) {
    FakeGsettings fake;
    EXPECT_TRUE(GnomeSystemSettings::available(fake.runner()));
    EXPECT_EQ(fake.commands.front(), (Argv{"gsettings", "list-keys", "org.gnome.desktop.peripherals.mouse"}));
    EXPECT_FALSE(GnomeSystemSettings::available([](const Argv&) {
        ProgramRun missing;
        missing.error = ENOENT;
        return missing;
    }));
}

// Against the real gsettings program, with its key-file storage in a temporary folder.
TEST(GnomeSystemSettings, RoundTripThroughRealGsettings) {
    if (!GnomeSystemSettings::available())
        GTEST_SKIP() << "gsettings with the GNOME peripheral settings is not installed";
    testing::TempFolder folder;
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    std::string savedConfigValue = savedConfig != nullptr ? savedConfig : "";
    ::setenv("GSETTINGS_BACKEND", "keyfile", 1);
    ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);

    {
        GnomeSystemSettings writer;
        EXPECT_TRUE(writer.setPointerSpeed(17));
        EXPECT_TRUE(writer.setPointerPrecision(0));
        EXPECT_TRUE(writer.setDoubleClickTime(800));
        EXPECT_TRUE(writer.setKeyboardSpeed(20));
        EXPECT_TRUE(writer.setKeyboardDelay(3));
    }
    GnomeSystemSettings reader;
    EXPECT_EQ(reader.pointerSpeed(), 17);
    EXPECT_EQ(reader.pointerPrecision(), 0);
    EXPECT_EQ(reader.doubleClickTime(), 800);
    EXPECT_EQ(reader.keyboardSpeed(), 20);
    EXPECT_EQ(reader.keyboardDelay(), 3);

    ::unsetenv("GSETTINGS_BACKEND");
    if (savedConfig != nullptr)
        ::setenv("XDG_CONFIG_HOME", savedConfigValue.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace pelan
