// The application in front under X11. The window manager names the active window in _NET_ACTIVE_WINDOW on the root
// window, and the X server sends a PropertyNotify to every client that asked for property changes there, so nothing
// is polled. Only the root window is watched: events from the active window itself (a title that counts frames per
// second) would wake the program for nothing. A program that changes its WM_CLASS while in front is seen with the
// next change of the active window.
//
// Two connections: one only receives those events, the other asks for properties. Replies waited for on the event
// connection would let events land in its queue with nothing left on the socket, and the owner, waiting for the
// socket to become readable, would never hear of them.
#include "platform/ActiveApplicationBackends.h"

#include "platform/Trace.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <xcb/xcb.h>

namespace pelan {
namespace {

// Longest property read, in 32-bit units: a WM_CLASS or a client list longer than 16 KiB is not a real one.
constexpr uint32_t kMaxPropertyLength = 4096;

struct Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;

    explicit Connection(const std::string& display) {
        int screenNumber = 0;
        xcb = xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber);
        if (xcb_connection_has_error(xcb))
            return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        if (screens.rem > 0)
            root = screens.data->root;
    }
    ~Connection() { xcb_disconnect(xcb); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool usable() const { return !xcb_connection_has_error(xcb) && root != 0; }

    xcb_atom_t atom(const char* name) const {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(xcb, xcb_intern_atom(xcb, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }
};

// A property's bytes as a request for them returned; empty when the window or the property is gone.
std::string readReply(xcb_connection_t* xcb, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(xcb, cookie, &error);
    std::free(error);
    if (reply == nullptr)
        return {};
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    // The value's length in bytes, whatever the property's format.
    std::string value(bytes, size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* xcb, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    return xcb_get_property(xcb, 0, window, name, type, 0, kMaxPropertyLength);
}

// A property of 32-bit values (windows, atoms).
std::vector<uint32_t> valuesOf(const std::string& bytes) {
    std::vector<uint32_t> values(bytes.size() / sizeof(uint32_t));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(uint32_t));
    return values;
}

// WM_CLASS holds two strings, each ending with a NUL: the instance, then the class.
std::string applicationOfClassHint(const std::string& hint) {
    const size_t end = hint.find('\0');
    const std::string instance = hint.substr(0, end);
    const std::string windowClass =
        end == std::string::npos ? "" : hint.substr(end + 1, hint.find('\0', end + 1) - end - 1);
    const std::string& id = windowClass.empty() ? instance : windowClass;
    return isAcceptableApplicationId(id) ? id : std::string();
}

class X11ActiveApplication : public ActiveApplicationWatch {
public:
    explicit X11ActiveApplication(const std::string& display) : events_(display), queries_(display) {}

    // "" when connected; else why the watch cannot work.
    std::string connect() {
        if (!events_.usable() || !queries_.usable())
            return "cannot connect to the X server";
        activeAtom_ = queries_.atom("_NET_ACTIVE_WINDOW");
        clientListAtom_ = queries_.atom("_NET_CLIENT_LIST");
        pidAtom_ = queries_.atom("_NET_WM_PID");
        if (!windowManagerNamesActiveWindow())
            return "the window manager does not name the active window (_NET_ACTIVE_WINDOW)";
        watchRoot();
        eventDescriptor_ = xcb_get_file_descriptor(events_.xcb);
        refresh();
        return {};
    }

    std::string backend() const override { return "X11"; }
    std::string unavailableReason() const override {
        return xcb_connection_has_error(events_.xcb) ? "the connection to the X server was lost" : "";
    }
    int fd() const override { return lost_ ? -1 : eventDescriptor_; }

    bool takeChanges() override {
        if (lost_)
            return false;
        const std::string before = active_;
        while (drainEvents())
            refresh();
        if (xcb_connection_has_error(events_.xcb)) {
            lost_ = true;
            quietLostConnection(eventDescriptor_);
            active_.clear();
        }
        return active_ != before;
    }

    std::string activeApplication() const override { return active_; }

    std::vector<std::string> applications() const override {
        xcb_connection_t* xcb = queries_.xcb;
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
        for (xcb_window_t window : managedWindows())
            cookies.emplace_back(askProperty(xcb, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                                 askProperty(xcb, window, pidAtom_, XCB_ATOM_CARDINAL));
        std::vector<std::string> ids;
        for (const auto& [classCookie, pidCookie] : cookies) {
            const std::string id = applicationOfClassHint(readReply(xcb, classCookie));
            if (!isThisProcess(readReply(xcb, pidCookie)))
                ids.push_back(id);
        }
        return distinctApplications(std::move(ids));
    }

private:
    void watchRoot() {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(events_.xcb, events_.root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(events_.xcb);
    }

    std::vector<xcb_window_t> rootWindows(xcb_atom_t property) const {
        xcb_connection_t* xcb = queries_.xcb;
        return valuesOf(readReply(xcb, askProperty(xcb, queries_.root, property, XCB_ATOM_WINDOW)));
    }
    // The windows the window manager manages: each top-level window of a program once, hidden ones left out.
    std::vector<xcb_window_t> managedWindows() const { return rootWindows(clientListAtom_); }

    // Consumes every event that arrived; true when one of them may have changed the application in front.
    bool drainEvents() {
        bool relevant = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(events_.xcb)) {
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                relevant |= change->atom == activeAtom_ || change->atom == clientListAtom_;
            }
            std::free(event);
        }
        return relevant;
    }

    // A window manager lists the root window properties it keeps up to date in _NET_SUPPORTED.
    bool windowManagerNamesActiveWindow() const {
        xcb_connection_t* xcb = queries_.xcb;
        const std::string bytes =
            readReply(xcb, askProperty(xcb, queries_.root, queries_.atom("_NET_SUPPORTED"), XCB_ATOM_ATOM));
        const std::vector<uint32_t> supported = valuesOf(bytes);
        return std::find(supported.begin(), supported.end(), activeAtom_) != supported.end();
    }

    // While no window is active (focus passing from one window to the next, the desktop clicked), the window that
    // was active last still counts, as long as the window manager still manages it: a profile then stays instead of
    // going to the fallback and coming back, two device writes for nothing.
    //
    // The program's own window in front is no other application: the one before it stays, so opening the window
    // to change the profile of the game in front does not first switch the device to another profile.
    void refresh() {
        const std::vector<xcb_window_t> named = rootWindows(activeAtom_);
        if (!named.empty() && named.front() != XCB_WINDOW_NONE && !isOwnWindow(named.front())) {
            activeWindow_ = named.front();
        } else if (activeWindow_ != XCB_WINDOW_NONE) {
            const std::vector<xcb_window_t> managed = managedWindows();
            if (std::find(managed.begin(), managed.end(), activeWindow_) == managed.end())
                activeWindow_ = XCB_WINDOW_NONE;
        }
        xcb_connection_t* xcb = queries_.xcb;
        active_ = activeWindow_ == XCB_WINDOW_NONE
                      ? std::string()
                      : applicationOfClassHint(
                            readReply(xcb, askProperty(xcb, activeWindow_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)));
        trace("active application (X11): " + (active_.empty() ? std::string("none") : active_));
    }

    // _NET_WM_PID names the process that owns a window.
    static bool isThisProcess(const std::string& pid) {
        const std::vector<uint32_t> values = valuesOf(pid);
        return !values.empty() && values.front() == uint32_t(::getpid());
    }
    bool isOwnWindow(xcb_window_t window) const {
        return isThisProcess(readReply(queries_.xcb, askProperty(queries_.xcb, window, pidAtom_, XCB_ATOM_CARDINAL)));
    }

    Connection events_;
    Connection queries_;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t clientListAtom_ = XCB_ATOM_NONE;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
    xcb_window_t activeWindow_ = XCB_WINDOW_NONE;
    std::string active_;
    int eventDescriptor_ = -1;
    bool lost_ = false;
};

} // namespace

std::unique_ptr<ActiveApplicationWatch> connectX11ActiveApplication(const std::string& display) {
    auto watch = std::make_unique<X11ActiveApplication>(display);
    if (std::string reason = watch->connect(); !reason.empty())
        return unavailableActiveApplication(std::move(reason));
    return watch;
}

} // namespace pelan
