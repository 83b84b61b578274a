#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/WorkerThread.h"
#include "platform/TcpPoller.h"
#include "rgbserver/SdkSession.h"
#include "rgbserver/SdkWire.h"

namespace pelan::rgb {

// What the server serves: the controllers and what their changes do. Called on the server's thread only.
class ControllerSource {
public:
    virtual ~ControllerSource() = default;
    // The controllers as they are now, LED colours included.
    virtual std::vector<Controller> describe() = 0;
    // Shows a whole frame of LED colours on a controller.
    virtual void showColours(size_t controller, const std::vector<Colour>& colours) = 0;
    // Applies a device mode a client chose (never the per-LED mode), its value the one describe() gave it. `save`
    // asks for it to be kept.
    virtual void applyMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) = 0;
    // The names of the clients that drive LEDs themselves changed; empty when none does any more.
    virtual void directControlChanged(const std::vector<std::string>& clientNames) = 0;
};

struct ServerSettings {
    std::string address = "127.0.0.1";
    uint16_t port = kDefaultPort; // 0: a free port the system chooses
    // Listening on anything but loopback lets other machines light the devices: only when asked for.
    bool allowRemote = false;
    size_t maxClients = 32;
    // Bytes waiting for a client that does not read, above which it is dropped.
    size_t maxPendingOutput = 1024 * 1024;
    // The fastest a controller takes frames: the light stream's pace. Faster frames are merged, the last one wins.
    std::chrono::milliseconds frameInterval{16};
};

// An OpenRGB SDK server: one worker thread runs a poll loop over the listening socket and the clients, and sleeps
// while no packet arrives and no frame is due.
class SdkServer : private SessionHost {
public:
    // The index of the per-LED mode in every controller's mode list.
    static constexpr size_t kDirectMode = 0;

    SdkServer(ControllerSource& source, ServerSettings settings);
    ~SdkServer() override;
    SdkServer(const SdkServer&) = delete;
    SdkServer& operator=(const SdkServer&) = delete;

    // Listens and starts the thread. An error text, or "" when running.
    std::string start();
    void stop();
    bool running() const { return worker_.running(); }
    uint16_t port() const { return port_.load(); }
    // A device arrived or left (any thread): the list is read again and every client told.
    void devicesChanged();
    // A snapshot, for showing who is connected and who is in control.
    size_t clientCount() const;
    std::vector<std::string> directClients() const;
    // Frames handed to the source since start.
    size_t framesShown() const { return framesShown_.load(); }

private:
    struct Client {
        int socket = -1;
        std::unique_ptr<SdkSession> session;
        bool wantWrite = false;
    };
    struct Pending {
        bool due = false;
        std::chrono::steady_clock::time_point lastShown{};
    };

    const std::vector<Controller>& controllers() const override { return controllers_; }
    void setColours(size_t controller, size_t first, std::span<const Colour> colours) override;
    bool setMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) override;
    void setCustomMode(size_t controller) override;

    void run(StopEvent& stop);
    void acceptClients();
    void serve(uint64_t tag, const platform::Poller::Ready& ready);
    bool flush(uint64_t tag, Client& client);
    void drop(uint64_t tag);
    void reloadControllers();
    // Reads the controllers again and tells every client the list changed.
    void announceDeviceList();
    // Shows the frames that are due; the time until the next one, if any waits.
    std::optional<std::chrono::milliseconds> showDueFrames();
    void noteDirectClients();

    ControllerSource& source_;
    ServerSettings settings_;
    platform::Poller poller_;
    int listener_ = -1;
    std::atomic<uint16_t> port_{0};
    std::atomic<bool> devicesChanged_{false};
    std::vector<Controller> controllers_;
    std::vector<Pending> pending_;
    std::map<uint64_t, Client> clients_;
    uint64_t nextTag_ = 1;
    mutable std::mutex snapshotLock_;
    size_t clientCount_ = 0;
    std::vector<std::string> directClients_;
    std::atomic<size_t> framesShown_{0};
    WorkerThread worker_;
};

} // namespace pelan::rgb
