// The picture button with a delete corner, driven with real mouse events: where a release lands decides between a
// click, a delete and nothing, and the hover notifications come with the hot state.
#include "controls/CHandImgButtonUI.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

struct HandImgFixture : ::testing::Test {
    void SetUp() override {
        test::app();
        CControlFactory::GetInstance()->RegistControl("CHandImgButtonUI", [] { return new CHandImgButtonUI(); });
        tree = std::make_unique<test::HostedTree>(R"(<HorizontalLayout>
                <HandImgButton name="pic" width="120" height="80" handimage="common/background.png"
                               deletenormalimage="d_normal.png" deletehotimage="d_hot.png"/>
                <Control/>
            </HorizontalLayout>)");
        button = tree->find<CHandImgButtonUI>("pic");
        ASSERT_NE(button, nullptr);
    }
    // A point of the delete corner in the button's own coordinates.
    QPoint corner() const { return button->DeleteCorner().center() - button->GetPos().topLeft(); }

    std::unique_ptr<test::HostedTree> tree;
    CHandImgButtonUI* button = nullptr;
};

TEST_F(HandImgFixture, CornerClickDeletesOnlyWhileDeleteIsAllowed) {
    // 20 x 20 at 96 DPI, 30 left of the right edge, its bottom 9 above the button's.
    EXPECT_EQ(button->DeleteCorner().translated(-button->GetPos().topLeft()), QRect(90, 51, 20, 20));
    EXPECT_EQ(button->GetHandImage(), "common/background.png");

    QTest::mouseClick(button, Qt::LeftButton, {}, corner());
    EXPECT_EQ(tree->recorder.typesOf("pic").filter("click"), QStringList{"click"});

    tree->recorder.clear();
    button->SetDeleteDisabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, corner());
    EXPECT_EQ(tree->recorder.typesOf("pic").filter("click"), QStringList{"click_handdelete"});

    tree->recorder.clear();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(tree->recorder.typesOf("pic").filter("click"), QStringList{"click"});
}

TEST_F(HandImgFixture, ReleaseOutsideAfterPressInsideSendsNothing) {
    button->SetDeleteDisabled(false);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(button->GetState() & UISTATE_PUSHED);
    QTest::mouseMove(button, QPoint(300, 10));
    EXPECT_FALSE(button->GetState() & UISTATE_PUSHED);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_TRUE(tree->recorder.typesOf("pic").filter("click").isEmpty());
    EXPECT_FALSE(button->GetState() & (UISTATE_PUSHED | UISTATE_CAPTURED));
}

TEST_F(HandImgFixture, HoverSendsEnterAndLeaveWithTheHotState) {
    tree->recorder.clear(); // the pointer may have entered as the window came up
    TEventUI event;
    event.Type = UIEVENT_MOUSEENTER;
    event.ptMouse = button->GetPos().center();
    button->DoEvent(event);
    EXPECT_TRUE(button->GetState() & UISTATE_HOT);
    event.Type = UIEVENT_MOUSELEAVE;
    button->DoEvent(event);
    EXPECT_FALSE(button->GetState() & UISTATE_HOT);
    EXPECT_EQ(tree->recorder.typesOf("pic"), (QStringList{"msenter", "msleave"}));
}

} // namespace
} // namespace pelan
