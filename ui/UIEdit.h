#pragma once

#include "ui/UILabel.h"

class QLineEdit;

namespace pelan {

// A one-line text field (a QLineEdit inside the control). Sends "textchanged" when the user edits the text, "setfocus"
// and "killfocus" as the field gains and loses the focus, and "return" on Enter.
class CEditUI : public CLabelUI {
public:
    CEditUI();
    QString GetClass() const override { return "EditUI"; }
    void* GetInterface(const QString& name) override;

    void SetName(const QString& name) override;
    QString GetText() const override;
    void SetText(const QString& text) override;
    void SetEnabled(bool enabled = true) override;
    void SetFocus() override;
    void SetMaxChar(int max);
    int GetMaxChar() const;
    void SetNumberOnly(bool numberOnly);
    bool IsNumberOnly() const { return m_bNumberOnly; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const;
    void SetPasswordMode(bool password);
    void SetSel(int start, int end);
    void SetSelAll();
    void SetReplaceSel(const QString& text);
    int GetCaretPos() const;
    void SetCaretPos(int pos);
    QLineEdit* GetLineEdit() const { return m_pEdit; }

    void SetAttribute(const QString& name, const QString& value) override;
    void PaintText(QPainter&) override {}
    // A field keeps its layout size: what is typed scrolls inside it.
    void TextChanged() override {}
    QSize MinimumContentSize(QSize available) override { return CControlUI::MinimumContentSize(available); }
    void ReloadText() override;
    void DoInit() override { ApplyEditStyle(); }

protected:
    void LayoutChildren() override;
    void ApplyEditStyle();

private:
    QLineEdit* m_pEdit = nullptr;
    bool m_bNumberOnly = false;
};

} // namespace pelan
