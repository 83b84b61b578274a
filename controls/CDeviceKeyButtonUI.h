#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// One key or LED on the picture of a device: a button with a light overlay and a key-assignment overlay, a selected
// state that the page's key selection and the selection rectangle set, and a "dbclick" notification.
class CDeviceKeyButtonUI : public CButtonUI {
public:
    static constexpr const char* kClassName = "DeviceKeyButton";
    static constexpr const char* kDoubleClick = "dbclick";
    // The fill of a selected key.
    static constexpr DWORD kSelectedColour = 0xFF3D8BFF;

    QString GetClass() const override { return kClassName; }
    void* GetInterface(const QString& name) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& name, const QString& value) override;
    void PaintStatusImage(QPainter& painter) override;

    bool IsSelected() const { return (GetState() & UISTATE_SELECTED) != 0; }
    // Setting the state it already has changes nothing (no redraw).
    void SetSelected(bool selected);

    QString GetLightImage() const { return m_sLightImage; }
    void SetLightImage(const QString& image) { SetAndRedraw(m_sLightImage, image); }
    QString GetKeySetImage() const { return m_sKeySetImage; }
    void SetKeySetImage(const QString& image) { SetAndRedraw(m_sKeySetImage, image); }
    bool IsLightOverlayOn() const { return m_bLightOverlay; }
    void SetLightOverlay(bool on) { SetAndRedraw(m_bLightOverlay, on); }
    bool IsKeyOverlayHidden() const { return m_bKeyOverlayHidden; }
    void SetKeyOverlayHidden(bool hidden) { SetAndRedraw(m_bKeyOverlayHidden, hidden); }

private:
    QString m_sLightImage;
    QString m_sKeySetImage;
    bool m_bLightOverlay = false;
    bool m_bKeyOverlayHidden = true;
};

} // namespace pelan
