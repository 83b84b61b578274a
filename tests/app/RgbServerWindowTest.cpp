// The RGB server from the window: the settings window's switch starts and stops it, the choice is kept, and the
// title bar names the SDK client that drives the lights until it leaves.
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "app/CSetWnd.h"
#include "panels/PanelWindowFixture.h"
#include "platform/SettingsFile.h"
#include "rgbserver/SdkTestClient.h"

namespace pelan {
namespace {

// A port nobody listens on just now.
uint16_t freePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    ::bind(probe, reinterpret_cast<sockaddr*>(&where), sizeof where);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&where), &length);
    ::close(probe);
    return ntohs(where.sin_port);
}

class RgbServerWindow : public test::PanelWindowTest {
protected:
    RgbServerWindow() : PanelWindowTest(kDeviceKindMouse) {}
    void SetUp() override {
        // A settings file of its own: the switch is stored there, and other tests must not find the server on.
        ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
        ASSERT_TRUE(writeSettingsValue("RgbServerPort", std::to_string(port)));
    }
    void TearDown() override {
        PanelWindowTest::TearDown();
        ::unsetenv("XDG_CONFIG_HOME");
    }
    CControlUI* settingsControl(const char* name) {
        return window->GetSettingsWindow()->GetPaintManager()->FindControl(name);
    }
    QString ownerLabel() { return window->GetPaintManager()->FindControl("control_light_status")->GetText(); }

    QTemporaryDir config;
    uint16_t port = freePort();
};

TEST_F(RgbServerWindow, TheSettingsSwitchServesTheDevicesAndTheTitleNamesTheClientInControl) {
    ASSERT_NO_FATAL_FAILURE(startWindow(false));
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
    ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(mouse));
    EXPECT_FALSE(window->IsRgbServerRunning());
    const QString ownLabel = ownerLabel();

    clickControl(window->GetPaintManager()->FindControl("setbtn"), "setbtn");
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }));
    clickControl(settingsControl("rgb_server_check"), "rgb_server_check");
    ASSERT_TRUE(test::waitFor([&] { return window->IsRgbServerRunning(); }));
    EXPECT_EQ(window->GetRgbServerPort(), port);
    EXPECT_EQ(settingsValue("RgbServer"), "1");

    auto client = std::make_unique<test::SdkTestClient>(port);
    ASSERT_TRUE(client->connected());
    client->send(0, rgb::packet::kSetClientName, {'d', 'e', 's', 'k', 0});
    rgb::Writer colours;
    colours.u32(4 + 2 + 4 * 8);
    colours.u16(8);
    for (int led = 0; led < 8; ++led)
        colours.u32(rgb::colourOf(0, 0, 0xFF));
    client->send(0, rgb::packet::kUpdateLeds, colours.bytes());
    ASSERT_TRUE(test::waitFor([&] { return ownerLabel().contains("desk"); })) << ownerLabel().toStdString();
    EXPECT_TRUE(page()->model().externalFrames.load());
    ASSERT_TRUE(test::waitFor([&] {
        const std::vector<uint8_t> frame = mouse->lightFrame();
        return frame.size() >= 24 && frame[2] == 0xFF * 255 / 256 && frame[23] == 0xFF * 255 / 256;
    }));

    client.reset();
    ASSERT_TRUE(test::waitFor([&] { return ownerLabel() == ownLabel; })) << ownerLabel().toStdString();
    EXPECT_FALSE(page()->model().externalFrames.load());

    clickControl(settingsControl("rgb_server_check"), "rgb_server_check");
    ASSERT_TRUE(test::waitFor([&] { return !window->IsRgbServerRunning(); }));
    EXPECT_EQ(settingsValue("RgbServer"), "0");
}

} // namespace
} // namespace pelan
