// Every page, tab and window at the normal window size, in each language: no text wider or taller than the control
// that shows it, no control outside the area of its parent, and in Chinese no English left over. The walk leaves a
// screenshot of each state in PELAN_SCREENSHOT_DIR/fit.
#include "app/CMsgWnd.h"
#include "app/CSetWnd.h"
#include "app/CSkinFrame.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CDeviceOptionUI.h"
#include "device/SupportedDevices.h"
#include "panels/PanelWindowFixture.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace pelan {
namespace {

// Words that stay as they are in every language: units, standards, key caps and the product's own names.
const QSet<QString> kKeptWords = {
    "DPI",       "RGB",  "USB",    "LED",   "Hz",      "ms",     "ORVANE", "Pelan",    "Veltra", "Ctrl",
    "Shift",     "Alt",  "Win",    "Tab",   "Esc",     "Caps",   "Enter",  "Space",    "Del",    "Ins",
    "Home",      "End",  "PgUp",   "PgDn",  "Num",     "Lock",   "Scroll", "Print",    "Pause",  "Fn",
    "Backspace", "Menu", "App",    "FPS",   "PUBG",    "AKM",    "SCAR",   "UMP",      "Vector", "Tommy",
    "Beryl",     "MP5K", "Mini14", "SKS",   "SLR",     "Groza",  "QBZ",    "DP",       "M416",   "M16A4",
    "AUG",       "MK47", "UZI",    "Bizon", "M249",    "DBS",    "S1897",  "S686",     "S12K",   "Kar98k",
    "M24",       "AWM",  "Win94",  "VSS",   "QBU",     "Mutant", "Vec",    "Thompson", "RPM",    "PCM",
    "OK",        "Ver",  "ID",     "CPI",   "Windows", "Super",  "ISO",    "PipeWire", "OpenRGB"};

// Plugin standards and package names the headset's effects name as they are.
const QSet<QString> kKeptPackageWords = {"LADSPA", "swh", "plugins", "rubberband", "ladspa"};

// The English words of a text that are not kept words.
QStringList englishWords(const QString& text) {
    static const QRegularExpression word("[A-Za-z]{3,}");
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString w = it.next().captured(0);
        if (!kKeptWords.contains(w) && !kKeptPackageWords.contains(w))
            found << w;
    }
    return found;
}

QString describe(const CControlUI* control) {
    QString path;
    for (const QWidget* w = control; w != nullptr && !w->isWindow(); w = w->parentWidget())
        if (const auto* c = dynamic_cast<const CControlUI*>(w); c != nullptr && !c->GetName().isEmpty())
            return c->GetName() + (c == control ? QString() : " > " + control->GetClass());
    return control->GetClass();
}

// What is wrong with one shown control, or nothing.
QString faultOf(CControlUI* control, bool chinese) {
    auto* parent = dynamic_cast<CContainerUI*>(control->parentWidget());
    const bool scrolled = parent != nullptr && parent->GetScrollRange() > 0;
    if (parent != nullptr && !scrolled && !control->IsFloat() && control->width() > 0 && control->height() > 0 &&
        !parent->rect().adjusted(-1, -1, 1, 1).contains(control->geometry()))
        return QString("lies outside its parent (at %1,%2 %3x%4, its content needs %5 wide, the parent is %6x%7)")
            .arg(control->x())
            .arg(control->y())
            .arg(control->width())
            .arg(control->height())
            .arg(control->MinimumContentSize(control->size()).width())
            .arg(parent->width())
            .arg(parent->height());
    QString text;
    if (auto* combo = dynamic_cast<CComboUI*>(control)) {
        text = combo->GetText();
        if (combo->MinimumContentSize(QSize()).width() > combo->width() + 1)
            return "a choice is wider than the combo box";
    } else if (auto* label = dynamic_cast<CLabelUI*>(control); label != nullptr && !label->GetInterface("Edit")) {
        text = label->GetText();
        const bool wraps = (label->GetTextStyle() & DT_WORDBREAK) != 0;
        const QSize need = label->TextSize(label->width());
        const bool cut = wraps ? need.height() > label->height() + 1
                               : need.width() > label->width() + 1 || need.height() > label->height() + 4;
        if (cut && !(label->ElidesText() && label->toolTip() == text))
            return QString("text needs %1x%2, has %3x%4")
                .arg(need.width())
                .arg(need.height())
                .arg(label->width())
                .arg(label->height());
    }
    // The user's own names (profiles, as the factory names them too) and the products' names in the update list
    // are not the program's texts.
    static const QSet<QString> kUserNames = {"device_profile_combo", "update_name_text"};
    if (chinese && dynamic_cast<CDeviceKeyButtonUI*>(control) == nullptr && !kUserNames.contains(control->GetName()) &&
        !englishWords(text).isEmpty())
        return "English in Chinese: " + englishWords(text).join(' ');
    return QString();
}

// The faults of every shown control of a window, one line each.
QStringList auditWindow(QWidget* window, bool chinese) {
    QStringList faults;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        auto* control = dynamic_cast<CControlUI*>(widget);
        if (control == nullptr || !control->isVisible() || !control->IsVisible())
            continue;
        const QString fault = faultOf(control, chinese);
        if (!fault.isEmpty())
            faults << describe(control) + " \"" + control->GetText() + "\": " + fault;
    }
    if (!window->rect().contains(window->childrenRect()) && !window->childrenRect().isEmpty())
        faults << "the window's controls reach past its edge";
    return faults;
}

using test::languageTexts;

class WindowFit : public test::PanelWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    WindowFit() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        ::setenv("LANG", GetParam(), 1);
        ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        window->GetHWND()->resize(CMainWnd::kWindowWidth, CMainWnd::kWindowHeight);
        for (const char* name : {"mouse", "mousepad", "headset"})
            ASSERT_GT(emulated.tree().plug(emu::makeDevice(name)), 0);
        ASSERT_TRUE(test::waitFor([&] { return shownPages() == 3; }, kPlugWaitMs)) << shownPages();
        shots = test::env("PELAN_SCREENSHOT_DIR") + "/fit";
        QDir().mkpath(shots);
    }
    void TearDown() override {
        PanelWindowTest::TearDown();
        ::setenv("LC_ALL", "C.UTF-8", 1);
    }
    int shownPages() const {
        int shown = 0;
        for (const CMainWnd::DevicePage& entry : window->GetDevicePages())
            shown += entry.page != nullptr && entry.page->isConnected() ? 1 : 0;
        return shown;
    }
    bool chinese() const { return QString(GetParam()).startsWith("zh"); }

    // Checks a window as it is shown now and keeps its picture.
    void audit(QWidget* host, const QString& state) {
        test::waitFor([] { return false; }, 30);
        const QStringList faults = auditWindow(host, chinese());
        for (const QString& fault : faults)
            ADD_FAILURE() << state.toStdString() << ": " << fault.toStdString();
        const QString name = QString(GetParam()).left(2) + "_" + state;
        host->grab().save(shots + "/" + QString(name).replace(QRegularExpression("[^A-Za-z0-9_]"), "_") + ".png");
    }
    // Shows every page of every tab layout under root in turn (outer tabs chosen so the inner one shows).
    void auditTabs(QWidget* host, CControlUI* root, const QString& state) {
        audit(host, state);
        // Choosing a tab may rebuild parts of the page: the tab layouts are looked up by pointer guards.
        QList<QPointer<CTabLayoutUI>> all;
        for (QWidget* widget : root->findChildren<QWidget*>())
            if (auto* tabs = dynamic_cast<CTabLayoutUI*>(widget))
                all.append(tabs);
        // Layouts that follow the kind of device rather than a choice of the user.
        static const QSet<QString> kKindSwitches = {"device_switch", "device_power_switch",
                                                    "device_key_function_switch"};
        for (const QPointer<CTabLayoutUI>& tabs : all) {
            if (tabs.isNull() || kKindSwitches.contains(tabs->GetName()) || !showAncestors(tabs))
                continue;
            const int before = tabs->GetCurSel();
            for (int i = 0; !tabs.isNull() && i < tabs->GetCount(); ++i) {
                tabs->SelectItem(i, true);
                audit(host, state + "_" + tabs->GetName() + QString::number(i));
            }
            if (!tabs.isNull())
                tabs->SelectItem(before, true);
        }
    }
    // Selects the pages of the outer tab layouts that hold control; false when a hidden control holds it.
    static bool showAncestors(CControlUI* control) {
        for (QWidget* w = control; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
            auto* parent = dynamic_cast<CContainerUI*>(w->parentWidget());
            auto* child = dynamic_cast<CControlUI*>(w);
            if (parent == nullptr || child == nullptr)
                continue;
            if (auto* tabs = dynamic_cast<CTabLayoutUI*>(parent))
                tabs->SelectItem(tabs->GetItemIndex(child), true);
            else if (!child->IsVisibleFlag())
                return false;
        }
        return true;
    }

    // Every page of a plugged device in turn, with its tabs.
    void auditPages(int onlyKind = 0) {
        for (const CMainWnd::DevicePage& entry : window->GetDevicePages()) {
            if (entry.page == nullptr || !entry.page->isConnected() || (onlyKind != 0 && entry.kind != onlyKind))
                continue; // a kind without a device plugged
            clickControl(entry.option->FindSubControl(CDeviceOptionUI::kSelectName), "device_select");
            ASSERT_TRUE(test::waitFor([&] { return window->GetSelectedPage() == entry.page; }));
            auditTabs(window->GetHWND(), entry.page, "page" + QString::number(entry.kind));
        }
    }

    QTemporaryDir config;
    QString shots;
};

TEST_P(WindowFit, EveryPageAndWindowShowsItsTextsWhole) {
    ASSERT_NO_FATAL_FAILURE(auditPages());
    // The key set panel of a chosen button, with each category's page and its buttons.
    clickControl(window->FindPageOfKind(kDeviceKindMouse)->option->FindSubControl(CDeviceOptionUI::kSelectName),
                 "device_select");
    click(kDeviceKindMouse, "key_Op_tab");
    click(kDeviceKindMouse, "key_3");
    ASSERT_TRUE(test::waitFor([&] { return control(kDeviceKindMouse, "keyset_layout")->isVisible(); }));
    auditTabs(window->GetHWND(), control(kDeviceKindMouse, "KeySetControlItem"), "keyset");
    // The keyboard's page, connected by hand as its panel tests do.
    auto* keyboard = page(kDeviceKindKeyboard);
    ASSERT_NE(keyboard, nullptr);
    const int id = emulated.tree().plug(emu::makeDevice("keyboard"));
    ASSERT_TRUE(keyboard->openCommandInterface(emulated.pathOf(id, 4), false));
    keyboard->onConnectTimer();
    window->FindPageOfKind(kDeviceKindKeyboard)->option->SetVisible(true);
    ASSERT_NO_FATAL_FAILURE(auditPages(kDeviceKindKeyboard));

    clickControl(window->GetPaintManager()->FindControl("setbtn"), "setbtn");
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }));
    CSetWnd* settings = window->GetSettingsWindow();
    auditTabs(settings->GetHWND(), settings->GetPaintManager()->GetRoot(), "settings");
    settings->ShowWindow(false);

    window->ToggleSkinPicker();
    ASSERT_NE(window->GetSkinPicker(), nullptr);
    CSkinFrame* skins = window->GetSkinPicker();
    auditTabs(skins->GetHWND(), skins->GetPaintManager()->GetRoot(), "skins");
    window->ToggleSkinPicker();

    // The longest message the program shows, with both buttons.
    const QHash<QString, QString> texts = languageTexts(chinese() ? "lan_cn.xml" : "lan_en.xml");
    QString longest;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        if (it.key().startsWith("message_text_") && it.value().size() > texts.value(longest).size())
            longest = it.key();
    QTimer::singleShot(100, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "MsgWnd" && top->isVisible()) {
                audit(top, "message");
                top->close();
            }
    });
    CMsgWnd::ShowMessage(window.get(), "", longest, 96, true, CMsgWnd::kConfirmAndCancel);
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowFit, ::testing::Values("en_US.UTF-8", "zh_CN.UTF-8"));

// A Chinese text that is still the English one (or English words in it) was never translated.
TEST(LanguageFiles, ChineseTextsAreTranslated) {
    const QHash<QString, QString> en = languageTexts("lan_en.xml"), cn = languageTexts("lan_cn.xml");
    ASSERT_GT(cn.size(), 100);
    for (auto it = cn.begin(); it != cn.end(); ++it)
        EXPECT_TRUE(englishWords(it.value()).isEmpty())
            << it.key().toStdString() << " = \"" << it.value().toStdString() << "\" (English \""
            << en.value(it.key()).toStdString() << "\")";
}

} // namespace
} // namespace pelan
