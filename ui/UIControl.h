#pragma once

#include "ui/UIDefs.h"

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace pelan {

// The base of every control: a QWidget with a name, text (plain or a language key), colours, images, fixed sizes for
// the layouts, state bits and per-control timers. Input reaches DoEvent as TEventUI; painting goes through DoPaint and
// its steps (background colour, background image, status image, foreground colour and image, text, border), which
// subclasses override. Painting happens in the control's own coordinates (GetPaintRect()); GetPos() and the mouse
// points of events are in window coordinates.
class CControlUI : public QWidget {
public:
    CControlUI();
    ~CControlUI() override;
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual QString GetClass() const { return "ControlUI"; }
    // The object when it is (or derives from) the named kind ("Control", "Button", ...), else null.
    virtual void* GetInterface(const QString& name);

    QString GetName() const { return m_sName; }
    virtual void SetName(const QString& name);
    // The shown text: the language text of the key when the resource-text flag is set.
    virtual QString GetText() const;
    QString GetRawText() const { return m_sText; }
    virtual void SetText(const QString& text);
    bool IsResourceText() const { return m_bResourceText; }
    void SetResourceText(bool resource);
    // The shown text is another now (a new text, or its key resolved).
    virtual void TextChanged() {}
    // Re-resolves language keys after the language changed.
    virtual void ReloadText();
    QString GetToolTip() const;
    void SetToolTip(const QString& text);
    QString GetUserData() const { return m_sUserData; }
    void SetUserData(const QString& data) { m_sUserData = data; }
    UINT_PTR GetTag() const { return m_pTag; }
    void SetTag(UINT_PTR tag) { m_pTag = tag; }
    QString GetVirtualWnd() const;
    void SetVirtualWnd(const QString& name) { m_sVirtualWnd = name; }

    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD argb) { SetAndRedraw(m_dwBackColor, argb); }
    QString GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const QString& image) { SetAndRedraw(m_sBkImage, image); }
    DWORD GetForeColor() const { return m_dwForeColor; }
    void SetForeColor(DWORD argb) { SetAndRedraw(m_dwForeColor, argb); }
    QString GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const QString& image) { SetAndRedraw(m_sForeImage, image); }
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD argb) { SetAndRedraw(m_dwBorderColor, argb); }
    int GetBorderSize() const { return m_nBorderSize; }
    void SetBorderSize(int size) { SetAndRedraw(m_nBorderSize, size); }
    QSize GetBorderRound() const { return m_cxyBorderRound; }
    void SetBorderRound(QSize round) { SetAndRedraw(m_cxyBorderRound, round); }
    int GetFont() const { return m_iFont; }
    void SetFont(int id) { SetAndRedraw(m_iFont, id); }

    // Position in window coordinates.
    QRect GetPos() const;
    virtual void SetPos(const QRect& rc);
    QRect GetPaintRect() const { return rect(); }
    int GetFixedWidth() const { return m_cxyFixed.width(); }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return m_cxyFixed.height(); }
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return m_cxyMin.width(); }
    void SetMinWidth(int cx);
    int GetMaxWidth() const { return m_cxyMax.width(); }
    void SetMaxWidth(int cx);
    int GetMinHeight() const { return m_cxyMin.height(); }
    void SetMinHeight(int cy);
    int GetMaxHeight() const { return m_cxyMax.height(); }
    void SetMaxHeight(int cy);
    QMargins GetPadding() const { return m_rcPadding; }
    void SetPadding(QMargins padding);
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool floating);
    QRect GetFloatPos() const { return m_rcFloat; }
    // Size the layouts give this control (scaled; 0 means "share the free space").
    virtual QSize EstimateSize(QSize available);
    // The least size the content needs (scaled): the text of a label, the children of a layout. A layout never gives
    // a control less, so a longer text or a larger font makes room for itself instead of being cut.
    virtual QSize MinimumContentSize(QSize available);

    virtual bool IsVisible() const;
    bool IsVisibleFlag() const { return m_bVisible; }
    virtual void SetVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    void SetMouseEnabled(bool enabled);
    bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();
    UINT GetState() const { return m_uButtonState; }
    void SetState(UINT state) { SetAndRedraw(m_uButtonState, state); }

    // Performs the control's action (a click for buttons); false when it is hidden or disabled.
    virtual bool Activate();
    virtual void DoEvent(TEventUI& event);
    virtual void DoPaint(QPainter& painter, const QRect& rcPaint);
    virtual void PaintBkColor(QPainter& painter);
    virtual void PaintBkImage(QPainter& painter);
    virtual void PaintStatusImage(QPainter& painter);
    virtual void PaintForeColor(QPainter& painter);
    virtual void PaintForeImage(QPainter& painter);
    virtual void PaintText(QPainter& painter);
    virtual void PaintBorder(QPainter& painter);
    void PaintFocusRing(QPainter& painter);
    // Draws an image description into rc (local coordinates); false when there is nothing to draw.
    bool DrawImage(QPainter& painter, const QString& image, const QRect& rc);
    bool DrawImage(QPainter& painter, const QString& image) { return DrawImage(painter, image, GetPaintRect()); }

    // Timers of this control: delivered to DoEvent as UIEVENT_TIMER with wParam = id until killed.
    bool SetTimer(UINT id, UINT elapseMs);
    void KillTimer(UINT id);
    void KillTimer();

    CPaintManagerUI* GetManager() const { return m_pManager; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    CControlUI* GetParent() const { return m_pParent; }
    // This control when its name matches, else null; containers search their children.
    virtual CControlUI* FindControl(const QString& name);

    virtual void SetAttribute(const QString& name, const QString& value);
    // Applies name="value" pairs in order.
    void ApplyAttributeList(const QString& list);

    void Invalidate() { update(); }
    // Asks the nearest container to lay out its children again.
    void NeedParentUpdate();
    // Lays out the whole window again, when what this control needs may have changed the room of others.
    void RelayoutWindow();
    virtual void NeedUpdate() { update(); }
    virtual void DoInit() {}
    // Scales a layout length by the manager's DPI.
    int Scale(int value) const;
    QFont GetDrawFont(int id) const;
    void SendNotify(const QString& type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // Stores a drawing setting and repaints.
    template <typename T>
    void SetAndRedraw(T& field, const T& value) {
        field = value;
        Invalidate();
    }
    // Sets the hot bit on pointer enter (when enabled) and clears it on leave; true when the event was one of them.
    bool TrackHot(const TEventUI& event);
    // Sends an event made from a Qt mouse event through DoEvent.
    void RaiseMouseEvent(int type, const QPoint& localPos, WPARAM wParam = 0);
    // A press on a control that takes no focus itself (a label, a picture, blank space) ends the edit in progress
    // elsewhere in the window, as a click beside a text field does in other programs.
    void TakeFocusFromOthers();
    bool KeyOfferedBelow() const;
    // Screen readers and tests find a control by its accessible name (the control name); its shown text is the
    // accessible description.
    void UpdateAccessibleText();
    void ApplyWidgetVisibility();
    // Called when the widget's size changed or it was shown: containers place their children.
    virtual void LayoutChildren() {}

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    QString m_sName;
    QString m_sText;
    bool m_bResourceText = false;
    QString m_sToolTip;
    QString m_sUserData;
    UINT_PTR m_pTag = 0;
    QString m_sVirtualWnd;
    DWORD m_dwBackColor = 0;
    DWORD m_dwForeColor = 0;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0;
    QSize m_cxyBorderRound;
    QString m_sBkImage;
    QString m_sForeImage;
    int m_iFont = -1;
    QSize m_cxyFixed{0, 0};
    QSize m_cxyMin{0, 0};
    QSize m_cxyMax{9999, 9999};
    QMargins m_rcPadding;
    bool m_bFloat = false;
    QRect m_rcFloat;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bFocused = false;
    // The focus came from the keyboard (Tab): the control shows a focus ring while it has it.
    bool m_bFocusRing = false;
    UINT m_uButtonState = 0;
};

} // namespace pelan
