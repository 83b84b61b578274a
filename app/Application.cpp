#include "app/Application.h"

#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "app/FontLoader.h"
#include "app/InstanceListener.h"
#include "platform/Ipc.h"
#include "platform/Paths.h"
#include "platform/TerminationSignal.h"
#include "platform/Trace.h"
#include "platform/Version.h"
#include "ui/DuiLib.h"

#include <QApplication>
#include <QSocketNotifier>
#include <chrono>
#include <cstdio>
#include <thread>

namespace pelan {
namespace {

constexpr UINT kMainWindowStyle = 0x96CA0000;
constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 572;
// A copy that has just taken the lock may not listen yet: how often, and how far apart, a second copy tries.
constexpr int kSendAttempts = 20;
constexpr auto kSendRetryDelay = std::chrono::milliseconds(50);

StartupOptions& options() {
    static StartupOptions record;
    return record;
}

void tellRunningCopy(const InstanceChannel& channel) {
    const IpcMessage message{std::string(kProductTitle), 0, 1};
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (channel.send(message))
            return;
        std::this_thread::sleep_for(kSendRetryDelay);
    }
    trace("the running copy could not be reached");
}

std::vector<std::string> argumentsOf(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace

const StartupOptions& startupOptions() {
    return options();
}

void setStartupOptions(const StartupOptions& startup) {
    options() = startup;
}

int runPelan(int argc, char** argv) {
    options() = parseStartupOptions(argumentsOf(argc, argv));
    if (!options().error.empty()) {
        std::fprintf(stderr, "pelan: %s\n", options().error.c_str());
        return 2;
    }
    // Answered before Qt starts, so it works without a display.
    if (options().help) {
        std::fputs(startupUsage().c_str(), stdout);
        return 0;
    }
    if (options().version) {
        std::printf("pelan %.*s\n", int(programVersion().size()), programVersion().data());
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!options().dataDir.empty())
        setDataFolderOverride(options().dataDir);
    const QString programDir = QString::fromStdString(programFolder());

    const std::vector<int> fonts = loadPrivateFonts(programDir);
    const UINT instanceMessage = registerInstanceMessage();
    trace("软件标示：" + std::to_string(instanceMessage));

    InstanceChannel channel = InstanceChannel::open(kProductTitle);
    if (channel.role() == InstanceChannel::Role::Secondary) {
        tellRunningCopy(channel);
        unloadPrivateFonts(fonts);
        return 0;
    }
    // A relay socket named by whoever started this program is not ours to hand on.
    ::unsetenv(kRelaySocketVariable);
    if (channel.role() == InstanceChannel::Role::Failed)
        trace("single instance not available: " + channel.error());
    else
        // A firmware upgrade program started from the update list reports back through this socket.
        setRelaySocketPath(channel.socketPath());

    CPaintManagerUI::SetInstance(nullptr);
    CPaintManagerUI::SetInstancePath(programDir);
    CPaintManagerUI::SetResourceType(1);
    CPaintManagerUI::SetResourcePath(programDir + "skin/");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    registerCustomControls();
    registerGuidMessages();

    auto* mainWindow = new CMainWnd();
    if (mainWindow->Create(static_cast<QWidget*>(nullptr), productTitle(), kMainWindowStyle, 0, 0, 0, kMainWindowWidth,
                           kMainWindowHeight) == nullptr) {
        // Without its layout there is no window to show: say so instead of ending quietly as if all went well.
        std::fprintf(stderr, "pelan: the main window could not be built from %s\n",
                     qPrintable(CPaintManagerUI::GetResourcePath()));
        delete mainWindow;
        unloadPrivateFonts(fonts);
        return 1;
    }
    mainWindow->CenterWindow();

    auto listener = std::make_unique<InstanceListener>(channel, [mainWindow](const IpcMessage& message) {
        postOutsideMessage(*mainWindow, message, MessageDoor::InstanceSocket);
    });

    // Ctrl+C or a plain kill ends the program as its tray menu's "exit" does.
    std::unique_ptr<QSocketNotifier> terminationNotifier;
    if (const int signalFd = watchTerminationSignals(); signalFd >= 0) {
        terminationNotifier = std::make_unique<QSocketNotifier>(signalFd, QSocketNotifier::Read);
        QObject::connect(terminationNotifier.get(), &QSocketNotifier::activated, [mainWindow] {
            drainTerminationSignals();
            mainWindow->Close(0);
        });
    }

    CPaintManagerUI::MessageLoop();

    terminationNotifier.reset();
    listener.reset();
    delete mainWindow;
    CResourceManager::GetInstance()->Release();
    unloadPrivateFonts(fonts);
    return 0;
}

} // namespace pelan
