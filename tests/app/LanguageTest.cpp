// The language: the start choice from the settings file or the locale, switching from the settings window's combo
// with real clicks, the choice surviving a new window, and every layout key having a text in each language.
#include "FreshStartFixture.h"
#include "app/CSetWnd.h"
#include "keys/KeyTables.h"
#include "macro/MouseEventTable.h"
#include "platform/SettingsFile.h"
#include "profile/LanguageList.h"

#include <QDirIterator>
#include <QFontMetrics>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using test::languageTexts;

class LanguageTest : public test::FreshStartFixture {
protected:
    void SetUp() override {
        FreshStartFixture::SetUp();
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
    void start(const char* locale) {
        ::setenv("LANG", locale, 1);
        FreshStartFixture::start();
    }
    QString title() const { return window->GetPaintManager()->FindControl("nodevice_title")->GetText(); }
    // Opens the settings window with a click on "setbtn" and picks a combo entry as the user does.
    void pickLanguage(int index) {
        CControlUI* setButton = window->GetPaintManager()->FindControl("setbtn");
        QTest::mouseClick(setButton, Qt::LeftButton, {}, setButton->rect().center());
        ASSERT_NE(window->GetSettingsWindow(), nullptr);
        CControlUI* combo = window->GetSettingsWindow()->GetPaintManager()->FindControl("Language_combox_info");
        ASSERT_NE(combo, nullptr);
        QTest::mouseClick(combo, Qt::LeftButton, {}, combo->rect().center());
        auto* menu = combo->findChild<QMenu*>("combo_popup");
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 2);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[index]).center());
    }
    // The main window as shown, for a look by eye.
    void saveScreenshot(const QString& name) {
        const QString folder = test::env("PELAN_SCREENSHOT_DIR");
        ASSERT_FALSE(folder.isEmpty());
        QDir().mkpath(folder);
        window->GetHWND()->show();
        test::waitFor([] { return false; }, 100);
        EXPECT_TRUE(window->GetHWND()->grab().save(folder + "/" + name));
    }
};

TEST_F(LanguageTest, StartsInTheLocalesLanguageElseTheFirstEntry) {
    const QHash<QString, QString> en = languageTexts("lan_en.xml"), cn = languageTexts("lan_cn.xml");
    // The language applied at start is stored, so each start here begins without a settings file.
    const QString settings = QString::fromStdString(settingsFilePath());
    start("zh_CN.UTF-8");
    EXPECT_EQ(title(), cn["nodevice_title_text"]);
    EXPECT_EQ(settingsValue(kLanguageSettingsKey), "2052");
    QFile::remove(settings);
    start("fr_FR.UTF-8");
    EXPECT_EQ(title(), en["nodevice_title_text"]);
    // A stored id that is no longer listed falls back to the locale.
    ASSERT_TRUE(writeSettingsValue(kLanguageSettingsKey, "9999"));
    start("zh_TW");
    EXPECT_EQ(title(), cn["nodevice_title_text"]);
}

TEST_F(LanguageTest, ComboSwitchesEveryTextAtOnceAndTheChoiceHoldsAfterARestart) {
    const QHash<QString, QString> en = languageTexts("lan_en.xml"), cn = languageTexts("lan_cn.xml");
    start("en_GB.UTF-8");
    ASSERT_NO_FATAL_FAILURE(pickLanguage(1));
    EXPECT_EQ(settingsValue(kLanguageSettingsKey), "2052");
    // Every visible keyed text of both windows now shows the Chinese text of its key.
    int keyed = 0;
    for (CPaintManagerUI* pm : {window->GetPaintManager(), window->GetSettingsWindow()->GetPaintManager()}) {
        for (QWidget* widget : pm->GetRoot()->findChildren<QWidget*>()) {
            auto* control = dynamic_cast<CControlUI*>(widget);
            if (control == nullptr || !control->IsResourceText() || !control->IsVisible() ||
                control->GetText().isEmpty())
                continue;
            ++keyed;
            EXPECT_TRUE(cn.values().contains(control->accessibleDescription()))
                << control->GetName().toStdString() << ": " << control->accessibleDescription().toStdString();
        }
    }
    EXPECT_GT(keyed, 3);
    EXPECT_EQ(window->GetSettingsWindow()->GetPaintManager()->FindControl("Language_combox_info")->GetText(),
              "简体中文");
    saveScreenshot("main_window_cn.png");

    // Picking the same entry again writes nothing.
    ASSERT_TRUE(QFile::remove(QString::fromStdString(settingsFilePath())));
    ASSERT_NO_FATAL_FAILURE(pickLanguage(1));
    EXPECT_EQ(title(), cn["nodevice_title_text"]);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settingsFilePath())));
    ASSERT_TRUE(writeSettingsValue(kLanguageSettingsKey, "2052"));

    start("en_GB.UTF-8");
    EXPECT_EQ(title(), cn["nodevice_title_text"]);
    ASSERT_NO_FATAL_FAILURE(pickLanguage(0));
    EXPECT_EQ(title(), en["nodevice_title_text"]);
    EXPECT_EQ(settingsValue(kLanguageSettingsKey), "1033");
    saveScreenshot("main_window_en.png");
}

// The window's font table, and every character of every language's texts drawn from it without a missing glyph.
TEST_F(LanguageTest, FontTableCoversEveryTextOfEachLanguage) {
    start("en_US.UTF-8");
    CPaintManagerUI* pm = window->GetPaintManager();
    const struct {
        int id, size;
        bool bold, underline;
    } table[] = {{0, 15, false, false}, {1, 14, false, true}, {11, 28, false, false}, {50, 18, true, false}};
    for (const auto& row : table) {
        ASSERT_TRUE(pm->HasFont(row.id)) << row.id;
        const QFont font = pm->GetFont(row.id);
        EXPECT_EQ(font.family(), "Verdana Unicode MS");
        EXPECT_EQ(font.pixelSize(), row.size) << row.id;
        EXPECT_EQ(font.bold(), row.bold) << row.id;
        EXPECT_EQ(font.underline(), row.underline) << row.id;
    }
    const QFontMetrics metrics(pm->GetFont(0));
    for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
        for (const QString& text : languageTexts(file)) {
            for (const uint ucs : text.toUcs4())
                EXPECT_TRUE(QChar::isSpace(ucs) || metrics.inFontUcs4(ucs))
                    << file << ": no glyph for U+" << QString::number(ucs, 16).toStdString() << " in "
                    << text.toStdString();
        }
    }
}

// The keys of the layouts' texts and tooltips (windows, panels, menus).
QSet<QString> layoutKeys(const QString& skin) {
    QSet<QString> keys;
    const QRegularExpression keyed(R"re(<\w+\s[^>]*resourcetext="true"[^>]*>)re");
    const QRegularExpression attribute(R"re(\s(?:text|tooltip)="([^"]+)")re");
    for (QDirIterator it(skin, {"*.xml"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (file.fileName().contains("/lan_") || !file.open(QIODevice::ReadOnly))
            continue;
        const QString layout = QString::fromUtf8(file.readAll());
        for (auto tag = keyed.globalMatch(layout); tag.hasNext();)
            for (auto found = attribute.globalMatch(tag.next().captured(0)); found.hasNext();)
                keys.insert(found.next().captured(1));
    }
    return keys;
}

// The message keys the code shows ("message_text_22").
QSet<QString> messageKeys(const QString& source) {
    QSet<QString> keys;
    const QRegularExpression key(R"re("(message_text_[0-9_]+)")re");
    for (const char* folder : {"app", "pages", "panels", "controls", "profile", "macro", "device", "update"}) {
        for (QDirIterator it(source + folder, {"*.cpp", "*.h"}, QDir::Files); it.hasNext();) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                for (auto found = key.globalMatch(QString::fromUtf8(file.readAll())); found.hasNext();)
                    keys.insert(found.next().captured(1));
        }
    }
    return keys;
}

// The names of key functions and macro events the panels show.
QSet<QString> keyNameKeys() {
    QSet<QString> keys;
    const auto add = [&keys](std::string_view key) {
        if (!key.empty())
            keys.insert(QString::fromUtf8(key.data(), qsizetype(key.size())));
    };
    for (auto table : {mouseKeyTable(), dpiTable(), mediaTable(), systemTable(), combinationKeyTable(),
                       officeFunctionTable(), keyboardKeyTable()})
        for (const KeyTableRow& row : table)
            add(row.nameKey);
    for (const MouseEventRow& row : mouseEventTable())
        add(row.nameKey);
    for (size_t gun = 0; gun < kGunCount; ++gun)
        add(gunNameKey(gun));
    for (KeyAssignment special :
         {KeyAssignment{KeyType::Swing, 0, 0x80}, KeyAssignment{KeyType::Swing, 0, 0},
          KeyAssignment{KeyType::Wheel, 0, 0x80}, KeyAssignment{KeyType::Wheel, 0, 0},
          KeyAssignment{KeyType::RapidFire, 0, 0}, KeyAssignment{KeyType::DpiShift, 0, 0},
          KeyAssignment{KeyType::Special, kSpecialDisabled, 0}, KeyAssignment{KeyType::Special, kSpecialGg, 0}})
        add(keyFunctionNameKey(special));
    return keys;
}

// Every text key the layouts and the code use has a text in every listed language.
TEST(LanguageFiles, EveryKeyHasATextInEachLanguage) {
    const QString source = test::env("PELAN_SOURCE_DIR") + "/";
    const std::vector<LanguageEntry> list = readLanguageList(source.toStdString() + "DefaultData/" + kLanguageListFile);
    ASSERT_GE(list.size(), 2u);
    const QSet<QString> layouts = layoutKeys(source + "skin/"), messages = messageKeys(source), names = keyNameKeys();
    EXPECT_GT(layouts.size(), 100);
    EXPECT_GT(messages.size(), 10);
    EXPECT_GT(names.size(), 150);
    const QSet<QString> keys = layouts + messages + names;
    for (const LanguageEntry& entry : list) {
        const QHash<QString, QString> texts = languageTexts(QString::fromStdString(entry.file));
        for (const QString& key : keys)
            EXPECT_FALSE(texts.value(key).isEmpty()) << entry.file << " lacks " << key.toStdString();
    }
}

} // namespace
} // namespace pelan
