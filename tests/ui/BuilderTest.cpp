// Building control trees from layouts: custom tags through the callback, nested layouts, includes, window settings,
// and the layouts' geometry.
#include "UiTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using test::HostedTree;

class GaugeUI : public CControlUI {
public:
    QString GetClass() const override { return "GaugeUI"; }
    void SetAttribute(const QString& name, const QString& value) override {
        if (name == "level")
            level = value.toInt();
        else
            CControlUI::SetAttribute(name, value);
    }
    int level = 0;
};

// Knows "Gauge" and "SubPanel"; a SubPanel is a nested layout built with this same callback.
class PanelCallback : public IDialogBuilderCallback {
public:
    explicit PanelCallback(CPaintManagerUI* pm) : m_pm(pm) {}
    CControlUI* CreateControl(const QString& tag) override {
        requested.append(tag);
        if (tag.compare("Gauge", Qt::CaseInsensitive) == 0)
            return new GaugeUI();
        if (tag == "SubPanel") {
            CDialogBuilder nested;
            return nested.Create(R"(<HorizontalLayout name="sub_root"><Gauge name="inner_gauge" level="7"/>
                                    <Label name="inner_label" text="inside"/></HorizontalLayout>)",
                                 QString(), this, m_pm);
        }
        return nullptr;
    }
    QStringList requested;

private:
    CPaintManagerUI* m_pm;
};

TEST(DialogBuilder, NestedLayoutsResolveCustomTagsAtEveryLevel) {
    test::app();
    QWidget host;
    CPaintManagerUI pm;
    pm.Init(&host);
    PanelCallback callback(&pm);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(R"(<VerticalLayout name="root">
            <gauge name="top_gauge" level="3" width="40"/>
            <SubPanel name="panel" height="50"/>
            <NoSuchThing name="ghost"><Label name="ghost_child"/></NoSuchThing>
            <Label name="after_unknown" text="still here"/>
        </VerticalLayout>)",
                                      QString(), &callback, &pm);
    ASSERT_NE(root, nullptr);
    pm.AttachDialog(root);

    auto* top = dynamic_cast<GaugeUI*>(pm.FindControl("top_gauge"));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->level, 3);
    EXPECT_EQ(top->GetFixedWidth(), 40);
    auto* inner = dynamic_cast<GaugeUI*>(pm.FindControl("inner_gauge"));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->level, 7);
    // The sub-layout's root takes the attributes written on the tag that asked for it.
    CControlUI* panel = pm.FindControl("panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetFixedHeight(), 50);
    EXPECT_EQ(pm.FindControl("sub_root"), nullptr);
    EXPECT_EQ(pm.FindSubControlByName(panel, "inner_label")->GetText(), "inside");
    // An unknown tag is skipped with its children; its siblings are built.
    EXPECT_EQ(pm.FindControl("ghost"), nullptr);
    EXPECT_EQ(pm.FindControl("ghost_child"), nullptr);
    EXPECT_NE(pm.FindControl("after_unknown"), nullptr);
    EXPECT_TRUE(callback.requested.contains("NoSuchThing"));
    auto* container = static_cast<CContainerUI*>(root->GetInterface("Container"));
    EXPECT_EQ(container->GetCount(), 3);
    EXPECT_EQ(container->GetItemIndex(panel), 1);
    pm.DetachDialog();
}

TEST(DialogBuilder, FindControlIgnoresCaseAndSearchesOnlyBelowAParent) {
    HostedTree tree(
        R"(<VerticalLayout name="root"><HorizontalLayout name="left"><Button name="Ok_Btn"/></HorizontalLayout>
                       <HorizontalLayout name="right"><Label name="other"/></HorizontalLayout></VerticalLayout>)");
    EXPECT_NE(tree.pm.FindControl("ok_btn"), nullptr);
    EXPECT_EQ(tree.pm.FindSubControlByName(tree.pm.FindControl("right"), "ok_btn"), nullptr);
    EXPECT_NE(tree.pm.FindSubControlByName(tree.pm.FindControl("left"), "OK_BTN"), nullptr);
    EXPECT_EQ(tree.pm.FindControl("missing"), nullptr);
}

TEST(DialogBuilder, FactoryClassesAreFoundByTag) {
    CControlFactory::GetInstance()->RegistControl("CBuilderTestGaugeUI", [] { return new GaugeUI(); });
    HostedTree tree(R"(<VerticalLayout><BuilderTestGauge name="made" level="9"/></VerticalLayout>)");
    auto* gauge = tree.find<GaugeUI>("made");
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->level, 9);
}

TEST(DialogBuilder, WindowSettingsStylesAndDefaultsReachTheManager) {
    HostedTree tree(R"(<Window size="640,400" caption="0,0,0,40">
            <Font id="2" name="Sans" size="18" bold="true"/>
            <Default name="Button" value='textcolor="#FF112233" height="30"'/>
            <Style name="big" value='height="44" text="styled"'/>
            <VerticalLayout name="root"><Button name="plain"/><Button name="fancy" style="big"/></VerticalLayout>
        </Window>)");
    EXPECT_EQ(tree.pm.GetInitSize(), QSize(640, 400));
    EXPECT_EQ(tree.pm.GetCaptionRect().bottom() + 1, 40);
    EXPECT_EQ(tree.pm.GetFont(2).pixelSize(), 18);
    EXPECT_TRUE(tree.pm.GetFont(2).bold());
    auto* plain = tree.find<CButtonUI>("plain");
    auto* fancy = tree.find<CButtonUI>("fancy");
    ASSERT_TRUE(plain && fancy);
    EXPECT_EQ(plain->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(plain->GetFixedHeight(), 30);
    // The style comes after the defaults, so it wins.
    EXPECT_EQ(fancy->GetFixedHeight(), 44);
    EXPECT_EQ(fancy->GetText(), "styled");
}

TEST(DialogBuilder, BrokenOrMissingLayoutsGiveNoTreeAndSayWhy) {
    test::app();
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create("<VerticalLayout><Label></VerticalLayout>"), nullptr);
    EXPECT_FALSE(builder.GetLastErrorMessage().isEmpty());
    EXPECT_EQ(builder.Create("no/such/layout.xml"), nullptr);
    EXPECT_TRUE(builder.GetLastErrorMessage().contains("no/such/layout.xml"));
    EXPECT_EQ(builder.Create("<Window size=\"10,10\"><Font id=\"1\" size=\"3\"/></Window>"), nullptr);
}

TEST(DialogBuilder, IncludesBuildOtherFilesAndAnIncludeLoopEnds) {
    test::app();
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("part.xml", R"(<HorizontalLayout name="part"><Label name="part_label"/></HorizontalLayout>)");
    write("loop.xml", R"(<VerticalLayout name="loop"><Include source="loop.xml"/></VerticalLayout>)");
    write("res.xml", R"(<Res><Xml id="XML_PART" path="part.xml"/></Res>)");
    CPaintManagerUI::SetResourcePath(dir.path());
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadResource("res.xml"));

    HostedTree tree(
        R"(<VerticalLayout name="root"><Include source="part.xml"/><Include source="part.xml"/></VerticalLayout>)");
    auto* root = static_cast<CContainerUI*>(tree.root->GetInterface("Container"));
    EXPECT_EQ(root->GetCount(), 2);
    EXPECT_NE(tree.pm.FindControl("part_label"), nullptr);

    CDialogBuilder byId;
    CControlUI* part = byId.Create("XML_PART");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetName(), "part");
    delete part;

    CDialogBuilder looping;
    CControlUI* loop = looping.Create("loop.xml");
    ASSERT_NE(loop, nullptr); // built to the depth limit, then the include is refused
    delete loop;
    CResourceManager::GetInstance()->Release();
    CPaintManagerUI::SetResourcePath(QString());
}

TEST(Layouts, FixedSizesFirstThenTheFreeSpaceIsShared) {
    HostedTree tree(R"(<VerticalLayout name="root" inset="10,10,10,10" childpadding="5">
            <Control name="fixed" height="40"/>
            <Control name="flex_a"/>
            <Control name="flex_b"/>
            <HorizontalLayout name="row" height="30">
                <Control name="w50" width="50" padding="4,0,6,0"/><Control name="rest"/>
            </HorizontalLayout>
            <Control name="hidden" height="500" visible="false"/>
            <Control name="floating" float="true" pos="5,6,25,16"/>
        </VerticalLayout>)",
                    nullptr, QSize(200, 300));
    auto geometry = [&](const char* name) { return tree.pm.FindControl(name)->geometry(); };
    EXPECT_EQ(geometry("fixed"), QRect(10, 10, 180, 40));
    // 280 inner height - 40 - 30 - 3 gaps of 5 = 195 for the two flexible controls.
    EXPECT_EQ(geometry("flex_a").height() + geometry("flex_b").height(), 195);
    EXPECT_EQ(geometry("flex_a").top(), 55);
    EXPECT_EQ(geometry("row").bottom(), 289);
    EXPECT_EQ(geometry("w50"), QRect(4, 0, 50, 30));
    EXPECT_EQ(geometry("rest"), QRect(60, 0, 120, 30));
    EXPECT_EQ(geometry("floating"), QRect(5, 6, 20, 10));

    // Showing a control takes its space from the others.
    tree.pm.FindControl("hidden")->SetVisible(true);
    EXPECT_EQ(geometry("flex_a").height(), 0);
}

TEST(Layouts, TabLayoutShowsOnlyTheSelectedPage) {
    HostedTree tree(
        R"(<TabLayout name="tabs" selectedid="1"><Label name="p0"/><Label name="p1"/><Label name="p2"/></TabLayout>)");
    auto* tabs = tree.find<CTabLayoutUI>("tabs");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(tree.pm.FindControl("p0")->IsVisible());
    EXPECT_TRUE(tree.pm.FindControl("p1")->IsVisible());
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_TRUE(tree.pm.FindControl("p2")->isVisible());
    EXPECT_FALSE(tree.pm.FindControl("p1")->isVisible());
    EXPECT_EQ(tree.recorder.typesOf("tabs"), QStringList{"tabselect"});
    EXPECT_FALSE(tabs->SelectItem(7));
    // Removing the page in front shows the one that takes its place.
    tabs->Remove(tree.pm.FindControl("p2"));
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_TRUE(tree.pm.FindControl("p1")->IsVisible());
}

} // namespace
} // namespace pelan
