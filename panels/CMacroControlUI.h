#pragma once

#include "keys/KeyAssignment.h"
#include "macro/MacroEventList.h"
#include "macro/MacroFiles.h"
#include "macro/MacroRecorder.h"
#include "ui/DuiLib.h"

#include <functional>
#include <memory>
#include <optional>

namespace pelan {

// The macro editor of the mouse and keyboard pages: the device's macro list, the steps of the chosen macro with
// their delays, recording from the keyboard and mouse, steps and pointer moves inserted by hand, import and export.
// It is a view of the device's MacroLibrary and of the chosen macro's MacroEventList; every change is written to
// the macro files at once.
class CMacroControlUI : public CVerticalLayoutUI {
public:
    static constexpr const char* kItemName = "MacroControlItem";
    static constexpr const char* kNameList = "macro_name_list";
    static constexpr const char* kActionList = "macro_action_list";
    static constexpr const char* kActionLayout = "macro_action_layout";
    static constexpr const char* kNameEdit = "macro_edit_macroname";
    static constexpr const char* kNameArea = "macro_name_tab";
    static constexpr const char* kRowButtonArea = "macro_tab_macroaction_edit";
    static constexpr const char* kMoveArea = "macro_tab_macrodelay_edit";
    static constexpr const char* kConstantCheck = "macro_check_time";
    static constexpr const char* kConstantEdit = "macro_fixed_time_edit";
    static constexpr const char* kStartButton = "macro_btn_starredio";
    static constexpr const char* kStopButton = "macro_btn_stopredio";
    static constexpr const char* kHookHint = "macro_hook_hint";
    static constexpr const char* kRowName = "macro_action";
    static constexpr const char* kDelayEdit = "macro_delay";
    static constexpr const char* kActionMenu = "XML/Menus/macro_action_menu.xml";
    static constexpr UINT kScrollTimer = 4101;
    static constexpr int kScrollDelayMs = 50;

    // How the panel asks the user and the window: message boxes (returns 1 for confirm), file dialogs ("" when
    // cancelled), the input hook (installed for a mode, or not; removed) and the action menu.
    struct Prompts {
        std::function<int(const QString& messageKey, bool withCancel)> message;
        std::function<QString(const QString& filter)> openFile;
        std::function<QString(const QString& filter)> saveFile;
        std::function<bool(int mode)> installHook;
        std::function<void()> removeHook;
        std::function<void(const QString& layout, QPoint screenPoint)> openMenu;
    };
    // What the page does when the macro list changed (reload its light and macro configuration), and the keys
    // that name macros by position (null on pages without keys), with how to store them once renumbered.
    struct PageLink {
        std::function<void()> macroListChanged;
        std::function<std::vector<KeyRecord>()> keys;
        std::function<void(const std::vector<KeyRecord>&)> storeKeys;
        // A recording started (true) or ended: the page's key editing waits for it.
        std::function<void(bool recording)> recordingChanged;
    };

    CMacroControlUI();
    QString GetClass() const override { return "MacroControlUI"; }
    void* GetInterface(const QString& name) override;
    void DoEvent(TEventUI& event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Loads the macro list of a device folder and shows its first macro.
    void setFolder(const std::string& userDeviceFolder, const std::string& listFileName);
    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }
    const Prompts& prompts() const { return prompts_; }
    void setPageLink(PageLink link) { page_ = std::move(link); }
    // Shows the hint that recording takes only what reaches the program's own window.
    void showWindowOnlyHint(bool show);

    const MacroLibrary* library() const { return library_.get(); }
    const MacroEventList& events() const { return events_; }
    bool recording() const { return recordingMode_ != HookMode::None; }

    // The list operations.
    void selectMacro(std::optional<size_t> index);
    void addMacro();
    void deleteMacro();
    void renameMacro();
    void importMacro();
    void exportMacro();
    void saveEvents();
    void reloadEvents();

    // The row buttons ("macro_btn_up", ...) by name; false for other names.
    bool rowButton(const QString& name);
    // The action menu's items by name; false for other names.
    bool menuItem(const QString& name);
    // The four pointer-move buttons: left/right (horizontal) or up/down, from the matching distance edit.
    void insertMove(bool horizontal, bool towardsStart);
    // A row's delay edit was left: stored in its row and saved.
    void delayCommitted(CControlUI* edit);

    // Recording: starts in a hook mode with a delay policy, stops on the stop button.
    void startRecording(int mode, MacroDelayPolicy policy);
    // Record, or Constant while "macro_check_time" is ticked.
    MacroDelayPolicy recordPolicy();
    void stopRecording();
    void hookKey(int mode, uint32_t transition, const HookKeyRecord& record);
    void hookMouse(int mode, uint32_t message, const HookMouseRecord& record);

    // Where every recording's repeat filters live for the life of the program.
    static MacroRecordingFilters& programFilters();

private:
    template <typename T = CControlUI>
    T* find(const char* name) {
        return dynamic_cast<T*>(FindSubControl(name));
    }
    void showNames();
    void showEvents();
    void takeListSelection();
    void insertSteps(const std::vector<MacroEvent>& steps);
    uint16_t readConstantDelay();
    void setRecordingLook(bool recording);
    void afterRecordedEvent(RecordOutcome outcome);
    std::optional<ScreenRect> stopButtonRect();
    int confirm(const char* key, bool withCancel);

    std::unique_ptr<MacroLibrary> library_;
    MacroEventList events_;
    MacroRecorder recorder_;
    Prompts prompts_;
    PageLink page_;
    uint16_t constantDelay_ = kDefaultConstantDelay;
    int recordingMode_ = HookMode::None;
    bool filterInstalled_ = false;
};

} // namespace pelan
