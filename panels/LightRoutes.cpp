// The main window's routes to the lighting panel of a page.
#include "panels/LightRoutes.h"

#include "app/NotifyName.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CLightControlUI.h"

namespace pelan {
namespace {

using Panel = CLightControlUI;

Panel* panelHolding(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (auto* panel = dynamic_cast<Panel*>(c))
            return panel;
    return nullptr;
}

// The keyboard page holding a control; the custom light mode exists only there.
CVeltraKeyboardDevice* keyboardHolding(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (auto* page = dynamic_cast<CVeltraKeyboardDevice*>(c))
            return page;
    return nullptr;
}

bool named(const TNotifyUI& msg, const char* name) {
    return msg.pSender != nullptr && msg.pSender->GetName() == QLatin1String(name);
}

bool isSelected(const TNotifyUI& msg) {
    const auto* option = dynamic_cast<const COptionUI*>(msg.pSender);
    return option != nullptr && option->IsSelected();
}

void showLight(CVeltraUSBDevice& page, Panel& panel) {
    panel.showLight(page.model().getLightInfo());
    if (auto* keyboard = dynamic_cast<CVeltraKeyboardDevice*>(&page))
        panel.showCustomMode(keyboard->keyboard().customLight().group());
}

} // namespace

CLightControlUI* findLightPanel(CVeltraUSBDevice& page) {
    return dynamic_cast<Panel*>(page.FindSubControl(Panel::kItemName));
}

void bindLightPanel(CVeltraUSBDevice& page) {
    Panel* panel = findLightPanel(page);
    if (panel == nullptr)
        return;
    UsbDeviceModel& model = page.model();
    panel->setModel(&model);
    panel->setDeviceKind(model.deviceKind);
    model.loadLightAndMacroConfig();
    panel->setModeList(model.lightNames.defaultNames, model.lightNames.defaultVisible, Panel::kLevelMaximum,
                       Panel::kLevelMaximum);
    panel->setCustomModeList(model.lightNames.configuredNames);
    showLight(page, *panel);
}

void showPageLight(CVeltraUSBDevice& page) {
    if (Panel* panel = findLightPanel(page))
        showLight(page, *panel);
}

bool isSameModeBox(const TNotifyUI& msg) {
    return named(msg, Panel::kSameModeCheck) && panelHolding(msg.pSender) != nullptr;
}

bool handleLightClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const NotifyName split = splitNotifyName(msg.pSender->GetName());
    if (split.prefix == Panel::kPresetPrefix) {
        if (Panel* panel = panelHolding(msg.pSender))
            panel->onPresetColour(split.index);
        return true;
    }
    const bool lit = named(msg, Panel::kCustomBrightButton);
    if (lit || named(msg, Panel::kCustomOffButton)) {
        if (CVeltraKeyboardDevice* keyboard = keyboardHolding(msg.pSender))
            keyboard->paintSelectedKeys(lit);
        return true;
    }
    return false;
}

bool handleLightSelect(TNotifyUI& msg) {
    const bool left = named(msg, Panel::kLeftOption);
    const bool right = named(msg, Panel::kRightOption);
    const bool multiColour = named(msg, Panel::kMultiColourCheck);
    if (!left && !right && !multiColour)
        return false;
    Panel* panel = panelHolding(msg.pSender);
    if (panel == nullptr)
        return true;
    if (multiColour)
        panel->onMultiColourChanged(isSelected(msg));
    else if (isSelected(msg))
        panel->onDirectionChanged(left);
    return true;
}

bool handleLightValue(TNotifyUI& msg) {
    const bool brightness = named(msg, Panel::kBrightnessSlider);
    if (!brightness && !named(msg, Panel::kSpeedSlider))
        return false;
    Panel* panel = panelHolding(msg.pSender);
    const auto* slider = dynamic_cast<const CSliderUI*>(msg.pSender);
    if (panel == nullptr || slider == nullptr)
        return true;
    if (brightness)
        panel->onBrightnessChanged(slider->GetValue());
    else
        panel->onSpeedChanged(slider->GetValue());
    return true;
}

bool handleLightItemSelect(TNotifyUI& msg) {
    if (named(msg, Panel::kCustomModeCombo)) {
        if (CVeltraKeyboardDevice* keyboard = keyboardHolding(msg.pSender); keyboard != nullptr && int(msg.wParam) >= 0)
            keyboard->chooseCustomGroup(int(msg.wParam));
        return true;
    }
    if (!named(msg, Panel::kModeCombo))
        return false;
    if (Panel* panel = panelHolding(msg.pSender); panel != nullptr && int(msg.wParam) >= 0)
        panel->onModeSelected(int(msg.wParam));
    return true;
}

bool handleLightColour(TNotifyUI& msg) {
    if (!named(msg, Panel::kPalette))
        return false;
    if (Panel* panel = panelHolding(msg.pSender))
        panel->onPaletteColour(DWORD(msg.wParam));
    return true;
}

bool handleLightEditCommit(TNotifyUI& msg) {
    const char* edits[] = {Panel::kRedEdit, Panel::kGreenEdit, Panel::kBlueEdit};
    for (int channel = 0; channel < 3; ++channel) {
        if (!named(msg, edits[channel]))
            continue;
        if (Panel* panel = panelHolding(msg.pSender))
            panel->onChannelCommitted(channel);
        return true;
    }
    return false;
}

} // namespace pelan
