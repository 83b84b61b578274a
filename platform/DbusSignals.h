#pragma once

#include "platform/Ipc.h"

#include <memory>
#include <string>
#include <vector>

// Messages between sibling programs on the session D-Bus, and the machine's sleep and wake-up as logind reports
// them on the system bus. Both are signals read from a connection whose file descriptor the caller watches; without
// the bus the objects exist but do nothing (and say so in the trace).
namespace pelan {

struct DbusConnection;

// A window message broadcast to every sibling program: the signal "WindowMessage" (name, wParam, lParam) of the
// interface kSiblingInterface on the object path kSiblingPath.
class SiblingBus {
public:
    static constexpr const char* kSiblingPath = "/org/orvane/Pelan";
    static constexpr const char* kSiblingInterface = "org.orvane.Pelan.Siblings";
    static constexpr const char* kSiblingMember = "WindowMessage";

    // Connects to the session bus named by the environment.
    SiblingBus();
    ~SiblingBus();
    SiblingBus(const SiblingBus&) = delete;
    SiblingBus& operator=(const SiblingBus&) = delete;

    bool connected() const;
    // The connection's descriptor, to watch for readability; -1 without a bus.
    int fd() const;
    // Sends the message to every sibling; false without a bus or when it cannot be sent.
    bool broadcast(const IpcMessage& message);
    // The messages other programs of this user broadcast on kSiblingPath since the last call (this connection's own
    // are left out). What they name is not checked here: see admitOutsideMessage.
    std::vector<IpcMessage> takeMessages();

private:
    std::unique_ptr<DbusConnection> connection_;
};

// logind's PrepareForSleep signal: true before the machine sleeps, false after it woke up. Believed only from the
// current owner of org.freedesktop.login1 on /org/freedesktop/login1.
class SleepWatcher {
public:
    SleepWatcher();
    ~SleepWatcher();
    SleepWatcher(const SleepWatcher&) = delete;
    SleepWatcher& operator=(const SleepWatcher&) = delete;

    bool connected() const;
    int fd() const;
    // The sleep changes reported since the last call, oldest first.
    std::vector<bool> takeChanges();

private:
    std::unique_ptr<DbusConnection> connection_;
};

} // namespace pelan
