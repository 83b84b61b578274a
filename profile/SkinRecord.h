#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelan {

// The background choice kept in "main.ini" of the data folder, section "SKINIMAGE": "FLAGS" 1 after a chosen
// picture, 0 after a reset, 2 after a chosen colour; "IMAGE" the picture (a skin path or a full file path); "COLOR"
// the colour as eight hex digits AARRGGBB; "CUSTOM1", "CUSTOM2", ... the user's own pictures offered by the picker.
struct SkinRecord {
    static constexpr int kReset = 0;
    static constexpr int kPicture = 1;
    static constexpr int kColour = 2;

    int flags = kReset;
    std::string image;
    uint32_t colour = 0;
    std::vector<std::string> customImages;
};

inline constexpr const char* kSkinRecordFile = "main.ini";
inline constexpr const char* kDefaultSkinImage = "common/background.png";

// The record of the data folder; defaults for a missing file, section or key. Values that are not numbers read as 0.
SkinRecord readSkinRecord(const std::string& dataFolder);
// Writes the record, keeping the file's other sections. False when it cannot be written or a path holds a line
// break.
bool writeSkinRecord(const std::string& dataFolder, const SkinRecord& record);

} // namespace pelan
