#pragma once

#include "controls/CRecoilChartUI.h"
#include "recoil/RecoilTables.h"
#include "ui/DuiLib.h"

#include <array>
#include <functional>
#include <string>

namespace pelan {

// The recoil panel of the mouse page: one gun of four, one bullet of thirty, and that bullet's horizontal and
// vertical pull and delay. The panel mirrors the mouse's RecoilTables into its controls; every change (an edit
// left, a direction ticked) is stored in the gun's file at once.
class CShootControlUI : public CVerticalLayoutUI {
public:
    static constexpr const char* kItemName = "ShootControlItem";
    static constexpr const char* kGunOptionPrefix = "shoot_gun_op_";
    static constexpr const char* kBulletOptionPrefix = "bullet_op_";
    static constexpr const char* kImportButton = "shootdate_import_btn";
    static constexpr const char* kExportButton = "shootdate_export_btn";
    static constexpr const char* kSaveButton = "shootdate_save_btn";
    static constexpr const char* kResetButton = "shootdate_reset_btn";
    static constexpr const char* kChart = "shoot_chart";
    static constexpr const char* kEditLayout = "bullet_edit_layout";
    static constexpr const char* kBulletIndexLabel = "bullet_select_index";
    static constexpr const char* kPreviousButton = "bullet_selected_prev";
    static constexpr const char* kNextButton = "bullet_selected_next";
    static constexpr const char* kHorizontalCheck = "bullet_x_check";
    static constexpr const char* kVerticalCheck = "bullet_y_check";
    static constexpr const char* kHorizontalEdit = "bullet_x_eidt";
    static constexpr const char* kVerticalEdit = "bullet_y_eidt";
    static constexpr const char* kDelayEdit = "bullet_delay_eidt";

    static constexpr const char* kLeftText = "mouse_move_to_left_text";
    static constexpr const char* kRightText = "mouse_move_to_right_text";
    static constexpr const char* kUpText = "mouse_move_to_up_text";
    static constexpr const char* kDownText = "mouse_move_to_down_text";

    // How the panel asks the user: message boxes and file dialogs of the owner window by default, replaced by
    // tests. The file choosers return "" when cancelled.
    struct Prompts {
        std::function<void(const QString& messageKey)> message;
        std::function<QString(const QString& filter)> openFile;
        std::function<QString(const QString& filter)> saveFile;
        // A question with OK and Cancel; true for OK. Without one, nothing that asks goes ahead.
        std::function<bool(const QString& messageKey)> confirm;
    };

    CShootControlUI() = default;
    QString GetClass() const override { return "ShootControlUI"; }
    void* GetInterface(const QString& name) override;

    void setFolders(const std::string& userFolder, const std::string& defaultFolder) {
        tables_.setFolders(userFolder, defaultFolder);
    }
    const RecoilTables& tables() const { return tables_; }
    int selectedGun() const { return gun_; }
    int selectedBullet() const { return bullet_; }
    // Whether every control of the panel was found (the operations below do nothing otherwise).
    bool controlsFound();

    // Selects a gun or bullet (clamped to 0..3 and 0..29) and shows the bullet.
    void selectGun(int gun);
    void selectBullet(int bullet);
    void previousBullet() { selectBullet(bullet_ - 1); }
    void nextBullet() { selectBullet(bullet_ + 1); }
    // Shows the selected bullet of the gun's working file.
    void showBullet();
    // Stores the shown bullet: the edits as decimal numbers, limited to what the device carries (the edits then
    // show the stored values), and the directions of the check boxes.
    RecoilResult saveBullet();
    // A direction box changed: relabelled and stored at once.
    RecoilResult directionChanged();
    // The gun's factory table back; refused with a message when there is none.
    RecoilResult resetGun();
    // Asks for a file and exports or imports the selected gun's table; Done with nothing done when cancelled.
    RecoilResult exportGun();
    RecoilResult importGun();

    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }
    const Prompts& prompts() const { return prompts_; }

private:
    template <typename T>
    T* find(const QString& name) {
        return dynamic_cast<T*>(FindSubControl(name));
    }
    void findControls();
    void relabelDirections();
    void drawChart();
    RecoilBullet shownBullet();
    void showValues(const RecoilBullet& bullet);
    // Tells the user about a refused or failed operation; Done says nothing.
    RecoilResult reported(RecoilResult result);

    RecoilTables tables_;
    Prompts prompts_;
    int gun_ = 0;
    int bullet_ = 0;
    bool searched_ = false;
    bool found_ = false;
    std::array<COptionUI*, kRecoilGunCount> guns_{};
    std::array<COptionUI*, kRecoilBulletCount> bullets_{};
    CRecoilChartUI* chart_ = nullptr;
    CLabelUI* index_ = nullptr;
    CCheckBoxUI* horizontal_ = nullptr;
    CCheckBoxUI* vertical_ = nullptr;
    CEditUI* x_ = nullptr;
    CEditUI* y_ = nullptr;
    CEditUI* delay_ = nullptr;
};

} // namespace pelan
