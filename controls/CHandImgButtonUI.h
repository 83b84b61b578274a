#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// A picture button for list-like choices. While the pointer is over it and deleting is allowed, a small delete image
// shows in its lower right corner; a click there is reported as "click_handdelete" instead of a click.
class CHandImgButtonUI : public CButtonUI {
public:
    static constexpr const char* kClassName = "HandImgButton";
    static constexpr const char* kDeleteNotify = "click_handdelete";

    QString GetClass() const override { return kClassName; }
    void* GetInterface(const QString& name) override;
    void SetAttribute(const QString& name, const QString& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(QPainter& painter) override;

    QString GetHandImage() const { return m_handImage; }
    void SetHandImage(const QString& image) { SetAndRedraw(m_handImage, image); }
    void SetDeleteDisabled(bool disabled) { SetAndRedraw(m_deleteDisabled, disabled); }
    bool IsDeleteDisabled() const { return m_deleteDisabled; }
    // The delete corner in window coordinates: 20 x 20 scaled, 30 scaled left of the right edge, its bottom 9 scaled
    // above the button's bottom.
    QRect DeleteCorner() const;

private:
    QString m_handImage;
    QString m_deleteNormalImage;
    QString m_deleteHotImage;
    QString m_deleteImage;
    bool m_deleteDisabled = true;
};

} // namespace pelan
