// Each kind of control sends its notifications with the right type strings and senders when used with the pointer
// and the keyboard, and stays silent when changed from code.
#include "UiTestSupport.h"

#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using test::centerOf;
using test::HostedTree;

TEST(Buttons, ClickNotifiesOnlyWhenReleasedInsideAnEnabledButton) {
    HostedTree tree(R"(<HorizontalLayout><Button name="go" width="80"/><Button name="off" width="80" enabled="false"/>
                       <Control name="elsewhere"/></HorizontalLayout>)");
    auto* go = tree.find<CButtonUI>("go");
    QTest::mouseClick(go, Qt::LeftButton, {}, centerOf(go));
    EXPECT_EQ(tree.recorder.typesOf("go"), QStringList{"click"});

    tree.recorder.clear();
    QTest::mouseClick(tree.find<CButtonUI>("off"), Qt::LeftButton, {}, QPoint(5, 5));
    // Pressed inside, released outside: nothing.
    QTest::mousePress(go, Qt::LeftButton, {}, centerOf(go));
    EXPECT_TRUE(go->GetState() & UISTATE_PUSHED);
    QTest::mouseRelease(go, Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_TRUE(tree.recorder.entries.empty());
    EXPECT_FALSE(go->GetState() & (UISTATE_PUSHED | UISTATE_CAPTURED));
}

TEST(Options, GroupSelectionIsExclusiveAndSwitchesTheBoundTab) {
    HostedTree tree(R"(<VerticalLayout>
            <HorizontalLayout height="30">
              <Option name="opt_a" group="g" selected="true" bindtablayoutname="pages" bindtabindex="0" width="60"/>
              <Option name="opt_b" group="g" bindtablayoutname="pages" bindtabindex="1" width="60"/>
              <CheckBox name="tick" width="60"/>
            </HorizontalLayout>
            <TabLayout name="pages"><Label name="page0"/><Label name="page1"/></TabLayout>
        </VerticalLayout>)");
    auto* a = tree.find<COptionUI>("opt_a");
    auto* b = tree.find<COptionUI>("opt_b");
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(tree.recorder.entries.empty());

    QTest::mouseClick(b, Qt::LeftButton, {}, centerOf(b));
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(tree.recorder.typesOf("opt_b"), (QStringList{"click", "selectchanged"}));
    EXPECT_EQ(tree.recorder.typesOf("opt_a"), QStringList{"selectchanged"});
    EXPECT_EQ(tree.find<CTabLayoutUI>("pages")->GetCurSel(), 1);

    // Clicking the selected option of a group keeps it selected and reports no change.
    tree.recorder.clear();
    QTest::mouseClick(b, Qt::LeftButton, {}, centerOf(b));
    EXPECT_EQ(tree.recorder.typesOf("opt_b"), QStringList{"click"});

    // Selection from code without notification.
    tree.recorder.clear();
    a->Selected(true, false);
    EXPECT_TRUE(a->IsSelected());
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(tree.recorder.entries.empty());
    EXPECT_EQ(tree.find<CTabLayoutUI>("pages")->GetCurSel(), 0);

    auto* tick = tree.find<CCheckBoxUI>("tick");
    QTest::mouseClick(tick, Qt::LeftButton, {}, centerOf(tick));
    QTest::mouseClick(tick, Qt::LeftButton, {}, centerOf(tick));
    EXPECT_FALSE(tick->GetCheck());
    EXPECT_EQ(tree.recorder.typesOf("tick"), (QStringList{"click", "selectchanged", "click", "selectchanged"}));
}

TEST(Options, DestroyedOptionLeavesItsGroup) {
    HostedTree tree(
        R"(<HorizontalLayout name="row"><Option name="x" group="g2"/><Option name="y" group="g2"/></HorizontalLayout>)");
    auto* row = tree.find<CHorizontalLayoutUI>("row");
    row->Remove(tree.pm.FindControl("x"));
    EXPECT_EQ(tree.pm.GetOptionGroup("g2").size(), 1u);
    tree.find<COptionUI>("y")->Selected(true); // must not touch the removed option
    EXPECT_TRUE(tree.find<COptionUI>("y")->IsSelected());
}

TEST(Edits, TypingNotifiesAndRespectsNumbersOnlyAndMaximumLength) {
    HostedTree tree(R"(<VerticalLayout><Edit name="dpi" numberonly="true" maxchar="4" height="30"/>
                       <Edit name="other" height="30"/></VerticalLayout>)");
    auto* dpi = tree.find<CEditUI>("dpi");
    auto* other = tree.find<CEditUI>("other");
    tree.host.activateWindow();
    dpi->SetFocus();
    QTest::keyClicks(dpi->GetLineEdit(), "12ab345");
    EXPECT_EQ(dpi->GetText(), "1234");
    EXPECT_EQ(dpi->GetCaretPos(), 4);
    EXPECT_TRUE(tree.recorder.typesOf("dpi").contains("textchanged"));
    EXPECT_EQ(tree.recorder.typesOf("dpi").first(), "setfocus");

    tree.recorder.clear();
    other->SetFocus();
    EXPECT_EQ(tree.recorder.typesOf("dpi"), QStringList{"killfocus"});

    // Text set from code is cut to the maximum and sends nothing.
    tree.recorder.clear();
    dpi->SetText("987654");
    EXPECT_EQ(dpi->GetText(), "9876");
    dpi->SetSel(1, 3);
    EXPECT_EQ(dpi->GetLineEdit()->selectedText(), "87");
    EXPECT_TRUE(tree.recorder.typesOf("dpi").isEmpty());
}

// Controls take the focus as Qt widgets do: a click beside an edit ends it, Tab walks the edits and buttons, Space
// and Return press what has the focus; every control carries its name and text for screen readers.
TEST(Focus, ClickBesideAnEditEndsItTabMovesOnAndKeysPress) {
    HostedTree tree(R"(<VerticalLayout><Edit name="dpi" height="30"/><Label name="caption" text="DPI" height="30"/>
                       <Button name="save" text="Save" height="30"/><CheckBox name="tick" height="30"/>
                       <Slider name="speed" min="0" max="9" value="4" height="20"/></VerticalLayout>)");
    auto* dpi = tree.find<CEditUI>("dpi");
    QLineEdit* line = dpi->GetLineEdit();
    tree.host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree.host));
    QTest::mouseClick(line, Qt::LeftButton);
    ASSERT_TRUE(line->hasFocus());
    QTest::keyClicks(line, "5");
    // Return confirms; an empty field is confirmed too (it stands for the smallest value).
    QTest::keyClick(line, Qt::Key_Return);
    line->clear();
    QTest::keyClick(line, Qt::Key_Enter);
    EXPECT_EQ(tree.recorder.typesOf("dpi").count("return"), 2);
    EXPECT_FALSE(tree.recorder.typesOf("dpi").contains("killfocus"));

    // A label takes no focus, yet a click on it ends the edit.
    auto* caption = tree.find<CLabelUI>("caption");
    QTest::mouseClick(caption, Qt::LeftButton, {}, centerOf(caption));
    EXPECT_EQ(tree.recorder.typesOf("dpi").last(), "killfocus");
    EXPECT_FALSE(line->hasFocus());

    tree.recorder.clear();
    dpi->SetFocus();
    QTest::keyClick(line, Qt::Key_Tab);
    ASSERT_TRUE(tree.find<CButtonUI>("save")->hasFocus());
    EXPECT_EQ(tree.recorder.typesOf("dpi").last(), "killfocus");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(tree.recorder.typesOf("save"), QStringList{"click"});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(tree.find<CCheckBoxUI>("tick")->hasFocus());
    // Return is the window's (its default button); Space ticks a check box.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(tree.find<CCheckBoxUI>("tick")->GetCheck());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(tree.find<CCheckBoxUI>("tick")->GetCheck());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(tree.find<CSliderUI>("speed")->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(tree.find<CSliderUI>("speed")->GetValue(), 5);
    EXPECT_EQ(tree.recorder.typesOf("speed"), QStringList{"valuechanged"});

    EXPECT_EQ(tree.find<CButtonUI>("save")->accessibleName(), "save");
    EXPECT_EQ(tree.find<CButtonUI>("save")->accessibleDescription(), "Save");
    EXPECT_EQ(caption->accessibleName(), "caption");
    EXPECT_EQ(line->accessibleName(), "dpi");
}

TEST(Sliders, DraggingReportsMovesAndReleaseReportsTheValue) {
    HostedTree tree(R"(<VerticalLayout><Slider name="dpi_slider" min="0" max="100" value="10" height="20"
                        thumbsize="0,0" width="101"/></VerticalLayout>)");
    auto* slider = tree.find<CSliderUI>("dpi_slider");
    ASSERT_NE(slider, nullptr);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(slider->GetValue(), 30);
    QTest::mouseMove(slider, QPoint(60, 10));
    EXPECT_EQ(slider->GetValue(), 60);
    EXPECT_TRUE(slider->IsDragging());
    EXPECT_EQ(tree.recorder.typesOf("dpi_slider"), (QStringList{"movevaluechanged", "movevaluechanged"}));
    // Past the end the value stops at the maximum.
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(400, 10));
    EXPECT_EQ(slider->GetValue(), 100);
    EXPECT_EQ(tree.recorder.typesOf("dpi_slider").last(), "valuechanged");

    // A press and release where the thumb already is change nothing and report nothing.
    tree.recorder.clear();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(slider->GetValue(), 100);
    EXPECT_TRUE(tree.recorder.typesOf("dpi_slider").isEmpty());

    slider->SetValue(500);
    EXPECT_EQ(slider->GetValue(), 100);
    slider->SetMinValue(20);
    slider->SetValue(-3);
    EXPECT_EQ(slider->GetValue(), 20);
    EXPECT_TRUE(tree.recorder.entries.empty());
}

TEST(Combos, SelectionNotifiesOnlyWhenAskedAndHiddenItemsAreNotOffered) {
    HostedTree tree(R"(<VerticalLayout><Combo name="mode" height="30">
            <ListLabelElement text="Static" height="30"/><ListLabelElement text="Breathing" height="30" visible="false"/>
            <ListLabelElement text="Wave" height="30" userdata="w"/></Combo></VerticalLayout>)");
    auto* combo = tree.find<CComboUI>("mode");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetText(), "");
    EXPECT_FALSE(combo->GetItemAt(0)->isVisible()); // items never show inside the box

    combo->SelectItem1(2, false, false);
    EXPECT_EQ(combo->GetText(), "Wave");
    EXPECT_EQ(combo->GetItemAt(2)->GetUserData(), "w");
    EXPECT_TRUE(tree.recorder.entries.empty());

    combo->SelectItem1(0, false, true);
    ASSERT_EQ(tree.recorder.entries.size(), 1u);
    EXPECT_EQ(tree.recorder.entries[0].type, "itemselect");
    EXPECT_EQ(tree.recorder.entries[0].sender, "mode");
    EXPECT_EQ(tree.recorder.entries[0].wParam, 0u);
    EXPECT_EQ(tree.recorder.entries[0].lParam, 2);

    // A click opens the list with the visible items; picking one selects it with a notification.
    tree.recorder.clear();
    QTest::mouseClick(combo, Qt::LeftButton, {}, centerOf(combo));
    auto* menu = combo->findChild<QMenu*>("combo_popup");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[1]->text(), "Wave");
    menu->actions()[1]->trigger();
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_EQ(tree.recorder.typesOf("mode"), (QStringList{"dropdown", "itemselect"}));
    menu->close();

    // Removing the selected item leaves no selection; removing one before it keeps the same item selected.
    combo->RemoveAt(0);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetText(), "Wave");
    combo->RemoveAt(1);
    EXPECT_EQ(combo->GetCurSel(), -1);
}

TEST(Lists, PressSelectsTheRowAndSelectionScrollsIntoView) {
    QString rows;
    for (int i = 0; i < 20; ++i)
        rows += QString(R"(<ListLabelElement name="row%1" text="Row %1" height="30" userdata="%1"/>)").arg(i);
    HostedTree tree(R"(<VerticalLayout><List name="macros">)" + rows +
                        R"(<ListContainerElement name="boxrow" height="30"><Label name="in_box" text="x"/>
                           </ListContainerElement></List></VerticalLayout>)",
                    nullptr, QSize(200, 150));
    auto* list = tree.find<CListUI>("macros");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 21);
    auto* row1 = tree.pm.FindControl("row1");
    QTest::mouseClick(row1, Qt::LeftButton, {}, centerOf(row1));
    EXPECT_EQ(list->GetCurSel(), 1);
    ASSERT_FALSE(tree.recorder.entries.empty());
    EXPECT_EQ(tree.recorder.entries[0].type, "itemselect");
    EXPECT_EQ(tree.recorder.entries[0].sender, "macros");
    EXPECT_EQ(tree.recorder.entries[0].wParam, 1u);

    // A press on a control inside a container row selects the row.
    list->SelectItem(20, false, false);
    auto* inner = tree.pm.FindControl("in_box");
    EXPECT_TRUE(list->rect().contains(tree.pm.FindControl("boxrow")->geometry()));
    EXPECT_GT(list->GetScrollPos(), 0);
    tree.recorder.clear();
    list->SelectItem(3, false, false);
    QTest::mouseClick(inner, Qt::LeftButton, {}, centerOf(inner));
    EXPECT_EQ(list->GetCurSel(), 20);
    EXPECT_EQ(tree.recorder.typesOf("macros"), QStringList{"itemselect"});

    list->EnsureVisible(0);
    EXPECT_EQ(list->GetScrollPos(), 0);
    EXPECT_EQ(tree.pm.FindControl("row19")->GetUserData(), "19");
}

TEST(ColorPalette, PickingReportsTheColourOnRelease) {
    HostedTree tree(R"(<VerticalLayout><ColorPalette name="palette" height="120" barheight="12"/></VerticalLayout>)");
    auto* palette = tree.find<CColorPaletteUI>("palette");
    ASSERT_NE(palette, nullptr);
    QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(palette, QPoint(3, 3));
    EXPECT_TRUE(tree.recorder.entries.empty());
    QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(tree.recorder.typesOf("palette"), QStringList{"colorchanged"});
    const DWORD picked = palette->GetSelectColor();
    EXPECT_EQ(picked >> 24, 0xFFu);
    EXPECT_EQ(tree.recorder.entries[0].wParam, picked);
    // Top left of the field: red at full saturation.
    EXPECT_GT((picked >> 16) & 0xFF, 0xE0u);
    EXPECT_LT(picked & 0xFF, 0x20u);

    palette->SetSelectColor(0xFF2060C0);
    const DWORD back = palette->GetSelectColor();
    EXPECT_NEAR(int((back >> 16) & 0xFF), 0x20, 3);
    EXPECT_NEAR(int((back >> 8) & 0xFF), 0x60, 3);
    EXPECT_NEAR(int(back & 0xFF), 0xC0, 3);
    EXPECT_EQ(tree.recorder.entries.size(), 1u);
}

class CountingUI : public CControlUI {
public:
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_TIMER) {
            ticks.push_back(static_cast<UINT>(event.wParam));
            if (event.wParam == 2)
                KillTimer(2);
        }
        CControlUI::DoEvent(event);
    }
    std::vector<UINT> ticks;
};

TEST(Timers, ControlTimersReachDoEventUntilKilled) {
    struct Callback : IDialogBuilderCallback {
        CControlUI* CreateControl(const QString& tag) override {
            return tag == "Counting" ? new CountingUI() : nullptr;
        }
    } callback;
    HostedTree tree(R"(<VerticalLayout><Counting name="counter"/></VerticalLayout>)", &callback);
    auto* counter = dynamic_cast<CountingUI*>(tree.pm.FindControl("counter"));
    ASSERT_NE(counter, nullptr);
    ASSERT_TRUE(counter->SetTimer(2, 5));
    ASSERT_TRUE(counter->SetTimer(3, 5));
    ASSERT_TRUE(test::waitFor([&] { return std::count(counter->ticks.begin(), counter->ticks.end(), 3u) >= 3; }));
    // Timer 2 killed itself in its first handler.
    EXPECT_EQ(std::count(counter->ticks.begin(), counter->ticks.end(), 2u), 1);
    EXPECT_FALSE(tree.pm.HasTimer(counter, 2));
    EXPECT_TRUE(tree.recorder.typesOf("counter").contains("timer"));
    counter->KillTimer();
    EXPECT_FALSE(tree.pm.HasTimer(counter, 3));
}

TEST(Timers, RemovedControlStopsItsTimers) {
    HostedTree tree(R"(<VerticalLayout name="root"><Control name="gone"/></VerticalLayout>)");
    CControlUI* gone = tree.pm.FindControl("gone");
    gone->SetTimer(9, 1);
    tree.find<CVerticalLayoutUI>("root")->Remove(gone);
    EXPECT_FALSE(tree.pm.HasTimer(gone, 9));
    QTest::qWait(20); // the deferred deletion and any stray tick happen here without harm
    EXPECT_EQ(tree.pm.FindControl("gone"), nullptr);
}

struct FixedAnswer : IQueryControlText {
    QString QueryControlText(const QString& id, const QString&) override {
        return id == "override_key" ? QString("from the window") : QString();
    }
};

TEST(LanguageTexts, KeysShowTheLanguageTextAndFollowALanguageChange) {
    test::app();
    auto* resources = CResourceManager::GetInstance();
    ASSERT_TRUE(resources->LoadLanguage(R"(<Language><Text id="hello_key" value="Hello"/></Language>)"));
    HostedTree tree(R"(<VerticalLayout><Label name="greeting" text="hello_key" resourcetext="true"/>
                       <Label name="plain" text="hello_key"/><Label name="unknown" text="nope_key" resourcetext="true"/>
                       <Label name="queried" text="override_key" resourcetext="true"/></VerticalLayout>)");
    EXPECT_EQ(tree.pm.FindControl("greeting")->GetText(), "Hello");
    EXPECT_EQ(tree.pm.FindControl("plain")->GetText(), "hello_key");
    EXPECT_EQ(tree.pm.FindControl("unknown")->GetText(), "nope_key");

    ASSERT_TRUE(resources->LoadLanguage(R"(<Language><Text id="hello_key" value="Hallo"/></Language>)"));
    resources->ReloadText();
    EXPECT_EQ(tree.pm.FindControl("greeting")->GetText(), "Hallo");
    // A broken language file keeps the texts that were loaded.
    EXPECT_FALSE(resources->LoadLanguage("<Language><Text id=\"hello_key\" value=\"x\"></Language>"));
    EXPECT_EQ(tree.pm.FindControl("greeting")->GetText(), "Hallo");

    FixedAnswer query;
    resources->SetTextQueryInterface(&query);
    EXPECT_EQ(tree.pm.FindControl("queried")->GetText(), "from the window");
    EXPECT_EQ(tree.pm.FindControl("greeting")->GetText(), "Hallo");
    resources->Release();
    EXPECT_EQ(tree.pm.FindControl("greeting")->GetText(), "hello_key");
}

TEST(AttributeValues, ColoursRectanglesAndImagesParse) {
    EXPECT_EQ(ParseColor("#FF102030"), 0xFF102030u);
    EXPECT_EQ(ParseColor("0x80102030"), 0x80102030u);
    EXPECT_EQ(ParseColor("#102030"), 0xFF102030u);
    EXPECT_EQ(ParseColor("#zz"), 0u);
    EXPECT_EQ(ParseRectLtrb("1,2,11,22"), QRect(1, 2, 10, 20));
    EXPECT_EQ(ParseMargins("1,2"), QMargins(1, 2, 0, 0));
    const ImageDescription parsed =
        ParseImageDescription("file='a\\b.png' source='0,0,10,10' corner='2,2,2,2' fade='300'");
    EXPECT_EQ(parsed.file, "a\\b.png");
    EXPECT_EQ(parsed.source, QRect(0, 0, 10, 10));
    EXPECT_EQ(parsed.corner, QMargins(2, 2, 2, 2));
    EXPECT_EQ(parsed.fade, 255);
    EXPECT_EQ(ParseImageDescription("common/x.png").file, "common/x.png");
}

} // namespace
} // namespace pelan
