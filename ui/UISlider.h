#pragma once

#include "ui/UILabel.h"

namespace pelan {

// A bar filled in proportion to its value between minimum and maximum ("foreimage" or the foreground colour over the
// background).
class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    QString GetClass() const override { return "ProgressUI"; }
    void* GetInterface(const QString& name) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int min);
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int max);
    int GetValue() const { return m_nValue; }
    void SetValue(int value);

    void SetAttribute(const QString& name, const QString& value) override;
    void PaintForeColor(QPainter& painter) override;
    void PaintForeImage(QPainter& painter) override;

protected:
    // The part of the bar the value covers, in local coordinates.
    QRect FilledRect() const;

    bool m_bHorizontal = true;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nValue = 0;
};

// A progress bar with a thumb the user drags. Sends "movevaluechanged" while the thumb is dragged and "valuechanged"
// when it is released at another value than it was pressed at (or moved by the wheel or the arrow keys); SetValue
// from code sends nothing.
class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    QString GetClass() const override { return "SliderUI"; }
    void* GetInterface(const QString& name) override;

    int GetChangeStep() const { return m_nStep; }
    void SetChangeStep(int step) { m_nStep = std::max(step, 1); }
    void SetThumbSize(QSize size) { SetAndRedraw(m_szThumb, size); }
    QRect GetThumbRect() const;
    void SetThumbImage(const QString& image) { SetAndRedraw(m_sThumbImage, image); }
    void SetThumbHotImage(const QString& image) { SetAndRedraw(m_sThumbHotImage, image); }
    void SetThumbPushedImage(const QString& image) { SetAndRedraw(m_sThumbPushedImage, image); }
    // True while the user holds the thumb.
    bool IsDragging() const { return (m_uButtonState & UISTATE_CAPTURED) != 0; }

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& name, const QString& value) override;
    void PaintBkColor(QPainter& painter) override;
    void PaintForeColor(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;

private:
    int ValueAt(QPoint windowPoint) const;
    QRect TrackRect() const;
    // Moves by whole steps and sends "valuechanged" when the value changed.
    void StepBy(int steps);

    int m_nStep = 1;
    int m_nPressValue = 0;
    QSize m_szThumb{14, 14};
    QString m_sThumbImage;
    QString m_sThumbHotImage;
    QString m_sThumbPushedImage;
};

} // namespace pelan
