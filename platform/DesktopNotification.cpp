#include "platform/DesktopNotification.h"

#include <cstdint>
#include <dbus/dbus.h>
#include <memory>

namespace pelan {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kReplyTimeoutMs = 1000;
constexpr const char* kApplicationName = "ORVANE Pelan";

struct ConnectionCloser {
    void operator()(DBusConnection* bus) const {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

std::string takeError(DBusError& error, const char* fallback) {
    std::string text = error.message != nullptr ? error.message : fallback;
    dbus_error_free(&error);
    return text;
}

// One hint of the a{sv} dictionary.
template <typename T>
bool appendHint(DBusMessageIter& hints, const char* key, int type, const char* signature, T value) {
    DBusMessageIter entry;
    DBusMessageIter variant;
    return dbus_message_iter_open_container(&hints, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
           dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key) &&
           dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant) &&
           dbus_message_iter_append_basic(&variant, type, &value) &&
           dbus_message_iter_close_container(&entry, &variant) && dbus_message_iter_close_container(&hints, &entry);
}

// Notify(app_name s, replaces_id u, app_icon s, summary s, body s, actions as, hints a{sv}, expire_timeout i).
bool appendArguments(DBusMessage* message, const DesktopNotification& notification) {
    const char* application = kApplicationName;
    const dbus_uint32_t replaces = notification.replacesId;
    const char* icon = notification.icon.c_str();
    const char* summary = notification.summary.c_str();
    const char* body = notification.body.c_str();
    const dbus_int32_t expire = -1;
    DBusMessageIter arguments;
    dbus_message_iter_init_append(message, &arguments);
    DBusMessageIter actions;
    DBusMessageIter hints;
    bool ok = dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &application) &&
              dbus_message_iter_append_basic(&arguments, DBUS_TYPE_UINT32, &replaces) &&
              dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &icon) &&
              dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &summary) &&
              dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &body) &&
              dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "s", &actions) &&
              dbus_message_iter_close_container(&arguments, &actions) &&
              dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &hints) &&
              appendHint(hints, "urgency", DBUS_TYPE_BYTE, "y", uint8_t(notification.urgency));
    if (ok && !notification.desktopEntry.empty())
        ok = appendHint(hints, "desktop-entry", DBUS_TYPE_STRING, "s", notification.desktopEntry.c_str());
    return ok && dbus_message_iter_close_container(&arguments, &hints) &&
           dbus_message_iter_append_basic(&arguments, DBUS_TYPE_INT32, &expire);
}

} // namespace

std::string sendDesktopNotification(const DesktopNotification& notification, uint32_t* shownId) {
    DBusError error;
    dbus_error_init(&error);
    const Connection bus(dbus_bus_get_private(DBUS_BUS_SESSION, &error));
    if (bus == nullptr)
        return "no session bus: " + takeError(error, "unknown error");
    dbus_connection_set_exit_on_disconnect(bus.get(), FALSE);
    const Message call(dbus_message_new_method_call(kService, kPath, kService, "Notify"));
    if (call == nullptr || !appendArguments(call.get(), notification))
        return "out of memory";
    const Message reply(dbus_connection_send_with_reply_and_block(bus.get(), call.get(), kReplyTimeoutMs, &error));
    if (reply == nullptr)
        return "the notification was not shown: " + takeError(error, "no answer");
    dbus_uint32_t id = 0;
    if (shownId != nullptr && dbus_message_get_args(reply.get(), &error, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID))
        *shownId = id;
    dbus_error_free(&error);
    return {};
}

DesktopNotifier::~DesktopNotifier() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void DesktopNotifier::post(DesktopNotification notification, Done done) {
    enqueue({std::move(notification), std::move(done), false});
}

void DesktopNotifier::postReplacing(DesktopNotification notification) {
    enqueue({std::move(notification), {}, true});
}

void DesktopNotifier::enqueue(Queued queued) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(queued));
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

void DesktopNotifier::run() {
    for (;;) {
        Queued next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        if (next.replacing)
            next.notification.replacesId = replacingId_;
        uint32_t shown = 0;
        const std::string error = sendDesktopNotification(next.notification, &shown);
        if (next.replacing && error.empty())
            replacingId_ = shown;
        if (next.done)
            next.done(error);
    }
}

} // namespace pelan
