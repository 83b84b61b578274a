// The device picture's selection panel and key buttons: a drag selects the key buttons it touches whichever way it
// runs, a plain click selects nothing and says nothing, other children are left alone; double clicks and the
// layout attributes of the key buttons.
#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CSelectPanelUI.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

struct SelectPanelTest : ::testing::Test {
    void SetUp() override {
        test::app();
        CControlFactory::GetInstance()->RegistControl("CSelectPanelUI", [] { return new CSelectPanelUI(); });
        CControlFactory::GetInstance()->RegistControl("CDeviceKeyButtonUI", [] { return new CDeviceKeyButtonUI(); });
        tree = std::make_unique<test::HostedTree>(R"(<VerticalLayout>
            <SelectPanel name="SelectPanel" height="300">
                <DeviceKeyButton name="key_0" float="true" pos="20,20,50,50" gmnametextcolor="#FF00FF00"/>
                <DeviceKeyButton name="key_1" float="true" pos="120,20,150,50" lightimage="a.png" keysetimage="b.png"/>
                <DeviceKeyButton name="key_2" float="true" pos="20,200,50,230"/>
                <Button name="plain" float="true" pos="60,60,90,90"/>
            </SelectPanel></VerticalLayout>)");
        panel = tree->find<CSelectPanelUI>("SelectPanel");
        ASSERT_NE(panel, nullptr);
        for (const char* name : {"key_0", "key_1", "key_2"}) {
            keys.push_back(tree->find<CDeviceKeyButtonUI>(name));
            ASSERT_NE(keys.back(), nullptr) << name;
        }
    }
    // A left-button drag inside the panel, in panel coordinates.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(panel, Qt::LeftButton, {}, from);
        QTest::mouseMove(panel, (from + to) / 2);
        QTest::mouseMove(panel, to);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, to);
    }
    std::vector<bool> selection() const {
        std::vector<bool> selected;
        for (const CDeviceKeyButtonUI* key : keys)
            selected.push_back(key->IsSelected());
        return selected;
    }

    std::unique_ptr<test::HostedTree> tree;
    CSelectPanelUI* panel = nullptr;
    std::vector<CDeviceKeyButtonUI*> keys;
};

TEST_F(SelectPanelTest, DragSelectsTouchedKeysEitherWayAndAClickSaysNothing) {
    drag({100, 100}, {10, 10});
    EXPECT_EQ(selection(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(tree->recorder.typesOf("SelectPanel"), QStringList{CSelectPanelUI::kSelectEnd});
    EXPECT_FALSE(panel->IsDragging());
    EXPECT_FALSE(tree->find<CButtonUI>("plain")->GetState() & UISTATE_SELECTED);

    drag({10, 10}, {100, 100});
    EXPECT_EQ(selection(), (std::vector<bool>{true, false, false}));

    // A wider drag takes the second key too; the one outside is cleared again.
    keys[2]->SetSelected(true);
    drag({160, 10}, {10, 40});
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));

    tree->recorder.clear();
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(100, 150));
    EXPECT_TRUE(tree->recorder.typesOf("SelectPanel").isEmpty());
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));
}

TEST_F(SelectPanelTest, KeyButtonsTakeTheirAttributesAndDoubleClicksOnlyWhenEnabled) {
    EXPECT_EQ(keys[1]->GetLightImage(), "a.png");
    EXPECT_EQ(keys[1]->GetKeySetImage(), "b.png");
    EXPECT_TRUE(keys[1]->IsKeyOverlayHidden());
    EXPECT_FALSE(keys[1]->IsLightOverlayOn());

    QTest::mouseDClick(keys[0], Qt::LeftButton, {}, test::centerOf(keys[0]));
    EXPECT_EQ(tree->recorder.typesOf("key_0").count(CDeviceKeyButtonUI::kDoubleClick), 1);
    keys[2]->SetEnabled(false);
    QTest::mouseDClick(keys[2], Qt::LeftButton, {}, test::centerOf(keys[2]));
    EXPECT_TRUE(tree->recorder.typesOf("key_2").isEmpty());
}

} // namespace
} // namespace pelan
