#include "panels/CVoice6533ControlUI.h"

namespace pelan {
namespace {

QString numbered(const char* prefix, int n) {
    return QString::asprintf("%s%d", prefix, n);
}

} // namespace

void* CVoice6533ControlUI::GetInterface(const QString& name) {
    if (name == "Voice6533Control")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

COptionUI* CVoice6533ControlUI::eqOption(int n) {
    if (n < 1 || n > kEqOptions)
        return nullptr;
    return cached(eqOptions_[n - 1], numbered(kEqOptionPrefix, n));
}

CSliderUI* CVoice6533ControlUI::bandSlider(int band) {
    if (band < 0 || band >= kBands)
        return nullptr;
    return cached(bands_[band], numbered(kBandSliderPrefix, band));
}

void CVoice6533ControlUI::selectEqOption(int n) {
    for (int option = 1; option <= kEqOptions; ++option) {
        if (COptionUI* control = eqOption(option))
            control->Selected(false, false);
    }
    COptionUI* chosen = eqOption(n);
    if (chosen != nullptr)
        chosen->Selected(true, false);
    selectedEqOption_ = n >= 1 && n <= kEqOptions ? n : 0;
}

void CVoice6533ControlUI::setCustomControlsEnabled(bool on) {
    if (CContainerUI* layout = cached(customLayout_, kCustomLayout))
        layout->SetEnabled(on);
}

void CVoice6533ControlUI::setBandFrequency(int band, int hertz) {
    if (band < 0 || band >= kBands)
        return;
    CControlUI* label = FindSubControl(numbered(kBandLabelPrefix, band));
    if (label != nullptr)
        label->SetText(hertz >= 1000 && hertz % 1000 == 0 ? QString::number(hertz / 1000) + "k"
                                                          : QString::number(hertz));
}

void CVoice6533ControlUI::setEqApplied(bool applied) {
    if (CControlUI* label = FindSubControl(kNotAppliedLabel))
        label->SetVisible(!applied);
}

void CVoice6533ControlUI::setBandValue(int band, int value) {
    if (CSliderUI* slider = bandSlider(band))
        slider->SetValue(value);
}

int CVoice6533ControlUI::getBandValue(int band) {
    CSliderUI* slider = bandSlider(band);
    return slider != nullptr ? slider->GetValue() : -1;
}

void CVoice6533ControlUI::setMicInOn(bool on) {
    if (COptionUI* option = cached(micOption_, kMicOption))
        option->Selected(on, false);
}

void CVoice6533ControlUI::setMonitorOn(bool on) {
    if (COptionUI* option = cached(monitorOption_, kMonitorOption))
        option->Selected(on, false);
}

void CVoice6533ControlUI::setMicInLevel(int value) {
    if (CSliderUI* slider = cached(micSlider_, kMicSlider))
        slider->SetValue(value);
}

int CVoice6533ControlUI::getMicInLevel() {
    CSliderUI* slider = cached(micSlider_, kMicSlider);
    return slider != nullptr ? slider->GetValue() : -1;
}

void CVoice6533ControlUI::setMonitorLevel(int value) {
    if (CSliderUI* slider = cached(monitorSlider_, kMonitorSlider))
        slider->SetValue(value);
}

int CVoice6533ControlUI::getMonitorLevel() {
    CSliderUI* slider = cached(monitorSlider_, kMonitorSlider);
    return slider != nullptr ? slider->GetValue() : -1;
}

void CVoice6533ControlUI::setCustomNameText(const QString& text) {
    if (CEditUI* edit = cached(nameEdit_, kCustomNameEdit))
        edit->SetText(text);
}

QString CVoice6533ControlUI::getCustomNameText() {
    CEditUI* edit = cached(nameEdit_, kCustomNameEdit);
    return edit != nullptr ? edit->GetText() : QString();
}

void CVoice6533ControlUI::addCustomName(const QString& name) {
    CComboUI* combo = cached(customCombo_, kCustomCombo);
    if (combo == nullptr)
        return;
    // A name is shown as typed, never looked up as a text key.
    auto* item = new CListLabelElementUI();
    item->SetFixedHeight(kCustomItemHeight);
    item->SetResourceText(false);
    item->SetText(name);
    item->SetUserData(name);
    combo->Add(item);
}

int CVoice6533ControlUI::getCustomSelection() {
    CComboUI* combo = cached(customCombo_, kCustomCombo);
    return combo != nullptr ? combo->GetCurSel() : -1;
}

int CVoice6533ControlUI::getCustomCount() {
    CComboUI* combo = cached(customCombo_, kCustomCombo);
    return combo != nullptr ? combo->GetCount() : 0;
}

void CVoice6533ControlUI::selectCustom(int index) {
    if (CComboUI* combo = cached(customCombo_, kCustomCombo))
        combo->SelectItem1(index, false, false);
    setCustomNameText(QString());
}

void CVoice6533ControlUI::removeCustom(int index) {
    if (CComboUI* combo = cached(customCombo_, kCustomCombo))
        combo->RemoveAt(index);
}

void CVoice6533ControlUI::removeAllCustom() {
    if (CComboUI* combo = cached(customCombo_, kCustomCombo))
        combo->RemoveAll();
}

QString CVoice6533ControlUI::getCustomName(int index) {
    CComboUI* combo = cached(customCombo_, kCustomCombo);
    CControlUI* item = combo != nullptr ? combo->GetItemAt(index) : nullptr;
    return item != nullptr ? item->GetText() : QString();
}

} // namespace pelan
