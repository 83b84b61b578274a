#include "platform/DbusSignals.h"

#include "platform/Trace.h"

#include <dbus/dbus.h>

namespace pelan {

// One private bus connection with a match rule for the signals it listens to.
struct DbusConnection {
    DBusConnection* bus = nullptr;
    std::string uniqueName;

    DbusConnection(DBusBusType type, const std::string& matchRule) {
        DBusError error;
        dbus_error_init(&error);
        bus = dbus_bus_get_private(type, &error);
        if (bus == nullptr) {
            trace(std::string("D-Bus not available: ") + (error.message != nullptr ? error.message : "no bus"));
            dbus_error_free(&error);
            return;
        }
        dbus_connection_set_exit_on_disconnect(bus, FALSE);
        dbus_bus_add_match(bus, matchRule.c_str(), &error);
        if (dbus_error_is_set(&error)) {
            trace(std::string("D-Bus match refused: ") + error.message);
            dbus_error_free(&error);
        }
        const char* name = dbus_bus_get_unique_name(bus);
        uniqueName = name != nullptr ? name : "";
    }
    ~DbusConnection() {
        if (bus == nullptr)
            return;
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    DbusConnection(const DbusConnection&) = delete;
    DbusConnection& operator=(const DbusConnection&) = delete;

    int fd() const {
        int descriptor = -1;
        if (bus == nullptr || !dbus_connection_get_unix_fd(bus, &descriptor))
            return -1;
        return descriptor;
    }

    // Reads what the socket holds without waiting, then hands every waiting signal of interface.member to take.
    template <typename Take>
    void drain(const char* interface, const char* member, Take take) {
        if (bus == nullptr)
            return;
        dbus_connection_read_write(bus, 0);
        while (DBusMessage* message = dbus_connection_pop_message(bus)) {
            if (dbus_message_is_signal(message, interface, member)) {
                const char* sender = dbus_message_get_sender(message);
                if (sender == nullptr || uniqueName != sender)
                    take(message);
            }
            dbus_message_unref(message);
        }
    }
};

SiblingBus::SiblingBus()
    : connection_(std::make_unique<DbusConnection>(DBUS_BUS_SESSION, std::string("type='signal',interface='") +
                                                                         kSiblingInterface + "',member='" +
                                                                         kSiblingMember + "'")) {}

SiblingBus::~SiblingBus() = default;

bool SiblingBus::connected() const {
    return connection_->bus != nullptr && dbus_connection_get_is_connected(connection_->bus);
}

int SiblingBus::fd() const {
    return connection_->fd();
}

bool SiblingBus::broadcast(const IpcMessage& message) {
    if (!connected()) {
        trace("no session bus: broadcast of " + message.name + " not sent");
        return false;
    }
    DBusMessage* signal = dbus_message_new_signal(kSiblingPath, kSiblingInterface, kSiblingMember);
    if (signal == nullptr)
        return false;
    const char* name = message.name.c_str();
    const dbus_int64_t wParam = message.wParam;
    const dbus_int64_t lParam = message.lParam;
    bool sent = dbus_message_append_args(signal, DBUS_TYPE_STRING, &name, DBUS_TYPE_INT64, &wParam, DBUS_TYPE_INT64,
                                         &lParam, DBUS_TYPE_INVALID) &&
                dbus_connection_send(connection_->bus, signal, nullptr);
    dbus_message_unref(signal);
    if (sent)
        dbus_connection_flush(connection_->bus);
    return sent;
}

std::vector<IpcMessage> SiblingBus::takeMessages() {
    std::vector<IpcMessage> messages;
    connection_->drain(kSiblingInterface, kSiblingMember, [&](DBusMessage* signal) {
        const char* name = nullptr;
        dbus_int64_t wParam = 0;
        dbus_int64_t lParam = 0;
        DBusError error;
        dbus_error_init(&error);
        // A signal with other arguments is someone else's business and left alone.
        if (dbus_message_get_args(signal, &error, DBUS_TYPE_STRING, &name, DBUS_TYPE_INT64, &wParam, DBUS_TYPE_INT64,
                                  &lParam, DBUS_TYPE_INVALID))
            messages.push_back({name, wParam, lParam});
        dbus_error_free(&error);
    });
    return messages;
}

SleepWatcher::SleepWatcher()
    : connection_(std::make_unique<DbusConnection>(
          DBUS_BUS_SYSTEM, "type='signal',interface='org.freedesktop.login1.Manager',member='PrepareForSleep'")) {}

SleepWatcher::~SleepWatcher() = default;

bool SleepWatcher::connected() const {
    return connection_->bus != nullptr && dbus_connection_get_is_connected(connection_->bus);
}

int SleepWatcher::fd() const {
    return connection_->fd();
}

std::vector<bool> SleepWatcher::takeChanges() {
    std::vector<bool> changes;
    connection_->drain("org.freedesktop.login1.Manager", "PrepareForSleep", [&](DBusMessage* signal) {
        dbus_bool_t sleeping = FALSE;
        DBusError error;
        dbus_error_init(&error);
        if (dbus_message_get_args(signal, &error, DBUS_TYPE_BOOLEAN, &sleeping, DBUS_TYPE_INVALID))
            changes.push_back(sleeping != FALSE);
        dbus_error_free(&error);
    });
    return changes;
}

} // namespace pelan
