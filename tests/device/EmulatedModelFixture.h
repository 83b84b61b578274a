#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/value.h>

#include "device/UsbDeviceModel.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "profile/CBasicProfiledata.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

namespace pelan::test {

// Records what a model hands its page.
class RecordingObserver : public DeviceModelObserver {
public:
    void onPowerStatus(const PowerStatus& status) override {
        std::lock_guard lock(mutex);
        statuses.push_back(status);
    }
    void onCurrentProfile(int profileIndex) override {
        std::lock_guard lock(mutex);
        profiles.push_back(profileIndex);
    }
    void onLightFrame(const light::LedFrame& leds) override {
        std::lock_guard lock(mutex);
        ++frames;
        lastFrame = leds;
    }
    void onRefresh() override {
        std::lock_guard lock(mutex);
        ++refreshes;
    }

    std::mutex mutex;
    std::vector<PowerStatus> statuses;
    std::vector<int> profiles;
    size_t frames = 0;
    light::LedFrame lastFrame;
    int refreshes = 0;
};

// A device model of type Model connected to an emulated device of `kind` through the hidraw path, with a data
// folder of its own.
template <typename Model>
class EmulatedModelTest : public ::testing::Test {
protected:
    EmulatedModelTest(const char* kind, int collection) : kind_(kind), collection_(collection) {}

    void SetUp() override {
        dataFolder =
            std::filesystem::temp_directory_path() / ("pelan-" + std::string(kind_) + "-" + std::to_string(::getpid()) +
                                                      "-" + std::to_string(++folderCounter()));
        std::filesystem::create_directories(dataFolder);
        setDataFolderOverride(dataFolder.string());
        device = emu::makeDevice(kind_);
        id = emulated.tree().plug(device);
        ASSERT_GT(id, 0);
        model = std::make_unique<Model>();
        model->setObserver(&observer);
        ASSERT_TRUE(model->commandChannel.device.open(emulated.pathOf(id, collection_), true, true, true, false));
        model->commandChannel.connected = 1;
        device->clearRequestLog();
    }

    void TearDown() override {
        model.reset();
        setDataFolderOverride("");
        std::error_code ec;
        std::filesystem::remove_all(dataFolder, ec);
    }

    std::string folder() const { return model->userDeviceFolder(); }

    // A profile file in the user device folder, selected on the model.
    void writeProfile(const std::string& name, const Json::Value& node) {
        Json::Value file;
        file["Device"][0] = node;
        ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + name + ".Json", file), 0);
        model->profileName = name;
    }

    Json::Value savedNode(const std::string& name) const {
        return JsonFileStore::loadJsonFile(folder() + name + ".Json")["Device"][0];
    }

    // A device node holding this light setting.
    static Json::Value lightNode(const LightInfo& light) {
        CBasicProfiledata profile;
        profile.writeLightInfo(light);
        return profile.getDeviceNode();
    }

    // The command bytes of the packets the device received, in order.
    std::vector<uint8_t> commands() const {
        std::vector<uint8_t> codes;
        for (const emu::LoggedRequest& logged : device->requestLog())
            if (logged.bytes.size() > 3)
                codes.push_back(logged.bytes[3]);
        return codes;
    }

    // The offsets of the packets with command `code`, in order.
    std::vector<uint16_t> offsetsOf(uint8_t code) const {
        std::vector<uint16_t> offsets;
        for (const emu::LoggedRequest& logged : device->requestLog())
            if (logged.bytes.size() > 6 && logged.bytes[3] == code)
                offsets.push_back(uint16_t(logged.bytes[5] | (logged.bytes[6] << 8)));
        return offsets;
    }

    static int& folderCounter() {
        static int counter = 0;
        return counter;
    }

    const char* kind_;
    int collection_;
    std::filesystem::path dataFolder;
    EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> device;
    int id = 0;
    RecordingObserver observer;
    std::unique_ptr<Model> model;
};

} // namespace pelan::test
