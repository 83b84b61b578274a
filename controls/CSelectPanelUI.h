#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// The container of a device picture's key and LED buttons. Dragging over it with the left button draws a selection
// rectangle; on release every key button the rectangle touches is selected, the others cleared, and the panel sends
// "click_select_end". A plain click selects nothing and sends nothing.
class CSelectPanelUI : public CVerticalLayoutUI {
public:
    static constexpr const char* kClassName = "SelectPanel";
    static constexpr const char* kSelectEnd = "click_select_end";
    static constexpr DWORD kFillColour = 0x460099FF;
    static constexpr DWORD kBorderColour = 0xFF0099FF;
    static constexpr int kBorderWidth = 2;

    QString GetClass() const override { return kClassName; }
    void* GetInterface(const QString& name) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const QRect& rcPaint) override;

    bool IsDragging() const { return m_bDragging; }
    // The rectangle of the drag in progress or of the last one, in window coordinates.
    QRect SelectionRect() const { return m_rcSelection; }

private:
    void FinishDrag();

    bool m_bPressed = false;
    bool m_bDragging = false;
    QPoint m_ptStart;
    QPoint m_ptCurrent;
    QRect m_rcSelection;
};

} // namespace pelan
