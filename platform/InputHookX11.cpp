// The X server as an input hook: an active keyboard grab, which sends every key of the desktop to us and to no other
// program while the hook is installed, and XInput2 raw button events on the root window, which every client gets
// whatever window the pointer is over.
#include "platform/InputHook.h"

#include "platform/Trace.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <string>

namespace pelan {
namespace {

// X key codes are Linux key codes moved up by 8.
constexpr int kXKeycodeOffset = 8;

bool hasXInput22(Display* display, int* opcode) {
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error))
        return false;
    int major = 2;
    int minor = 2; // raw events reach every client from 2.1 on, grabs or not
    return XIQueryVersion(display, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 2));
}

// Where the keyboard grab is made: the window that has the input focus, else the root. A grab elsewhere takes the
// focus from the focused window for as long as it lasts; the program's own window would then lose its activation,
// and with it the focus of the key field whose capture asked for the grab, ending the capture it serves. A grab on
// the focused window only gives it a brief focus-out and focus-in. The server ends such a grab by itself when the
// window is unmapped (hidden to the tray, minimised).
Window grabWindow(Display* display) {
    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    if (focus == None || focus == PointerRoot)
        return DefaultRootWindow(display);
    return focus;
}

class X11InputHook : public InputHookBackend {
public:
    explicit X11InputHook(std::string displayName) : displayName_(std::move(displayName)) {}
    ~X11InputHook() override { stop(); }

    std::string_view name() const override { return "X11"; }
    bool capturesDesktop() const override { return true; }
    bool start(bool keyboard, bool mouse, HookEventHandlers handlers) override;
    void stop() override;
    int eventDescriptor() const override { return display_ != nullptr ? ConnectionNumber(display_) : -1; }
    void dispatchEvents() override;

private:
    void deliverKey(const XKeyEvent& key);
    void deliverButton(uint32_t button, bool press);

    std::string displayName_;
    Display* display_ = nullptr;
    int opcode_ = 0;
    HookEventHandlers handlers_;
};

bool X11InputHook::start(bool keyboard, bool mouse, HookEventHandlers handlers) {
    stop();
    display_ = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
    if (display_ == nullptr || !hasXInput22(display_, &opcode_)) {
        stop();
        return false;
    }
    const Window root = DefaultRootWindow(display_);
    if (keyboard) {
        const int grabbed =
            XGrabKeyboard(display_, grabWindow(display_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (grabbed != GrabSuccess) {
            trace("input hook: X keyboard grab refused (" + std::to_string(grabbed) + ")");
            stop();
            return false;
        }
        // A held key then repeats its press only, as the recorder's repeat filter expects.
        XkbSetDetectableAutoRepeat(display_, True, nullptr);
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (mouse) {
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
    }
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(display_, root, &mask, 1);
    XSync(display_, False);
    handlers_ = std::move(handlers);
    return true;
}

void X11InputHook::stop() {
    handlers_ = {};
    if (display_ == nullptr)
        return;
    XUngrabKeyboard(display_, CurrentTime);
    XCloseDisplay(display_); // also ends the event selection
    display_ = nullptr;
}

void X11InputHook::dispatchEvents() {
    while (display_ != nullptr && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == KeyPress || event.type == KeyRelease) {
            deliverKey(event.xkey);
            continue;
        }
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != opcode_ || !XGetEventData(display_, &cookie))
            continue;
        const auto& raw = *static_cast<const XIRawEvent*>(cookie.data);
        const bool press = raw.evtype == XI_RawButtonPress;
        const auto button = uint32_t(raw.detail);
        XFreeEventData(display_, &cookie);
        deliverButton(button, press);
    }
}

// Handlers may stop the hook: nothing of the connection is used after one returns.
void X11InputHook::deliverKey(const XKeyEvent& key) {
    const bool press = key.type == KeyPress;
    const auto record = hookKeyRecordOfEvdev(key.keycode - kXKeycodeOffset, press, uint32_t(key.time));
    if (record && handlers_.key)
        handlers_.key(press ? kHookKeyDown : kHookKeyUp, *record);
}

void X11InputHook::deliverButton(uint32_t button, bool press) {
    Window rootReturn = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &rootReturn, &child, &x, &y, &windowX, &windowY, &buttons);
    const auto event = hookMouseEventOfButton(button, press, x, y);
    if (event && handlers_.mouse)
        handlers_.mouse(event->message, event->record);
}

} // namespace

std::unique_ptr<InputHookBackend> connectX11InputHook(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr)
        return nullptr;
    int opcode = 0;
    const bool usable = hasXInput22(display, &opcode);
    XCloseDisplay(display);
    if (!usable)
        return nullptr;
    return std::make_unique<X11InputHook>(displayName != nullptr ? displayName : "");
}

} // namespace pelan
