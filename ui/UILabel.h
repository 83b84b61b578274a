#pragma once

#include "ui/UIControl.h"
#include "ui/UIRender.h"

namespace pelan {

// A single line of text (or wrapped text with "wordbreak"), aligned in the control.
class CLabelUI : public CControlUI {
public:
    QString GetClass() const override { return "LabelUI"; }
    void* GetInterface(const QString& name) override;

    void SetTextStyle(UINT style) { SetAndRedraw(m_uTextStyle, style); }
    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextColor(DWORD argb) { SetAndRedraw(m_dwTextColor, argb); }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD argb) { SetAndRedraw(m_dwDisabledTextColor, argb); }
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetTextPadding(QMargins padding) { SetAndRedraw(m_rcTextPadding, padding); }
    QMargins GetTextPadding() const { return m_rcTextPadding; }

    void SetAttribute(const QString& name, const QString& value) override;
    void PaintText(QPainter& painter) override;
    // A text that needs more room than the control has makes the window lay itself out again.
    void SetText(const QString& text) override;
    void TextChanged() override;
    // A single line of text needs its width, wrapped text the height it takes at the width it has.
    QSize MinimumContentSize(QSize available) override;
    // The size the shown text needs with the text padding (scaled); wrapped text needs only a height, for width.
    QSize TextSize(int width) const;
    // The layout asked for the text to be shortened with "..." where it does not fit, instead of growing.
    bool ElidesText() const { return m_bElide; }

protected:
    QRect TextRect() const;
    // Draws the text, shortened with "..." where it must be; the full text is then the tooltip.
    void DrawLabelText(QPainter& painter, const QRect& rc, const QString& text, DWORD color, UINT style);
    DWORD CurrentTextColor() const;

    UINT m_uTextStyle = DT_VCENTER_DEFAULT;
    DWORD m_dwTextColor = 0xFFE6E8EB;
    DWORD m_dwDisabledTextColor = 0xFF6E737A;
    QMargins m_rcTextPadding;
    bool m_bElide = false;

    static constexpr UINT DT_VCENTER_DEFAULT = 0x4 | 0x20 | 0x8000; // vertically centred, single line, ellipsis
};

// Text that wraps onto several lines.
class CTextUI : public CLabelUI {
public:
    CTextUI();
    QString GetClass() const override { return "TextUI"; }
    void* GetInterface(const QString& name) override;
};

} // namespace pelan
