#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// What a device list entry needs of the device page it shows: the page's timer operations and the two conditions
// that keep the periodic status timer running.
class IDeviceOptionPage {
public:
    virtual ~IDeviceOptionPage() = default;
    // Timer 1001 (connect), 1002 (sync), 1003, 1004, 1005 (periodic status) of the entry, handed to the page.
    virtual void OnOptionTimer(UINT id) = 0;
    virtual bool IsPowerDisplayEnabled() const = 0;
    virtual bool IsCommandConnected() const = 0;
};

// One entry of the main window's device selection list: the device's icon and name, the option that selects the
// device's page (bound to the page's tab) and the synchronise tick. A click anywhere on the entry selects it. The
// entry runs its page's UI timers.
class CDeviceOptionUI : public CHorizontalLayoutUI {
public:
    static constexpr UINT kConnectTimer = 1001;
    static constexpr UINT kSyncTimer = 1002;
    static constexpr UINT kThirdTimer = 1003;
    static constexpr UINT kFourthTimer = 1004;
    static constexpr UINT kPeriodicTimer = 1005;
    static constexpr UINT kConnectDelayMs = 500;
    static constexpr UINT kPeriodicIntervalMs = 5000;

    static constexpr const char* kSelectName = "device_select";
    static constexpr const char* kSynchroName = "synchro_device_select";
    static constexpr const char* kNameLabel = "device_select_name";

    QString GetClass() const override { return "DeviceOption"; }
    void* GetInterface(const QString& name) override;
    bool Activate() override;
    void DoEvent(TEventUI& event) override;
    void SetVisible(bool visible = true) override;

    // Stores kind and role and shows the icon set and the name key of that kind.
    void SetKind(int kind, int role);
    int GetKind() const { return m_kind; }
    int GetRole() const { return m_role; }
    // The icon stem of a kind and role ("ms", "hard_mp", ...); empty when the images are to stay as they are.
    static QString IconStem(int kind, int role);

    void BindTab(const QString& layoutName, int index);
    QString GetTabLayoutName() const;
    int GetTabIndex() const;
    // The name is always stored; a negative index leaves the stored index as it was.
    void SetPowerContainer(const QString& name, int index);
    QString GetPowerContainerName() const { return m_powerContainerName; }
    int GetPowerIndex() const { return m_powerIndex; }
    void SetGroup(const QString& group);
    void SetDeviceName(const QString& text);

    void ShowSynchronise(bool show);
    void SetSynchronise(bool on);
    bool IsSynchronised() const;
    void Select(bool selected);
    bool IsSelected() const;
    bool GetVisibleFlag() const { return m_visible; }

    void SetPage(IDeviceOptionPage* page) { m_page = page; }
    IDeviceOptionPage* GetPage() const { return m_page; }
    void SetPageFlag(int flag) { m_pageFlag = flag; }
    int GetPageFlag() const { return m_pageFlag; }

    // Called when the device arrives: the page's connect routine runs 500 ms later.
    void StartTimers();

    QString GetNormalImage() const { return m_normalImage; }
    QString GetSelectedImage() const { return m_selectedImage; }
    QString GetSynchroNormalImage() const { return m_synchroNormalImage; }
    QString GetSynchroSelectedImage() const { return m_synchroSelectedImage; }

private:
    COptionUI* SelectOption() const;
    CCheckBoxUI* SynchroTick() const;
    void RefreshImages();
    void OnTimer(UINT id);
    bool KeepsPeriodicTimer() const;

    QString m_synchroSelectedImage = "common/device_ico/unknow_device_synchro_selected.png";
    QString m_synchroNormalImage = "common/device_ico/unknow_device_synchro_normal.png";
    QString m_selectedImage = "common/device_ico/unknow_device_selected.png";
    QString m_normalImage = "common/device_ico/unknow_device_normal.png";
    int m_kind = 0;
    int m_role = 0;
    IDeviceOptionPage* m_page = nullptr;
    QString m_powerContainerName;
    int m_powerIndex = -1;
    bool m_visible = true;
    int m_pageFlag = 0;
    bool m_pressed = false;
};

} // namespace pelan
