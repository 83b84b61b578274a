#pragma once

#include <atomic>
#include <cstdint>
#include <dbus/dbus.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelan::test {

// A freedesktop notification server on the session bus the environment names (a PrivateBus): it owns
// org.freedesktop.Notifications, answers Notify with a fresh id and keeps what it was asked to show.
class NotificationServer {
public:
    struct Shown {
        std::string application;
        std::string icon;
        std::string summary;
        std::string body;
        uint32_t replaces = 0; // the id of the notification this one replaces, 0 for a new one
        uint32_t id = 0;       // the id it was given
    };

    NotificationServer() {
        DBusError error;
        dbus_error_init(&error);
        bus_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        if (bus_ == nullptr) {
            dbus_error_free(&error);
            return;
        }
        dbus_connection_set_exit_on_disconnect(bus_, FALSE);
        owned_ = dbus_bus_request_name(bus_, "org.freedesktop.Notifications", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) ==
                 DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
        dbus_error_free(&error);
        thread_ = std::thread([this] { serve(); });
    }
    ~NotificationServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (bus_ != nullptr) {
            dbus_connection_close(bus_);
            dbus_connection_unref(bus_);
        }
    }
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;

    bool running() const { return owned_; }
    std::vector<Shown> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    void serve() {
        while (!stop_ && dbus_connection_read_write(bus_, 20)) {
            while (DBusMessage* message = dbus_connection_pop_message(bus_)) {
                if (dbus_message_is_method_call(message, "org.freedesktop.Notifications", "Notify"))
                    answer(message);
                dbus_message_unref(message);
            }
        }
    }
    void answer(DBusMessage* call) {
        const char* application = "";
        dbus_uint32_t replaces = 0;
        const char* icon = "";
        const char* summary = "";
        const char* body = "";
        dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &application, DBUS_TYPE_UINT32, &replaces,
                              DBUS_TYPE_STRING, &icon, DBUS_TYPE_STRING, &summary, DBUS_TYPE_STRING, &body,
                              DBUS_TYPE_INVALID);
        // A replacing notification keeps the id of the one it replaces, as servers do.
        dbus_uint32_t id = replaces;
        {
            std::lock_guard lock(mutex_);
            if (id == 0)
                id = ++lastId_;
            shown_.push_back({application, icon, summary, body, replaces, id});
        }
        DBusMessage* reply = dbus_message_new_method_return(call);
        dbus_message_append_args(reply, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID);
        dbus_connection_send(bus_, reply, nullptr);
        dbus_message_unref(reply);
    }

    DBusConnection* bus_ = nullptr;
    bool owned_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
    dbus_uint32_t lastId_ = 0;
};

} // namespace pelan::test
