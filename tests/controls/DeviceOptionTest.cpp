// The device list entry: its icons and name by kind and role, the synchronise tick, its tab and power bindings, and
// the page timers it runs (connect once, then the periodic status while the page is connected).
#include "controls/CDeviceOptionUI.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

QString sourceDir() {
    const char* dir = std::getenv("PELAN_SOURCE_DIR");
    return dir != nullptr ? QString::fromUtf8(dir) : QString();
}

// Records the timer operations the entry hands to its page.
struct FakePage : IDeviceOptionPage {
    std::vector<UINT> timers;
    bool powerDisplay = true;
    bool connected = true;
    void OnOptionTimer(UINT id) override { timers.push_back(id); }
    bool IsPowerDisplayEnabled() const override { return powerDisplay; }
    bool IsCommandConnected() const override { return connected; }
};

// The entry as the program builds it, from its layout, beside a tab layout it can select pages of.
struct OptionFixture : ::testing::Test {
    void SetUp() override {
        test::app();
        CPaintManagerUI::SetResourcePath(sourceDir() + "/skin/");
        CControlFactory::GetInstance()->RegistControl("CDeviceOptionUI", [] { return new CDeviceOptionUI(); });
        tree = std::make_unique<test::HostedTree>(R"(<HorizontalLayout>
                <VerticalLayout name="list"><Include source="XML/CustomControlXML/DeviceOption.xml"/></VerticalLayout>
                <TabLayout name="pages"><Control name="page0"/><Control name="page1"/></TabLayout>
            </HorizontalLayout>)");
        auto* list = tree->find<CContainerUI>("list");
        ASSERT_NE(list, nullptr);
        option = dynamic_cast<CDeviceOptionUI*>(list->GetItemAt(0));
        ASSERT_NE(option, nullptr);
        option->SetPage(&page);
    }
    void fire(UINT id) {
        TEventUI event;
        event.Type = UIEVENT_TIMER;
        event.wParam = id;
        option->DoEvent(event);
    }
    bool timerRunning(UINT id) const { return tree->pm.HasTimer(option, id); }

    std::unique_ptr<test::HostedTree> tree;
    CDeviceOptionUI* option = nullptr;
    FakePage page;
};

TEST_F(OptionFixture, IconSetsAndNameFollowKindAndRole) {
    struct Case {
        int kind;
        int role;
        const char* stem;
    };
    const Case cases[] = {{1, 0, "kb"}, {2, 0, "ms"},  {3, 0, "hard_mp"}, {3, 1, "soft_mp"}, {4, 0, "hd"},
                          {7, 0, "hd"}, {5, 0, "hub"}, {0, 0, "unknow"},  {6, 0, "unknow"},  {8, 0, "unknow"}};
    auto* select = tree->find<COptionUI>("device_select");
    auto* name = tree->find<CControlUI>("device_select_name");
    for (const Case& c : cases) {
        option->SetKind(c.kind, c.role);
        const QString base = QString("common/device_ico/") + c.stem;
        EXPECT_EQ(option->GetNormalImage(), base + "_device_normal.png") << c.kind << "/" << c.role;
        EXPECT_EQ(option->GetSelectedImage(), base + "_device_selected.png");
        EXPECT_EQ(option->GetSynchroNormalImage(), base + "_device_synchro_normal.png");
        EXPECT_EQ(option->GetSynchroSelectedImage(), base + "_device_synchro_selected.png");
        EXPECT_EQ(select->GetNormalImage(), base + "_device_normal.png");
        EXPECT_EQ(name->GetRawText(), QString(c.stem) + "_device_name_text");
        EXPECT_TRUE(QFile::exists(sourceDir() + "/skin/" + base + "_device_selected.png")) << c.stem;
        EXPECT_EQ(option->GetKind(), c.kind);
        EXPECT_EQ(option->GetRole(), c.role);
    }
    // A mousepad of an unknown role keeps the pictures it had.
    option->SetKind(3, 0);
    option->SetKind(3, 9);
    EXPECT_EQ(option->GetNormalImage(), "common/device_ico/hard_mp_device_normal.png");
    EXPECT_EQ(option->GetRole(), 9);
}

TEST_F(OptionFixture, SynchroniseTickSwitchesThePictures) {
    option->SetKind(2, 0);
    auto* select = tree->find<COptionUI>("device_select");
    auto* tick = tree->find<CCheckBoxUI>("synchro_device_select");
    EXPECT_FALSE(tick->IsVisibleFlag());
    option->ShowSynchronise(true);
    EXPECT_TRUE(tick->IsVisibleFlag());
    option->SetSynchronise(true);
    EXPECT_TRUE(option->IsSynchronised());
    EXPECT_EQ(select->GetNormalImage(), "common/device_ico/ms_device_synchro_normal.png");
    EXPECT_EQ(select->GetSelectedImage(), "common/device_ico/ms_device_synchro_selected.png");
    option->SetSynchronise(false);
    EXPECT_EQ(select->GetNormalImage(), "common/device_ico/ms_device_normal.png");
    option->ShowSynchronise(false);
    EXPECT_FALSE(tick->IsVisibleFlag());
}

TEST_F(OptionFixture, SelectingShowsTheBoundPageAndActivationNotifies) {
    option->BindTab("pages", 1);
    EXPECT_EQ(option->GetTabLayoutName(), "pages");
    EXPECT_EQ(option->GetTabIndex(), 1);
    option->Select(true);
    EXPECT_TRUE(option->IsSelected());
    EXPECT_EQ(tree->find<CTabLayoutUI>("pages")->GetCurSel(), 1);

    tree->recorder.clear();
    EXPECT_TRUE(option->Activate());
    QApplication::processEvents();
    bool notified = false;
    for (const auto& entry : tree->recorder.entries)
        notified = notified || entry.type == DUI_MSGTYPE_SELECTCHANGED;
    EXPECT_TRUE(notified);

    option->SetVisible(false);
    EXPECT_FALSE(option->GetVisibleFlag());
    EXPECT_FALSE(option->Activate()); // a hidden entry does nothing
}

TEST_F(OptionFixture, PowerContainerKeepsItsIndexWhenGivenANegativeOne) {
    EXPECT_EQ(option->GetPowerIndex(), -1);
    option->SetPowerContainer("device_power_switch", 2);
    option->SetPowerContainer("other_switch", -1);
    EXPECT_EQ(option->GetPowerContainerName(), "other_switch");
    EXPECT_EQ(option->GetPowerIndex(), 2);
}

TEST_F(OptionFixture, ConnectTimerStartsThePeriodicStatusWhichStopsAfterTheDeviceLeft) {
    option->StartTimers();
    EXPECT_TRUE(timerRunning(CDeviceOptionUI::kConnectTimer));
    ASSERT_TRUE(test::waitFor([&] { return !page.timers.empty(); }, 3000)); // 500 ms later
    EXPECT_EQ(page.timers, std::vector<UINT>{CDeviceOptionUI::kConnectTimer});
    EXPECT_FALSE(timerRunning(CDeviceOptionUI::kConnectTimer)); // once
    EXPECT_TRUE(timerRunning(CDeviceOptionUI::kPeriodicTimer));

    fire(CDeviceOptionUI::kPeriodicTimer);
    EXPECT_TRUE(timerRunning(CDeviceOptionUI::kPeriodicTimer));
    page.connected = false; // unplugged
    fire(CDeviceOptionUI::kPeriodicTimer);
    EXPECT_FALSE(timerRunning(CDeviceOptionUI::kPeriodicTimer));
    EXPECT_EQ(page.timers.back(), CDeviceOptionUI::kPeriodicTimer);
}

TEST_F(OptionFixture, WithoutPowerDisplayOnlyTheConnectRoutineRuns) {
    page.powerDisplay = false;
    fire(CDeviceOptionUI::kConnectTimer);
    EXPECT_FALSE(timerRunning(CDeviceOptionUI::kPeriodicTimer));
    // The sync and the two spare timers reach the page once each.
    option->SetTimer(CDeviceOptionUI::kSyncTimer, 1000);
    fire(CDeviceOptionUI::kSyncTimer);
    fire(CDeviceOptionUI::kThirdTimer);
    fire(CDeviceOptionUI::kFourthTimer);
    EXPECT_FALSE(timerRunning(CDeviceOptionUI::kSyncTimer));
    EXPECT_EQ(page.timers, (std::vector<UINT>{1001, 1002, 1003, 1004}));
}

} // namespace
} // namespace pelan
