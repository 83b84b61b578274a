#include "app/CSkinFrame.h"

#include "app/CMsgWnd.h"
#include "app/SkinPictureCopy.h"
#include "controls/CHandImgButtonUI.h"
#include "platform/Trace.h"
#include "ui/UIFileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace pelan {
namespace {

constexpr const char* kPictureTab = "skin_image";
constexpr const char* kColourTab = "skin_color";
constexpr const char* kTabLayout = "skin_tab";
constexpr const char* kResetButton = "skin_reset";
constexpr const char* kCustomButton = "skin_Custom";
constexpr const char* kCustomList = "skin_custom_list";
constexpr const char* kCloseButton = "closebtn";
constexpr const char* kFileFilter = "(*.png) | *.png |(*.*)|*.*||";
constexpr int kPicturePage = 0;
constexpr int kColourPage = 1;
constexpr int kMessageDpi = 96;
constexpr const char* kPictureRefusedMessage = "skin_picture_refused_text";

} // namespace

CSkinFrame::CSkinFrame(SkinSubject& subject, std::string dataFolder, std::function<void()> onClosed, QSize shownSize)
    : m_subject(subject), m_dataFolder(std::move(dataFolder)), m_onClosed(std::move(onClosed)), m_shownSize(shownSize),
      m_record(readSkinRecord(m_dataFolder)) {}

CControlUI* CSkinFrame::CreateControl(const QString& className) {
    if (className == CHandImgButtonUI::kClassName)
        return new CHandImgButtonUI();
    return nullptr;
}

void CSkinFrame::InitWindow() {
    ShowCustomImages();
}

void CSkinFrame::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender != nullptr ? msg.pSender->GetName() : QString();
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name == kPictureTab) {
            ShowPage(kPicturePage);
        } else if (name == kColourTab) {
            ShowPage(kColourPage);
        } else if (name == kImageButton) {
            if (const auto* button = dynamic_cast<CHandImgButtonUI*>(msg.pSender))
                ChooseImage(button->GetHandImage(), false);
        } else if (name == kColorButton) {
            ChooseColor(msg.pSender->GetBkColor());
        } else if (name == kResetButton) {
            Reset();
        } else if (name == kCustomButton) {
            AddCustomImage();
        } else if (name == kCloseButton) {
            Close(0);
        }
    } else if (msg.sType == CHandImgButtonUI::kDeleteNotify) {
        if (auto* button = dynamic_cast<CHandImgButtonUI*>(msg.pSender))
            DeleteCustomImage(*button);
    }
    WindowImplBase::Notify(msg);
}

void CSkinFrame::OnFinalMessage(QWidget* hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    if (m_onClosed)
        m_onClosed();
    delete this;
}

void CSkinFrame::ShowPage(int page) {
    if (auto* tabs = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(kTabLayout)))
        tabs->SelectItem(page);
}

void CSkinFrame::ChooseImage(const QString& image, bool custom) {
    m_subject.Broadcast({false, 0, image});
    m_record.flags = SkinRecord::kPicture;
    m_record.image = image.toStdString();
    if (custom) {
        auto& list = m_record.customImages;
        list.erase(std::remove(list.begin(), list.end(), m_record.image), list.end());
        list.push_back(m_record.image);
        if (list.size() > size_t(kMaxCustomImages))
            list.erase(list.begin());
        ShowCustomImages();
    }
    Store();
}

void CSkinFrame::ChooseColor(DWORD argb) {
    m_subject.Broadcast({true, argb, QString()});
    m_record.flags = SkinRecord::kColour;
    m_record.colour = argb;
    Store();
}

void CSkinFrame::Reset() {
    m_subject.Broadcast({false, 0, kDefaultSkinImage});
    m_record.flags = SkinRecord::kReset;
    m_record.image = kDefaultSkinImage;
    Store();
}

void CSkinFrame::AddCustomImage() {
    const QString file = m_chooseFile ? m_chooseFile() : OpenFileDialog(GetHWND(), kFileFilter);
    if (file.isEmpty())
        return;
    if (const std::optional<QString> copy = SkinPictureCopy::take(file, m_dataFolder, m_shownSize)) {
        ChooseImage(*copy, true);
        return;
    }
    if (m_message)
        m_message(kPictureRefusedMessage);
    else
        CMsgWnd::ShowMessage(this, QString(), kPictureRefusedMessage, kMessageDpi, true, CMsgWnd::kConfirmOnly);
}

// Removes the picture from the offered list; a background showing it goes back to the layout's picture.
void CSkinFrame::DeleteCustomImage(CHandImgButtonUI& button) {
    const std::string image = button.GetHandImage().toStdString();
    auto& list = m_record.customImages;
    list.erase(std::remove(list.begin(), list.end(), image), list.end());
    ShowCustomImages();
    if (m_record.flags == SkinRecord::kPicture && m_record.image == image)
        Reset();
    else
        Store();
    // The program's own copy goes with it; a path of the user's (stored by an older version) is left alone.
    const QDir copies(QDir(QString::fromStdString(m_dataFolder)).filePath(SkinPictureCopy::kFolder));
    const QFileInfo picture(QString::fromStdString(image));
    if (picture.absolutePath() == copies.absolutePath())
        QFile::remove(picture.absoluteFilePath());
}

void CSkinFrame::ShowCustomImages() {
    auto* list = dynamic_cast<CContainerUI*>(m_pm.FindControl(kCustomList));
    if (list == nullptr)
        return;
    list->RemoveAll();
    for (const std::string& image : m_record.customImages) {
        auto* button = new CHandImgButtonUI();
        list->Add(button);
        button->ApplyAttributeList(R"(name="skin_image_btn" style="skin_picture")");
        button->SetHandImage(QString::fromStdString(image));
        button->SetDeleteDisabled(false);
    }
}

void CSkinFrame::Store() {
    if (!writeSkinRecord(m_dataFolder, m_record))
        trace("main.ini could not be written in " + m_dataFolder);
}

} // namespace pelan
