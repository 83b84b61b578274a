#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <json/value.h>

#include "device/MouseDevice.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

namespace pelan::test {

// Command bytes of the packets a device received, in order.
inline std::vector<uint8_t> commandsOf(const emu::FirmwareDevice& device) {
    std::vector<uint8_t> codes;
    for (const emu::LoggedRequest& logged : device.requestLog())
        if (logged.bytes.size() > 3)
            codes.push_back(logged.bytes[3]);
    return codes;
}

inline size_t countCommand(const emu::FirmwareDevice& device, uint8_t code) {
    size_t count = 0;
    for (uint8_t c : commandsOf(device))
        count += c == code;
    return count;
}

// A mouse model connected to an emulated mouse through the hidraw path, with its own data folder.
class MouseModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataFolder = std::filesystem::temp_directory_path() /
                     ("pelan-mouse-" + std::to_string(::getpid()) + "-" + std::to_string(++folderCounter()));
        std::filesystem::create_directories(dataFolder);
        setDataFolderOverride(dataFolder.string());
        plugMouse(std::nullopt);
    }

    void TearDown() override {
        model.reset();
        setDataFolderOverride("");
        std::error_code ec;
        std::filesystem::remove_all(dataFolder, ec);
    }

    void plugMouse(std::optional<uint16_t> version) {
        if (model)
            model->stopThreads();
        model = std::make_unique<MouseDevice>();
        if (id > 0)
            emulated.tree().unplug(id);
        mouse = emu::makeDevice("mouse", version);
        id = emulated.tree().plug(mouse);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(model->commandChannel.device.open(emulated.pathOf(id, 4), true, true, true, false));
        model->commandChannel.connected = 1;
        SupportedDeviceEntry entry;
        entry.deviceKind = kDeviceKindMouse;
        model->onConnected(entry);
        mouse->clearRequestLog();
    }

    std::string folder() const { return model->userDeviceFolder(); }

    // A profile file in the user device folder, selected on the model.
    void writeProfile(const std::string& name, const Json::Value& node) {
        Json::Value file;
        file["Device"][0] = node;
        ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + name + ".Json", file), 0);
        model->profileName = name;
    }

    static Json::Value lightNode(int mode, int brightness, int speed, int fx, bool multi, int r, int g, int b) {
        Json::Value light;
        light["SelectItem"] = mode;
        light["Light"] = brightness;
        light["Speed"] = speed;
        light["Fx"] = fx;
        light["MultiColor"] = multi;
        light["Red"] = r;
        light["Green"] = g;
        light["Blue"] = b;
        return light;
    }

    static Json::Value stagesNode(int active, const std::vector<int>& codes) {
        Json::Value stages;
        stages["StageActive"] = active;
        for (size_t i = 0; i < codes.size(); ++i) {
            Json::Value stage;
            stage["StageActive"] = 1;
            stage["StageXY"] = 0;
            stage["StageDPIX"] = codes[i];
            stage["StageDPIY"] = 0;
            stage["StageColorR"] = 9;
            stage["StageColorG"] = 9;
            stage["StageColorB"] = 9;
            stages["StageDPIs"][Json::ArrayIndex(i)] = stage;
        }
        return stages;
    }

    static Json::Value keyListNode(const std::vector<std::pair<int, int>>& assignments) {
        Json::Value list(Json::arrayValue);
        for (const auto& [current, factory] : assignments) {
            Json::Value key;
            key["Assignment"] = current;
            key["DefaultAssignment"] = factory;
            list.append(key);
        }
        return list;
    }

    // Macros in the user device folder: one event file per entry with that many key events.
    void writeMacros(const std::vector<int>& eventCounts) {
        Json::Value list;
        for (size_t m = 0; m < eventCounts.size(); ++m) {
            const std::string guid = "2024_01_01_00_00_00_00" + std::to_string(m);
            Json::Value info;
            info["MacroName"] = "macro_" + std::to_string(m + 1);
            info["Guid"] = guid;
            list["MacroInfo"][Json::ArrayIndex(m)] = info;
            Json::Value events(Json::arrayValue);
            for (int e = 0; e < eventCounts[m]; ++e) {
                Json::Value event;
                event["Delay"] = std::to_string(10 + e);
                event["Type"] = 10;
                event["Action"] = e % 2 == 0 ? "down" : "up";
                event["Button"] = 4 + m;
                events.append(event);
            }
            Json::Value file;
            file["Events"] = events;
            file["Version"] = 64;
            ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + guid + ".mac", file), 0);
        }
        ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "macro.config", list), 0);
    }

    static int& folderCounter() {
        static int counter = 0;
        return counter;
    }

    std::filesystem::path dataFolder;
    EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse;
    int id = 0;
    std::unique_ptr<MouseDevice> model;
};

} // namespace pelan::test
