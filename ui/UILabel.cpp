#include "ui/UILabel.h"

#include "ui/UIRender.h"

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
        m_uTextStyle = ParseBool(value) ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
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
    DrawText(painter, TextRect(), GetText(), CurrentTextColor(), GetDrawFont(m_iFont), m_uTextStyle);
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
