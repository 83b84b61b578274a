// A real SDK client that no one here wrote, the npm package openrgb-sdk, against the server pelanctl runs: it is
// installed from the npm registry into the build folder at test time, and lights the emulated devices.
#include <filesystem>

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include "cli/Processes.h"
#include "light/PadLightEffects.h"
#include "rgbserver/ServedDevices.h"

namespace pelan::rgb {
namespace {

constexpr const char* kClientPackage = "openrgb-sdk@0.6.0";

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

const Json::Value* deviceOfType(const Json::Value& devices, int type) {
    for (const Json::Value& device : devices)
        if (device["type"].asInt() == type)
            return &device;
    return nullptr;
}

TEST(OpenRgbClient, TheNpmClientReadsOurControllersAndLightsTheEmulatedDevices) {
    const std::string npmFolder = envOr("PELAN_NPM_DIR", "npm-openrgb");
    std::filesystem::create_directories(npmFolder);
    const test::ProcessResult installed =
        test::runProcess({"/usr/bin/env", "npm", "install", "--prefix", npmFolder, "--prefer-online", "--no-audit",
                          "--no-fund", "--loglevel", "error", kClientPackage},
                         std::chrono::minutes(4));
    ASSERT_EQ(installed.exitCode, 0) << "cannot install " << kClientPackage << " from the npm registry (is it "
                                     << "reachable, are node and npm installed by scripts/install-deps?):\n"
                                     << installed.err;

    test::ServedDevices served({"mouse", "mousepad", "headset"});
    ASSERT_EQ(served.start(), "");
    const std::string script = envOr("PELAN_SOURCE_DIR", ".") + "/tests/rgbserver/openrgb_client.js";
    const test::ProcessResult run =
        test::runProcess({"/usr/bin/env", "node", script, std::to_string(served.serve().port())},
                         std::chrono::minutes(1), {{"NODE_PATH", npmFolder + "/node_modules"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    Json::Value read;
    ASSERT_TRUE(Json::Reader().parse(run.out, read)) << run.out;
    EXPECT_EQ(read["protocolVersion"].asUInt(), kHighestVersion);
    const Json::Value& devices = read["devices"];
    ASSERT_EQ(devices.size(), 3u);
    const Json::Value* mouse = deviceOfType(devices, int(DeviceType::Mouse));
    const Json::Value* pad = deviceOfType(devices, int(DeviceType::Mousemat));
    ASSERT_TRUE(mouse && pad && deviceOfType(devices, int(DeviceType::Headset)));
    EXPECT_EQ((*mouse)["vendor"].asString(), "ORVANE");
    EXPECT_EQ((*mouse)["leds"].size(), 8u);
    EXPECT_EQ((*pad)["leds"].size(), 23u);
    EXPECT_EQ((*pad)["modes"][0]["name"].asString(), "Direct");

    // The mouse's light stream carries the colour on all eight LEDs, at the stream's full brightness.
    const std::vector<uint8_t> frame = served.firmware("mouse").lightFrame();
    ASSERT_GE(frame.size(), 8u * 3);
    for (size_t led = 0; led < 8; ++led) {
        SCOPED_TRACE(led);
        EXPECT_EQ(frame[3 * led], 0x20 * 255 / 256);
        EXPECT_EQ(frame[3 * led + 1], 0x80 * 255 / 256);
        EXPECT_EQ(frame[3 * led + 2], 0xf0 * 255 / 256);
    }

    // The mousepad holds breathing at speed 3 (held as 4 - speed) in its active profile, and so does the profile.
    emu::FirmwareDevice& padFirmware = served.firmware("mousepad");
    const uint8_t profile = padFirmware.readMemory(0, 1).at(0);
    const std::vector<uint8_t> record = padFirmware.readMemory(size_t(profile) * 64, 4);
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ(record[1], padlight::kBreathing);
    EXPECT_EQ(record[3], 4 - 3);
    const LightInfo stored = served.serve().model(cli::CliKind::Mousepad).getLightInfo();
    EXPECT_EQ(stored.mode, padlight::kBreathing);
    EXPECT_EQ(stored.speed, 3);
}

} // namespace
} // namespace pelan::rgb
