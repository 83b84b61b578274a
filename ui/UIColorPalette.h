#pragma once

#include "ui/UIControl.h"

#include <QImage>

namespace pelan {

// A colour picker: a field of hue (across) and saturation (down) above a brightness bar. Picking with the pointer
// sends "colorchanged" when the button is released; SetSelectColor from code sends nothing.
class CColorPaletteUI : public CControlUI {
public:
    QString GetClass() const override { return "ColorPaletteUI"; }
    void* GetInterface(const QString& name) override;

    // The picked colour as ARGB (alpha 0xFF).
    DWORD GetSelectColor() const;
    void SetSelectColor(DWORD argb);
    void SetPalletHeight(int height);
    int GetPalletHeight() const { return m_nPalletHeight; }
    void SetBarHeight(int height);
    int GetBarHeight() const { return m_nBarHeight; }
    void SetThumbImage(const QString& image) { SetAndRedraw(m_sThumbImage, image); }

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& name, const QString& value) override;
    void PaintBkImage(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;

private:
    enum class Part { None, Field, Bar };
    QRect FieldRect() const;
    QRect BarRect() const;
    void PickAt(QPoint windowPoint);

    int m_nPalletHeight = 0; // 0: all but the bar and gap
    int m_nBarHeight = 12;
    int m_nHue = 0;          // 0..359
    int m_nSaturation = 255; // 0..255
    int m_nValue = 255;      // 0..255
    Part m_pressedPart = Part::None;
    QString m_sThumbImage;
    QImage m_fieldCache;
};

} // namespace pelan
