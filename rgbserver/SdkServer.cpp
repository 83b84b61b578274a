#include "rgbserver/SdkServer.h"

#include <algorithm>
#include <exception>

#include "platform/Trace.h"

namespace pelan::rgb {
namespace {

constexpr uint64_t kListenerTag = 0;
constexpr size_t kReadChunk = 16 * 1024;
constexpr int kChunksPerPass = 4;

bool isLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0;
}

} // namespace

SdkServer::SdkServer(ControllerSource& source, ServerSettings settings)
    : source_(source), settings_(std::move(settings)) {}

SdkServer::~SdkServer() {
    stop();
}

std::string SdkServer::start() {
    if (running())
        return {};
    if (!isLoopback(settings_.address) && !settings_.allowRemote)
        return "listening on " + settings_.address + " needs the setting that allows other machines";
    if (!poller_.valid())
        return "cannot make the poll set";
    std::string error;
    listener_ = platform::listenTcp(settings_.address, settings_.port, error);
    if (listener_ < 0)
        return "cannot listen on " + settings_.address + ":" + std::to_string(settings_.port) + ": " + error;
    port_ = platform::boundPort(listener_);
    poller_.add(listener_, kListenerTag, false);
    worker_.start([this](StopEvent& stop) {
        try {
            run(stop);
        } catch (const std::exception& failure) {
            trace(std::string("RGB server stopped: ") + failure.what());
        }
    });
    return {};
}

void SdkServer::stop() {
    worker_.stop([this] { poller_.wake(); });
    for (auto& [tag, client] : clients_)
        platform::closeSocket(client.socket);
    clients_.clear();
    if (listener_ >= 0) {
        poller_.remove(listener_);
        platform::closeSocket(listener_);
        listener_ = -1;
    }
    noteDirectClients();
}

void SdkServer::devicesChanged() {
    devicesChanged_ = true;
    poller_.wake();
}

size_t SdkServer::clientCount() const {
    std::lock_guard lock(snapshotLock_);
    return clientCount_;
}

std::vector<std::string> SdkServer::directClients() const {
    std::lock_guard lock(snapshotLock_);
    return directClients_;
}

void SdkServer::run(StopEvent& stop) {
    trace("RGB server listening on port " + std::to_string(port_.load()));
    reloadControllers();
    std::optional<std::chrono::milliseconds> timeout;
    while (!stop.isSet()) {
        bool woken = false;
        for (const platform::Poller::Ready& ready : poller_.wait(timeout, woken)) {
            if (ready.tag == kListenerTag)
                acceptClients();
            else
                serve(ready.tag, ready);
        }
        if (devicesChanged_.exchange(false))
            announceDeviceList();
        noteDirectClients();
        timeout = showDueFrames();
    }
    trace("RGB server stopped");
}

void SdkServer::announceDeviceList() {
    reloadControllers();
    std::vector<uint64_t> tags;
    for (auto& [tag, client] : clients_) {
        client.session->send(0, packet::kDeviceListUpdated);
        tags.push_back(tag);
    }
    // A client that cannot take the notice is dropped on the way, so each is looked up again.
    for (uint64_t tag : tags)
        if (const auto found = clients_.find(tag); found != clients_.end())
            flush(tag, found->second);
}

void SdkServer::acceptClients() {
    for (int socket = platform::acceptTcp(listener_); socket >= 0; socket = platform::acceptTcp(listener_)) {
        if (clients_.size() >= settings_.maxClients) {
            platform::closeSocket(socket);
            continue;
        }
        const uint64_t tag = nextTag_++;
        Client client{socket, std::make_unique<SdkSession>(static_cast<SessionHost&>(*this)), false};
        if (!poller_.add(socket, tag, false)) {
            platform::closeSocket(socket);
            continue;
        }
        clients_.emplace(tag, std::move(client));
    }
}

void SdkServer::serve(uint64_t tag, const platform::Poller::Ready& ready) {
    const auto found = clients_.find(tag);
    if (found == clients_.end())
        return;
    Client& client = found->second;
    if (ready.readable) {
        uint8_t buffer[kReadChunk];
        // A few chunks per pass, so one busy client cannot keep the others waiting; the rest is read next pass.
        for (int chunk = 0; chunk < kChunksPerPass; ++chunk) {
            const platform::StreamResult got = platform::receiveSome(client.socket, buffer, sizeof buffer);
            if (got.state == platform::StreamResult::State::Closed)
                return drop(tag);
            if (got.state == platform::StreamResult::State::WouldBlock)
                break;
            if (!client.session->receive(std::span(buffer, got.bytes))) {
                trace("RGB server: a malformed packet from \"" + client.session->name() + "\", client dropped");
                return drop(tag);
            }
        }
    } else if (ready.hangUp && !ready.writable) {
        return drop(tag);
    }
    flush(tag, client);
}

bool SdkServer::flush(uint64_t tag, Client& client) {
    std::vector<uint8_t>& output = client.session->output();
    size_t sent = 0;
    while (sent < output.size()) {
        const platform::StreamResult result =
            platform::sendSome(client.socket, output.data() + sent, output.size() - sent);
        if (result.state == platform::StreamResult::State::Closed) {
            drop(tag);
            return false;
        }
        if (result.state == platform::StreamResult::State::WouldBlock)
            break;
        sent += result.bytes;
    }
    output.erase(output.begin(), output.begin() + std::ptrdiff_t(sent));
    if (output.size() > settings_.maxPendingOutput) {
        trace("RGB server: client \"" + client.session->name() + "\" does not read its answers, dropped");
        drop(tag);
        return false;
    }
    const bool wantWrite = !output.empty();
    if (wantWrite != client.wantWrite && poller_.change(client.socket, tag, wantWrite))
        client.wantWrite = wantWrite;
    return true;
}

void SdkServer::drop(uint64_t tag) {
    const auto found = clients_.find(tag);
    if (found == clients_.end())
        return;
    poller_.remove(found->second.socket);
    platform::closeSocket(found->second.socket);
    clients_.erase(found);
}

void SdkServer::reloadControllers() {
    controllers_ = source_.describe();
    pending_.assign(controllers_.size(), Pending{});
}

void SdkServer::setColours(size_t controller, size_t first, std::span<const Colour> colours) {
    std::vector<Colour>& held = controllers_[controller].colours;
    std::copy(colours.begin(), colours.end(), held.begin() + std::ptrdiff_t(first));
    controllers_[controller].activeMode = int32_t(kDirectMode);
    pending_[controller].due = true;
}

bool SdkServer::setMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) {
    Controller& held = controllers_[controller];
    held.activeMode = int32_t(modeIndex);
    if (modeIndex == kDirectMode)
        return true;
    // A frame still waiting would take the device back from the mode it was just given.
    pending_[controller].due = false;
    // The mode number is the one we described, whatever value the client sent back.
    Mode chosen = mode;
    chosen.value = held.modes[modeIndex].value;
    source_.applyMode(controller, modeIndex, chosen, save);
    // What the client chose is what the controller now describes; the source keeps the settings in range.
    Mode& described = held.modes[modeIndex];
    described.speed = std::clamp(mode.speed, described.speedMin, described.speedMax);
    described.brightness = std::clamp(mode.brightness, described.brightnessMin, described.brightnessMax);
    if (described.flags & modeflag::kDirectionLeftRight)
        described.direction = mode.direction == kDirectionLeft ? kDirectionLeft : kDirectionRight;
    if (described.flags & (modeflag::kModeColour | modeflag::kRandomColour))
        described.colourMode = mode.colourMode;
    if ((described.flags & modeflag::kModeColour) && !mode.colours.empty())
        described.colours = {mode.colours.front()};
    return false;
}

void SdkServer::setCustomMode(size_t controller) {
    controllers_[controller].activeMode = int32_t(kDirectMode);
}

std::optional<std::chrono::milliseconds> SdkServer::showDueFrames() {
    const auto now = std::chrono::steady_clock::now();
    std::optional<std::chrono::milliseconds> wait;
    for (size_t index = 0; index < pending_.size(); ++index) {
        Pending& pending = pending_[index];
        if (!pending.due)
            continue;
        const auto dueAt = pending.lastShown + settings_.frameInterval;
        if (now >= dueAt) {
            source_.showColours(index, controllers_[index].colours);
            pending.due = false;
            pending.lastShown = now;
            ++framesShown_;
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(dueAt - now);
        wait = wait ? std::min(*wait, left) : left;
    }
    return wait;
}

void SdkServer::noteDirectClients() {
    std::vector<std::string> names;
    for (const auto& [tag, client] : clients_)
        if (client.session->holdsDirectControl())
            names.push_back(client.session->name().empty() ? "SDK client" : client.session->name());
    bool changed = false;
    {
        std::lock_guard lock(snapshotLock_);
        clientCount_ = clients_.size();
        changed = names != directClients_;
        if (changed)
            directClients_ = names;
    }
    if (!changed)
        return;
    // Frames of clients that have all gone would take the devices back from the lighting that returns now.
    if (names.empty())
        for (Pending& pending : pending_)
            pending.due = false;
    source_.directControlChanged(names);
}

} // namespace pelan::rgb
