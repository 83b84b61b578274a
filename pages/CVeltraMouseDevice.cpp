#include "pages/CVeltraMouseDevice.h"

#include "app/CMsgWnd.h"
#include "device/MouseSettingsBlock.h"
#include "pages/MousePageRoutes.h"
#include "panels/KeySetRoutes.h"
#include "panels/MacroRoutes.h"
#include "panels/ProfileRoutes.h"
#include "panels/RecoilRoutes.h"
#include "platform/Shell.h"
#include "platform/Trace.h"

#include <QIntValidator>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <thread>

namespace pelan {
namespace {

constexpr std::chrono::milliseconds kUpgradeStartDelay{10};

QString numbered(const char* prefix, int index) {
    return QString::fromLatin1(prefix) + QString::number(index);
}

} // namespace

CVeltraMouseDevice::CVeltraMouseDevice()
    : CVeltraUSBDevice(std::make_unique<MouseDevice>()), mouse_(static_cast<MouseDevice&>(model())) {
    askUser_ = [this](const QString& key) {
        return CMsgWnd::ShowMessage(ownerWindow(), QString(), key, 96, true, CMsgWnd::kConfirmAndCancel);
    };
    endProgram_ = [](int code) { PostQuitMessage(code); };
}

void* CVeltraMouseDevice::GetInterface(const QString& name) {
    if (name == "VeltraMouseDevice")
        return this;
    return CVeltraUSBDevice::GetInterface(name);
}

void CVeltraMouseDevice::bindPageControls() {
    CVeltraUSBDevice::bindPageControls();
    // A mouse reached through its receiver (kind 6) shows the same tabs as a wired one.
    showFunctionTabs(model().deviceKind != 0 ? model().deviceKind : 2);
    showSelectedTabArea(*this);
    setSliderRanges();
    refreshControls();
    bindRecoilPanel(*this);
    bindMacroPanel(*this);
    bindKeySetPanel(*this);
}

void CVeltraMouseDevice::onConnectTimer() {
    CVeltraUSBDevice::onConnectTimer();
    setSliderRanges();
}

void CVeltraMouseDevice::setSliderRanges() {
    for (int stage = 0; stage < kStageCount; ++stage) {
        if (auto* slider = findControl<CSliderUI>(numbered(kDpiSliderPrefix, stage))) {
            slider->SetMinValue(0);
            slider->SetMaxValue(kMaxDpiCode);
        }
        if (auto* edit = findControl<CEditUI>(numbered(kDpiEditPrefix, stage))) {
            // Digits only, and never more than the largest DPI.
            QLineEdit* line = edit->GetLineEdit();
            if (dynamic_cast<const QIntValidator*>(line->validator()) == nullptr)
                line->setValidator(new QIntValidator(0, kMaxEditDpi, line));
        }
    }
}

void CVeltraMouseDevice::showFunctionTabs(int kind) {
    CVeltraUSBDevice::showFunctionTabs(kind);
    if (CControlUI* hint = FindSubControl(kHintControl))
        hint->SetVisible(kind == 2);
}

// --- firmware ---

bool CVeltraMouseDevice::onFirmwareTooOld(uint16_t versionNumber) {
    trace("firmware " + std::to_string(versionNumber) + " is older than the current one");
    if (askUser_(kFirmwarePrompt) == 0) {
        endProgram_(0);
        return false;
    }
    std::this_thread::sleep_for(kUpgradeStartDelay);
    startFirmwareUpgrade();
    return true;
}

void CVeltraMouseDevice::startFirmwareUpgrade() {
    const std::string program = CPaintManagerUI::GetInstancePath().toStdString() + kUpgradeProgram;
    const ShellResult started = shell().startProgram(program, {kUpgradeParameter}, model().defaultDataFolder());
    if (!started.ok)
        trace("firmware upgrade did not start: " + started.message);
}

// --- DPI stages and report rate ---

std::vector<DpiStage> CVeltraMouseDevice::profileStages() {
    std::vector<DpiStage> stages = mouse_.profileData.getDpiStages();
    stages.resize(kStageCount);
    return stages;
}

void CVeltraMouseDevice::refreshControls() {
    const std::vector<DpiStage> stages = profileStages();
    const int active = mouse_.profileData.getActiveDpiStage();
    for (int stage = 0; stage < kStageCount; ++stage)
        showStage(stage, stages[size_t(stage)], stage == active);
    const int rate = std::clamp<int>(mouse_.settingsSnapshot().reportRate, 0, kReportRateCount - 1);
    if (auto* option = findControl<COptionUI>(numbered(kReportRatePrefix, rate)))
        option->Selected(true, false);
    mouse_page::showSystemSettings(*this);
    showKeyFunctions(*this);
}

void CVeltraMouseDevice::showStage(int stage, const DpiStage& shown, bool active) {
    const int code = std::clamp<int>(shown.dpiX, 0, kMaxDpiCode);
    const QString dpiText = QString::number(dpiFromCode(code));
    if (auto* check = findControl<CCheckBoxUI>(numbered(kDpiEnablePrefix, stage)))
        check->SetCheck(shown.enabled != 0, false);
    if (auto* slider = findControl<CSliderUI>(numbered(kDpiSliderPrefix, stage))) {
        slider->SetValue(code);
        slider->SetBkImage(active ? kActiveSliderBar : kSliderBar);
        slider->SetThumbImage(active ? kActiveSliderThumb : kSliderThumb);
    }
    if (auto* edit = findControl<CEditUI>(numbered(kDpiEditPrefix, stage)))
        edit->SetText(dpiText);
    if (auto* label = findControl<CLabelUI>(numbered(kDpiValuePrefix, stage)))
        label->SetTextColor(active ? 0xFFFFFFFF : 0xFF8A93A3);
}

void CVeltraMouseDevice::setStageCode(int stage, int code) {
    std::vector<DpiStage> stages = profileStages();
    DpiStage& changed = stages[size_t(stage)];
    changed.dpiX = uint16_t(code);
    if (changed.separateXY == 0)
        changed.dpiY = uint16_t(code);
    mouse_.profileData.writeDpiStages(stages);
}

void CVeltraMouseDevice::storeAndSend() {
    mouse_.saveProfile();
    mouse_.writeSettings(0, 0);
}

void CVeltraMouseDevice::onDpiSliderChanged(int stage, int code, bool released) {
    if (stage < 0 || stage >= kStageCount)
        return;
    code = std::clamp(code, 0, kMaxDpiCode);
    if (auto* edit = findControl<CEditUI>(numbered(kDpiEditPrefix, stage)))
        edit->SetText(QString::number(dpiFromCode(code)));
    if (!released)
        return;
    setStageCode(stage, code);
    storeAndSend();
}

void CVeltraMouseDevice::onDpiEditCommitted(int stage) {
    auto* edit = findControl<CEditUI>(numbered(kDpiEditPrefix, stage));
    if (edit == nullptr || stage >= kStageCount)
        return;
    const int code = mouse_.dpiCodeFromEdit(edit->GetText().toStdString());
    edit->SetText(QString::number(dpiFromCode(code)));
    if (auto* slider = findControl<CSliderUI>(numbered(kDpiSliderPrefix, stage)))
        slider->SetValue(code);
    if (profileStages()[size_t(stage)].dpiX == code)
        return;
    setStageCode(stage, code);
    storeAndSend();
}

void CVeltraMouseDevice::onReportRateSelected(int index) {
    if (index < 0 || index >= kReportRateCount)
        return;
    SystemWords words = mouse_.profileData.getMouseSystem();
    words.word2 = (words.word2 & 0xFFFFu) | (uint32_t(index) << 16);
    mouse_.profileData.writeMouseSystem(words);
    storeAndSend();
}

void CVeltraMouseDevice::onDpiStageEnabled(int stage, bool enabled) {
    if (stage < 0 || stage >= kStageCount)
        return;
    std::vector<DpiStage> stages = profileStages();
    stages[size_t(stage)].enabled = enabled ? 1 : 0;
    mouse_.profileData.writeDpiStages(stages);
    storeAndSend();
}

} // namespace pelan
