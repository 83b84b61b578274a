#pragma once

#include "keys/KeyAssignment.h"
#include "keys/KeyFunctionModel.h"
#include "ui/DuiLib.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelan {

// The key set panel of the mouse and keyboard pages: the selected key's function shown under its category, edited
// on the category's page and handed back to the page on every save. The categories, their values and how a value
// is shown come from the key function model (keys/); the panel only mirrors them into its controls.
class CKeySetControlUI : public CVerticalLayoutUI {
public:
    static constexpr const char* kItemName = "KeySetControlItem";
    static constexpr const char* kLayout = "keyset_layout";
    static constexpr const char* kFunctionCombo = "keyset_function_combo";
    static constexpr const char* kPages = "function_switch_tablayout";
    static constexpr const char* kDefaultButton = "key_butt_keydefalut";
    static constexpr const char* kSaveButton = "key_butt_keysave";
    static constexpr const char* kCancelButton = "key_butt_keycancel";
    static constexpr const char* kProfileSaveButton = "key_butt_prosave";
    static constexpr const char* kMouseKeyCombo = "keyset_mousekey_combo";
    static constexpr const char* kSwingCombo = "keyset_mouseswing_combo";
    static constexpr const char* kSwingCountEdit = "keyset_mouseswing_num_edit";
    static constexpr const char* kSwingDelayEdit = "keyset_mouseswing_delay_edit";
    static constexpr const char* kSwingSpeedEdit = "keyset_mouseswing_speed_edit";
    static constexpr const char* kWheelCombo = "keyset_mousewheel_combo";
    static constexpr const char* kWheelCountEdit = "keyset_mousewheel_num_edit";
    static constexpr const char* kWheelDelayEdit = "keyset_mousewheel_delay_edit";
    static constexpr const char* kWheelSpeedEdit = "keyset_mousewheel_speed_edit";
    static constexpr const char* kDpiCombo = "keyset_mousedpi_combo";
    static constexpr const char* kFireIntervalEdit = "keyset_mousefire_interval_edit";
    static constexpr const char* kFireCountEdit = "keyset_mousefire_num_edit";
    static constexpr const char* kKeyEdit = "keyset_keyboard_text_edit";
    static constexpr const char* kModifierPrefix = "key_ComBox_check_";
    static constexpr const char* kMediaCombo = "keyset_media_combo";
    static constexpr const char* kSystemCombo = "keyset_system_combo";
    static constexpr const char* kCombinationCombo = "keyset_combokey_combo";
    static constexpr const char* kMacroCombo = "keyset_macro_combo";
    static constexpr const char* kPlayModeCombo = "keyset_macro_over_combo";
    static constexpr const char* kRepeatLayout = "keyset_macro_cycle_layout";
    static constexpr const char* kRepeatEdit = "keyset_macro_cycle_edit";
    static constexpr const char* kGunCombo = "keyset_gunkey_combo";
    static constexpr const char* kTextProbe = "text_test";
    static constexpr const char* kCurrentLabel = "keyset_current_text";
    static constexpr const char* kDefaultLabel = "keyset_default_text";
    static constexpr int kMacroItemHeight = 30;
    static constexpr int kKeyboardKind = 1;

    // What the page does for the panel: store a key's new function (key list, profile file, device; false when
    // nothing was stored), the key capture's input hook on (true when installed) and off, and a message to the user
    // (a text, or a language key).
    struct PageLink {
        std::function<bool(uint16_t index, KeyAssignment value)> store;
        std::function<bool(bool on)> capture;
        std::function<void(const QString& text, bool textIsKey)> message;
    };

    QString GetClass() const override { return "KeySetControlUI"; }
    void* GetInterface(const QString& name) override;

    // The page's device kind (the keyboard cannot choose DPI and gun keys) and its macro names.
    void bind(int deviceKind, const std::vector<std::string>& macroNames);
    void setPageLink(PageLink link) { page_ = std::move(link); }
    const PageLink& pageLink() const { return page_; }
    // The macro editor changed the list: the names again, in list order.
    void setMacroNames(const std::vector<std::string>& names);

    // The selected key: its index, current and default function.
    void setKey(const KeyRecord& key);
    void clearKey();
    bool hasKey() const { return key_.has_value(); }
    std::optional<KeyRecord> key() const { return key_; }
    // The category shown, or nothing when the editing area is hidden.
    std::optional<KeyCategory> shownCategory() const;

    void showValue(KeyAssignment value);
    void showDefault();
    void cancel();
    // The value of the chosen category becomes the key's current one and goes to the page.
    void save();
    // The user chose another category: its page, showing the key's function when it is of that category and no
    // choice otherwise. True when the category is a whole function by itself (default, disabled, Gg), to be
    // stored at once; the others are stored once their choice is made.
    bool categoryChanged();
    void playModeChanged();
    // Modifier option n was selected by the user.
    void modifierSelected(int choice);
    void enableEditing(bool enabled);
    // The display text of a function: its name key's text, a macro's name, or "" when it has none.
    QString functionText(KeyAssignment value);

    // Key capture while the key field has the focus.
    void startCapture();
    void endCapture();
    // The window takes the capture away (the field left the user's sight, or waited too long for a key): the field
    // gives up the focus too, so the next click into it starts a capture again.
    void releaseCapture();
    bool capturing() const { return capturing_; }
    // A key event of the capture hook: scan code and extended bit name a keyboard row.
    void captureKey(uint32_t transition, uint8_t scanCode, bool extended);

private:
    template <typename T = CControlUI>
    T* find(const char* name) {
        return dynamic_cast<T*>(FindSubControl(name));
    }
    std::optional<KeyCategory> chosenCategory();
    void selectCategory(KeyCategory category);
    void showCategoryPage(KeyCategory category, KeyAssignment value);
    void clearCategoryPage(KeyCategory category);
    void showKeyboard(KeyAssignment value);
    void showKeyRow(std::optional<size_t> row);
    void selectModifier(std::optional<int> choice);
    std::optional<int> selectedModifier();
    KeyPanelChoices readChoices(KeyCategory category);
    void selectRow(const char* combo, std::optional<size_t> row);
    int comboRow(const char* combo);
    void setNumber(const char* edit, int value);
    int number(const char* edit);
    QString displayText(std::string_view nameKey);
    void showNames();

    PageLink page_;
    std::optional<KeyRecord> key_;
    // The keyboard page's key: its table row, or nothing when the key field is empty.
    std::optional<size_t> keyRow_;
    bool capturing_ = false;
};

} // namespace pelan
