#include "panels/CKeySetControlUI.h"

#include "keys/DecimalText.h"
#include "keys/KeyTables.h"
#include "platform/InputHook.h"

#include <QLineEdit>
#include <QPointer>
#include <algorithm>
#include <array>
#include <climits>

namespace pelan {
namespace {

// The combo box of each category whose page selects a table row, with the table behind it.
struct TablePage {
    KeyCategory category;
    const char* combo;
    std::span<const KeyTableRow> (*table)();
};
constexpr std::array<TablePage, 5> kTablePages{{
    {KeyCategory::MouseKey, CKeySetControlUI::kMouseKeyCombo, &mouseKeyTable},
    {KeyCategory::Dpi, CKeySetControlUI::kDpiCombo, &dpiTable},
    {KeyCategory::Media, CKeySetControlUI::kMediaCombo, &mediaTable},
    {KeyCategory::System, CKeySetControlUI::kSystemCombo, &systemTable},
    {KeyCategory::Combination, CKeySetControlUI::kCombinationCombo, &combinationKeyTable},
}};

// The controls of the swing and wheel pages.
struct RepeatPage {
    const char* direction;
    const char* count;
    const char* delay;
    const char* speed;
};
constexpr RepeatPage kSwingPage{CKeySetControlUI::kSwingCombo, CKeySetControlUI::kSwingCountEdit,
                                CKeySetControlUI::kSwingDelayEdit, CKeySetControlUI::kSwingSpeedEdit};
constexpr RepeatPage kWheelPage{CKeySetControlUI::kWheelCombo, CKeySetControlUI::kWheelCountEdit,
                                CKeySetControlUI::kWheelDelayEdit, CKeySetControlUI::kWheelSpeedEdit};

// Numbers are read whole; the key function model keeps the low bits each field has room for.
constexpr int64_t kNumberMax = INT32_MAX;

constexpr std::array<const char*, 3> kEditButtons{CKeySetControlUI::kSaveButton, CKeySetControlUI::kCancelButton,
                                                  CKeySetControlUI::kProfileSaveButton};

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString modifierName(int choice) {
    return QString::fromLatin1(CKeySetControlUI::kModifierPrefix) + QString::number(choice);
}

} // namespace

void* CKeySetControlUI::GetInterface(const QString& name) {
    if (name == "KeySetControl")
        return this;
    return CVerticalLayoutUI::GetInterface(name);
}

// --- binding ---

void CKeySetControlUI::bind(int deviceKind, const std::vector<std::string>& macroNames) {
    setMacroNames(macroNames);
    // The keyboard has no DPI or gun keys to offer; a stored one still shows under its category.
    if (auto* combo = find<CComboUI>(kFunctionCombo))
        for (int i = 0; i < combo->GetCount(); ++i) {
            CControlUI* item = combo->GetItemAt(i);
            const int category = item->GetUserData().toInt();
            const bool deviceOnly = category == int(KeyCategory::Dpi) || category == int(KeyCategory::GunKey);
            item->SetVisible(!(deviceOnly && deviceKind == kKeyboardKind));
        }
    clearKey();
}

void CKeySetControlUI::setMacroNames(const std::vector<std::string>& names) {
    auto* combo = find<CComboUI>(kMacroCombo);
    if (combo == nullptr)
        return;
    const int selected = combo->GetCurSel();
    combo->RemoveAll();
    for (const std::string& name : names) {
        auto* item = new CListLabelElementUI();
        item->SetText(QString::fromStdString(name));
        item->SetFixedHeight(kMacroItemHeight);
        combo->Add(item);
    }
    if (selected >= 0 && selected < combo->GetCount())
        combo->SelectItem1(selected, false, false);
}

// --- showing ---

void CKeySetControlUI::setKey(const KeyRecord& key) {
    key_ = key;
    showNames();
    showValue(key.current);
}

void CKeySetControlUI::clearKey() {
    key_.reset();
    showNames();
    if (CControlUI* layout = find(kLayout))
        layout->SetVisible(false);
}

std::optional<KeyCategory> CKeySetControlUI::shownCategory() const {
    auto* self = const_cast<CKeySetControlUI*>(this);
    CControlUI* layout = self->find(kLayout);
    if (layout == nullptr || !layout->IsVisibleFlag())
        return std::nullopt;
    return self->chosenCategory();
}

void CKeySetControlUI::showValue(KeyAssignment value) {
    CControlUI* layout = find(kLayout);
    auto* combo = find<CComboUI>(kFunctionCombo);
    if (!key_ || layout == nullptr || combo == nullptr)
        return;
    std::optional<KeyCategory> category = keyCategoryOf(value, key_->defaultValue);
    // A keyboard value with a modifier beyond the left-hand ones belongs on the combination page.
    if (category == KeyCategory::Keyboard && showKeyboardValue(value).asCombination)
        category = KeyCategory::Combination;
    layout->SetVisible(category.has_value());
    if (!category)
        return;
    selectCategory(*category);
    if (!chosenCategory()) {
        layout->SetVisible(false);
        return;
    }
    showCategoryPage(*category, value);
}

void CKeySetControlUI::selectCategory(KeyCategory category) {
    auto* combo = find<CComboUI>(kFunctionCombo);
    for (int i = 0; i < combo->GetCount(); ++i)
        if (combo->GetItemAt(i)->GetUserData().toInt() == int(category)) {
            combo->SelectItem1(i, false, false);
            break;
        }
    if (auto* pages = find<CTabLayoutUI>(kPages))
        pages->SelectItem(int(category), false);
}

std::optional<KeyCategory> CKeySetControlUI::chosenCategory() {
    auto* combo = find<CComboUI>(kFunctionCombo);
    if (combo == nullptr || combo->GetCurSel() < 0)
        return std::nullopt;
    bool ok = false;
    const int category = combo->GetItemAt(combo->GetCurSel())->GetUserData().toInt(&ok);
    if (!ok || category < int(KeyCategory::Default) || category > int(KeyCategory::Disabled))
        return std::nullopt;
    return KeyCategory(category);
}

void CKeySetControlUI::showCategoryPage(KeyCategory category, KeyAssignment value) {
    for (const TablePage& page : kTablePages)
        if (page.category == category && category != KeyCategory::Combination)
            selectRow(page.combo, showTableValue(page.table(), value));
    const auto showRepeat = [this](const RepeatPage& page, const RepeatShowing& shown) {
        selectRow(page.direction, shown.secondDirection ? 1 : 0);
        setNumber(page.count, shown.count);
        setNumber(page.delay, shown.delay);
        setNumber(page.speed, shown.speed);
    };
    switch (category) {
    case KeyCategory::Swing:
        showRepeat(kSwingPage, showSwingValue(value));
        break;
    case KeyCategory::Wheel:
        showRepeat(kWheelPage, showWheelValue(value));
        break;
    case KeyCategory::Fire:
        setNumber(kFireIntervalEdit, showFireValue(value).interval);
        setNumber(kFireCountEdit, showFireValue(value).shots);
        break;
    case KeyCategory::Keyboard:
        showKeyboard(value);
        break;
    case KeyCategory::Combination:
        selectRow(kCombinationCombo, value.type == KeyType::Keyboard ? showKeyboardValue(value).combinationRow
                                                                     : findRowByValue(combinationKeyTable(), value));
        break;
    case KeyCategory::Macro: {
        auto* macros = find<CComboUI>(kMacroCombo);
        const MacroShowing shown = showMacroValue(value, macros != nullptr ? size_t(macros->GetCount()) : 0);
        selectRow(kMacroCombo, shown.macroRow);
        selectRow(kPlayModeCombo, shown.playMode ? std::optional<size_t>(size_t(*shown.playMode)) : std::nullopt);
        setNumber(kRepeatEdit, shown.repeatCount);
        if (CControlUI* repeat = find(kRepeatLayout))
            repeat->SetVisible(shown.repeatCountVisible);
        break;
    }
    case KeyCategory::GunKey:
        selectRow(kGunCombo, showGunValue(value));
        break;
    default:
        break;
    }
}

void CKeySetControlUI::showKeyboard(KeyAssignment value) {
    const KeyboardShowing shown = showKeyboardValue(value);
    showKeyRow(shown.keyRow);
    selectModifier(shown.modifierChoice);
    if (shown.resetTo && key_)
        key_->current = *shown.resetTo;
}

void CKeySetControlUI::showKeyRow(std::optional<size_t> row) {
    keyRow_ = row;
    if (auto* edit = find<CEditUI>(kKeyEdit))
        edit->SetText(row ? displayText(keyboardKeyTable()[*row].nameKey) : QString());
}

void CKeySetControlUI::selectModifier(std::optional<int> choice) {
    for (int i = 0; i < kModifierChoiceCount; ++i)
        if (auto* option = dynamic_cast<COptionUI*>(FindSubControl(modifierName(i))))
            option->Selected(choice == i, false);
}

std::optional<int> CKeySetControlUI::selectedModifier() {
    for (int i = 0; i < kModifierChoiceCount; ++i)
        if (auto* option = dynamic_cast<COptionUI*>(FindSubControl(modifierName(i))); option && option->IsSelected())
            return i;
    return std::nullopt;
}

// The key's current and default function by name, as the page's key list shows them.
void CKeySetControlUI::showNames() {
    if (CControlUI* current = find(kCurrentLabel))
        current->SetText(key_ ? functionText(key_->current) : QString());
    if (CControlUI* shown = find(kDefaultLabel))
        shown->SetText(key_ ? functionText(key_->defaultValue) : QString());
}

QString CKeySetControlUI::functionText(KeyAssignment value) {
    if (namesMacro(value)) {
        auto* macros = find<CComboUI>(kMacroCombo);
        const bool known = macros != nullptr && value.param1 < macros->GetCount();
        return known ? macros->GetItemAt(value.param1)->GetText() : QString();
    }
    const std::string_view key = keyFunctionNameKey(value);
    return key.empty() ? QString() : displayText(key);
}

void CKeySetControlUI::showDefault() {
    if (key_)
        showValue(key_->defaultValue);
}

void CKeySetControlUI::cancel() {
    if (key_)
        showValue(key_->current);
}

// --- editing ---

bool CKeySetControlUI::categoryChanged() {
    const std::optional<KeyCategory> category = chosenCategory();
    if (!category || !key_)
        return false;
    if (auto* pages = find<CTabLayoutUI>(kPages))
        pages->SelectItem(int(*category), false);
    if (keyCategoryOf(key_->current, key_->defaultValue) == category) {
        showCategoryPage(*category, key_->current);
        return false;
    }
    clearCategoryPage(*category);
    return category == KeyCategory::Default || category == KeyCategory::Disabled || category == KeyCategory::Gg;
}

// A choice left over from another key must not pass for the user's.
void CKeySetControlUI::clearCategoryPage(KeyCategory category) {
    for (const TablePage& page : kTablePages)
        if (page.category == category)
            selectRow(page.combo, std::nullopt);
    if (category == KeyCategory::GunKey)
        selectRow(kGunCombo, std::nullopt);
    if (category == KeyCategory::Macro) {
        selectRow(kMacroCombo, std::nullopt);
        selectRow(kPlayModeCombo, std::nullopt);
        playModeChanged();
    }
    if (category == KeyCategory::Keyboard) {
        showKeyRow(std::nullopt);
        selectModifier(std::nullopt);
    }
}

void CKeySetControlUI::playModeChanged() {
    if (CControlUI* repeat = find(kRepeatLayout))
        repeat->SetVisible(comboRow(kPlayModeCombo) == kMacroRepeatCountMode);
}

void CKeySetControlUI::modifierSelected(int choice) {
    if (choice >= 0 && choice < kModifierChoiceCount)
        selectModifier(choice);
}

KeyPanelChoices CKeySetControlUI::readChoices(KeyCategory category) {
    KeyPanelChoices choices;
    for (const TablePage& page : kTablePages)
        if (page.category == category)
            choices.tableRow = comboRow(page.combo);
    if (category == KeyCategory::GunKey)
        choices.tableRow = comboRow(kGunCombo);
    const RepeatPage& repeat = category == KeyCategory::Wheel ? kWheelPage : kSwingPage;
    choices.delay = number(repeat.delay);
    choices.speed = number(repeat.speed);
    choices.count = number(repeat.count);
    choices.secondDirection = comboRow(repeat.direction) == 1;
    choices.interval = number(kFireIntervalEdit);
    choices.shots = number(kFireCountEdit);
    choices.modifierChoice = selectedModifier().value_or(0);
    choices.keyUsage = keyRow_ ? keyboardKeyTable()[*keyRow_].value.param2 : 0;
    auto* macros = find<CComboUI>(kMacroCombo);
    choices.macroRow = comboRow(kMacroCombo);
    choices.macroCount = macros != nullptr ? size_t(macros->GetCount()) : 0;
    // A macro chosen before any play mode plays in the first one, never in a mode the list does not have.
    choices.playMode = std::max(comboRow(kPlayModeCombo), 0);
    choices.repeatCount = number(kRepeatEdit);
    return choices;
}

void CKeySetControlUI::save() {
    const std::optional<KeyCategory> category = chosenCategory();
    if (!key_ || !category)
        return;
    // A modifier option alone is no key yet.
    if (category == KeyCategory::Keyboard && !keyRow_)
        return;
    KeyAssignment value = keyCategoryValue(*category, readChoices(*category), key_->current, key_->defaultValue);
    // A lone modifier shown as the key with no modifier option keeps being that modifier: the key field names it,
    // and saving what is shown must not turn it into "no key".
    if (category == KeyCategory::Keyboard && keyRow_ && *keyRow_ < kKeyboardModifierRows && value.param1 == 0)
        value = keyboardKeyTable()[*keyRow_].value;
    if (page_.store && !page_.store(key_->index, value)) {
        showValue(key_->current);
        return;
    }
    key_->current = value;
    showNames();
    enableEditing(true);
}

void CKeySetControlUI::enableEditing(bool enabled) {
    for (const char* name : kEditButtons)
        if (CControlUI* button = find(name))
            button->SetEnabled(enabled);
}

// --- key capture ---

void CKeySetControlUI::startCapture() {
    if (capturing_ || !page_.capture)
        return;
    capturing_ = page_.capture(true);
    if (capturing_)
        return;
    // Another program holds the keyboard, so no key would arrive: the user is told. The field gives up the focus
    // first, or the focus coming back after the message would try again at once; both wait until the focus change
    // that called this is over.
    auto* edit = find<CEditUI>(kKeyEdit);
    QMetaObject::invokeMethod(
        this,
        [this, line = QPointer<QLineEdit>(edit != nullptr ? edit->GetLineEdit() : nullptr)] {
            if (line != nullptr)
                line->clearFocus();
            if (page_.message)
                page_.message(kHookRefusedMessage, true);
        },
        Qt::QueuedConnection);
}

void CKeySetControlUI::endCapture() {
    if (!capturing_)
        return;
    capturing_ = false;
    if (page_.capture)
        page_.capture(false);
}

void CKeySetControlUI::releaseCapture() {
    endCapture();
    if (auto* edit = find<CEditUI>(kKeyEdit); edit != nullptr && edit->GetLineEdit()->hasFocus())
        edit->GetLineEdit()->clearFocus();
}

void CKeySetControlUI::captureKey(uint32_t transition, uint8_t scanCode, bool extended) {
    // A key is taken when it goes down; its release would only store the same value again.
    if (transition != kHookKeyDown && transition != kHookSysKeyDown)
        return;
    const std::optional<size_t> row = findKeyCaptureRow(scanCode, extended);
    if (!row || keyboardKeyTable()[*row].value.type != KeyType::Keyboard)
        return;
    if (*row < kKeyboardModifierRows && keyRow_) {
        selectModifier(modifierChoiceOfRow(*row));
    } else if (*row < kKeyboardModifierRows) {
        // A modifier pressed with no key shown is the key: the modifier alone.
        selectModifier(0);
        showKeyRow(row);
    } else {
        selectModifier(selectedModifier().value_or(0));
        showKeyRow(row);
    }
    save();
}

// --- control helpers ---

void CKeySetControlUI::selectRow(const char* combo, std::optional<size_t> row) {
    auto* box = find<CComboUI>(combo);
    if (box == nullptr)
        return;
    const bool valid = row && *row < size_t(box->GetCount());
    box->SelectItem1(valid ? int(*row) : -1, false, false);
}

int CKeySetControlUI::comboRow(const char* combo) {
    auto* box = find<CComboUI>(combo);
    return box != nullptr ? box->GetCurSel() : -1;
}

void CKeySetControlUI::setNumber(const char* edit, int value) {
    if (CControlUI* control = find(edit))
        control->SetText(QString::number(value));
}

int CKeySetControlUI::number(const char* edit) {
    CControlUI* control = find(edit);
    return control != nullptr ? int(parseDecimalTextClamped(control->GetText().toStdString(), kNumberMax)) : 0;
}

// A name key's display text, turned through the hidden label so the skin's language applies.
QString CKeySetControlUI::displayText(std::string_view nameKey) {
    CControlUI* probe = find(kTextProbe);
    if (probe == nullptr)
        return CResourceManager::GetInstance()->GetText(fromView(nameKey));
    probe->SetResourceText(true);
    probe->SetText(fromView(nameKey));
    return probe->GetText();
}

} // namespace pelan
