#include "panels/CMagicControlUI.h"

namespace pelan {

void* CMagicControlUI::GetInterface(const QString& name) {
    if (name == "MagicControl")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

COptionUI* CMagicControlUI::enableOption() {
    if (enable_ == nullptr)
        enable_ = dynamic_cast<COptionUI*>(FindSubControl(kEnableOption));
    return enable_;
}

COptionUI* CMagicControlUI::presetOption(int n) {
    if (n < 1 || n > kPresets)
        return nullptr;
    COptionUI*& slot = presets_[n - 1];
    if (slot == nullptr)
        slot = dynamic_cast<COptionUI*>(FindSubControl(QString::asprintf("%s%d", kPresetPrefix, n)));
    return slot;
}

void CMagicControlUI::setVoiceChangerOn(bool on) {
    if (COptionUI* option = enableOption())
        option->Selected(on, false);
    setVoicePresetsEnabled(on);
}

void CMagicControlUI::setVoicePresetsEnabled(bool on) {
    if (presetLayout_ == nullptr)
        presetLayout_ = dynamic_cast<CContainerUI*>(FindSubControl(kPresetLayout));
    if (presetLayout_ != nullptr)
        presetLayout_->SetEnabled(on);
}

bool CMagicControlUI::isVoiceChangerOn() {
    COptionUI* option = enableOption();
    return option != nullptr && option->IsSelected();
}

void CMagicControlUI::selectVoiceOption(int n) {
    for (int preset = 1; preset <= kPresets; ++preset) {
        if (COptionUI* option = presetOption(preset))
            option->Selected(false, false);
    }
    if (COptionUI* chosen = presetOption(n))
        chosen->Selected(true, false);
    selectedVoiceOption_ = n >= 1 && n <= kPresets ? n : 0;
}

void CMagicControlUI::showEffect(const char* optionName, const char* noteName, const EffectView& view) {
    if (auto* option = dynamic_cast<COptionUI*>(FindSubControl(optionName))) {
        option->Selected(view.on, false);
        // One switched on stays enabled, so that it can be switched off.
        option->SetEnabled(view.offered || view.on);
        option->SetToolTip(view.offered ? QString() : view.reason);
    }
    if (CControlUI* note = noteName != nullptr ? FindSubControl(noteName) : nullptr) {
        note->SetVisible(view.on && !view.applied);
        note->SetToolTip(view.reason);
    }
}

void CMagicControlUI::showReverb(const EffectView& view, int environment, int roomSize) {
    showEffect(kReverbOption, kReverbNote, view);
    if (CControlUI* layout = FindSubControl(kReverbLayout))
        layout->SetEnabled(view.on);
    for (int n = 1; n <= kEnvironments; ++n) {
        if (auto* option = dynamic_cast<COptionUI*>(FindSubControl(QString::asprintf("%s%d", kEnvironmentPrefix, n))))
            option->Selected(n == environment + 1, false);
    }
    if (auto* slider = dynamic_cast<CSliderUI*>(FindSubControl(kRoomSlider)))
        slider->SetValue(roomSize);
}

void CMagicControlUI::showSurround(const EffectView& view) {
    showEffect(kSurroundOption, kSurroundNote, view);
}

int CMagicControlUI::getRoomSize() {
    auto* slider = dynamic_cast<CSliderUI*>(FindSubControl(kRoomSlider));
    return slider != nullptr ? slider->GetValue() : -1;
}

void CMagicControlUI::setEffectsApplied(bool applied) {
    if (CControlUI* label = FindSubControl(kNotAppliedLabel))
        label->SetVisible(!applied);
}

} // namespace pelan
