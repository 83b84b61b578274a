#pragma once

#include "ui/UILabel.h"

namespace pelan {

// A label that reacts to the pointer: state images and colours for normal, hot, pushed, focused and disabled, and a
// "click" notification when the left button is released inside it.
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    QString GetClass() const override { return "ButtonUI"; }
    void* GetInterface(const QString& name) override;

    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const QString& name, const QString& value) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

    QString GetNormalImage() const { return m_sNormalImage; }
    void SetNormalImage(const QString& image) { SetAndRedraw(m_sNormalImage, image); }
    QString GetHotImage() const { return m_sHotImage; }
    void SetHotImage(const QString& image) { SetAndRedraw(m_sHotImage, image); }
    QString GetPushedImage() const { return m_sPushedImage; }
    void SetPushedImage(const QString& image) { SetAndRedraw(m_sPushedImage, image); }
    void SetFocusedImage(const QString& image) { SetAndRedraw(m_sFocusedImage, image); }
    void SetDisabledImage(const QString& image) { SetAndRedraw(m_sDisabledImage, image); }
    void SetHotForeImage(const QString& image) { SetAndRedraw(m_sHotForeImage, image); }
    void SetHotBkColor(DWORD argb) { SetAndRedraw(m_dwHotBkColor, argb); }
    void SetPushedBkColor(DWORD argb) { SetAndRedraw(m_dwPushedBkColor, argb); }
    void SetHotTextColor(DWORD argb) { SetAndRedraw(m_dwHotTextColor, argb); }
    void SetPushedTextColor(DWORD argb) { SetAndRedraw(m_dwPushedTextColor, argb); }

protected:
    QString m_sNormalImage;
    QString m_sHotImage;
    QString m_sPushedImage;
    QString m_sFocusedImage;
    QString m_sDisabledImage;
    QString m_sHotForeImage;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwPushedBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
};

// A button with a selected state. Options of one group are exclusive; an option bound to a tab layout selects its
// page when it becomes selected. Selection changes send "selectchanged".
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    QString GetClass() const override { return "OptionUI"; }
    void* GetInterface(const QString& name) override;

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    bool Activate() override;
    QString GetGroup() const { return m_sGroupName; }
    void SetGroup(const QString& group);
    bool IsSelected() const { return m_bSelected; }
    // Sets the state; notify sends "selectchanged" (also for the option of the group that loses its selection).
    virtual void Selected(bool selected, bool notify = true);
    void SetBindTabLayoutName(const QString& name) { m_sBindTabLayoutName = name; }
    QString GetBindTabLayoutName() const { return m_sBindTabLayoutName; }
    void SetBindTabLayoutIndex(int index) { m_iBindTabIndex = index; }
    int GetBindTabLayoutIndex() const { return m_iBindTabIndex; }
    void SetSelectedImage(const QString& image) { SetAndRedraw(m_sSelectedImage, image); }
    QString GetSelectedImage() const { return m_sSelectedImage; }
    void SetSelectedHotImage(const QString& image) { SetAndRedraw(m_sSelectedHotImage, image); }
    void SetSelectedBkColor(DWORD argb) { SetAndRedraw(m_dwSelectedBkColor, argb); }
    void SetSelectedTextColor(DWORD argb) { SetAndRedraw(m_dwSelectedTextColor, argb); }

    void SetAttribute(const QString& name, const QString& value) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

protected:
    void SelectBoundTab(bool notify);

    bool m_bSelected = false;
    QString m_sGroupName;
    QString m_sBindTabLayoutName;
    int m_iBindTabIndex = -1;
    QString m_sSelectedImage;
    QString m_sSelectedHotImage;
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwSelectedTextColor = 0;
};

// An option without a group, read as checked or not.
class CCheckBoxUI : public COptionUI {
public:
    QString GetClass() const override { return "CheckBoxUI"; }
    void* GetInterface(const QString& name) override;
    void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
    bool GetCheck() const { return IsSelected(); }
};

} // namespace pelan
