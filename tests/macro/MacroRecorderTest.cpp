// Recording hook events into a macro's event list, through the hook owner and its recording backend.
#include "macro/MacroRecorder.h"

#include "profile/JsonFileStore.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr uint32_t kKeyA = 30; // Linux key codes
constexpr uint32_t kKeyB = 48;
constexpr uint32_t kKeyRightCtrl = 97;

struct Step {
    int type;
    int button;
    bool down;
    uint16_t delay;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
    return out << "{" << s.type << "," << s.button << "," << (s.down ? "down" : "up") << "," << s.delay << "}";
}

class MacroRecorderTest : public ::testing::Test {
protected:
    MacroRecorderTest() : hook(std::make_unique<RecordingInputHook>()) {}

    RecordingInputHook& backend() { return static_cast<RecordingInputHook&>(hook.backend()); }

    void startRecording(int mode, MacroDelayPolicy policy, uint16_t constant = kDefaultConstantDelay) {
        recorder.start(policy, constant);
        CDeviceHook::Target target;
        target.key = [this](int m, uint32_t transition, const HookKeyRecord& record) {
            recorder.recordKey(list, m, transition, record);
        };
        target.mouse = [this](int m, uint32_t message, const HookMouseRecord& record) {
            recorder.recordMouse(list, m, message, record, stopButton);
        };
        ASSERT_EQ(hook.install(mode, target, true, true), 1);
    }

    std::vector<Step> steps() const {
        std::vector<Step> out;
        for (const MacroEventRow& row : list.rows()) {
            const MacroEvent event = eventOfRow(row).value();
            EXPECT_EQ(readMacroDelay(*JsonFileStore::parseJsonText(row.eventText)), row.delay) << row.eventText;
            out.push_back({event.type, event.button, event.down, row.delay});
        }
        return out;
    }

    uint64_t now = 1000;
    MacroRecordingFilters filters;
    MacroRecorder recorder{filters, [this] { return now; }};
    MacroEventList list;
    CDeviceHook hook;
    std::optional<ScreenRect> stopButton;
};

TEST_F(MacroRecorderTest, HeldKeyGivesOneDownAndOneUpWithMeasuredDelaysAndTheLastRowEndingWithZero) {
    startRecording(HookMode::Macro, MacroDelayPolicy::Record);
    now += 30;
    backend().key(kKeyA, true);
    now += 40;
    backend().key(kKeyA, true); // repeats while held
    backend().key(kKeyA, true);
    now += 25;
    backend().key(kKeyA, false);
    now += 10;
    backend().key(kKeyRightCtrl, true);
    EXPECT_EQ(steps(), (std::vector<Step>{{10, 0x04, true, 65}, {10, 0x04, false, 10}, {9, 0x10, true, 0}}));
    EXPECT_EQ(list.selected(), 2u);
    const HookKeyRecord noRow{0, 0x54, 0, 0, 0}; // a scan code without a key capture row
    EXPECT_EQ(recorder.recordKey(list, HookMode::Macro, kHookKeyDown, noRow), RecordOutcome::Dropped);
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(MacroRecorderTest, ConstantDelayIntoAnEmptyListOverwritesTheFirstRowsZero) {
    startRecording(HookMode::Macro, MacroDelayPolicy::Constant, 20);
    backend().key(kKeyA, true);
    backend().key(kKeyA, false);
    EXPECT_EQ(steps(), (std::vector<Step>{{10, 0x04, true, 20}, {10, 0x04, false, 20}}));
}

TEST_F(MacroRecorderTest, BackThenForwardWithoutReleasingRecordsOnlyBack) {
    startRecording(HookMode::Macro, MacroDelayPolicy::Ignore);
    backend().button(kButtonBack, true);
    backend().button(kButtonForward, true);
    backend().button(kButtonBack, false);
    EXPECT_EQ(steps(), (std::vector<Step>{{1, 8, true, 0}, {1, 8, false, 0}}));
}

TEST_F(MacroRecorderTest, LeftClickOnTheStopButtonAddsNoRowButOtherButtonsThereDo) {
    stopButton = ScreenRect{100, 100, 180, 130};
    startRecording(HookMode::Macro, MacroDelayPolicy::Ignore);
    backend().button(kButtonLeft, true, 120, 110);
    backend().button(kButtonLeft, false, 120, 110);
    backend().button(kButtonRight, true, 120, 110);
    backend().button(kButtonLeft, true, 20, 20);
    EXPECT_EQ(steps(), (std::vector<Step>{{1, 2, true, 0}, {1, 1, true, 0}}));
}

TEST_F(MacroRecorderTest, SecondRecordingWritesTheTimeFromItsStartIntoTheFormerLastRow) {
    startRecording(HookMode::Macro, MacroDelayPolicy::Record);
    backend().key(kKeyA, true);
    backend().key(kKeyA, false);
    hook.remove();
    EXPECT_FALSE(backend().key(kKeyB, true)); // nothing arrives once removed
    now += 5000;
    startRecording(HookMode::Macro, MacroDelayPolicy::Record);
    now += 300;
    backend().key(kKeyB, true);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.rows()[1].delay, 300);
    EXPECT_EQ(list.rows()[2].delay, 0);
}

TEST_F(MacroRecorderTest, BeforeAndAfterTheSelectionKeepEventsInOrder) {
    list = MacroEventList({makeEventRow({1, 1, true, 7}), makeEventRow({1, 1, false, 9})});
    list.select(1);
    startRecording(HookMode::MacroBefore, MacroDelayPolicy::Constant, 15);
    backend().key(kKeyA, true);
    backend().key(kKeyA, false);
    EXPECT_EQ(list.selected(), 3u); // the row recording started above
    hook.install(HookMode::MacroAfter,
                 {[this](int m, uint32_t t, const HookKeyRecord& r) { recorder.recordKey(list, m, t, r); }, {}}, true,
                 false);
    list.select(0);
    backend().key(kKeyB, true);
    EXPECT_FALSE(backend().button(kButtonLeft, true)); // no mouse hook asked for
    EXPECT_EQ(
        steps(),
        (std::vector<Step>{
            {1, 1, true, 15}, {10, 0x05, true, 15}, {10, 0x04, true, 15}, {10, 0x04, false, 15}, {1, 1, false, 9}}));
    EXPECT_EQ(list.selected(), 1u);
}

TEST_F(MacroRecorderTest, ReplaceKeepsPositionDirectionAndDelay) {
    list = MacroEventList({makeEventRow({1, 1, true, 7}), makeEventRow({1, 1, false, 9})});
    list.select(1);
    startRecording(HookMode::MacroReplace, MacroDelayPolicy::Ignore);
    backend().key(kKeyA, true);
    EXPECT_EQ(steps()[1], (Step{10, 0x04, false, 9}));
    backend().button(kButtonForward, true);
    EXPECT_EQ(steps()[1], (Step{1, 0x10, false, 9}));
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(MacroRecorderTest, FullListTakesNothingAndAHookThatCannotTakeTheKeyboardReportsFailure) {
    for (size_t i = 0; i < kMaxMacroEvents; ++i)
        ASSERT_TRUE(list.insert(i, makeEventRow({1, 1, i % 2 == 0, 1})));
    startRecording(HookMode::Macro, MacroDelayPolicy::Record);
    backend().key(kKeyA, true);
    EXPECT_EQ(list.size(), kMaxMacroEvents);
    EXPECT_EQ(list.rows().back().delay, 1);

    backend().refuseKeyboard(true);
    EXPECT_EQ(hook.install(HookMode::Macro, {}, true, true), 0);
    EXPECT_FALSE(hook.installed());
    EXPECT_FALSE(backend().mouseStarted());
}

TEST(MacroEventListTest, RowButtonsStopAtTheEndsAndInsertsFollowTheSelection) {
    MacroEventList list;
    for (const MacroEvent& step : mouseButtonSteps(1, MouseStep::Click, 50))
        list.insertAfterSelection(makeEventRow(step));
    list.insertAfterSelection(makeEventRow(pointerMoveStep(4, true, correctedMoveDistance("0"), 50)));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(eventOfRow(list.rows()[0])->down);
    EXPECT_FALSE(eventOfRow(list.rows()[1])->down);
    EXPECT_EQ(eventOfRow(list.rows()[2])->button, 1);

    list.select(0);
    EXPECT_FALSE(list.moveSelectedUp());
    EXPECT_FALSE(list.moveSelectedToTop());
    EXPECT_TRUE(list.moveSelectedToBottom());
    EXPECT_EQ(list.selected(), 2u);
    EXPECT_FALSE(list.moveSelectedDown());
    EXPECT_TRUE(eventOfRow(list.rows()[2])->down);
    EXPECT_TRUE(list.setDelay(2, 65535));
    EXPECT_EQ(eventOfRow(list.rows()[2])->delay, 65535);
    EXPECT_NE(list.rows()[2].eventText.find("\"65535\""), std::string::npos);

    EXPECT_EQ(correctedMoveDistance(""), 1);
    EXPECT_EQ(correctedMoveDistance("x"), 1);
    EXPECT_EQ(correctedMoveDistance("999"), 255);
}

} // namespace
} // namespace pelan
