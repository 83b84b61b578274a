#include "controls/CUpdateInfoListItemUI.h"

#include "controls/CCircleProgressUI.h"

namespace pelan {

COptionUI* CUpdateInfoListItemUI::TickBox() {
    return Part<COptionUI>(kTickName);
}

void CUpdateInfoListItemUI::ShowRow(int index, const UpdateRow& row) {
    if (COptionUI* tick = TickBox()) {
        tick->SetTag(index);
        tick->SetVisible(row.status != kRowNothingToUpdate);
        tick->SetEnabled(row.tickable());
        if (tick->IsSelected() != row.ticked)
            tick->Selected(row.ticked, false);
    }
    if (CControlUI* name = Part<CControlUI>(kNameText))
        name->SetText(QString::fromStdString(row.displayName));
    if (CControlUI* current = Part<CControlUI>(kCurrentText))
        current->SetText(QString::fromStdString(row.currentVersionText));
    if (CControlUI* newer = Part<CControlUI>(kNewText))
        newer->SetText(QString::fromStdString(row.newVersionText));
    if (CLabelUI* status = Part<CLabelUI>(kStatusText)) {
        // A failed row says why it failed.
        status->SetText(row.failure != UpdateFailure::None ? updateFailureTextKey(row.failure)
                                                           : rowStatusTextKey(row.status));
        status->SetResourceText(true);
        if (row.status == kRowNothingToUpdate)
            status->SetTextColor(kGreyText);
    }
    const bool working = row.status == kRowDownloading || row.status == kRowInstalling;
    if (CCircleProgressUI* progress = Part<CCircleProgressUI>(kProgress)) {
        progress->SetVisible(working);
        progress->SetValue(row.progress);
    }
    if (CControlUI* ready = Part<CControlUI>(kReadyImage))
        ready->SetVisible(row.status == kRowDownloaded);
}

} // namespace pelan
