#pragma once

#include "ui/DuiLib.h"
#include "update/UpdateSession.h"

namespace pelan {

class CCircleProgressUI;

// One row of the settings window's update list, built from "XML/CustomControlXML/device_Update_list_item.xml": the
// tick box, the product's name, current and new version, the status text and the ring that shows a download's or
// an upgrade's progress.
class CUpdateInfoListItemUI : public CListContainerElementUI {
public:
    static constexpr const char* kLayout = "XML/CustomControlXML/device_Update_list_item.xml";
    static constexpr const char* kTickName = "check_name_select";
    static constexpr const char* kNameText = "update_name_text";
    static constexpr const char* kCurrentText = "update_current_version_text";
    static constexpr const char* kNewText = "update_new_version_text";
    static constexpr const char* kStatusText = "update_status_text";
    static constexpr const char* kProgress = "update_progress";
    static constexpr const char* kReadyImage = "update_ready_image";
    static constexpr DWORD kGreyText = 0xff666666;

    QString GetClass() const override { return "UpdateInfoListItem"; }
    // Mirrors a row of the update list; the tick box carries the row's index as its tag.
    void ShowRow(int index, const UpdateRow& row);
    COptionUI* TickBox();

private:
    template <typename T>
    T* Part(const char* name) {
        return dynamic_cast<T*>(FindSubControl(name));
    }
};

} // namespace pelan
