// The main window's background: the skin picker under "skinbtn", the skin subject's choices and the stored choice
// shown again at start.
#include "app/CMainWnd.h"
#include "platform/Paths.h"

#include <QFileInfo>

namespace pelan {
namespace {

constexpr const char* kRootControl = "root";

} // namespace

int CMainWnd::Receive(SkinChangedParam param) {
    CControlUI* root = m_pm.FindControl(kRootControl);
    if (root == nullptr)
        return 0;
    root->SetBkColor(param.bColor ? param.bkcolor : 0);
    root->SetBkImage(param.bColor ? QString() : param.bgimage);
    return 1;
}

// A stored picture that is gone (a deleted file of the user's) leaves the layout's background.
void CMainWnd::ShowStoredSkin() {
    const SkinRecord record = readSkinRecord(dataFolder());
    if (record.flags == SkinRecord::kColour)
        Receive({true, record.colour, QString()});
    else if (record.flags == SkinRecord::kPicture && !record.image.empty() &&
             (!QFileInfo(QString::fromStdString(record.image)).isAbsolute() ||
              QFileInfo::exists(QString::fromStdString(record.image))))
        Receive({false, 0, QString::fromStdString(record.image)});
}

void CMainWnd::ToggleSkinPicker() {
    if (m_skinFrame != nullptr) {
        m_skinFrame->Close(0);
        return;
    }
    const QSize shown = m_hWnd != nullptr ? m_hWnd->size() * m_hWnd->devicePixelRatio() : QSize();
    auto* picker = new CSkinFrame(
        m_skinSubject, dataFolder(), [this] { m_skinFrame = nullptr; }, shown);
    if (picker->Create(this, "UISkinFrame", CSkinFrame::kStyle, CSkinFrame::kExStyle) == nullptr) {
        delete picker;
        return;
    }
    m_skinFrame = picker;
    // Below the button, its right edge on the button's so it stays over the window.
    if (CControlUI* button = m_titleButtons[4]) {
        const QPoint below = button->mapToGlobal(QPoint(button->width(), button->height()));
        picker->GetHWND()->move(below.x() - picker->GetHWND()->width(), below.y());
    }
    picker->ShowWindow(true, true);
}

} // namespace pelan
