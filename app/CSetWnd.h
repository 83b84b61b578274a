#pragma once

#include "device/WorkerThread.h"
#include "ui/DuiLib.h"
#include "update/UpdateSession.h"

#include <array>
#include <functional>
#include <memory>

namespace pelan {

// The settings window: the language choice and the update list. Its three workers check the service, download the
// ticked rows and start their installers one at a time; they talk to the window only by posted messages. It is
// modal over the main window (no nested loop) and deletes itself when it closes, telling its owner first.
class CSetWnd : public WindowImplBase {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 256;
    static constexpr UINT kStyle = 0x90000000;     // popup, visible
    static constexpr UINT kExStyle = 0;            // a dialog of the main window, above it only
    static constexpr UINT kRowsChangedMsg = 3110;  // a worker changed the rows
    static constexpr UINT kLaunchFailedMsg = 3111; // an installer could not be started; wParam the row

    // The rows of the present products, the services the workers use, and what to call when the window is gone.
    CSetWnd(std::vector<UpdateProduct> products, UpdateSession::Setup setup, std::function<void()> onClosed);
    ~CSetWnd() override;

    QString GetWindowClassName() const override { return "SetWnd"; }
    QString GetSkinFile() override { return "XML_SET"; }
    CControlUI* CreateControl(const QString& className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void OnFinalMessage(QWidget* hWnd) override;

    // The language index the combo shows selected; set before Create.
    void SetLanguageIndex(int index) { m_languageIndex = index; }

    UpdateSession& Session() { return *m_session; }
    bool IsWorkerRunning(int index) const { return m_workers[size_t(index)].running(); }

private:
    class Mailbox;

    void ShowLanguages();
    void ShowRows();
    void ShowState();
    void OnTickChanged();
    void ShowLaunchFailure(int row);
    void StopWorkers();
    void FollowScreenChanges();
    void ApplyDpi(int dpi, const QRect* suggested);

    std::shared_ptr<Mailbox> m_mailbox;
    std::string m_dataFolder;
    std::shared_ptr<UpdateSession> m_session;
    std::function<void()> m_onClosed;
    std::array<WorkerThread, 3> m_workers;
    CListUI* m_list = nullptr;
    std::string m_lastCheckDate;
    int m_languageIndex = 0;
};

} // namespace pelan
