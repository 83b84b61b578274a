#pragma once

// Drawing helpers shared by the controls: attribute value parsing (colours, rectangles, sizes, booleans), image
// descriptions and text.

#include "ui/UIDefs.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QPainter>
#include <QRect>
#include <QSize>

namespace pelan {

// "#AARRGGBB", "0xAARRGGBB" or "AARRGGBB" as ARGB; six hex digits ("#RRGGBB") are opaque. Unparsable text gives 0.
DWORD ParseColor(const QString& value);
QColor ToQColor(DWORD argb);
// "l,t,r,b" (missing numbers are 0).
QRect ParseRectLtrb(const QString& value);
QMargins ParseMargins(const QString& value);
// "cx,cy".
QSize ParseSize(const QString& value);
bool ParseBool(const QString& value);
int ParseInt(const QString& value, int fallback = 0);

// An image description: a plain path, or attributes such as file='a.png' source='l,t,r,b' dest='l,t,r,b'
// corner='l,t,r,b' fade='0..255'. Paths are relative to the resource folder unless absolute; '\' counts as '/'.
struct ImageDescription {
    QString file;
    QRect source;    // empty: the whole picture
    QRect dest;      // empty: the whole target rectangle; otherwise relative to its top left corner
    QMargins corner; // parts that keep their size when the picture is stretched
    int fade = 255;
};
ImageDescription ParseImageDescription(const QString& description);

// The picture of a resource path (cached); a null image when the file is missing or unreadable.
QImage LoadImage(const QString& file);
void ClearImageCache();

// Draws an image description into rc; false when there is nothing to draw.
bool DrawImageDescription(QPainter& painter, const QRect& rc, const QString& description);

enum TextAlign : UINT {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_END_ELLIPSIS = 0x8000,
};

void DrawText(QPainter& painter, const QRect& rc, const QString& text, DWORD argb, const QFont& font, UINT style);

} // namespace pelan
