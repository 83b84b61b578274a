#pragma once

#include "ui/UIDefs.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QTimer;
class QWidget;

namespace pelan {

// One per window: the root of its control tree, its notifiers, control timers, option groups, default attributes and
// styles of the layout, fonts and DPI. The static part holds the program's instance and resource folders, the shared
// fonts and the message loop.
class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Program-wide folders (each ends with '/').
    static void SetInstance(void* instance) { s_instance = instance; }
    static void* GetInstance() { return s_instance; }
    static void SetInstancePath(const QString& path);
    static QString GetInstancePath();
    static void SetResourcePath(const QString& path);
    static QString GetResourcePath();
    static void SetResourceType(int type) { s_resourceType = type; }
    static int GetResourceType() { return s_resourceType; }
    // Runs the event loop until PostQuitMessage; returns its exit code.
    static int MessageLoop();
    // Every paint manager that is initialised, in creation order.
    static std::vector<CPaintManagerUI*> GetPaintManagers();
    static CPaintManagerUI* GetPaintManager(const QString& name);
    // Sets the DPI of every window.
    static void SetAllDPI(int dpi);

    void Init(QWidget* paintWindow, const QString& name = QString());
    QWidget* GetPaintWindow() const { return m_paintWindow; }
    QString GetName() const { return m_name; }
    bool AttachDialog(CControlUI* root);
    // Lets go of the control tree (its timers, groups and manager links) before the window goes away.
    void DetachDialog();
    CControlUI* GetRoot() const { return m_root; }
    CControlUI* FindControl(const QString& name) const;
    CControlUI* FindSubControlByName(CControlUI* parent, const QString& name) const;
    CControlUI* FindControl(QPoint windowPoint) const;

    QSize GetInitSize() const { return m_initSize; }
    void SetInitSize(int cx, int cy) { m_initSize = QSize(cx, cy); }
    QRect GetCaptionRect() const { return m_captionRect; }
    void SetCaptionRect(const QRect& rc) { m_captionRect = rc; }
    QSize GetMinInfo() const { return m_minInfo; }
    void SetMinInfo(QSize size) { m_minInfo = size; }
    // The buttons Return and Escape press when no focused control takes the key: comma-separated names, the first
    // one shown and enabled counts (a message without Cancel closes with its close button).
    void SetDefaultButtons(const QString& names) { m_defaultButtons = names; }
    void SetCancelButtons(const QString& names) { m_cancelButtons = names; }
    CControlUI* GetDefaultButton() const { return FirstUsable(m_defaultButtons); }
    CControlUI* GetCancelButton() const { return FirstUsable(m_cancelButtons); }

    int GetDPI() const { return m_dpi; }
    void SetDPI(int dpi);
    double GetScale() const { return m_dpi / 96.0; }
    int ScaleValue(int value) const { return value * m_dpi / 96; }

    // Notifications: every notifier gets every notification of this window; async ones are delivered from the event
    // loop (dropped when the sender is gone by then).
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyUI& msg, bool async = false);
    void SendNotify(CControlUI* control, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimer(CControlUI* control);
    bool HasTimer(CControlUI* control, UINT id) const;

    bool AddOptionGroup(const QString& group, CControlUI* control);
    std::vector<CControlUI*> GetOptionGroup(const QString& group) const;
    void RemoveOptionGroup(const QString& group, CControlUI* control);
    // Forgets a control and everything below it (timers, option groups) as it leaves the tree or is destroyed.
    void ReapObjects(CControlUI* control);

    void AddDefaultAttributeList(const QString& controlName, const QString& list);
    QString GetDefaultAttributeList(const QString& controlName) const;
    void AddStyle(const QString& name, const QString& list);
    QString GetStyle(const QString& name) const;

    // Fonts: sizes are pixel heights at 96 DPI. Shared fonts serve every window.
    void AddFont(int id, const QString& family, int size, bool bold, bool underline, bool italic, bool shared = false);
    QFont GetFont(int id) const;
    bool HasFont(int id) const;
    void SetDefaultFont(const QString& family, int size, bool bold, bool underline, bool italic, bool shared = false);
    QFont GetDefaultFontInfo() const;
    void RemoveAllFonts();
    static void RemoveAllSharedFonts();

    // Re-resolves language keys of the whole tree and repaints.
    void ReloadText();

    struct FontInfo {
        QString family;
        int size = 15;
        bool bold = false;
        bool underline = false;
        bool italic = false;
    };

private:
    CControlUI* FirstUsable(const QString& names) const;
    QFont MakeFont(const FontInfo& info) const;

    static void* s_instance;
    static int s_resourceType;

    QWidget* m_paintWindow = nullptr;
    QString m_name;
    CControlUI* m_root = nullptr;
    QSize m_initSize;
    QRect m_captionRect;
    QSize m_minInfo;
    QString m_defaultButtons;
    QString m_cancelButtons;
    int m_dpi = 96;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_messageFilters;
    std::map<std::pair<CControlUI*, UINT>, QTimer*> m_timers;
    std::map<QString, std::vector<CControlUI*>> m_optionGroups;
    QHash<QString, QString> m_defaultAttributes;
    QHash<QString, QString> m_styles;
    std::map<int, FontInfo> m_fonts;
    std::unique_ptr<FontInfo> m_defaultFont;
};

// Ends the message loop with the given code once control returns to it.
void PostQuitMessage(int code);

} // namespace pelan
