#include "ui/UILabel.h"

#include "ui/UIRender.h"

#include <QFontMetricsF>
#include <cmath>

namespace pelan {

void* CLabelUI::GetInterface(const QString& name) {
    if (name == "Label")
        return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "align") {
        m_uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        if (value.contains("center"))
            m_uTextStyle |= DT_CENTER;
        else if (value.contains("right"))
            m_uTextStyle |= DT_RIGHT;
        Invalidate();
    } else if (key == "valign") {
        m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (value.contains("vcenter") || value.contains("center"))
            m_uTextStyle |= DT_VCENTER;
        else if (value.contains("bottom"))
            m_uTextStyle |= DT_BOTTOM;
        Invalidate();
    } else if (key == "wordbreak" || key == "multiline") {
        if (ParseBool(value))
            m_uTextStyle = (m_uTextStyle | DT_WORDBREAK) & ~(DT_SINGLELINE | DT_END_ELLIPSIS);
        else
            m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
        Invalidate();
    } else if (key == "endellipsis") {
        m_bElide = ParseBool(value);
        m_uTextStyle = m_bElide ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
    } else if (key == "textcolor") {
        SetTextColor(ParseColor(value));
    } else if (key == "disabledtextcolor") {
        SetDisabledTextColor(ParseColor(value));
    } else if (key == "textpadding") {
        SetTextPadding(ParseMargins(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

QRect CLabelUI::TextRect() const {
    const QMargins p(Scale(m_rcTextPadding.left()), Scale(m_rcTextPadding.top()), Scale(m_rcTextPadding.right()),
                     Scale(m_rcTextPadding.bottom()));
    return GetPaintRect().marginsRemoved(p);
}

DWORD CLabelUI::CurrentTextColor() const {
    return QWidget::isEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
}

void CLabelUI::PaintText(QPainter& painter) {
    DrawLabelText(painter, TextRect(), GetText(), CurrentTextColor(), m_uTextStyle);
}

void CLabelUI::DrawLabelText(QPainter& painter, const QRect& rc, const QString& text, DWORD color, UINT style) {
    const QFont font = GetDrawFont(m_iFont);
    DrawText(painter, rc, text, color, font, style);
    if (!(style & DT_END_ELLIPSIS) || (style & DT_WORDBREAK) || !m_sToolTip.isEmpty())
        return;
    const bool shortened = QFontMetricsF(font).horizontalAdvance(text) > rc.width();
    const QString tip = shortened ? text : QString();
    if (QWidget::toolTip() != tip)
        QWidget::setToolTip(tip);
}

void CLabelUI::SetText(const QString& text) {
    if (text == m_sText)
        return;
    CControlUI::SetText(text);
    TextChanged();
}

void CLabelUI::TextChanged() {
    if (m_bElide || m_pParent == nullptr || !isVisible())
        return;
    const QSize need = TextSize(width());
    if (need.width() > width() || need.height() > height())
        RelayoutWindow();
}

QSize CLabelUI::TextSize(int width) const {
    const QString text = GetText();
    if (text.isEmpty())
        return QSize(0, 0);
    const QFontMetricsF metrics(GetDrawFont(m_iFont));
    const int padWidth = Scale(m_rcTextPadding.left() + m_rcTextPadding.right());
    const int padHeight = Scale(m_rcTextPadding.top() + m_rcTextPadding.bottom());
    if (m_uTextStyle & DT_WORDBREAK) {
        const qreal lineWidth = std::max(1, width - padWidth);
        const QRectF bounds = metrics.boundingRect(QRectF(0, 0, lineWidth, 1e6), Qt::TextWordWrap, text);
        return QSize(0, static_cast<int>(std::ceil(bounds.height())) + padHeight);
    }
    // One pixel more than the advance: the painter places glyphs at fractional positions.
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text))) + padWidth + 1,
                 static_cast<int>(std::ceil(metrics.height())) + padHeight);
}

QSize CLabelUI::MinimumContentSize(QSize available) {
    if (m_bElide)
        return QSize(0, 0);
    const int fixedWidth = Scale(GetFixedWidth());
    return TextSize(fixedWidth > 0 ? fixedWidth : available.width());
}

CTextUI::CTextUI() {
    m_uTextStyle = DT_WORDBREAK;
}

void* CTextUI::GetInterface(const QString& name) {
    if (name == "Text")
        return this;
    return CLabelUI::GetInterface(name);
}

} // namespace pelan
