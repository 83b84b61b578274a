// The main window with emulated devices on the real HID path: the time from plugging the mouse to its page being
// connected and shown, and the program's idle processor time and memory while the emulated mouse is connected.
// Run with QT_QPA_PLATFORM=offscreen; the emulator serves its devices from a thread of this process.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <unistd.h>

#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "bench/device/LightThreadBench.h"
#include "controls/CDeviceOptionUI.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/Paths.h"
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

// The program's window over an emulated tree, built as the program builds it.
struct ProgramUnderTest {
    QTemporaryDir data;
    test::EmulatedTree emulated;
    std::unique_ptr<CMainWnd> window;

    ProgramUnderTest() {
        application();
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
        const int id = program.emulated.tree().plug(emu::makeDevice("mouse"));
        if (!pumpUntil([&] { return program.mouseShownAndConnected(); })) {
            state.SkipWithError("the mouse page did not connect");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        program.emulated.tree().unplug(id);
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
    program.emulated.tree().plug(emu::makeDevice("mouse"));
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

} // namespace

BENCHMARK_MAIN();
