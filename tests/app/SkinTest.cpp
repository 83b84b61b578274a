// The skin picker under "skinbtn", driven with clicks: stock pictures, colours, reset, the user's own pictures with
// their delete corner, and the choice shown again by a new main window.
#include "FreshStartFixture.h"
#include "app/CSkinFrame.h"
#include "controls/CHandImgButtonUI.h"
#include "profile/SkinRecord.h"

#include <QFile>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

class SkinTest : public test::FreshStartFixture {
protected:
    static void click(CControlUI* control, QPoint at = {}) {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton, {}, at.isNull() ? control->rect().center() : at);
    }
    CSkinFrame* openPicker() {
        click(window->GetPaintManager()->FindControl("skinbtn"));
        return window->GetSkinPicker();
    }
    CControlUI* pickerControl(const QString& name, int index = 0) {
        // In layout order; a removed control waiting for its deletion belongs to no window.
        int seen = 0;
        for (auto* control : window->GetSkinPicker()->GetPaintManager()->GetRoot()->findChildren<CControlUI*>())
            if (control->GetName() == name && control->GetManager() != nullptr && seen++ == index)
                return control;
        return nullptr;
    }
    CControlUI* root() const { return window->GetPaintManager()->FindControl("root"); }
    SkinRecord stored() const { return readSkinRecord(folder.file("data")); }
};

TEST_F(SkinTest, StockPictureColourAndResetReachTheWindowAndMainIni) {
    start();
    CSkinFrame* picker = openPicker();
    ASSERT_NE(picker, nullptr);
    // Below the button.
    CControlUI* skinButton = window->GetPaintManager()->FindControl("skinbtn");
    EXPECT_EQ(picker->GetHWND()->geometry().top(), skinButton->mapToGlobal(QPoint(0, skinButton->height())).y());

    click(pickerControl(CSkinFrame::kImageButton, 1));
    EXPECT_EQ(root()->GetBkImage(), "common/skin/stock_2.png");
    if (const QString shots = test::env("PELAN_SCREENSHOT_DIR"); !shots.isEmpty() && QDir().mkpath(shots)) {
        EXPECT_TRUE(picker->GetHWND()->grab().save(shots + "/skin_picker.png"));
    }
    EXPECT_EQ(stored().flags, SkinRecord::kPicture);
    EXPECT_EQ(stored().image, "common/skin/stock_2.png");

    click(pickerControl("skin_color"));
    auto* tabs = dynamic_cast<CTabLayoutUI*>(pickerControl("skin_tab"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    CControlUI* swatch = pickerControl(CSkinFrame::kColorButton, 2);
    click(swatch);
    EXPECT_EQ(root()->GetBkColor(), swatch->GetBkColor());
    EXPECT_TRUE(root()->GetBkImage().isEmpty());
    EXPECT_EQ(stored().flags, SkinRecord::kColour);

    click(pickerControl("skin_image"));
    click(pickerControl("skin_reset"));
    EXPECT_EQ(root()->GetBkImage(), kDefaultSkinImage);
    EXPECT_EQ(root()->GetBkColor(), 0u);
    EXPECT_EQ(stored().flags, SkinRecord::kReset);
    EXPECT_EQ(stored().image, kDefaultSkinImage);

    // A second click on the button closes the picker.
    click(skinButton);
    EXPECT_TRUE(test::waitFor([this] { return window->GetSkinPicker() == nullptr; }));
}

TEST_F(SkinTest, ChosenSkinIsShownAfterARestart) {
    start();
    openPicker();
    click(pickerControl(CSkinFrame::kImageButton, 2));
    start();
    EXPECT_EQ(root()->GetBkImage(), "common/skin/stock_3.png");

    openPicker();
    click(pickerControl("skin_color"));
    CControlUI* swatch = pickerControl(CSkinFrame::kColorButton, 1);
    const DWORD colour = swatch->GetBkColor();
    click(swatch);
    start();
    EXPECT_EQ(root()->GetBkColor(), colour);
    EXPECT_TRUE(root()->GetBkImage().isEmpty());
}

// The user's picture is taken into the data folder: a path with "=" works, and changing the original afterwards
// changes nothing the window shows. Something that is no picture is refused with a message.
TEST_F(SkinTest, OwnPictureIsCopiedListedAndItsDeleteCornerRemovesIt) {
    std::filesystem::create_directories(folder.file("a=b 'c'"));
    const QString picture = QString::fromStdString(folder.file("a=b 'c'/mine.png"));
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(picture));
    start();
    CSkinFrame* picker = openPicker();
    QStringList messages;
    picker->SetMessageForTest([&messages](const QString& key) { messages.append(key); });
    picker->SetChosenFileForTest([] { return QString(); });
    click(pickerControl("skin_Custom"));
    EXPECT_EQ(root()->GetBkImage(), kDefaultSkinImage); // cancelled: nothing changes
    const QString notAPicture = QString::fromStdString(folder.file("notes.png"));
    testing::writeText(notAPicture.toStdString(), "not a picture");
    picker->SetChosenFileForTest([notAPicture] { return notAPicture; });
    click(pickerControl("skin_Custom"));
    EXPECT_EQ(messages, QStringList{"skin_picture_refused_text"});
    EXPECT_EQ(root()->GetBkImage(), kDefaultSkinImage);

    picker->SetChosenFileForTest([picture] { return picture; });
    click(pickerControl("skin_Custom"));
    const QString copy = root()->GetBkImage();
    EXPECT_TRUE(copy.startsWith(QString::fromStdString(folder.file("data/skins/")))) << copy.toStdString();
    EXPECT_EQ(stored().customImages, std::vector<std::string>{copy.toStdString()});
    // Decoded once at the window's size, and the original can change or go.
    const QImage taken(copy);
    EXPECT_EQ(taken.width(), window->GetHWND()->width() * window->GetHWND()->devicePixelRatio());
    EXPECT_LT(taken.height(), 3000);
    EXPECT_EQ(taken.pixel(0, 0), QColor(Qt::darkCyan).rgb());
    ASSERT_TRUE(QFile::remove(picture));
    EXPECT_EQ(QImage(copy).pixel(0, 0), QColor(Qt::darkCyan).rgb());

    auto* own = dynamic_cast<CHandImgButtonUI*>(pickerControl(CSkinFrame::kImageButton, 3));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->GetHandImage(), copy);
    EXPECT_FALSE(own->IsDeleteDisabled());
    // Stock pictures cannot be deleted.
    EXPECT_TRUE(dynamic_cast<CHandImgButtonUI*>(pickerControl(CSkinFrame::kImageButton, 0))->IsDeleteDisabled());

    click(own, own->DeleteCorner().center() - own->GetPos().topLeft());
    EXPECT_EQ(pickerControl(CSkinFrame::kImageButton, 3), nullptr);
    EXPECT_TRUE(stored().customImages.empty());
    EXPECT_FALSE(QFile::exists(copy));
    // It was the background, so the layout's picture is back.
    EXPECT_EQ(root()->GetBkImage(), kDefaultSkinImage);
    EXPECT_EQ(stored().flags, SkinRecord::kReset);
}

} // namespace
} // namespace pelan
