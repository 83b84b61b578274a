// The main window's input hook: which backend takes the input, installing and removing it for a mode, and the
// reports of the hook handed to the panel of the mode.
#include "app/CMainWnd.h"
#include "app/HookGuard.h"
#include "app/WindowInputHook.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/CMacroControlUI.h"
#include "panels/KeySetRoutes.h"
#include "panels/MacroRoutes.h"
#include "platform/InputHook.h"

#include <QGuiApplication>
#include <QSocketNotifier>

namespace pelan {
namespace {

constexpr const char* kDeviceSelectLayout = "device_select_layout";

bool isRecordingMode(int mode) {
    return mode == HookMode::Macro || mode == HookMode::MacroBefore || mode == HookMode::MacroAfter ||
           mode == HookMode::MacroReplace;
}

// The X server when the window is one of its clients and it offers what the hook needs; else the window's input.
std::unique_ptr<InputHookBackend> chooseBackend() {
    if (QGuiApplication::platformName() == "xcb")
        if (std::unique_ptr<InputHookBackend> x11 = connectX11InputHook())
            return x11;
    return std::make_unique<WindowInputHook>();
}

} // namespace

CDeviceHook& CMainWnd::GetInputHook() {
    if (m_hook == nullptr)
        m_hook = std::make_unique<CDeviceHook>(chooseBackend());
    return *m_hook;
}

void CMainWnd::UseInputHookBackend(std::unique_ptr<InputHookBackend> backend) {
    RemoveInputHook();
    m_hook = std::make_unique<CDeviceHook>(std::move(backend));
}

bool CMainWnd::InstallInputHook(int mode) {
    CDeviceHook& hook = GetInputHook();
    m_hookNotifier.reset();
    // The hook's events go straight to the panel, by value: never as a window message, which other programs can
    // name.
    CDeviceHook::Target target;
    target.key = [this](int m, uint32_t transition, const HookKeyRecord& record) {
        if (!m_resumed)
            return;
        if (m == HookMode::SingleKey)
            routeKeySetHookKey(*this, transition, record);
        else if (isRecordingMode(m))
            routeMacroHookKey(*this, m, transition, record);
    };
    target.mouse = [this](int m, uint32_t message, const HookMouseRecord& record) {
        if (m_resumed && isRecordingMode(m))
            routeMacroHookMouse(*this, m, message, record);
    };
    const bool installed = hook.install(mode, std::move(target), true, true) == 1;
    if (installed && hook.backend().eventDescriptor() >= 0) {
        m_hookNotifier = std::make_unique<QSocketNotifier>(hook.backend().eventDescriptor(), QSocketNotifier::Read);
        QObject::connect(m_hookNotifier.get(), &QSocketNotifier::activated, [this] {
            if (m_hook != nullptr)
                m_hook->backend().dispatchEvents();
        });
    }
    if (!installed)
        return false;
    if (isRecordingMode(mode))
        if (CControlUI* devices = m_pm.FindControl(kDeviceSelectLayout))
            devices->SetEnabled(false);
    if (m_hookGuard == nullptr)
        m_hookGuard = std::make_unique<HookGuard>([this](const char*) { ReleaseInputHook(); });
    m_hookGuard->arm(HookHolder(mode), [this] { return m_hook != nullptr ? m_hook->idleMilliseconds() : 0; });
    return m_hook != nullptr && m_hook->installed();
}

QWidget* CMainWnd::HookHolder(int mode) {
    CVeltraUSBDevice* page = GetSelectedPage();
    QWidget* holder = nullptr;
    if (page != nullptr && mode == HookMode::SingleKey)
        if (CKeySetControlUI* keys = findKeySetPanel(*page))
            holder = keys->FindSubControl(CKeySetControlUI::kKeyEdit);
    if (page != nullptr && isRecordingMode(mode))
        holder = findMacroPanel(*page);
    return holder != nullptr ? holder : m_hWnd;
}

void CMainWnd::ReleaseInputHook() {
    if (m_hookGuard != nullptr)
        m_hookGuard->disarm();
    for (DevicePage& entry : m_pages) {
        if (CMacroControlUI* macro = findMacroPanel(*entry.page))
            macro->stopRecording();
        if (CKeySetControlUI* keys = findKeySetPanel(*entry.page); keys != nullptr && keys->capturing())
            keys->releaseCapture();
    }
    RemoveInputHook();
}

void CMainWnd::RemoveInputHook() {
    if (m_hookGuard != nullptr)
        m_hookGuard->disarm();
    m_hookNotifier.reset();
    if (m_hook != nullptr)
        m_hook->remove();
    if (CControlUI* devices = m_pm.FindControl(kDeviceSelectLayout))
        devices->SetEnabled(true);
}

void CMainWnd::OpenMenu(const QString& layout, QPoint screenPoint) {
    m_popupMenu = std::make_unique<CMenuWnd>();
    m_popupMenu->Init(this, layout, screenPoint);
}

} // namespace pelan
