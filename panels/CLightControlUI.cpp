#include "panels/CLightControlUI.h"

#include "device/LightSync.h"
#include "device/UsbDeviceModel.h"

#include <algorithm>
#include <initializer_list>

namespace pelan {
namespace {

// What a mode does to one group.
enum class Look : uint8_t {
    Keep,          // left as it is
    Enabled,       // enabled, visibility as it is
    Disabled,      // disabled, visibility as it is
    Shown,         // enabled and shown
    Hidden,        // disabled and hidden
    EnabledHidden, // enabled but hidden
    Visible,       // shown, enabled state as it is
    Invisible,     // hidden, enabled state as it is
    Offered,       // shown exactly when the main window allows it
};

using Looks = std::array<Look, CLightControlUI::kGroupCount>;
struct LayoutRow {
    std::initializer_list<int> modes; // empty: any other mode
    Looks looks;
};

constexpr Look K = Look::Keep;
constexpr Look E = Look::Enabled;
constexpr Look D = Look::Disabled;
constexpr Look S = Look::Shown;
constexpr Look H = Look::Hidden;
constexpr Look V = Look::Visible;
constexpr Look I = Look::Invisible;
constexpr Look O = Look::Offered;

// Columns: multicolour box, colour group, palette group, direction group, brightness, speed, custom group,
// same-mode box.
const LayoutRow kKeyboardRows[] = {
    {{0, 6, 7, 10, 12, 14, 18}, {E, E, E, E, E, E, I, I}},
    {{1}, {D, D, D, D, E, E, I, O}},
    {{2, 17}, {E, E, E, D, E, E, I, O}},
    {{3}, {D, E, E, D, E, D, I, O}},
    {{4, 22, 23}, {D, D, D, D, E, E, I, I}},
    {{5, 9, 11, 15, 16, 19, 20, 21}, {E, E, E, D, E, E, I, I}},
    {{8}, {D, E, E, D, E, D, V, I}},
    {{13}, {D, D, D, E, E, E, I, I}},
    {{24}, {D, D, D, D, D, D, I, O}},
    {{}, {D, D, D, D, D, D, I, I}},
};
const Looks kKeyboardBefore = {K, K, K, E, K, K, I, I};

const LayoutRow kMouseRows[] = {
    {{0, 3, 4, 6}, {S, S, S, H, S, S, K, I}},
    {{1, 2}, {H, H, H, H, S, S, K, I}},
    {{5}, {Look::EnabledHidden, S, S, H, S, H, K, I}},
    {{7}, {H, H, H, H, H, H, K, O}},
    {{8}, {H, H, H, H, H, H, K, I}},
    {{}, {D, D, D, D, D, D, K, I}},
};
const Looks kMouseBefore = {K, K, K, S, K, K, K, I};

const LayoutRow kPadRows[] = {
    {{0}, {E, E, E, D, E, E, K, I}}, {{1}, {D, D, D, D, E, E, K, O}}, {{2, 4}, {E, E, E, D, E, E, K, O}},
    {{3}, {D, E, E, D, E, D, K, O}}, {{8}, {D, D, D, D, D, D, K, O}}, {{}, {D, D, D, D, D, D, K, I}},
};
// The pad's and headset's record has no direction: the direction group is never offered there.
const Looks kPadBefore = {K, K, K, H, K, K, K, I};

const LayoutRow kKind5Rows[] = {
    {{0, 2, 3}, {E, E, E, K, E, E, K, K}},
    {{1}, {D, E, E, K, E, D, K, K}},
    {{4}, {D, D, D, K, E, E, K, K}},
    {{}, {D, D, D, K, D, D, K, K}},
};
const Looks kNothing = {K, K, K, K, K, K, K, K};

template <size_t N>
const Looks& rowFor(const LayoutRow (&rows)[N], int mode) {
    for (const LayoutRow& row : rows)
        if (row.modes.size() == 0 || std::find(row.modes.begin(), row.modes.end(), mode) != row.modes.end())
            return row.looks;
    return kNothing;
}

struct KindLayout {
    const Looks* before;
    const Looks* row;
};

KindLayout layoutFor(int kind, int mode) {
    switch (kind) {
    case 1:
        return {&kKeyboardBefore, &rowFor(kKeyboardRows, mode)};
    case 2:
        return {&kMouseBefore, &rowFor(kMouseRows, mode)};
    case 3:
    case 4:
    case 7:
        return {&kPadBefore, &rowFor(kPadRows, mode)};
    case 5:
        return {&kNothing, &rowFor(kKind5Rows, mode)};
    default:
        return {&kNothing, &kNothing};
    }
}

void applyLook(CControlUI* control, Look look, bool offered) {
    if (control == nullptr)
        return;
    switch (look) {
    case Look::Keep:
        return;
    case Look::Enabled:
        return control->SetEnabled(true);
    case Look::Disabled:
        return control->SetEnabled(false);
    case Look::Shown:
        control->SetEnabled(true);
        return control->SetVisible(true);
    case Look::Hidden:
        control->SetEnabled(false);
        return control->SetVisible(false);
    case Look::EnabledHidden:
        control->SetEnabled(true);
        return control->SetVisible(false);
    case Look::Visible:
        return control->SetVisible(true);
    case Look::Invisible:
        return control->SetVisible(false);
    case Look::Offered:
        return control->SetVisible(offered);
    }
}

QString decimal(int value) {
    return QString::asprintf("%d", value);
}

DWORD argbOf(uint8_t red, uint8_t green, uint8_t blue) {
    return 0xFF000000u + red * 65536u + green * 256u + blue;
}

} // namespace

void* CLightControlUI::GetInterface(const QString& name) {
    if (name == "LightControl")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CLightControlUI::setDeviceKind(int kind) {
    kind_ = kind == 6 ? 2 : kind;
}

void CLightControlUI::setModeList(const std::vector<std::string>& names, const std::vector<bool>& visible,
                                  int brightnessMaximum, int speedMaximum) {
    if (auto* combo = find<CComboUI>(kModeCombo)) {
        combo->RemoveAll();
        for (size_t i = 0; i < names.size(); ++i) {
            auto* item = new CListLabelElementUI();
            const QString name = QString::fromStdString(names[i]);
            item->SetFixedHeight(kModeItemHeight);
            // The factory's mode names have texts in each language; a name the languages do not know shows as is.
            const QString key = "light_mode_" + name.toLower().replace(' ', '_') + "_text";
            const bool known = CResourceManager::GetInstance()->HasText(key);
            item->SetText(known ? key : name);
            item->SetResourceText(known);
            item->SetUserData(name);
            combo->Add(item);
            item->SetVisible(i >= visible.size() || visible[i]);
        }
    }
    if (auto* slider = find<CSliderUI>(kBrightnessSlider))
        slider->SetMaxValue(brightnessMaximum);
    if (auto* slider = find<CSliderUI>(kSpeedSlider))
        slider->SetMaxValue(speedMaximum);
}

void CLightControlUI::setCustomModeList(const std::vector<std::string>& names) {
    auto* combo = find<CComboUI>(kCustomModeCombo);
    if (combo == nullptr)
        return;
    combo->RemoveAll();
    for (const std::string& text : names) {
        auto* item = new CListLabelElementUI();
        item->SetFixedHeight(kModeItemHeight);
        item->SetText(QString::fromStdString(text));
        combo->Add(item);
    }
}

void CLightControlUI::showSetting(uint32_t first, uint32_t second) {
    LightInfo light;
    light.mode = uint8_t(first);
    light.brightness = uint8_t(first >> 8);
    light.speed = uint8_t(first >> 16);
    light.effect = uint8_t(first >> 24);
    light.multiColour = uint8_t(second);
    light.red = uint8_t(second >> 8);
    light.green = uint8_t(second >> 16);
    light.blue = uint8_t(second >> 24);
    showLight(light);
}

void CLightControlUI::showLight(const LightInfo& light) {
    if (auto* combo = find<CComboUI>(kModeCombo))
        combo->SelectItem(light.mode < combo->GetCount() ? light.mode : -1, false, false);
    applyLayout(light.mode);
    if (auto* slider = find<CSliderUI>(kBrightnessSlider))
        slider->SetValue(light.brightness);
    if (auto* slider = find<CSliderUI>(kSpeedSlider))
        slider->SetValue(light.speed);
    showColour(light.red, light.green, light.blue, true, true);
    if (auto* box = find<CCheckBoxUI>(kMultiColourCheck))
        box->SetCheck(light.multiColour != 0, false);
    if (auto* left = find<COptionUI>(kLeftOption))
        left->Selected(light.effect != 0, false);
    if (auto* right = find<COptionUI>(kRightOption))
        right->Selected(light.effect == 0, false);
    applyLayout(light.mode);
}

void CLightControlUI::setSameModePermission(bool allowed) {
    sameModeAllowed_ = allowed;
    applyLayout(selectedMode());
}

void CLightControlUI::setSameModeChecked(bool checked) {
    if (auto* box = find<CCheckBoxUI>(kSameModeCheck))
        box->SetCheck(checked, false);
}

bool CLightControlUI::sameModeChecked() {
    const auto* box = find<CCheckBoxUI>(kSameModeCheck);
    return box != nullptr && box->GetCheck();
}

// --- getters ---

int CLightControlUI::selectedMode() {
    const auto* combo = find<CComboUI>(kModeCombo);
    return combo != nullptr ? std::max(combo->GetCurSel(), 0) : 0;
}

void CLightControlUI::showCustomMode(int index) {
    if (auto* combo = find<CComboUI>(kCustomModeCombo); combo != nullptr && index >= 0 && index < combo->GetCount())
        combo->SelectItem(index, false, false);
}

int CLightControlUI::selectedCustomMode() {
    const auto* combo = find<CComboUI>(kCustomModeCombo);
    return combo != nullptr ? std::max(combo->GetCurSel(), 0) : 0;
}

int CLightControlUI::brightness() {
    const auto* slider = find<CSliderUI>(kBrightnessSlider);
    return slider != nullptr ? slider->GetValue() : 0;
}

int CLightControlUI::speed() {
    const auto* slider = find<CSliderUI>(kSpeedSlider);
    return slider != nullptr ? slider->GetValue() : 0;
}

QString CLightControlUI::channelText(int channel) {
    const CEditUI* edit = channelEdit(channel);
    return edit != nullptr ? edit->GetText() : QString();
}

DWORD CLightControlUI::paletteColour() {
    const auto* palette = find<CColorPaletteUI>(kPalette);
    return palette != nullptr ? palette->GetSelectColor() : 0xFF000000u;
}

bool CLightControlUI::multiColour() {
    const auto* box = find<CCheckBoxUI>(kMultiColourCheck);
    return box != nullptr && box->GetCheck();
}

DWORD CLightControlUI::presetColour(int index) {
    const CControlUI* button = FindSubControl(QString::fromLatin1(kPresetPrefix) + QString::number(index));
    return button != nullptr ? button->GetBkColor() : 0;
}

// --- changes ---

template <typename Change>
void CLightControlUI::applyChange(Change change) {
    if (model_ == nullptr)
        return;
    LightInfo light = model_->getLightInfo();
    change(light);
    applyLightSetting(*model_, light);
}

void CLightControlUI::onModeSelected(int mode) {
    applyLayout(mode);
    applyChange([mode](LightInfo& light) { light.mode = uint8_t(mode); });
}

void CLightControlUI::onBrightnessChanged(int value) {
    applyChange([value](LightInfo& light) { light.brightness = uint8_t(std::clamp(value, 0, 255)); });
}

void CLightControlUI::onSpeedChanged(int value) {
    applyChange([value](LightInfo& light) { light.speed = uint8_t(std::clamp(value, 0, 255)); });
}

void CLightControlUI::onChannelCommitted(int channel) {
    CEditUI* edit = channelEdit(channel);
    if (edit == nullptr)
        return;
    // Anything but a number reads as 0; the edit then shows what was stored.
    const auto value = uint8_t(std::clamp(edit->GetText().trimmed().toInt(), 0, 255));
    edit->SetText(decimal(value));
    clearMultiColour();
    applyChange([channel, value](LightInfo& light) {
        (channel == 0 ? light.red : channel == 1 ? light.green : light.blue) = value;
        light.multiColour = 0;
    });
    if (model_ != nullptr) {
        const LightInfo light = model_->getLightInfo();
        showColour(light.red, light.green, light.blue, false, true);
    }
}

void CLightControlUI::onPaletteColour(DWORD argb) {
    const auto red = uint8_t(argb >> 16);
    const auto green = uint8_t(argb >> 8);
    const auto blue = uint8_t(argb);
    // The palette keeps the colour as it was picked: a round trip through its own colour model could move it.
    showColour(red, green, blue, true, false);
    clearMultiColour();
    applyChange([&](LightInfo& light) {
        light.red = red;
        light.green = green;
        light.blue = blue;
        light.multiColour = 0;
    });
}

void CLightControlUI::onPresetColour(int index) {
    if (FindSubControl(QString::fromLatin1(kPresetPrefix) + QString::number(index)) == nullptr)
        return;
    const DWORD colour = presetColour(index);
    onPaletteColour(colour);
    if (auto* palette = find<CColorPaletteUI>(kPalette))
        palette->SetSelectColor(colour);
}

void CLightControlUI::onMultiColourChanged(bool checked) {
    applyChange([checked](LightInfo& light) { light.multiColour = checked ? 1 : 0; });
}

void CLightControlUI::onDirectionChanged(bool left) {
    if (auto* other = find<COptionUI>(left ? kRightOption : kLeftOption))
        other->Selected(false, false);
    applyChange([left](LightInfo& light) { light.effect = left ? 1 : 0; });
}

// --- layout ---

CControlUI* CLightControlUI::groupControl(Group group) {
    static constexpr const char* kGroupNames[kGroupCount] = {kMultiColourCheck, kColourLayout,     kPaletteLayout,
                                                             kDirectionLayout,  kBrightnessLayout, kSpeedLayout,
                                                             kCustomLayout,     kSameModeCheck};
    return FindSubControl(QString::fromLatin1(kGroupNames[group]));
}

void CLightControlUI::applyLayout(int mode) {
    if (CControlUI* effects = FindSubControl(kEffectLayout))
        effects->SetEnabled(true);
    const KindLayout layout = layoutFor(kind_, mode);
    for (const Looks* looks : {layout.before, layout.row})
        for (int group = 0; group < kGroupCount; ++group)
            applyLook(groupControl(Group(group)), (*looks)[size_t(group)], sameModeAllowed_);
}

// --- controls ---

CEditUI* CLightControlUI::channelEdit(int channel) {
    switch (channel) {
    case 0:
        return find<CEditUI>(kRedEdit);
    case 1:
        return find<CEditUI>(kGreenEdit);
    case 2:
        return find<CEditUI>(kBlueEdit);
    default:
        return nullptr;
    }
}

void CLightControlUI::showColour(uint8_t red, uint8_t green, uint8_t blue, bool rewriteEdits, bool selectInPalette) {
    if (rewriteEdits) {
        const uint8_t channels[] = {red, green, blue};
        for (int channel = 0; channel < 3; ++channel)
            if (CEditUI* edit = channelEdit(channel))
                edit->SetText(decimal(channels[channel]));
    }
    const DWORD colour = argbOf(red, green, blue);
    if (auto* palette = find<CColorPaletteUI>(kPalette); palette != nullptr && selectInPalette)
        palette->SetSelectColor(colour);
    if (CControlUI* button = FindSubControl(kColourButton))
        button->SetBkColor(colour);
}

void CLightControlUI::clearMultiColour() {
    if (auto* box = find<CCheckBoxUI>(kMultiColourCheck))
        box->SetCheck(false, false);
}

} // namespace pelan
