#pragma once

#include "platform/InputHook.h"

#include <QObject>
#include <tuple>

namespace pelan {

// The input hook where the desktop gives no global input (Wayland): the keys and mouse buttons that reach the
// program's own windows, from Qt's events. Keys are kept from the window's controls (lock keys excepted); button
// presses go on to the controls, so the stop button can still be clicked.
class WindowInputHook : public QObject, public InputHookBackend {
public:
    std::string_view name() const override { return "program window"; }
    bool capturesDesktop() const override { return false; }
    bool start(bool keyboard, bool mouse, HookEventHandlers handlers) override;
    void stop() override;

    // The Linux key code of a Qt key event: from its native scan code (X and Wayland key codes are Linux key
    // codes + 8), else from the key for the keys every keyboard has; 0 when unknown.
    static uint32_t evdevCodeOf(int qtKey, uint32_t nativeScanCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HookEventHandlers handlers_;
    bool keyboard_ = false;
    bool mouse_ = false;
    bool filtering_ = false;
    std::tuple<int, int, quint64> lastMouse_{};
};

} // namespace pelan
