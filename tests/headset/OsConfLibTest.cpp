// The audio configuration library through its C exports, loaded as the program loads it, with the simulated headset.
#include "headset/AudioPropertyNames.h"
#include "headset/OsConfLibAbi.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace pelan {
namespace {

using testing::TempFolder;

class OsConfLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", folder.path().c_str(), 1);
        ::setenv("PELAN_AUDIO_BACKEND", "simulated", 1);
        const std::string path = std::string(std::getenv("PELAN_BIN_DIR")) + "/SDK/x64/linux/libosConfLib.so";
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        init = symbol<OsConfLibInitFn>("ConfLibInit");
        create = symbol<OsConfCreateDeviceListFn>("CreateDeviceList");
        count = symbol<OsConfGetDeviceCountFn>("GetDeviceCount");
        byId = symbol<OsConfGetDeviceByIdFn>("GetDeviceById");
        control = symbol<OsConfPropertyControlFn>("PropertyControl");
        uninit = symbol<OsConfNoArgumentFn>("ConfLibUnInit");
        ASSERT_EQ(init(), 0);
        ASSERT_EQ(create(), 0);
    }
    void TearDown() override {
        if (uninit != nullptr)
            uninit();
        if (handle != nullptr)
            ::dlclose(handle);
    }

    template <typename F>
    F symbol(const char* name) {
        return reinterpret_cast<F>(::dlsym(handle, name));
    }

    OsConfDevice device(int list, int index) {
        OsConfDevice record{};
        EXPECT_EQ(byId(list, index, &record), 0);
        return record;
    }

    // A read as the program makes it: the value comes back as wide text in the first buffer.
    std::optional<std::wstring> read(const OsConfDevice& record, const wchar_t* name) {
        std::array<char, OSCONF_VALUE_BUFFER_BYTES> buffer{};
        int32_t selector = -1;
        void* value = buffer.data();
        void* channel = &selector;
        if (control(record, name, &value, &channel, OSCONF_READ) != 0)
            return std::nullopt;
        return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data()));
    }

    template <typename T>
    int write(const OsConfDevice& record, const wchar_t* name, T binary) {
        std::array<char, OSCONF_VALUE_BUFFER_BYTES> buffer{};
        std::memcpy(buffer.data(), &binary, sizeof binary);
        void* value = buffer.data();
        return control(record, name, &value, nullptr, OSCONF_WRITE);
    }

    TempFolder folder;
    void* handle = nullptr;
    OsConfLibInitFn init = nullptr;
    OsConfCreateDeviceListFn create = nullptr;
    OsConfGetDeviceCountFn count = nullptr;
    OsConfGetDeviceByIdFn byId = nullptr;
    OsConfPropertyControlFn control = nullptr;
    OsConfNoArgumentFn uninit = nullptr;
};

TEST_F(OsConfLibTest, ExportsEveryNameTheProgramLooksUp) {
    for (const char* name :
         {"ConfLibInit", "GetDeviceById", "PropertyControl", "RegisterCallbackFunction", "GetDeviceCount",
          "CreateDeviceList", "ConfLibUnInit", "ShowAsioPanel", "PlayTestSound", "StopTestSound", "CloseTestSound"})
        EXPECT_NE(::dlsym(handle, name), nullptr) << name;
}

TEST_F(OsConfLibTest, SimulatedListsHoldTheHeadsetEndpoints) {
    int32_t outputs = 0;
    int32_t inputs = 0;
    ASSERT_EQ(count(0, &outputs), 0);
    ASSERT_EQ(count(1, &inputs), 0);
    ASSERT_EQ(outputs, 2);
    ASSERT_EQ(inputs, 1);
    EXPECT_EQ(device(0, 1).kind, 1);
    EXPECT_EQ(device(0, 1).flag, 1);
    EXPECT_EQ(device(1, 0).kind, 2);
    OsConfDevice none{};
    EXPECT_NE(byId(0, 2, &none), 0);
    EXPECT_NE(byId(1, -1, &none), 0);
    EXPECT_NE(count(2, &inputs), 0);
    EXPECT_NE(count(0, nullptr), 0);
}

TEST_F(OsConfLibTest, ReadsTextAndWritesBinaryByProperty) {
    const OsConfDevice mic = device(1, 0);
    const OsConfDevice output = device(0, 1);
    EXPECT_EQ(read(mic, L"GetSupportFeature"), L"131072,0,0,0,3,0,3");
    EXPECT_EQ(write(mic, L"VolumeScalarControl", 0.25f), 0);
    EXPECT_EQ(read(mic, L"VolumeScalarControl"), L"0.25");
    EXPECT_EQ(read(mic, L"VolumeControl"), L"-19.5");
    EXPECT_EQ(write(output, L"EQ_Slider4", int32_t(-11)), 0);
    EXPECT_EQ(read(output, L"EQ_Slider4"), L"-11");
    // A property without a value yet fails until something is written, as the program's probing expects.
    EXPECT_FALSE(read(output, L"RFX_ROOMSIZE"));
    EXPECT_EQ(write(output, L"RFX_ROOMSIZE", int32_t(0)), 0);
    EXPECT_EQ(read(output, L"RFX_ROOMSIZE"), L"0");
    EXPECT_NE(write(output, L"NoSuchProperty", int32_t(1)), 0);
    EXPECT_NE(control(output, nullptr, nullptr, nullptr, OSCONF_READ), 0);
    // The speaker that is not the headset's has no properties.
    EXPECT_FALSE(read(device(0, 0), L"GetSupportFeature"));
}

TEST_F(OsConfLibTest, StateOutlivesTheProcessInTheStateFile) {
    EXPECT_EQ(write(device(1, 0), L"AAMuteControl", int32_t(1)), 0);
    EXPECT_EQ(write(device(1, 0), L"MagicVoice_Selection", int32_t(2)), 0);
    uninit();
    EXPECT_NE(create(), 0); // nothing before the next ConfLibInit
    ASSERT_EQ(init(), 0);
    ASSERT_EQ(create(), 0);
    EXPECT_EQ(read(device(1, 0), L"AAMuteControl"), L"1");
    EXPECT_EQ(read(device(1, 0), L"MagicVoice_Selection"), L"2");
    const std::string state = testing::readText(folder.file("orvane-pelan/osConfLib.state"));
    EXPECT_NE(state.find("simulated.MagicVoice_Selection=2\n"), std::string::npos) << state;
}

} // namespace
} // namespace pelan
