// The main window's routes to the sound and voice tabs of the headset page.
#include "panels/HeadsetRoutes.h"

#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "app/NotifyName.h"
#include "headset/AudioPropertyNames.h"
#include "headset/EqPresets.h"
#include "headset/HeadsetAudio.h"
#include "pages/CVeltraDI6533Device.h"
#include "panels/CMagicControlUI.h"
#include "panels/CVoice6533ControlUI.h"

namespace pelan {
namespace {

constexpr const char* kMessageNameInUse = "message_text_5";
constexpr const char* kMessageNameEmpty = "message_text_5_1";
constexpr const char* kSoundUnavailable = "headset_sound_unavailable";
constexpr const char* kVoiceUnavailable = "headset_voice_unavailable";
constexpr int kMessageDpi = 96;
// The note under the sliders doubles as the message when the library gives no reason it knows.
constexpr const char* kEqNotAppliedMessage = "headset_eq_not_applied_text";

struct EqFailureMessage {
    const char* reason;
    const char* message;
};
constexpr EqFailureMessage kEqFailureMessages[] = {
    {audio_property::kEqNotAppliedNoPipeWire, "headset_eq_no_pipewire_message"},
    {audio_property::kEqNotAppliedNoHeadsetSink, "headset_eq_no_sink_message"},
    {audio_property::kEqNotAppliedNoFilter, "headset_eq_no_filter_message"},
};

// The tooltip of each reason an output effect does not work.
constexpr EqFailureMessage kEffectReasonTips[] = {
    {audio_property::kEqNotAppliedNoPipeWire, "headset_effect_no_pipewire_tip"},
    {audio_property::kEqNotAppliedNoHeadsetSink, "headset_effect_no_sink_tip"},
    {audio_property::kEqNotAppliedNoFilter, "headset_effect_no_filter_tip"},
    {audio_property::kEffectNotAppliedNoHeadsetSource, "headset_voice_effect_no_source_tip"},
};
constexpr const char* kEffectNotAppliedText = "headset_effect_not_applied_text";

using Sound = CVoice6533ControlUI;
using Voice = CMagicControlUI;

// The headset page when it is the selected page, with its audio settings.
struct Selected {
    CVeltraDI6533Device* page = nullptr;
    HeadsetAudio* audio = nullptr;
    Sound* sound = nullptr;
    Voice* voice = nullptr;
};

Selected selectedHeadset(CMainWnd& window) {
    Selected selected;
    selected.page = dynamic_cast<CVeltraDI6533Device*>(window.GetSelectedPage());
    if (selected.page == nullptr)
        return {};
    selected.audio = selected.page->audio();
    selected.sound = findSoundPanel(*selected.page);
    selected.voice = findVoicePanel(*selected.page);
    if (selected.audio == nullptr || !selected.audio->available())
        return {};
    return selected;
}

bool isSelected(const TNotifyUI& msg) {
    const auto* option = dynamic_cast<const COptionUI*>(msg.pSender);
    return option != nullptr && option->IsSelected();
}

void showMessage(CVeltraDI6533Device& page, const char* key) {
    CMsgWnd::ShowMessage(page.ownerWindow(), QString(), key, kMessageDpi, true, CMsgWnd::kConfirmOnly);
}

void showAvailability(CVeltraDI6533Device& page, CControlUI* panel, const char* unavailableLabel, bool available) {
    if (panel != nullptr)
        panel->SetVisible(available);
    if (CControlUI* label = page.FindSubControl(unavailableLabel))
        label->SetVisible(!available);
}

const char* eqFailureMessage(const std::string& reason) {
    for (const EqFailureMessage& known : kEqFailureMessages) {
        if (reason == known.reason)
            return known.message;
    }
    return kEqNotAppliedMessage;
}

// Once per failed attempt: every preset chosen that is only kept says so, but a band dragged while the equaliser
// already was not applied does not, or each step of the drag would bring the message back; the note under the
// sliders stays in view meanwhile.
void tellIfEqNotApplied(const Selected& headset, bool appliedBefore, bool bandMove) {
    const HeadsetAudioState& state = headset.audio->state();
    if (state.eqApplied || (bandMove && !appliedBefore))
        return;
    showMessage(*headset.page, eqFailureMessage(state.eqNotAppliedReason));
}

// An effect as the voice tab shows it: the library's support bit and its reason now must both allow it. pluginTip
// tells where the effect's plugin comes from.
EffectView effectView(bool on, bool offered, const EffectOutcome& outcome, const char* pluginTip = nullptr) {
    EffectView view;
    view.on = on;
    view.offered = offered && outcome.reason.empty();
    view.applied = outcome.applied;
    const char* tip = kEffectNotAppliedText;
    if (outcome.reason == audio_property::kEffectNotAppliedNoPlugin && pluginTip != nullptr)
        tip = pluginTip;
    for (const EqFailureMessage& known : kEffectReasonTips) {
        if (outcome.reason == known.reason)
            tip = known.message;
    }
    view.reason = CResourceManager::GetInstance()->GetText(tip);
    return view;
}

void showEffects(Voice& voice, const HeadsetAudio& audio) {
    const HeadsetAudioState& state = audio.state();
    voice.setVoiceChangerOn(state.magicEnabled != 0);
    voice.selectVoiceOption(state.magicType);
    voice.showEffect(Voice::kEnableOption, nullptr,
                     effectView(state.magicEnabled != 0, audio.voiceChangerOffered(), state.voiceChangerApplied,
                                "headset_voice_changer_no_plugin_tip"));
    voice.showEffect(Voice::kEchoOption, nullptr, effectView(state.micEchoOn, true, state.micEchoApplied));
    voice.showEffect(Voice::kNoiseOption, nullptr,
                     effectView(state.noiseCancellationOn, true, state.noiseCancellationApplied));
    // One note for the microphone's effects: they work on one filter.
    voice.setEffectsApplied(state.voiceChangerApplied.applied && state.micEchoApplied.applied &&
                            state.noiseCancellationApplied.applied);
    voice.showReverb(
        effectView(state.reverbOn, audio.reverbOffered(), state.reverbOutcome, "headset_effect_no_plugin_tip"),
        state.reverbEnvironment, state.reverbRoomSize);
    voice.showSurround(effectView(state.surroundOn, audio.surroundOffered(), state.surroundOutcome));
}

} // namespace

CVoice6533ControlUI* findSoundPanel(CVeltraDI6533Device& page) {
    return dynamic_cast<CVoice6533ControlUI*>(page.FindSubControl(Sound::kItemName));
}

CMagicControlUI* findVoicePanel(CVeltraDI6533Device& page) {
    return dynamic_cast<CMagicControlUI*>(page.FindSubControl(Voice::kItemName));
}

void refreshHeadsetPanels(CVeltraDI6533Device& page) {
    Sound* sound = findSoundPanel(page);
    Voice* voice = findVoicePanel(page);
    const HeadsetAudio* audio = page.audio();
    const bool available = audio != nullptr && audio->available();
    showAvailability(page, sound, kSoundUnavailable, available);
    showAvailability(page, voice, kVoiceUnavailable, available);
    if (!available)
        return;
    const HeadsetAudioState& state = audio->state();
    if (voice != nullptr) {
        showEffects(*voice, *audio);
    }
    if (sound == nullptr)
        return;
    sound->setMicInOn(state.micInOn != 0);
    sound->setMicInLevel(state.micInLevel);
    sound->setMonitorOn(state.monitorOn != 0);
    sound->setMonitorLevel(state.monitorLevel);
    sound->selectEqOption(state.eqType);
    sound->removeAllCustom();
    for (const std::string& name : state.customEqNames)
        sound->addCustomName(QString::fromStdString(name));
    sound->selectCustom(state.customSelection);
    sound->setCustomControlsEnabled(state.eqType == kCustomEqType);
    for (int band = 0; band < Sound::kBands && size_t(band) < state.eqValues.size(); ++band)
        sound->setBandValue(band, state.eqValues[size_t(band)]);
    for (int band = 0; band < Sound::kBands; ++band)
        sound->setBandFrequency(band, kEqBandFrequencies[size_t(band)]);
    sound->setEqApplied(state.eqApplied);
}

bool handleHeadsetClick(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    const bool save = name.compare(Sound::kSaveButton, Qt::CaseInsensitive) == 0;
    if (!save && name.compare(Sound::kDeleteButton, Qt::CaseInsensitive) != 0)
        return false;
    const Selected headset = selectedHeadset(window);
    if (headset.sound == nullptr)
        return true;
    if (!save) {
        headset.audio->deleteCustomEq(headset.sound->getCustomSelection());
    } else {
        const CustomEqSaved saved = headset.audio->saveCustomEq(headset.sound->getCustomNameText().toStdString());
        // A refused name stays in the edit box, so it can be changed.
        if (saved == CustomEqSaved::NameInUse || saved == CustomEqSaved::NothingSelected) {
            showMessage(*headset.page, saved == CustomEqSaved::NameInUse ? kMessageNameInUse : kMessageNameEmpty);
            return true;
        }
    }
    refreshHeadsetPanels(*headset.page);
    return true;
}

bool handleHeadsetSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    const NotifyName split = splitNotifyName(name);
    const bool eqOption = split.prefix == Sound::kEqOptionPrefix;
    const bool voiceOption = split.prefix == Voice::kPresetPrefix;
    const bool environmentOption = split.prefix == Voice::kEnvironmentPrefix;
    const bool toggle = name == Voice::kEnableOption || name == Sound::kMicOption || name == Sound::kMonitorOption ||
                        name == Voice::kEchoOption || name == Voice::kNoiseOption || name == Voice::kReverbOption ||
                        name == Voice::kSurroundOption;
    if (!eqOption && !voiceOption && !environmentOption && !toggle)
        return false;
    const Selected headset = selectedHeadset(window);
    if (headset.audio == nullptr)
        return true;
    const bool appliedBefore = headset.audio->state().eqApplied;
    if (name == Voice::kEnableOption)
        headset.audio->setVoiceChanger(isSelected(msg));
    else if (name == Voice::kEchoOption)
        headset.audio->setMicEcho(isSelected(msg));
    else if (name == Voice::kNoiseOption)
        headset.audio->setNoiseCancellation(isSelected(msg));
    else if (name == Sound::kMicOption)
        headset.audio->toggleMicMute();
    else if (name == Sound::kMonitorOption)
        headset.audio->toggleMonitorMute();
    else if (name == Voice::kReverbOption)
        headset.audio->setReverb(isSelected(msg));
    else if (name == Voice::kSurroundOption)
        headset.audio->setSurround(isSelected(msg));
    else if (!isSelected(msg))
        return true; // the option of the group that lost its selection
    else if (eqOption)
        headset.audio->selectEqPreset(split.index);
    else if (environmentOption)
        headset.audio->setReverb(headset.audio->state().reverbOn, split.index - 1);
    else
        headset.audio->selectVoicePreset(split.index);
    refreshHeadsetPanels(*headset.page);
    if (eqOption)
        tellIfEqNotApplied(headset, appliedBefore, false);
    return true;
}

bool handleHeadsetValue(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    const NotifyName split = splitNotifyName(name);
    const bool band = split.prefix == Sound::kBandSliderPrefix;
    if (!band && name != Sound::kMicSlider && name != Sound::kMonitorSlider && name != Voice::kRoomSlider)
        return false;
    const Selected headset = selectedHeadset(window);
    if (name == Voice::kRoomSlider) {
        if (headset.voice != nullptr) {
            headset.audio->setReverb(headset.audio->state().reverbOn, std::nullopt, headset.voice->getRoomSize());
            refreshHeadsetPanels(*headset.page);
        }
        return true;
    }
    if (headset.sound == nullptr)
        return true;
    const bool appliedBefore = headset.audio->state().eqApplied;
    if (band)
        headset.audio->setEqBand(split.index, headset.sound->getBandValue(split.index));
    else if (name == Sound::kMicSlider)
        headset.audio->setMicLevel(headset.sound->getMicInLevel());
    else
        headset.audio->setMonitorLevel(headset.sound->getMonitorLevel());
    refreshHeadsetPanels(*headset.page);
    if (band)
        tellIfEqNotApplied(headset, appliedBefore, true);
    return true;
}

bool handleHeadsetItemSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != Sound::kCustomCombo)
        return false;
    const Selected headset = selectedHeadset(window);
    if (headset.sound == nullptr)
        return true;
    headset.audio->applyCustomEq(headset.sound->getCustomSelection());
    refreshHeadsetPanels(*headset.page);
    tellIfEqNotApplied(headset, true, false);
    return true;
}

} // namespace pelan
