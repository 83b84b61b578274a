#include "app/WindowInputHook.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <array>
#include <utility>

namespace pelan {
namespace {

constexpr uint32_t kNativeKeycodeOffset = 8;

// Keys of every keyboard by Qt key, for events without a native scan code.
constexpr std::array<std::pair<int, uint8_t>, 51> kQtKeys{{
    {Qt::Key_Escape, 1},      {Qt::Key_Tab, 15},     {Qt::Key_Backspace, 14}, {Qt::Key_Return, 28},
    {Qt::Key_Enter, 96},      {Qt::Key_Space, 57},   {Qt::Key_Control, 29},   {Qt::Key_Shift, 42},
    {Qt::Key_Alt, 56},        {Qt::Key_Meta, 125},   {Qt::Key_CapsLock, 58},  {Qt::Key_NumLock, 69},
    {Qt::Key_ScrollLock, 70}, {Qt::Key_Insert, 110}, {Qt::Key_Delete, 111},   {Qt::Key_Home, 102},
    {Qt::Key_End, 107},       {Qt::Key_PageUp, 104}, {Qt::Key_PageDown, 109}, {Qt::Key_Left, 105},
    {Qt::Key_Right, 106},     {Qt::Key_Up, 103},     {Qt::Key_Down, 108},     {Qt::Key_F11, 87},
    {Qt::Key_F12, 88},        {Qt::Key_A, 30},       {Qt::Key_B, 48},         {Qt::Key_C, 46},
    {Qt::Key_D, 32},          {Qt::Key_E, 18},       {Qt::Key_F, 33},         {Qt::Key_G, 34},
    {Qt::Key_H, 35},          {Qt::Key_I, 23},       {Qt::Key_J, 36},         {Qt::Key_K, 37},
    {Qt::Key_L, 38},          {Qt::Key_M, 50},       {Qt::Key_N, 49},         {Qt::Key_O, 24},
    {Qt::Key_P, 25},          {Qt::Key_Q, 16},       {Qt::Key_R, 19},         {Qt::Key_S, 31},
    {Qt::Key_T, 20},          {Qt::Key_U, 22},       {Qt::Key_V, 47},         {Qt::Key_W, 17},
    {Qt::Key_X, 45},          {Qt::Key_Y, 21},       {Qt::Key_Z, 44},
}};

uint32_t buttonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return kButtonLeft;
    case Qt::RightButton:
        return kButtonRight;
    case Qt::MiddleButton:
        return kButtonMiddle;
    case Qt::BackButton:
        return kButtonBack;
    case Qt::ForwardButton:
        return kButtonForward;
    default:
        return 0;
    }
}

} // namespace

uint32_t WindowInputHook::evdevCodeOf(int qtKey, uint32_t nativeScanCode) {
    if (nativeScanCode > kNativeKeycodeOffset)
        return nativeScanCode - kNativeKeycodeOffset;
    if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9)
        return uint32_t(qtKey - Qt::Key_1) + 2;
    if (qtKey == Qt::Key_0)
        return 11;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10)
        return uint32_t(qtKey - Qt::Key_F1) + 59;
    for (const auto& [key, code] : kQtKeys)
        if (key == qtKey)
            return code;
    return 0;
}

bool WindowInputHook::start(bool keyboard, bool mouse, HookEventHandlers handlers) {
    stop();
    handlers_ = std::move(handlers);
    keyboard_ = keyboard;
    mouse_ = mouse;
    QCoreApplication::instance()->installEventFilter(this);
    filtering_ = true;
    return true;
}

void WindowInputHook::stop() {
    if (filtering_)
        QCoreApplication::instance()->removeEventFilter(this);
    filtering_ = false;
    handlers_ = {};
    keyboard_ = mouse_ = false;
}

bool WindowInputHook::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (keyboard_ && (type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A held key is one press and one release, as the device hook records it; the repeats are the desktop's.
        if (key->isAutoRepeat())
            return true;
        const auto record = hookKeyRecordOfEvdev(evdevCodeOf(key->key(), key->nativeScanCode()),
                                                 type == QEvent::KeyPress, uint32_t(key->timestamp()));
        if (!record)
            return false;
        if (handlers_.key)
            handlers_.key(type == QEvent::KeyPress ? kHookKeyDown : kHookKeyUp, *record);
        return !isLockKey(record->vkCode);
    }
    if (mouse_ && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) && watched->isWidgetType() &&
        event->spontaneous()) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint at = press->globalPosition().toPoint();
        const auto hooked =
            hookMouseEventOfButton(buttonNumber(press->button()), type == QEvent::MouseButtonPress, at.x(), at.y());
        // A press the widget leaves to its parent reaches the filter once more: report it once.
        const auto seen = std::make_tuple(int(type), int(press->button()), press->timestamp());
        if (hooked && handlers_.mouse && seen != lastMouse_) {
            lastMouse_ = seen;
            handlers_.mouse(hooked->message, hooked->record);
        }
    }
    return false;
}

} // namespace pelan
