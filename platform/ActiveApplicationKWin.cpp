// The application in front on KDE Plasma under Wayland. KWin tells no other program which window is active, but a
// KWin script can call D-Bus methods: ours (packaging/kwin/) calls kwinreport::kMethod with the active window's
// resource class and the resource classes of all windows whenever the active window or the set of windows changes.
// This backend owns the method. What arrives is checked like any message from outside: the caller must run as our
// user, and the ids must look like application ids.
#include "platform/ActiveApplicationBackends.h"

#include "platform/Trace.h"

#include <algorithm>
#include <dbus/dbus.h>
#include <sstream>
#include <unistd.h>

namespace pelan {
namespace {

// More windows than a desktop has; a longer list is not the script's.
constexpr size_t kMaxApplications = 1000;

class KWinActiveApplication : public ActiveApplicationWatch {
public:
    ~KWinActiveApplication() override {
        if (bus_ == nullptr)
            return;
        dbus_connection_close(bus_);
        dbus_connection_unref(bus_);
    }

    // "" when the method is served; else why it cannot be.
    std::string serve();

    std::string backend() const override { return "KWin"; }
    std::string unavailableReason() const override {
        return dbus_connection_get_is_connected(bus_) ? "" : "the session bus closed the connection";
    }
    int fd() const override { return lost_ ? -1 : descriptor_; }
    bool takeChanges() override;
    std::string activeApplication() const override { return active_; }
    std::vector<std::string> applications() const override { return applications_; }

private:
    void handle(DBusMessage* message);
    // The error's text when the report cannot be taken; "" when it was.
    std::string takeReport(DBusMessage* call);
    void follow(const std::string& active, std::vector<std::string> windows);
    bool sameUser(const char* sender);
    void reply(DBusMessage* call, const std::string& error, const char* errorName);

    DBusConnection* bus_ = nullptr;
    std::string active_;
    std::vector<std::string> applications_;
    int descriptor_ = -1;
    bool lost_ = false;
};

std::string KWinActiveApplication::serve() {
    DBusError error;
    dbus_error_init(&error);
    bus_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    if (bus_ == nullptr) {
        std::string reason = std::string("no session bus for the KWin script to call (") +
                             (error.message != nullptr ? error.message : "no address") + ")";
        dbus_error_free(&error);
        return reason;
    }
    dbus_connection_set_exit_on_disconnect(bus_, FALSE);
    const int owner = dbus_bus_request_name(bus_, kwinreport::kService, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    if (owner != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)
        return std::string("another program already takes the KWin script's reports (") + kwinreport::kService +
               " is taken)";
    dbus_connection_get_unix_fd(bus_, &descriptor_);
    return {};
}

bool KWinActiveApplication::takeChanges() {
    if (lost_)
        return false;
    const std::string before = active_;
    do {
        dbus_connection_read_write(bus_, 0);
        while (DBusMessage* message = dbus_connection_pop_message(bus_)) {
            handle(message);
            dbus_message_unref(message);
        }
    } while (dbus_connection_get_dispatch_status(bus_) == DBUS_DISPATCH_DATA_REMAINS);
    dbus_connection_flush(bus_);
    if (!dbus_connection_get_is_connected(bus_) && !lost_) {
        lost_ = true;
        quietLostConnection(descriptor_);
        active_.clear();
        applications_.clear();
    }
    return active_ != before;
}

// Method calls get an answer, so a caller never waits for its time-out; signals (the bus's own) are left alone.
void KWinActiveApplication::handle(DBusMessage* message) {
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
        return;
    if (!dbus_message_is_method_call(message, kwinreport::kInterface, kwinreport::kMethod) ||
        !dbus_message_has_path(message, kwinreport::kPath)) {
        reply(message, "no such method", DBUS_ERROR_UNKNOWN_METHOD);
        return;
    }
    if (!sameUser(dbus_message_get_sender(message))) {
        reply(message, "reports are taken only from this user's programs", DBUS_ERROR_ACCESS_DENIED);
        return;
    }
    reply(message, takeReport(message), DBUS_ERROR_INVALID_ARGS);
}

std::string KWinActiveApplication::takeReport(DBusMessage* call) {
    const char* active = nullptr;
    const char* list = nullptr;
    DBusError error;
    dbus_error_init(&error);
    if (!dbus_message_get_args(call, &error, DBUS_TYPE_STRING, &active, DBUS_TYPE_STRING, &list, DBUS_TYPE_INVALID)) {
        dbus_error_free(&error);
        return "expected two strings: the active window's resource class and those of all windows";
    }
    std::vector<std::string> ids;
    std::istringstream lines(list);
    for (std::string id; std::getline(lines, id);) {
        if (!isAcceptableApplicationId(id) || ids.size() == kMaxApplications)
            return "not an application id list";
        ids.push_back(id);
    }
    if (!isAcceptableApplicationId(active))
        return "not an application id";
    std::erase(ids, thisProgramsApplicationId());
    follow(active, std::move(ids));
    return {};
}

// As on the other desktops: while no window or the program's own is active, the application in front before stays,
// as long as it has a window.
void KWinActiveApplication::follow(const std::string& active, std::vector<std::string> windows) {
    const bool lastStillOpen = std::find(windows.begin(), windows.end(), active_) != windows.end();
    std::string next = active;
    if (next.empty() || next == thisProgramsApplicationId())
        next = lastStillOpen ? active_ : std::string();
    if (next != active_)
        trace("active application (KWin): " + (next.empty() ? std::string("none") : next));
    active_ = next;
    windows.push_back(active_);
    applications_ = distinctApplications(std::move(windows));
}

// A shared or system-wide session bus may carry other users' programs; one that has left cannot be asked.
bool KWinActiveApplication::sameUser(const char* sender) {
    if (sender == nullptr)
        return false;
    DBusError error;
    dbus_error_init(&error);
    const unsigned long user = dbus_bus_get_unix_user(bus_, sender, &error);
    const bool same = !dbus_error_is_set(&error) && user == ::getuid();
    dbus_error_free(&error);
    return same;
}

void KWinActiveApplication::reply(DBusMessage* call, const std::string& error, const char* errorName) {
    if (dbus_message_get_no_reply(call))
        return;
    DBusMessage* answer =
        error.empty() ? dbus_message_new_method_return(call) : dbus_message_new_error(call, errorName, error.c_str());
    if (answer == nullptr)
        return;
    dbus_connection_send(bus_, answer, nullptr);
    dbus_message_unref(answer);
}

} // namespace

std::unique_ptr<ActiveApplicationWatch> serveKWinActiveApplication() {
    auto watch = std::make_unique<KWinActiveApplication>();
    if (std::string reason = watch->serve(); !reason.empty())
        return unavailableActiveApplication(std::move(reason));
    return watch;
}

} // namespace pelan
