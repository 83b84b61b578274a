#pragma once

#include "device/PowerDisplay.h"
#include "ui/DuiLib.h"

namespace pelan {

// The power panel of a device page: charge, charging state, wireless mark and, for the charging pad, the phone
// lying on it. It shows what decodePowerStatus makes of a status record; nothing before all five status controls
// are found.
class CMpDevicePowerUI : public CHorizontalLayoutUI {
public:
    QString GetClass() const override { return "MpDevicePower"; }
    void* GetInterface(const QString& name) override;
    // Activating the panel selects it: "selectchanged".
    bool Activate() override;

    // The main window tells the panel the kind and role of its page; the kind is the display mode.
    void setKindAndRole(int kind, int role);
    int displayMode() const { return displayMode_; }
    int role() const { return role_; }

    // Shows one status record. False (and nothing changed) while a status control is missing.
    bool showPowerStatus(const PowerStatus& status);
    // No status known (no device, or it went): no figure, no bar, no charging or phone picture.
    void showNoStatus();
    // Shows or hides the status part ("device_power_Layout").
    void setPowerLayoutVisible(bool visible);

private:
    bool findChildren();

    int displayMode_ = 0;
    int role_ = 0;
    CLabelUI* value_ = nullptr;
    CControlUI* wireless_ = nullptr;
    CProgressUI* progress_ = nullptr;
    CControlUI* status_ = nullptr;
    CControlUI* phone_ = nullptr;
};

} // namespace pelan
