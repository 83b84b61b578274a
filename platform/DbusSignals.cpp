#include "platform/DbusSignals.h"

#include "platform/Trace.h"

#include <dbus/dbus.h>
#include <unistd.h>

namespace pelan {
namespace {

constexpr int kBusCallTimeoutMs = 1000;
constexpr const char* kLogindName = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kPrepareForSleep = "PrepareForSleep";

} // namespace

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

    // Reads what the socket holds without waiting, then hands every waiting signal of interface.member on path
    // from a sender that `trusted` accepts to take. The match rule alone is not enough: a signal addressed to this
    // connection by name reaches it whatever the rule says.
    template <typename Trusted, typename Take>
    void drain(const char* path, const char* interface, const char* member, Trusted trusted, Take take) {
        if (bus == nullptr)
            return;
        dbus_connection_read_write(bus, 0);
        while (DBusMessage* message = dbus_connection_pop_message(bus)) {
            const char* sender = dbus_message_get_sender(message);
            if (dbus_message_is_signal(message, interface, member) && dbus_message_has_path(message, path) &&
                sender != nullptr && uniqueName != sender && trusted(std::string(sender)))
                take(message);
            dbus_message_unref(message);
        }
    }

    // The unique name that owns a well-known name now; "" when nobody does.
    std::string ownerOf(const char* name) {
        DBusMessage* call =
            dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "GetNameOwner");
        if (call == nullptr)
            return {};
        dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, kBusCallTimeoutMs, &error);
        dbus_message_unref(call);
        std::string owner;
        const char* text = nullptr;
        if (reply != nullptr && dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID))
            owner = text;
        if (reply != nullptr)
            dbus_message_unref(reply);
        dbus_error_free(&error);
        return owner;
    }

    // Whether a connection runs as this program's user: a shared or system-wide session bus may carry others. A
    // sender that has already left the bus cannot be asked, and is not believed either.
    bool sameUser(const std::string& sender) {
        DBusError error;
        dbus_error_init(&error);
        const unsigned long user = dbus_bus_get_unix_user(bus, sender.c_str(), &error);
        const bool same = !dbus_error_is_set(&error) && user == ::getuid();
        dbus_error_free(&error);
        return same;
    }
};

SiblingBus::SiblingBus()
    : connection_(std::make_unique<DbusConnection>(
          DBUS_BUS_SESSION, std::string("type='signal',path='") + kSiblingPath + "',interface='" + kSiblingInterface +
                                "',member='" + kSiblingMember + "'")) {}

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
    const auto sibling = [this](const std::string& sender) { return connection_->sameUser(sender); };
    connection_->drain(kSiblingPath, kSiblingInterface, kSiblingMember, sibling, [&](DBusMessage* signal) {
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
          DBUS_BUS_SYSTEM, std::string("type='signal',sender='") + kLogindName + "',path='" + kLogindPath +
                               "',interface='" + kLogindManager + "',member='" + kPrepareForSleep + "'")) {}

SleepWatcher::~SleepWatcher() = default;

bool SleepWatcher::connected() const {
    return connection_->bus != nullptr && dbus_connection_get_is_connected(connection_->bus);
}

int SleepWatcher::fd() const {
    return connection_->fd();
}

std::vector<bool> SleepWatcher::takeChanges() {
    std::vector<bool> changes;
    // Only logind knows when the machine sleeps: any other process's word would make the program write to the
    // devices, or ignore its own timers, when the user never asked.
    const auto logind = [this](const std::string& sender) { return sender == connection_->ownerOf(kLogindName); };
    connection_->drain(kLogindPath, kLogindManager, kPrepareForSleep, logind, [&](DBusMessage* signal) {
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
