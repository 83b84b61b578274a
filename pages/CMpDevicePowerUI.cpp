#include "pages/CMpDevicePowerUI.h"

namespace pelan {

void* CMpDevicePowerUI::GetInterface(const QString& name) {
    if (name == "MpDevicePower")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

bool CMpDevicePowerUI::Activate() {
    if (!CHorizontalLayoutUI::Activate())
        return false;
    SendNotify(DUI_MSGTYPE_SELECTCHANGED);
    return true;
}

void CMpDevicePowerUI::setKindAndRole(int kind, int role) {
    displayMode_ = kind;
    role_ = role;
}

bool CMpDevicePowerUI::findChildren() {
    if (value_ == nullptr)
        value_ = dynamic_cast<CLabelUI*>(FindSubControl(powerdisplay::kValueControl));
    if (wireless_ == nullptr)
        wireless_ = FindSubControl(powerdisplay::kWirelessControl);
    if (progress_ == nullptr)
        progress_ = dynamic_cast<CProgressUI*>(FindSubControl(powerdisplay::kProgressControl));
    if (status_ == nullptr)
        status_ = FindSubControl(powerdisplay::kStatusControl);
    if (phone_ == nullptr)
        phone_ = FindSubControl(powerdisplay::kPhoneControl);
    return value_ != nullptr && wireless_ != nullptr && progress_ != nullptr && status_ != nullptr && phone_ != nullptr;
}

bool CMpDevicePowerUI::showPowerStatus(const PowerStatus& status) {
    if (!findChildren())
        return false;
    const PowerDisplayState shown = decodePowerStatus(status, displayMode_);
    value_->SetText(QString::fromStdString(shown.valueText));
    progress_->SetValue(shown.progress);
    wireless_->SetVisible(shown.wirelessMark);
    if (shown.chargingPicture) {
        status_->SetBkImage(QString::fromStdString(*shown.chargingPicture));
        status_->SetVisible(true);
    }
    // A known charge always shows its bar, whatever the charging state.
    progress_->SetVisible(true);
    if (shown.phone) {
        phone_->SetName(QString::fromStdString(shown.phone->name));
        phone_->SetBkImage(QString::fromStdString(shown.phone->picture));
    }
    // Only the charging pad has a phone to show.
    phone_->SetVisible(shown.phone.has_value());
    return true;
}

void CMpDevicePowerUI::showNoStatus() {
    if (!findChildren())
        return;
    value_->SetText(QStringLiteral("--"));
    progress_->SetValue(0);
    for (CControlUI* unknown : {static_cast<CControlUI*>(progress_), wireless_, status_, phone_})
        unknown->SetVisible(false);
}

void CMpDevicePowerUI::setPowerLayoutVisible(bool visible) {
    if (CControlUI* layout = FindSubControl(powerdisplay::kLayoutControl))
        layout->SetVisible(visible);
}

} // namespace pelan
