// What other processes can make the window do: during a macro recording, a hook message named on the session bus
// (with any object path, by dbus-send) or on the instance socket is dropped and the recording goes on; a sibling's
// lighting-owner request still works, with its values checked; names that are dropped do not grow the message
// table.
#include "app/InstanceListener.h"
#include "macro/MacroFiles.h"
#include "panels/CMacroControlUI.h"
#include "panels/MacroRoutes.h"
#include "panels/PanelWindowFixture.h"
#include "platform/DbusSignals.h"
#include "platform/Ipc.h"
#include "platform/Shell.h"
#include "profile/JsonFileStore.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace pelan {
namespace {

class OutsideMessages : public test::PanelWindowTest {
protected:
    OutsideMessages() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        if (!bus.running())
            GTEST_SKIP() << "dbus-daemon is not available";
        ASSERT_TRUE(runtime.isValid());
        ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(emu::makeDevice("mouse")));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        // The instance socket, read and handed on as the program does.
        channel = std::make_unique<InstanceChannel>(InstanceChannel::open("Pelan Outside Test"));
        ASSERT_EQ(channel->role(), InstanceChannel::Role::Primary);
        listener = std::make_unique<InstanceListener>(*channel, [this](const IpcMessage& message) {
            postOutsideMessage(*window, message, MessageDoor::InstanceSocket);
        });
    }
    void TearDown() override {
        listener.reset();
        channel.reset();
        PanelWindowTest::TearDown();
        ::unsetenv("XDG_RUNTIME_DIR");
    }

    // A window message broadcast on the session bus by dbus-send, as any process of the session can.
    static void busSignal(const char* path, const std::string& name, long long wParam, long long lParam) {
        const ProgramRun run =
            runProgram({"dbus-send", "--session", "--type=signal", path, "org.orvane.Pelan.Siblings.WindowMessage",
                        "string:" + name, "int64:" + std::to_string(wParam), "int64:" + std::to_string(lParam)},
                       std::chrono::seconds(10));
        ASSERT_TRUE(run.succeeded()) << run.errors;
    }
    // One line on the instance socket.
    void socketLine(const std::string& line) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", channel->socketPath().c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::send(fd, line.data(), line.size(), MSG_NOSIGNAL), ssize_t(line.size()));
        ::close(fd);
    }
    Json::Value recordedEvents() const {
        const std::string folder = page()->model().userDeviceFolder();
        return JsonFileStore::loadJsonFile(folder + loadMacroList(folder, "macro.config")[0].guid + ".mac")["Events"];
    }

    test::PrivateBus bus{"DBUS_SESSION_BUS_ADDRESS"}; // before the window, which connects to it
    QTemporaryDir runtime;
    std::unique_ptr<InstanceChannel> channel;
    std::unique_ptr<InstanceListener> listener;
};

TEST_F(OutsideMessages, HookMessagesFromOutsideAreDroppedDuringARecording) {
    click("macro_Op_tab");
    click("macro_btn_name_add");
    click("macro_btn_starredio");
    ASSERT_TRUE(control("macro_btn_stopredio")->isVisible());

    const UINT before = RegisterWindowMessage("{probe before}");
    // The hook message of a recording names a record by its address: once it crashed the program.
    ASSERT_NO_FATAL_FAILURE(busSignal("/anything", "WM_HOOK_KEY_KBMACRO_MSG", 256, 4096));
    ASSERT_NO_FATAL_FAILURE(busSignal("/org/orvane/Pelan", "WM_HOOK_KEY_KBMACRO_MSG", 256, 4096));
    ASSERT_NO_FATAL_FAILURE(busSignal("/org/orvane/Pelan", "{never seen name}", 1, 1));
    ASSERT_NO_FATAL_FAILURE(socketLine("MSG 256 4096 WM_HOOK_KEY_KBMACRO_MSG\n"));
    ASSERT_NO_FATAL_FAILURE(socketLine("MSG 0 0 {another never seen name}\n"));
    // A sibling's lighting-owner request out of range is dropped too; the same request in range arrives after all
    // of them. (A sender still on the bus: one that has left cannot be told from another user's.)
    SiblingBus sibling;
    ASSERT_TRUE(sibling.connected());
    ASSERT_TRUE(sibling.broadcast({kLightingOwnerRequestName, 1, 7}));
    QTest::qWait(100);
    EXPECT_EQ(window->GetLightingControl(), 1);
    ASSERT_TRUE(sibling.broadcast({kLightingOwnerRequestName, 1, 0}));
    ASSERT_TRUE(test::waitFor([&] { return window->GetLightingControl() == 0; }));
    EXPECT_TRUE(test::waitFor([&] { return channel->oldestClient() == std::nullopt; }));
    QTest::qWait(100);
    EXPECT_EQ(RegisterWindowMessage("{probe after}"), before + 1);

    // The recording holds what was typed, and nothing of the above.
    QTest::keyClick(window->GetHWND(), Qt::Key_A);
    click("macro_btn_stopredio");
    const Json::Value recorded = recordedEvents();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0]["Action"].asString(), "down");
    EXPECT_EQ(recorded[1]["Action"].asString(), "up");
}

} // namespace
} // namespace pelan
