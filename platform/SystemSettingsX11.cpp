#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <dlfcn.h>

namespace pelan {

// The libX11 entry points this backend uses, looked up once. The library stays loaded for the process's life.
struct X11SystemSettings::Library {
    decltype(&::XOpenDisplay) openDisplay = nullptr;
    decltype(&::XCloseDisplay) closeDisplay = nullptr;
    decltype(&::XSync) sync = nullptr;
    decltype(&::XChangePointerControl) changePointerControl = nullptr;
    decltype(&::XGetPointerControl) getPointerControl = nullptr;
    decltype(&::XkbGetAutoRepeatRate) getAutoRepeatRate = nullptr;
    decltype(&::XkbSetAutoRepeatRate) setAutoRepeatRate = nullptr;
};

namespace {

// Core pointer acceleration for precision on: twice the motion beyond 4 pixels (the X server's usual setting).
constexpr int kAccelerationNumerator = 2;
constexpr int kAccelerationThreshold = 4;

template <typename Function>
bool lookUp(void* handle, const char* symbol, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(handle, symbol));
    return function != nullptr;
}

std::shared_ptr<const X11SystemSettings::Library> loadLibrary() {
    static const std::shared_ptr<const X11SystemSettings::Library> loaded =
        []() -> std::shared_ptr<const X11SystemSettings::Library> {
        void* handle = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            trace(std::string("system settings: cannot load libX11: ") + ::dlerror());
            return nullptr;
        }
        auto library = std::make_shared<X11SystemSettings::Library>();
        bool complete = lookUp(handle, "XOpenDisplay", library->openDisplay) &&
                        lookUp(handle, "XCloseDisplay", library->closeDisplay) &&
                        lookUp(handle, "XSync", library->sync) &&
                        lookUp(handle, "XChangePointerControl", library->changePointerControl) &&
                        lookUp(handle, "XGetPointerControl", library->getPointerControl) &&
                        lookUp(handle, "XkbGetAutoRepeatRate", library->getAutoRepeatRate) &&
                        lookUp(handle, "XkbSetAutoRepeatRate", library->setAutoRepeatRate);
        if (!complete) {
            trace("system settings: libX11 lacks pointer or keyboard control");
            return nullptr;
        }
        return library;
    }();
    return loaded;
}

} // namespace

std::unique_ptr<X11SystemSettings> X11SystemSettings::connect(const char* displayName) {
    std::shared_ptr<const Library> library = loadLibrary();
    if (!library)
        return nullptr;
    Display* display = library->openDisplay(displayName);
    if (display == nullptr)
        return nullptr;
    return std::unique_ptr<X11SystemSettings>(new X11SystemSettings(std::move(library), display));
}

X11SystemSettings::X11SystemSettings(std::shared_ptr<const Library> library, void* display)
    : library_(std::move(library)), display_(display) {}

X11SystemSettings::~X11SystemSettings() {
    library_->closeDisplay(static_cast<Display*>(display_));
}

bool X11SystemSettings::apply(SystemSetting setting, int value) {
    std::lock_guard lock(mutex_);
    Display* display = static_cast<Display*>(display_);
    switch (setting) {
    case SystemSetting::PointerPrecision:
        library_->changePointerControl(display, True, True, value != 0 ? kAccelerationNumerator : 1, 1,
                                       kAccelerationThreshold);
        library_->sync(display, False);
        return true;
    case SystemSetting::KeyboardSpeed:
    case SystemSetting::KeyboardDelay: {
        unsigned int delay = 0;
        unsigned int interval = 0;
        if (!library_->getAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval))
            return false;
        if (setting == SystemSetting::KeyboardSpeed)
            interval = static_cast<unsigned int>(repeatIntervalFromKeyboardSpeed(value));
        else
            delay = static_cast<unsigned int>(repeatDelayFromKeyboardDelay(value));
        bool done = library_->setAutoRepeatRate(display, XkbUseCoreKbd, delay, interval);
        library_->sync(display, False);
        return done;
    }
    case SystemSetting::PointerSpeed:
    case SystemSetting::WheelLines:
    case SystemSetting::DoubleClickTime:
        return false;
    }
    return false;
}

std::optional<int> X11SystemSettings::read(SystemSetting setting) {
    std::lock_guard lock(mutex_);
    Display* display = static_cast<Display*>(display_);
    switch (setting) {
    case SystemSetting::PointerPrecision: {
        int numerator = 0;
        int denominator = 0;
        int threshold = 0;
        library_->getPointerControl(display, &numerator, &denominator, &threshold);
        if (denominator <= 0)
            return std::nullopt;
        return numerator > denominator ? 1 : 0;
    }
    case SystemSetting::KeyboardSpeed:
    case SystemSetting::KeyboardDelay: {
        unsigned int delay = 0;
        unsigned int interval = 0;
        if (!library_->getAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval))
            return std::nullopt;
        if (setting == SystemSetting::KeyboardSpeed)
            return keyboardSpeedFromRepeatInterval(static_cast<int>(std::min(interval, 100000u)));
        return keyboardDelayFromRepeatDelay(static_cast<int>(std::min(delay, 100000u)));
    }
    case SystemSetting::PointerSpeed:
    case SystemSetting::WheelLines:
    case SystemSetting::DoubleClickTime:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace pelan
