#include "ui/UIEdit.h"

#include "ui/UIRender.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace pelan {
namespace {

// Reports the focus changes of the inner line edit, and Return, to the control that owns it. Return is taken from the
// key itself: the line edit reports it only for text its validator accepts, and an empty field is a value too.
class FocusWatcher : public QObject {
public:
    FocusWatcher(CEditUI* owner) : QObject(owner), m_owner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                m_owner->SendNotify(DUI_MSGTYPE_RETURN);
        } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            TEventUI ui;
            ui.Type = event->type() == QEvent::FocusIn ? UIEVENT_SETFOCUS : UIEVENT_KILLFOCUS;
            ui.pSender = m_owner;
            m_owner->DoEvent(ui);
            m_owner->SendNotify(event->type() == QEvent::FocusIn ? DUI_MSGTYPE_SETFOCUS : DUI_MSGTYPE_KILLFOCUS);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CEditUI* m_owner;
};

} // namespace

CEditUI::CEditUI() : m_pEdit(new QLineEdit(this)) {
    m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    m_pEdit->setFrame(false);
    m_pEdit->installEventFilter(new FocusWatcher(this));
    setFocusProxy(m_pEdit);
    QObject::connect(m_pEdit, &QLineEdit::textEdited, this, [this] { SendNotify(DUI_MSGTYPE_TEXTCHANGED); });
    ApplyEditStyle();
}

void* CEditUI::GetInterface(const QString& name) {
    if (name == "Edit")
        return this;
    return CLabelUI::GetInterface(name);
}

void CEditUI::SetName(const QString& name) {
    CLabelUI::SetName(name);
    // The line edit is what holds the focus and what screen readers see.
    m_pEdit->setAccessibleName(name);
}

QString CEditUI::GetText() const {
    return m_pEdit->text();
}

void CEditUI::SetText(const QString& text) {
    m_sText = text;
    const QString shown = m_bResourceText ? CLabelUI::GetText() : text;
    m_pEdit->setText(shown.left(m_pEdit->maxLength()));
    UpdateAccessibleText();
}

void CEditUI::ReloadText() {
    CLabelUI::ReloadText();
    if (m_bResourceText)
        m_pEdit->setText(CLabelUI::GetText());
}

void CEditUI::SetEnabled(bool enabled) {
    CLabelUI::SetEnabled(enabled);
    ApplyEditStyle();
}

void CEditUI::SetFocus() {
    m_pEdit->setFocus(Qt::OtherFocusReason);
}

void CEditUI::SetMaxChar(int max) {
    m_pEdit->setMaxLength(max > 0 ? max : 32767);
}

int CEditUI::GetMaxChar() const {
    return m_pEdit->maxLength();
}

void CEditUI::SetNumberOnly(bool numberOnly) {
    m_bNumberOnly = numberOnly;
    if (numberOnly) {
        static const QRegularExpression digits("[0-9]*");
        m_pEdit->setValidator(new QRegularExpressionValidator(digits, m_pEdit));
    } else {
        m_pEdit->setValidator(nullptr);
    }
}

void CEditUI::SetReadOnly(bool readOnly) {
    m_pEdit->setReadOnly(readOnly);
}

bool CEditUI::IsReadOnly() const {
    return m_pEdit->isReadOnly();
}

void CEditUI::SetPasswordMode(bool password) {
    m_pEdit->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
}

void CEditUI::SetSel(int start, int end) {
    const int length = static_cast<int>(m_pEdit->text().size());
    if (end < 0 || end > length)
        end = length;
    start = std::clamp(start, 0, end);
    m_pEdit->setSelection(start, end - start);
}

void CEditUI::SetSelAll() {
    m_pEdit->selectAll();
}

void CEditUI::SetReplaceSel(const QString& text) {
    m_pEdit->insert(text);
}

int CEditUI::GetCaretPos() const {
    return m_pEdit->cursorPosition();
}

void CEditUI::SetCaretPos(int pos) {
    m_pEdit->setCursorPosition(pos);
}

void CEditUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "maxchar")
        SetMaxChar(ParseInt(value));
    else if (key == "numberonly")
        SetNumberOnly(ParseBool(value));
    else if (key == "readonly")
        SetReadOnly(ParseBool(value));
    else if (key == "password")
        SetPasswordMode(ParseBool(value));
    else {
        CLabelUI::SetAttribute(name, value);
        if (key == "text" || key == "resourcetext")
            SetText(m_sText);
        ApplyEditStyle();
    }
}

void CEditUI::LayoutChildren() {
    const QMargins p(Scale(m_rcTextPadding.left()), Scale(m_rcTextPadding.top()), Scale(m_rcTextPadding.right()),
                     Scale(m_rcTextPadding.bottom()));
    m_pEdit->setGeometry(GetPaintRect().marginsRemoved(p));
}

void CEditUI::ApplyEditStyle() {
    const QColor text = ToQColor(CurrentTextColor());
    m_pEdit->setStyleSheet(QString("QLineEdit { background: transparent; border: none; color: %1; "
                                   "selection-background-color: #3D8BFF; }")
                               .arg(text.name(QColor::HexArgb)));
    m_pEdit->setFont(GetDrawFont(m_iFont));
    Qt::Alignment align = Qt::AlignVCenter;
    align |= (m_uTextStyle & DT_CENTER) ? Qt::AlignHCenter : (m_uTextStyle & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    m_pEdit->setAlignment(align);
}

} // namespace pelan
