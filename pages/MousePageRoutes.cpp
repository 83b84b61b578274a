#include "pages/MousePageRoutes.h"

#include "keys/DecimalText.h"
#include "pages/CVeltraMouseDevice.h"

#include <algorithm>

namespace pelan::mouse_page {
namespace {

template <typename T>
T* find(CContainerUI& scope, const QString& name) {
    return dynamic_cast<T*>(scope.FindSubControl(name));
}

QString numbered(const char* prefix, int index) {
    return QString::fromLatin1(prefix) + QString::number(index);
}

uint16_t sliderHalf(int position) {
    return uint16_t(std::clamp(position, 0, 0xFFFF));
}

void store(CVeltraMouseDevice& page, const SystemWords& words) {
    MouseDevice& mouse = page.mouse();
    mouse.profileData.writeMouseSystem(words);
    mouse.saveProfile();
    mouse.writeSettings(0, 0);
    mouse.refreshPage();
}

void setSlider(CVeltraMouseDevice& page, const char* name, int value) {
    if (auto* slider = find<CSliderUI>(page, name))
        slider->SetValue(value);
}

void setCheck(CVeltraMouseDevice& page, const char* name, bool checked) {
    if (auto* check = find<CCheckBoxUI>(page, name))
        check->SetCheck(checked, false);
}

} // namespace

// word0: double-click | pointer speed << 16; word1: precision | page scrolling << 16; word2: wheel lines | rate << 16.
void storePointerSpeed(CVeltraMouseDevice& page, int sliderPosition) {
    SystemWords words = page.mouse().profileData.getMouseSystem();
    words.word0 = packHalves(lowHalf(words.word0), sliderHalf(sliderPosition));
    store(page, words);
}

void storeDoubleClick(CVeltraMouseDevice& page, int sliderPosition) {
    SystemWords words = page.mouse().profileData.getMouseSystem();
    words.word0 = packHalves(sliderHalf(sliderPosition), highHalf(words.word0));
    store(page, words);
}

void storePointerPrecision(CVeltraMouseDevice& page, bool enabled) {
    SystemWords words = page.mouse().profileData.getMouseSystem();
    words.word1 = packHalves(enabled ? 1 : 0, highHalf(words.word1));
    store(page, words);
}

void storeScrolling(CVeltraMouseDevice& page, bool pageScroll, int scrollSliderPosition) {
    SystemWords words = page.mouse().profileData.getMouseSystem();
    words.word1 = packHalves(lowHalf(words.word1), pageScroll ? 1 : 0);
    words.word2 = packHalves(sliderHalf(scrollSliderPosition), highHalf(words.word2));
    store(page, words);
}

void showSystemSettings(CVeltraMouseDevice& page) {
    const SystemWords& words = page.mouse().profileData.getMouseSystem();
    setSlider(page, kDoubleClickSlider, lowHalf(words.word0));
    setSlider(page, kPointerSpeedSlider, highHalf(words.word0));
    setCheck(page, kPointerPrecisionCheck, lowHalf(words.word1) != 0);
    setCheck(page, kScrollsPageCheck, highHalf(words.word1) != 0);
    setSlider(page, kScrollSpeedSlider, lowHalf(words.word2));
}

void selectSettingsPage(CVeltraMouseDevice& page, int index) {
    auto* pages = find<CTabLayoutUI>(page, kSettingSwitch);
    if (pages != nullptr && index >= 0 && index < pages->GetCount())
        pages->SelectItem(index);
}

void showTavixSliderValue(CContainerUI& scope, int index) {
    auto* slider = find<CSliderUI>(scope, numbered(kTavixSliderPrefix, index));
    auto* edit = find<CEditUI>(scope, numbered(kTavixEditPrefix, index));
    if (slider != nullptr && edit != nullptr)
        edit->SetText(QString::number(slider->GetValue()));
}

void commitTavixEdit(CContainerUI& scope, int index) {
    auto* edit = find<CEditUI>(scope, numbered(kTavixEditPrefix, index));
    if (edit == nullptr)
        return;
    // Text that is no number, or a negative one, reads as 0 and so comes back as the smallest DPI.
    const int typed = int(parseDecimalTextClamped(edit->GetText().trimmed().toStdString(), kTavixMaximumDpi));
    const int dpi = std::clamp(typed, kTavixMinimumDpi, kTavixMaximumDpi);
    edit->SetText(QString::asprintf("%d", dpi));
    if (auto* slider = find<CSliderUI>(scope, numbered(kTavixSliderPrefix, index)))
        slider->SetValue(dpi);
}

} // namespace pelan::mouse_page
