#include "panels/CLightControlUI.h"

#include "device/LightSync.h"
#include "device/UsbDeviceModel.h"
#include "light/LightModeControls.h"

#include <algorithm>
#include <initializer_list>

namespace pelan {
namespace {

using light::Look;
static_assert(size_t(CLightControlUI::kGroupCount) == light::kLightGroupCount);

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
    const light::ModeLayout layout = light::modeLayout(kind_, mode);
    for (const light::Looks* looks : {layout.before, layout.row})
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
