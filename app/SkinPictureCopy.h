#pragma once

#include <QSize>
#include <QString>
#include <optional>
#include <string>

namespace pelan {

// A picture the user chose for the background, taken into the data folder: read once (files above kMaxSourceBytes
// or kMaxSourceSide pixels a side are refused), scaled to the size it is shown at and stored as PNG under
// "skins/" with a name made from its content. What the window decodes later is that copy: moving, changing or
// deleting the original changes nothing, and the copy's name holds nothing the layout's image syntax would read
// (an "=" or a quote). Nothing when the file is too large, not a picture, or cannot be stored.
class SkinPictureCopy {
public:
    static constexpr qint64 kMaxSourceBytes = 32 * 1024 * 1024;
    static constexpr int kMaxSourceSide = 16384;
    static constexpr const char* kFolder = "skins";

    static std::optional<QString> take(const QString& source, const std::string& dataFolder, QSize shown);
};

} // namespace pelan
