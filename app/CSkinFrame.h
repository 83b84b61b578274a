#pragma once

#include "profile/SkinRecord.h"
#include "ui/DuiLib.h"

#include <functional>

namespace pelan {

class CHandImgButtonUI;

// A background choice handed to the skin subject's receivers: a colour, or a picture (a skin path or a full path).
struct SkinChangedParam {
    bool bColor = false;
    DWORD bkcolor = 0;
    QString bgimage;
};
using SkinSubject = ObserverImpl<int, SkinChangedParam>;

// The skin picker under the main window's "skinbtn": stock pictures and the user's own pictures (with a delete
// corner), colours, and a reset to the layout's picture. Every choice goes to the skin subject and into "main.ini",
// so the main window shows it again at the next start. It deletes itself when it closes, telling its owner first.
class CSkinFrame : public WindowImplBase {
public:
    static constexpr UINT kStyle = 0x90000000; // popup, visible
    static constexpr UINT kExStyle = 0x80;     // tool window
    static constexpr int kMaxCustomImages = 4; // what one row of the picture page shows
    static constexpr const char* kImageButton = "skin_image_btn";
    static constexpr const char* kColorButton = "skin_color_btn";

    // shownSize: the size the background is drawn at, to which the user's own pictures are scaled once.
    CSkinFrame(SkinSubject& subject, std::string dataFolder, std::function<void()> onClosed, QSize shownSize = {});

    QString GetWindowClassName() const override { return "UISkinFrame"; }
    QString GetSkinFile() override { return "skin.xml"; }
    CControlUI* CreateControl(const QString& className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnFinalMessage(QWidget* hWnd) override;

    // Test seam: the file the next "skin_Custom" click takes instead of asking with the file dialog ("" cancels).
    void SetChosenFileForTest(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }
    // Test seam: where the message about a refused picture goes instead of a message box (a language key).
    void SetMessageForTest(std::function<void(const QString&)> message) { m_message = std::move(message); }

private:
    void ShowPage(int page);
    void ChooseImage(const QString& image, bool custom);
    void ChooseColor(DWORD argb);
    void Reset();
    void AddCustomImage();
    void DeleteCustomImage(CHandImgButtonUI& button);
    void ShowCustomImages();
    void Store();

    SkinSubject& m_subject;
    std::string m_dataFolder;
    std::function<void()> m_onClosed;
    std::function<QString()> m_chooseFile;
    std::function<void(const QString&)> m_message;
    QSize m_shownSize;
    SkinRecord m_record;
};

} // namespace pelan
