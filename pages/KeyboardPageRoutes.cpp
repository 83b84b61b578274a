#include "pages/KeyboardPageRoutes.h"

#include "pages/CVeltraKeyboardDevice.h"
#include "platform/SystemSettings.h"
#include "profile/JsonFileStore.h"
#include "profile/JsonLookup.h"
#include "profile/ProfileMembers.h"

#include <algorithm>

namespace pelan::keyboard_page {
namespace {

QString numbered(const char* prefix, int index) {
    return QString::fromLatin1(prefix) + QString::number(index);
}

uint16_t half(int value) {
    return uint16_t(std::clamp(value, 0, 0xFFFF));
}

// word0: repeat rate | repeat delay << 16; word1: 6-key flag | report rate << 16; word2: W-key flag | Windows lock
// << 16.
void store(CVeltraKeyboardDevice& page, const SystemWords& words) {
    KeyboardDevice& keyboard = page.keyboard();
    keyboard.profileData().writeKeyboardSystem(words);
    keyboard.saveProfile();
    keyboard.writeSettings(0, 0);
    keyboard.refreshPage();
}

SystemWords currentWords(CVeltraKeyboardDevice& page) {
    return page.keyboard().profileData().getKeyboardSystem();
}

void selectOption(CVeltraKeyboardDevice& page, const QString& name, bool selected) {
    if (auto* option = dynamic_cast<COptionUI*>(page.FindSubControl(name)))
        option->Selected(selected, false);
}

} // namespace

int storeRepeatDelay(CVeltraKeyboardDevice& page, int option) {
    const int delay = keyboardDelayFromOption(option);
    SystemWords words = currentWords(page);
    words.word0 = packHalves(lowHalf(words.word0), half(delay));
    store(page, words);
    return delay;
}

void storeRepeatRate(CVeltraKeyboardDevice& page, int sliderPosition) {
    SystemWords words = currentWords(page);
    words.word0 = packHalves(half(sliderPosition), highHalf(words.word0));
    store(page, words);
}

void storeKeyFlag(CVeltraKeyboardDevice& page, KeyFlag flag, bool enabled) {
    SystemWords words = currentWords(page);
    const uint16_t value = enabled ? 1 : 0;
    if (flag == KeyFlag::SixKey)
        words.word1 = packHalves(value, highHalf(words.word1));
    else if (flag == KeyFlag::WKey)
        words.word2 = packHalves(value, highHalf(words.word2));
    else
        words.word2 = packHalves(lowHalf(words.word2), value);
    store(page, words);
}

void storeReportRate(CVeltraKeyboardDevice& page, int index) {
    if (index < 0 || index >= kReportRateOptions)
        return;
    SystemWords words = currentWords(page);
    words.word1 = packHalves(lowHalf(words.word1), half(index));
    store(page, words);
}

RepeatSettings resetRepeat(CVeltraKeyboardDevice& page) {
    Json::Value factory = JsonFileStore::loadJsonFile(page.model().defaultProfilePath());
    const JsonLookup stages = JsonLookup(factory)[member::kDevice][0][member::kSystemStages];
    RepeatSettings repeat;
    repeat.rate = keyboardSpeedFromSlider(stages[member::kRepeat].toInt());
    repeat.delay = keyboardDelayFromOption(stages[member::kRepeatDelay].toInt());
    SystemWords words = currentWords(page);
    words.word0 = packHalves(half(repeat.rate), half(repeat.delay));
    store(page, words);
    return repeat;
}

void showSystemSettings(CVeltraKeyboardDevice& page) {
    const SystemWords& words = page.keyboard().profileData().getKeyboardSystem();
    if (auto* slider = dynamic_cast<CSliderUI*>(page.FindSubControl(kRepeatRateSlider)))
        slider->SetValue(lowHalf(words.word0));
    const int delay = keyboardDelayFromOption(highHalf(words.word0));
    for (int option = 0; option < kRepeatDelayOptions; ++option)
        selectOption(page, numbered(kRepeatDelayPrefix, option), option == delay);
    const int rate = highHalf(words.word1);
    for (int option = 0; option < kReportRateOptions; ++option)
        selectOption(page, numbered(kReportRatePrefix, option), option == rate);
    selectOption(page, kSixKeyOption, lowHalf(words.word1) != 0);
    selectOption(page, kWKeyOption, lowHalf(words.word2) != 0);
    selectOption(page, kWinLockOption, highHalf(words.word2) != 0);
}

} // namespace pelan::keyboard_page
