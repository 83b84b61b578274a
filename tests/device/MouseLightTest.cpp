#include <atomic>
#include <thread>

#include "device/MouseDevice.h"
#include "platform/Trace.h"
#include "tests/device/MouseModelFixture.h"

namespace pelan {
namespace {

using namespace std::chrono_literals;

class FrameCounter : public DeviceModelObserver {
public:
    void onLightFrame(const light::LedFrame&) override { frames.fetch_add(1); }
    std::atomic<int> frames{0};
};

class MouseLightTest : public test::MouseModelTest {
protected:
    void chooseLight(uint8_t mode, uint8_t brightness, uint8_t speed, uint8_t direction, uint8_t multi,
                     light::Rgb colour) {
        model->setLightInfo(mode | (brightness << 8) | (speed << 16) | (uint32_t(direction) << 24),
                            multi | (colour.red << 8) | (colour.green << 16) | (uint32_t(colour.blue) << 24), 0);
    }

    // Index of the single lit LED of the frame, -1 when none or several are lit.
    int litLed() const {
        const light::LedFrame leds = model->ledSnapshot();
        int lit = -1;
        for (size_t i = 0; i < leds.size(); ++i) {
            if (light::ledBrightness(leds[i]) == 0)
                continue;
            if (lit >= 0)
                return -1;
            lit = int(i);
        }
        return lit;
    }
};

TEST_F(MouseLightTest, ARippleRingTravelsAcrossTheLedsInTheLightDirection) {
    chooseLight(5, 4, 2, 1, 0, {10, 20, 30});
    {
        std::lock_guard lock(model->lightLock);
        model->effectCounters.effectColourStep = 191;
    }
    model->clearEffectBuffers();
    std::vector<int> path;
    for (int step = 0; step < 6; ++step) {
        model->lightFrameRipple();
        path.push_back(litLed());
    }
    EXPECT_EQ(path, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    const light::LedFrame leds = model->ledSnapshot();
    EXPECT_EQ(light::ledColour(leds[5]), (light::Rgb{10, 20, 30}));
    EXPECT_LT(light::ledBrightness(leds[5]), 254); // the ring fades as it goes

    // The other way round the ring starts past the last LED of the mouse and comes back to the first.
    chooseLight(5, 4, 2, 0, 1, {10, 20, 30});
    model->clearEffectBuffers();
    {
        std::lock_guard lock(model->lightLock);
        model->effectCounters.effectColourStep = 1;
    }
    path.clear();
    for (int step = 0; step < 4; ++step) {
        model->lightFrameRipple();
        path.push_back(litLed());
    }
    EXPECT_EQ(path, (std::vector<int>{-1, 7, 6, 5}));
    // With multicolour the ring takes the wheel colour of its group.
    EXPECT_EQ(light::ledColour(model->ledSnapshot()[5]), light::wheelColour(189 + 12 * 5));
}

TEST_F(MouseLightTest, TheShippedLightFilesGiveTheEffectListAndNamesOnFirstUse) {
    Json::Value node;
    node["LightInfo"] = lightNode(9, 4, 0, 0, false, 0, 0, 0);
    writeProfile("p1", node);
    model->loadProfileIntoPage();
    EXPECT_TRUE(std::filesystem::exists(folder() + "tavix_light.config"));
    EXPECT_FALSE(model->customEffectsSnapshot().empty());

    const Json::Value shipped = JsonFileStore::loadJsonFile(model->defaultDataFolder() + "default_light.json");
    std::vector<std::string> names;
    for (const Json::Value& entry : shipped["DefaultLightName"][1])
        names.push_back(entry["LightName"].asString());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(model->lightNames.defaultNames, names);
    EXPECT_EQ(model->lightNames.configuredNames.size(), 12u);

    // The user's own configuration stays.
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "tavix_light.config", Json::Value(Json::objectValue)), 0);
    model->loadProfileIntoPage();
    EXPECT_TRUE(model->customEffectsSnapshot().empty());
    EXPECT_EQ(JsonFileStore::loadJsonFile(folder() + "tavix_light.config"), Json::Value(Json::objectValue));
}

TEST_F(MouseLightTest, CustomModesPlayTheProfilesEffectStepsEachForItsTime) {
    Json::Value config;
    config["LightInfo"][0][9]["Guid"] = "effect_one";
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "tavix_light.config", config), 0);
    Json::Value effect;
    auto addStep = [&](int mode, int red, int time) {
        Json::Value step;
        step["LEDREGMode"] = mode;
        step["LEDBrightness"] = 4;
        step["LEDSpeed"] = 4;
        step["LEDDirection"] = 1;
        step["LEDMultiColor"] = 0;
        step["red"] = red;
        step["green"] = 2;
        step["blue"] = 3;
        step["Time"] = time;
        step["Cyle"] = 1;
        effect["LEDEffectList"].append(step);
    };
    addStep(2, 100, 500);
    addStep(12, 0, 100); // a custom mode inside the list shows nothing
    addStep(2, 50, 100);
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "effect_one.light", effect), 0);
    Json::Value node;
    node["LightInfo"] = lightNode(9, 4, 0, 0, false, 0, 0, 0);
    writeProfile("p1", node);
    std::chrono::milliseconds now{1000};
    model->setTickSource([&] { return now; });
    model->loadProfileIntoPage();
    ASSERT_EQ(model->customEffectsSnapshot().size(), 3u);

    model->customEffectStep();
    EXPECT_EQ(model->getLedState(0), light::packLed({100, 2, 3}, 255));
    now += 499ms;
    model->customEffectStep();
    EXPECT_EQ(model->getLedState(0), light::packLed({100, 2, 3}, 255));
    now += 1ms;
    model->customEffectStep();
    EXPECT_EQ(model->getLedState(0), 0u);
    now += 100ms;
    model->customEffectStep();
    EXPECT_EQ(model->getLedState(7), light::packLed({50, 2, 3}, 255));
    now += 100ms;
    model->customEffectStep(); // wraps to the first step
    EXPECT_EQ(model->getLedState(7), light::packLed({100, 2, 3}, 255));
}

TEST_F(MouseLightTest, TheLightThreadKeepsRunningWhileCommandsAreSentAndStopsOnRequest) {
    ASSERT_EQ(model->readDevice().result, 1);
    Json::Value node;
    node["LightInfo"] = lightNode(0, 4, 4, 1, false, 0, 0, 0);
    node["DPIStages"] = stagesNode(1, {4, 8, 14, 22, 30, 48});
    writeProfile("p1", node);
    model->loadProfileIntoPage();
    FrameCounter counter;
    model->setObserver(&counter);
    std::string exitLine;
    std::mutex traceMutex;
    const TraceSink previous = setTraceSink([&](std::string_view line) {
        std::lock_guard lock(traceMutex);
        if (line.find("MS灯光线程") != std::string_view::npos)
            exitLine = line;
    });

    ASSERT_TRUE(model->startLightThread());
    for (int round = 0; round < 15; ++round) {
        EXPECT_EQ(model->writeSettings(0, 0), 1) << round;
        EXPECT_EQ(model->readSettings(), 1) << round;
    }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (counter.frames.load() < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_GE(counter.frames.load(), 5);
    EXPECT_EQ(model->stopLightThread(), WorkerThread::StopOutcome::Ended);
    const int framesAtStop = counter.frames.load();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(counter.frames.load(), framesAtStop);
    EXPECT_EQ(mouse->openUpdates(), 0);
    setTraceSink(previous);
    EXPECT_EQ(exitLine, "MS灯光线程设定退出");
    model->setObserver(nullptr);
}

TEST_F(MouseLightTest, APausedOrDisconnectedMouseGetsNoFrames) {
    FrameCounter counter;
    model->setObserver(&counter);
    model->commandChannel.animationPaused = 1;
    ASSERT_TRUE(model->startLightThread());
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(counter.frames.load(), 0);
    model->commandChannel.connected = 0;
    model->commandChannel.animationPaused = 0;
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(counter.frames.load(), 0);
    // readSettings clears the pause flag; a connected mouse animates again.
    model->commandChannel.connected = 1;
    model->commandChannel.animationPaused = 1;
    model->readSettings();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (counter.frames.load() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_GT(counter.frames.load(), 0);
    model->stopThreads();
    model->setObserver(nullptr);
}

TEST_F(MouseLightTest, ChoosingALightModeMovesThePreviewToIt) {
    chooseLight(2, 4, 0, 0, 0, {1, 2, 3});
    EXPECT_EQ(model->settingsSnapshot().light.mode, 2);
    EXPECT_EQ(model->profileData.getLightInfo().mode, 2);
    chooseLight(3, 4, 0, 0, 0, {1, 2, 3});
    // The mode changed: the effect row restarts with its first cell marked.
    EXPECT_EQ(model->effectBuffer[UsbDeviceModel::kEffectKeyCells], 0xFF);
}

} // namespace
} // namespace pelan
