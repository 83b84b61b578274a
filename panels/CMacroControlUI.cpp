#include "panels/CMacroControlUI.h"

#include "keys/DecimalText.h"
#include "macro/MacroKeyNumbers.h"
#include "platform/Clock.h"
#include "platform/Trace.h"

#include <QMouseEvent>
#include <array>

namespace pelan {
namespace {

constexpr const char* kMessageDeleteMacro = "message_text_4";
constexpr const char* kMessageMacroInUse = "message_text_2";
constexpr const char* kMessageImportRefused = "macro_import_refused_text";
constexpr const char* kMessageMacroListFull = "message_text_325";
constexpr const char* kMessageNotAMacro = "message_text_326";
constexpr const char* kMessageFileNotWritten = "message_text_323";

// Why an import was refused, as the user is told.
const char* importMessageFor(MacroImportResult result) {
    switch (result) {
    case MacroImportResult::ListFull:
        return kMessageMacroListFull;
    case MacroImportResult::WriteFailed:
        return kMessageFileNotWritten;
    case MacroImportResult::OutOfRange:
        return kMessageImportRefused;
    default:
        return kMessageNotAMacro;
    }
}
constexpr const char* kDownText = "macro_label_down_text";
constexpr const char* kUpText = "macro_label_up_text";
constexpr int kRowHeight = 30;
constexpr int kNameRowHeight = 30;
constexpr int kDelayEditHeight = 25;
constexpr int kDelayDigits = 6;

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString languageText(std::string_view key) {
    return CResourceManager::GetInstance()->GetText(fromView(key));
}

// The buttons of the action menu: which mouse button, which step.
struct MenuButton {
    const char* prefix;
    int bit;
};
constexpr std::array<MenuButton, 5> kMenuButtons{
    {{"left_", 1}, {"middle_", 4}, {"right_", 2}, {"forward_", 16}, {"back_", 8}}};

struct MenuRecording {
    const char* name;
    int mode;
    int policy; // 0: record, or constant when the constant-delay box is ticked
};
constexpr std::array<MenuRecording, 7> kMenuRecordings{{
    {"redio_previous_record_time", HookMode::MacroBefore, 0},
    {"redio_previous_constant_time", HookMode::MacroBefore, int(MacroDelayPolicy::Constant)},
    {"redio_previous_ignore_time", HookMode::MacroBefore, int(MacroDelayPolicy::Ignore)},
    {"redio_later_record_time", HookMode::MacroAfter, 0},
    {"redio_later_constant_time", HookMode::MacroAfter, int(MacroDelayPolicy::Constant)},
    {"redio_later_ignore_time", HookMode::MacroAfter, int(MacroDelayPolicy::Ignore)},
    {"macro_action_edit", HookMode::MacroReplace, int(MacroDelayPolicy::Ignore)},
}};

// One row of the step list: the step's name, its direction and its delay edit; the event text as hidden data.
CListContainerElementUI* makeRow(const MacroEventRow& row) {
    const MacroEvent event = eventOfRow(row).value_or(MacroEvent{});
    const MacroEventDisplay display = macroEventDisplay(event);
    auto* element = new CListContainerElementUI();
    element->SetName(CMacroControlUI::kRowName);
    element->SetFixedHeight(kRowHeight);
    element->SetUserData(QString::fromStdString(row.eventText));
    auto* name = new CLabelUI();
    QString text = display.nameKey.empty() ? QString() : languageText(display.nameKey);
    if (display.withDistance)
        text += QString::number(event.button);
    name->SetText(text);
    name->SetTextColor(display.keyboardStyle ? 0xFF7FC8FF : 0xFFFFC27F);
    auto* direction = new CLabelUI();
    direction->SetText(languageText(event.down ? kDownText : kUpText));
    direction->SetFixedWidth(70);
    auto* delay = new CEditUI();
    delay->SetName(CMacroControlUI::kDelayEdit);
    delay->SetFixedHeight(kDelayEditHeight);
    delay->SetFixedWidth(80);
    delay->SetBkColor(0xFF444444);
    delay->SetNumberOnly(true);
    delay->SetMaxChar(kDelayDigits);
    delay->SetText(QString::number(row.delay));
    element->Add(name);
    element->Add(direction);
    element->Add(delay);
    return element;
}

} // namespace

CMacroControlUI::CMacroControlUI() : recorder_(programFilters(), monotonicMilliseconds) {}

MacroRecordingFilters& CMacroControlUI::programFilters() {
    static MacroRecordingFilters filters;
    return filters;
}

void* CMacroControlUI::GetInterface(const QString& name) {
    if (name == "MacroControl")
        return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CMacroControlUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam == kScrollTimer) {
        KillTimer(kScrollTimer);
        if (auto* list = find<CListUI>(kActionList); list != nullptr && events_.selected())
            list->EnsureVisible(int(*events_.selected()));
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

// The action menu opens where the step list or one of its rows is released from a right click.
bool CMacroControlUI::eventFilter(QObject* watched, QEvent* event) {
    const auto* release =
        event->type() == QEvent::MouseButtonRelease ? static_cast<const QMouseEvent*>(event) : nullptr;
    if (release != nullptr && release->button() == Qt::RightButton && !recording() && prompts_.openMenu) {
        prompts_.openMenu(kActionMenu, release->globalPosition().toPoint());
        return true;
    }
    return CVerticalLayoutUI::eventFilter(watched, event);
}

void CMacroControlUI::setFolder(const std::string& userDeviceFolder, const std::string& listFileName) {
    library_ = std::make_unique<MacroLibrary>(userDeviceFolder, listFileName);
    library_->load();
    if (auto* list = find<CListUI>(kActionList); list != nullptr && !filterInstalled_) {
        list->installEventFilter(this);
        filterInstalled_ = true;
    }
    showNames();
    selectMacro(library_->entries().empty() ? std::nullopt : std::optional<size_t>(0));
}

void CMacroControlUI::showWindowOnlyHint(bool show) {
    if (CControlUI* hint = find(kHookHint))
        hint->SetVisible(show);
}

// --- the macro list ---

void CMacroControlUI::showNames() {
    auto* names = find<CListUI>(kNameList);
    if (names == nullptr || library_ == nullptr)
        return;
    names->RemoveAll();
    for (const MacroEntry& entry : library_->entries()) {
        auto* item = new CListLabelElementUI();
        item->SetText(QString::fromStdString(entry.name));
        item->SetUserData(QString::fromStdString(entry.guid));
        item->SetFixedHeight(kNameRowHeight);
        names->Add(item);
    }
    if (library_->selected())
        names->SelectItem(int(*library_->selected()), false, false);
    if (CControlUI* area = find(kActionLayout))
        area->SetEnabled(!library_->entries().empty());
}

void CMacroControlUI::selectMacro(std::optional<size_t> index) {
    if (library_ == nullptr)
        return;
    library_->select(index);
    const MacroEntry* entry = library_->selectedEntry();
    events_ = MacroEventList(entry != nullptr && !entry->guid.empty() ? library_->loadEvents()
                                                                      : std::vector<MacroEventRow>{});
    if (auto* names = find<CListUI>(kNameList); names != nullptr && index && names->GetCurSel() != int(*index))
        names->SelectItem(int(*index), false, false);
    if (CControlUI* area = find(kActionLayout); area != nullptr && entry != nullptr)
        area->SetEnabled(true);
    showEvents();
}

void CMacroControlUI::addMacro() {
    if (library_ == nullptr || library_->add().empty())
        return;
    showNames();
    selectMacro(library_->selected());
    if (page_.macroListChanged)
        page_.macroListChanged();
}

int CMacroControlUI::confirm(const char* key, bool withCancel) {
    return prompts_.message ? prompts_.message(key, withCancel) : 0;
}

void CMacroControlUI::deleteMacro() {
    if (library_ == nullptr || confirm(kMessageDeleteMacro, true) != 1 || !library_->selected())
        return;
    const size_t position = *library_->selected();
    std::vector<KeyRecord> keys = page_.keys ? page_.keys() : std::vector<KeyRecord>{};
    std::vector<KeyRecord> renumbered = keys;
    const std::vector<size_t> changed = renumberMacroKeys(renumbered, position);
    bool played = false;
    for (size_t key : changed)
        played |= namesMacro(keys[key].current) && keys[key].current.param1 == position;
    if (played && confirm(kMessageMacroInUse, true) != 1)
        return;
    if (!library_->remove(position)) {
        trace("macro list: " + library_->listFilePath() + " not written");
        return;
    }
    showNames();
    selectMacro(library_->selected());
    if (!changed.empty() && page_.storeKeys)
        page_.storeKeys(renumbered);
    if (page_.macroListChanged)
        page_.macroListChanged();
}

void CMacroControlUI::renameMacro() {
    if (library_ == nullptr)
        return;
    const auto* edit = find<CEditUI>(kNameEdit);
    const MacroRenameResult result = library_->rename(edit != nullptr ? edit->GetText().toStdString() : "");
    if (const std::string_view key = macroRenameMessage(result); !key.empty()) {
        confirm(std::string(key).c_str(), false);
        return;
    }
    if (result != MacroRenameResult::Renamed)
        return;
    showNames();
    if (page_.macroListChanged)
        page_.macroListChanged();
}

void CMacroControlUI::importMacro() {
    if (library_ == nullptr || !prompts_.openFile)
        return;
    const QString path = prompts_.openFile(fromView(kMacroFileFilter));
    if (path.isEmpty())
        return;
    const MacroImportResult result = library_->importFile(path.toStdString());
    if (result != MacroImportResult::Imported) {
        trace("macro import of " + path.toStdString() + " refused " + library_->importProblem());
        confirm(importMessageFor(result), false);
        return;
    }
    showNames();
    selectMacro(library_->selected());
    if (page_.macroListChanged)
        page_.macroListChanged();
}

void CMacroControlUI::exportMacro() {
    if (library_ == nullptr || !library_->selected() || !prompts_.saveFile)
        return;
    const QString path = prompts_.saveFile(fromView(kMacroFileFilter));
    if (!path.isEmpty() && !library_->exportSelected(path.toStdString())) {
        trace("macro export to " + path.toStdString() + " failed");
        confirm(kMessageFileNotWritten, false);
    }
}

// --- the steps ---

void CMacroControlUI::showEvents() {
    auto* list = find<CListUI>(kActionList);
    if (list == nullptr)
        return;
    list->RemoveAll();
    for (const MacroEventRow& row : events_.rows()) {
        CListContainerElementUI* element = makeRow(row);
        // A right click lands on the row's texts, which lie over the row.
        element->installEventFilter(this);
        for (QWidget* part : element->findChildren<QWidget*>())
            part->installEventFilter(this);
        list->Add(element);
    }
    if (events_.selected())
        list->SelectItem(int(*events_.selected()), false, false);
}

void CMacroControlUI::takeListSelection() {
    const auto* list = find<CListUI>(kActionList);
    events_.select(list != nullptr && list->GetCurSel() >= 0 ? std::optional<size_t>(list->GetCurSel()) : std::nullopt);
}

void CMacroControlUI::saveEvents() {
    if (library_ != nullptr && library_->selected() && !library_->saveEvents(events_.rows()))
        trace("macro events not written");
}

void CMacroControlUI::reloadEvents() {
    if (library_ != nullptr)
        selectMacro(library_->selected());
}

bool CMacroControlUI::rowButton(const QString& name) {
    using Operation = bool (MacroEventList::*)();
    struct RowButton {
        const char* name;
        Operation operation;
    };
    static constexpr std::array<RowButton, 5> kButtons{{{"macro_btn_up", &MacroEventList::moveSelectedUp},
                                                        {"macro_btn_down", &MacroEventList::moveSelectedDown},
                                                        {"macro_btn_uptop", &MacroEventList::moveSelectedToTop},
                                                        {"macro_btn_downbottom", &MacroEventList::moveSelectedToBottom},
                                                        {"macro_btn_delete", &MacroEventList::removeSelected}}};
    takeListSelection();
    if (name == "macro_btn_deleteall") {
        events_.clear();
    } else {
        const RowButton* button = nullptr;
        for (const RowButton& candidate : kButtons)
            if (name == candidate.name)
                button = &candidate;
        if (button == nullptr)
            return false;
        if (!(events_.*(button->operation))())
            return true;
    }
    showEvents();
    saveEvents();
    return true;
}

void CMacroControlUI::insertSteps(const std::vector<MacroEvent>& steps) {
    takeListSelection();
    for (const MacroEvent& step : steps)
        events_.insertAfterSelection(makeEventRow(step));
    showEvents();
    saveEvents();
}

uint16_t CMacroControlUI::readConstantDelay() {
    auto* edit = find<CEditUI>(kConstantEdit);
    if (edit == nullptr)
        return constantDelay_;
    const QString text = edit->GetText();
    constantDelay_ = uint16_t(parseDecimalTextClamped(text.toStdString(), kMaxMacroDelay));
    if (const QString shown = QString::asprintf("%ld", long(constantDelay_)); shown != text) {
        edit->SetText(shown);
        edit->SetCaretPos(int(shown.size()));
    }
    return constantDelay_;
}

bool CMacroControlUI::menuItem(const QString& name) {
    for (const MenuRecording& entry : kMenuRecordings) {
        if (name != entry.name)
            continue;
        startRecording(entry.mode, entry.policy == 0 ? recordPolicy() : MacroDelayPolicy(entry.policy));
        return true;
    }
    for (const MenuButton& button : kMenuButtons) {
        if (!name.startsWith(button.prefix))
            continue;
        const QString step = name.mid(int(strlen(button.prefix)));
        const MouseStep kind = step == "down" ? MouseStep::Down : step == "up" ? MouseStep::Up : MouseStep::Click;
        if (kind == MouseStep::Click && step != "click")
            return false;
        insertSteps(mouseButtonSteps(button.bit, kind, constantDelay_));
        return true;
    }
    return false;
}

void CMacroControlUI::insertMove(bool horizontal, bool towardsStart) {
    const char* editName = horizontal ? (towardsStart ? "mouse_x_left_edit" : "mouse_x_right_edit")
                                      : (towardsStart ? "mouse_y_up_edit" : "mouse_y_down_edit");
    auto* edit = find<CEditUI>(editName);
    const int distance = correctedMoveDistance(edit != nullptr ? edit->GetText().toStdString() : "");
    if (edit != nullptr)
        edit->SetText(QString::number(distance));
    const int type = horizontal ? MacroEventKind::HorizontalMove : MacroEventKind::VerticalMove;
    insertSteps({pointerMoveStep(type, towardsStart, distance, constantDelay_)});
}

void CMacroControlUI::delayCommitted(CControlUI* edit) {
    auto* row = dynamic_cast<CListContainerElementUI*>(edit->GetParent());
    auto* delayEdit = dynamic_cast<CEditUI*>(edit);
    if (row == nullptr || delayEdit == nullptr || row->GetIndex() < 0)
        return;
    const auto delay = uint16_t(parseDecimalTextClamped(delayEdit->GetText().toStdString(), kMaxMacroDelay));
    delayEdit->SetText(QString::number(delay));
    events_.setDelay(size_t(row->GetIndex()), delay);
    saveEvents();
}

// --- recording ---

MacroDelayPolicy CMacroControlUI::recordPolicy() {
    const auto* check = find<CCheckBoxUI>(kConstantCheck);
    return check != nullptr && check->IsSelected() ? MacroDelayPolicy::Constant : MacroDelayPolicy::Record;
}

void CMacroControlUI::setRecordingLook(bool recording) {
    for (const char* area : {kNameArea, kRowButtonArea, kMoveArea, kActionList})
        if (CControlUI* control = find(area))
            control->SetEnabled(!recording);
    if (CControlUI* start = find(kStartButton))
        start->SetVisible(!recording);
    if (CControlUI* stop = find(kStopButton))
        stop->SetVisible(recording);
    if (page_.recordingChanged)
        page_.recordingChanged(recording);
}

void CMacroControlUI::startRecording(int mode, MacroDelayPolicy policy) {
    if (library_ == nullptr || !library_->selected() || recording())
        return;
    takeListSelection();
    recorder_.start(policy, policy == MacroDelayPolicy::Constant ? readConstantDelay() : constantDelay_);
    recordingMode_ = mode;
    setRecordingLook(true);
    if (prompts_.installHook && prompts_.installHook(mode))
        return;
    // Nothing would arrive (another program holds the keyboard): the panel does not pretend to record.
    trace("macro recording: the input hook could not be installed");
    recordingMode_ = HookMode::None;
    setRecordingLook(false);
    confirm(kHookRefusedMessage, false);
}

void CMacroControlUI::stopRecording() {
    if (!recording())
        return;
    if (prompts_.removeHook)
        prompts_.removeHook();
    recordingMode_ = HookMode::None;
    setRecordingLook(false);
    saveEvents();
}

void CMacroControlUI::afterRecordedEvent(RecordOutcome outcome) {
    if (outcome == RecordOutcome::Dropped)
        return;
    showEvents();
    SetTimer(kScrollTimer, kScrollDelayMs);
}

std::optional<ScreenRect> CMacroControlUI::stopButtonRect() {
    CControlUI* stop = find(kStopButton);
    if (stop == nullptr || !stop->isVisible())
        return std::nullopt;
    const QPoint topLeft = stop->mapToGlobal(QPoint(0, 0));
    return ScreenRect{topLeft.x(), topLeft.y(), topLeft.x() + stop->width() - 1, topLeft.y() + stop->height() - 1};
}

void CMacroControlUI::hookKey(int mode, uint32_t transition, const HookKeyRecord& record) {
    if (recording())
        afterRecordedEvent(recorder_.recordKey(events_, mode, transition, record));
}

void CMacroControlUI::hookMouse(int mode, uint32_t message, const HookMouseRecord& record) {
    if (recording())
        afterRecordedEvent(recorder_.recordMouse(events_, mode, message, record, stopButtonRect()));
}

} // namespace pelan
