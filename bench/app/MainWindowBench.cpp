// The main window with emulated devices on the real HID path: the time from plugging the mouse to its page being
// connected and shown, the program's idle processor time and memory while the emulated mouse is connected, and the
// idle cost of the program over a minute in each of its states next to a bare Qt window's, with the emulator in a
// process of its own so that only the program is counted, also with profiles that follow applications. Run with
// QT_QPA_PLATFORM=offscreen, or on an X server (QT_QPA_PLATFORM=xcb) for the state of a window unmapped as a window
// manager does on another workspace; PELAN_IDLE_SECONDS shortens the minute.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "bench/device/LightThreadBench.h"
#include "controls/CDeviceOptionUI.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/Paths.h"
#include "profile/ProfileList.h"
#include "support/EmulatedTree.h"
#include "ui/DuiLib.h"

namespace {

using namespace pelan;
using Clock = std::chrono::steady_clock;

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_main_window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Sleeps in the event dispatcher as the program's loop does; a nested QEventLoop would return at once once a
// window has asked the application to quit.
void runEventsFor(std::chrono::milliseconds span) {
    const auto deadline = Clock::now() + span;
    QTimer wake;
    wake.start(100);
    while (Clock::now() < deadline)
        QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
}

template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The program's window over an emulated tree, built as the program builds it: the tree of this process, or the
// hidraw root the environment names already (a pelan-emu process).
struct ProgramUnderTest {
    QTemporaryDir data;
    std::unique_ptr<test::EmulatedTree> emulated;
    std::unique_ptr<CMainWnd> window;

    explicit ProgramUnderTest(bool ownTree = true) {
        application();
        if (ownTree)
            emulated = std::make_unique<test::EmulatedTree>();
        const char* source = std::getenv("PELAN_SOURCE_DIR");
        const QString sourceDir = source != nullptr ? QString::fromUtf8(source) : QString(PELAN_SOURCE_DIR_DEFAULT);
        setDataFolderOverride(data.path().toStdString());
        setProgramFolderOverride(sourceDir.toStdString());
        CPaintManagerUI::SetResourcePath(sourceDir + "/skin/");
        CResourceManager::GetInstance()->LoadResource("res.xml");
        registerCustomControls();
        registerInstanceMessage();
        registerGuidMessages();
        window = std::make_unique<CMainWnd>();
        window->Create(static_cast<QWidget*>(nullptr), productTitle(), 0x96CA0000, 0, 0, 0, 800, 572);
        pumpUntil([&] { return window->IsStarted(); });
    }
    ~ProgramUnderTest() {
        window->DestroyWindow();
        window.reset();
        // No event loop runs between the benchmarks: the pages (and their device threads) go only when told to, and
        // would otherwise be counted against the next measure.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        setDataFolderOverride("");
        setProgramFolderOverride("");
    }
    const CMainWnd::DevicePage& mouse() const { return *window->FindPageOfKind(kDeviceKindMouse); }
    bool mouseShownAndConnected() const { return mouse().option->IsVisibleFlag() && mouse().page->isConnected(); }
};

void BM_PlugToPageConnected(benchmark::State& state) {
    ProgramUnderTest program;
    for (auto _ : state) {
        const auto start = Clock::now();
        const int id = program.emulated->tree().plug(emu::makeDevice("mouse"));
        if (!pumpUntil([&] { return program.mouseShownAndConnected(); })) {
            state.SkipWithError("the mouse page did not connect");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        program.emulated->tree().unplug(id);
        pumpUntil([&] { return !program.mouse().option->IsVisibleFlag(); });
    }
    // Nothing may keep running for a device that has gone.
    const double cpuStart = bench::processCpuSeconds();
    const auto wallStart = Clock::now();
    runEventsFor(std::chrono::milliseconds(2000));
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    state.counters["idle_cpu_percent_after_unplugs"] = 100.0 * (bench::processCpuSeconds() - cpuStart) / wall;
}
BENCHMARK(BM_PlugToPageConnected)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Processor time per second of wall time while the window sits idle with the connected mouse (its periodic status
// read and light preview included), and the resident memory of the whole process.
void BM_IdleWithEmulatedMouse(benchmark::State& state) {
    ProgramUnderTest program;
    program.emulated->tree().plug(emu::makeDevice("mouse"));
    if (!pumpUntil([&] { return program.mouseShownAndConnected(); })) {
        state.SkipWithError("the mouse page did not connect");
        return;
    }
    runEventsFor(std::chrono::milliseconds(1500)); // the connect routine has run
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = bench::processCpuSeconds();
        const auto wallStart = Clock::now();
        runEventsFor(std::chrono::milliseconds(3000));
        cpu += bench::processCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
    }
    state.counters["cpu_percent_of_a_core"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    state.counters["resident_MiB"] = residentMiB();
}
BENCHMARK(BM_IdleWithEmulatedMouse)->Unit(benchmark::kSecond)->Iterations(2);

// --- idle cost, with the emulator in its own process ---

// pelan-emu serving a mouse under a short folder of its own, driven through its standard input.
class EmulatorProcess {
public:
    EmulatorProcess() : root_(QDir::tempPath() + "/pelan-idle-XXXXXX") {
        process_.start(PELAN_EMU_PATH, {"--root", root_.path(), "--devices", "mouse"});
        ready_ = process_.waitForStarted() && answer() == "ready";
    }
    ~EmulatorProcess() {
        process_.write("quit\n");
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    bool ready() const { return ready_; }
    QString root() const { return root_.path(); }
    bool run(const char* command) {
        process_.write(QByteArray(command) + "\n");
        return answer() == "ok";
    }

private:
    QString answer() {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(10000))
                return {};
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QTemporaryDir root_;
    QProcess process_;
    bool ready_ = false;
};

std::chrono::milliseconds idleSpan() {
    const char* seconds = std::getenv("PELAN_IDLE_SECONDS");
    return std::chrono::seconds(seconds != nullptr && std::atoi(seconds) > 0 ? std::atoi(seconds) : 60);
}

// Sleeps in the event loop without a timer of its own, so the time counted is what the program itself wakes for.
double idleCpuPercent(std::chrono::milliseconds span) {
    bool over = false;
    QTimer::singleShot(span, [&] { over = true; });
    const double cpuStart = bench::processCpuSeconds();
    const auto wallStart = Clock::now();
    while (!over)
        QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    return 100.0 * (bench::processCpuSeconds() - cpuStart) / wall;
}

// Unmaps the shown window behind Qt's back, as a window manager does with the windows of another workspace: Qt keeps
// it visible, only no longer exposed.
bool unmapAsWindowManager(QWidget& window) {
    if (QGuiApplication::platformName() != "xcb")
        return false;
    const QString id = QString::number(window.winId());
    return QProcess::execute("xdotool", {"windowunmap", id}) == 0 &&
           pumpUntil([&] { return !window.windowHandle()->isExposed(); }) && window.isVisible();
}

// The program with the emulator's mouse connected; null, the benchmark skipped with the reason, when it is not.
std::unique_ptr<ProgramUnderTest> startWithMouse(benchmark::State& state, EmulatorProcess& emulator) {
    if (!emulator.ready()) {
        state.SkipWithError("pelan-emu did not start");
        return nullptr;
    }
    ::setenv("PELAN_HIDRAW_ROOT", emulator.root().toUtf8().constData(), 1);
    auto program = std::make_unique<ProgramUnderTest>(false);
    if (!pumpUntil([&] { return program->mouseShownAndConnected(); })) {
        state.SkipWithError("the mouse page did not connect");
        return nullptr;
    }
    return program;
}

// state.range(0): 0 window hidden with the mouse connected, 1 window shown with the mouse, 2 hidden without a
// device, 3 shown with the mouse and then unmapped (X server only).
void BM_IdleProgram(benchmark::State& state) {
    EmulatorProcess emulator;
    const std::unique_ptr<ProgramUnderTest> started = startWithMouse(state, emulator);
    if (!started)
        return;
    ProgramUnderTest& program = *started;
    if (state.range(0) == 2) {
        emulator.run("unplug mouse");
        pumpUntil([&] { return !program.mouse().option->IsVisibleFlag(); });
    }
    runEventsFor(std::chrono::milliseconds(1500)); // the connect routine and the placement have run
    // An arrival brings the window to the front, so it is hidden only now.
    program.window->ShowWindow(state.range(0) == 1 || state.range(0) == 3, false);
    runEventsFor(std::chrono::milliseconds(500));
    if (state.range(0) == 3 && !unmapAsWindowManager(*program.window->GetHWND())) {
        state.SkipWithError("the unmapped state needs an X server and xdotool (QT_QPA_PLATFORM=xcb)");
        program.window->DestroyWindow();
        ::unsetenv("PELAN_HIDRAW_ROOT");
        return;
    }
    for (auto _ : state)
        state.counters["cpu_percent_of_a_core"] = idleCpuPercent(idleSpan());
    program.window->DestroyWindow();
    ::unsetenv("PELAN_HIDRAW_ROOT");
}
BENCHMARK(BM_IdleProgram)
    ->ArgName("hidden_mouse_shown_nodevice_unmapped")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Voluntary context switches of the whole process so far: each is a thread going to sleep after it woke.
long voluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// Gives the mouse's profile list four more profiles, each following an application, as pelanctl would.
bool linkMouseProfiles(const std::string& folder) {
    ProfileList list;
    list.setFolders(folder, "");
    if (list.initProfileList() != ProfileListResult::Done)
        return false;
    const char* applications[] = {"firefox", "foot", "steam", "code"};
    for (const char* application : applications) {
        if (list.copyProfile() != ProfileListResult::Done ||
            list.linkProfile(int(list.items().size()) - 1, application) != ProfileListResult::Done)
            return false;
    }
    return list.setLinkFallback(0) == ProfileListResult::Done;
}

// The idle cost of the hidden window with the mouse connected, without (0) and with (1) profiles that follow
// applications, the window watching the application in front as it does on this session's desktop (an X server
// with QT_QPA_PLATFORM=xcb, else unavailable). With nothing changing the links must cost nothing: the same processor
// time and as many wake-ups.
void BM_IdleWithLinks(benchmark::State& state) {
    EmulatorProcess emulator;
    const std::unique_ptr<ProgramUnderTest> started = startWithMouse(state, emulator);
    if (!started)
        return;
    ProgramUnderTest& program = *started;
    if (state.range(0) == 1 && !linkMouseProfiles(program.mouse().page->model().userDeviceFolder())) {
        state.SkipWithError("the links could not be written");
        return;
    }
    runEventsFor(std::chrono::milliseconds(1500)); // the panel has read the list again
    program.window->ShowWindow(false, false);
    runEventsFor(std::chrono::milliseconds(500));
    for (auto _ : state) {
        const long switchesStart = voluntarySwitches();
        const auto wallStart = Clock::now();
        state.counters["cpu_percent_of_a_core"] = idleCpuPercent(idleSpan());
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        state.counters["wakeups_per_second"] = double(voluntarySwitches() - switchesStart) / wall;
    }
    program.window->DestroyWindow();
    ::unsetenv("PELAN_HIDRAW_ROOT");
}
BENCHMARK(BM_IdleWithLinks)->ArgName("links")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// The same measure for a bare Qt window that is shown: what any Qt program costs here.
void BM_IdleBareQtWindow(benchmark::State& state) {
    application();
    QWidget window;
    window.resize(800, 572);
    window.show();
    runEventsFor(std::chrono::milliseconds(500));
    for (auto _ : state)
        state.counters["cpu_percent_of_a_core"] = idleCpuPercent(idleSpan());
}
BENCHMARK(BM_IdleBareQtWindow)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
