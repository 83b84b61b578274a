#pragma once

#include "ui/UIList.h"

class QMenu;

namespace pelan {

// A drop-down choice. Its items (list label elements, usually) are kept out of sight and offered in a pop-up list
// when the combo box is clicked; hidden items are not offered. A selection change sends "itemselect" (wParam new
// index, lParam previous index).
class CComboUI : public CListOwnerBase<CContainerUI> {
public:
    CComboUI();
    ~CComboUI() override;
    QString GetClass() const override { return "ComboUI"; }
    void* GetInterface(const QString& name) override;

    // The selection with every argument given (the form the panels call).
    bool SelectItem1(int index, bool takeFocus, bool notify) { return SelectItem(index, takeFocus, notify); }
    void DoEvent(TEventUI& event) override;
    // Text of the selected item ("" when none).
    QString GetText() const override;
    // Opens the pop-up list at the bottom of the combo box.
    void Activate2();
    bool Activate() override;
    void SetAttribute(const QString& name, const QString& value) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;
    // The widest entry with the room for the arrow: any choice shows whole.
    QSize MinimumContentSize(QSize available) override;

protected:
    void LayoutItems(const QRect&) override {}

private:
    QMargins m_rcTextPadding{8, 0, 24, 0};
    DWORD m_dwTextColor = 0xFFE6E8EB;
    QString m_sNormalImage;
    QString m_sHotImage;
    QString m_sPushedImage;
    QString m_sDisabledImage;
    QMenu* m_pMenu = nullptr;
};

} // namespace pelan
