#include "ui/UITrayIcon.h"

#include <QSystemTrayIcon>

namespace pelan {
namespace {

std::optional<bool>& trayAvailableOverride() {
    static std::optional<bool> available;
    return available;
}

} // namespace

CTrayIcon::CTrayIcon() = default;

void CTrayIcon::OverrideTrayAvailable(std::optional<bool> available) {
    trayAvailableOverride() = available;
}

bool CTrayIcon::CanRestoreWindow() const {
    if (m_tray == nullptr)
        return false;
    return trayAvailableOverride().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

CTrayIcon::~CTrayIcon() {
    DeleteTrayIcon();
}

void CTrayIcon::CreateTrayIcon(CWindowWnd* receiver, UINT iconId, const QIcon& icon, const QString& toolTip,
                               UINT message) {
    DeleteTrayIcon();
    m_receiver = receiver;
    m_iconId = iconId;
    m_message = message;
    m_tray = new QSystemTrayIcon(icon);
    m_tray->setToolTip(toolTip);
    QObject::connect(m_tray, &QSystemTrayIcon::activated, m_tray, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            ReportClick(WM_LBUTTONUP);
        else if (reason == QSystemTrayIcon::Context)
            ReportClick(WM_RBUTTONUP);
    });
    m_tray->show();
}

void CTrayIcon::DeleteTrayIcon() {
    delete m_tray;
    m_tray = nullptr;
    m_receiver = nullptr;
}

bool CTrayIcon::SetTooltipText(const QString& text) {
    if (m_tray == nullptr)
        return false;
    m_tray->setToolTip(text);
    return true;
}

QString CTrayIcon::GetTooltipText() const {
    return m_tray != nullptr ? m_tray->toolTip() : QString();
}

bool CTrayIcon::SetIcon(const QIcon& icon) {
    if (m_tray == nullptr)
        return false;
    m_tray->setIcon(icon);
    return true;
}

bool CTrayIcon::SetShowIcon() {
    if (m_tray == nullptr)
        return false;
    m_tray->show();
    return true;
}

bool CTrayIcon::SetHideIcon() {
    if (m_tray == nullptr)
        return false;
    m_tray->hide();
    return true;
}

bool CTrayIcon::IsVisible() const {
    return m_tray != nullptr && m_tray->isVisible();
}

void CTrayIcon::ReportClick(UINT buttonMessage) {
    if (m_receiver != nullptr)
        m_receiver->PostMessage(m_message, m_iconId, buttonMessage);
}

} // namespace pelan
