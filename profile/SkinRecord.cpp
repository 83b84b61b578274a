#include "profile/SkinRecord.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <charconv>
#include <cstdio>
#include <fstream>

namespace pelan {
namespace {

constexpr const char* kSection = "[SKINIMAGE]";
constexpr std::string_view kCustomKey = "CUSTOM";

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool isSection(const std::string& line) {
    return !line.empty() && line.front() == '[';
}

template <typename T>
T number(std::string_view text, int base) {
    T value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, base);
    return value;
}

void readKey(SkinRecord& record, std::string_view key, std::string_view value) {
    if (key == "FLAGS")
        record.flags = number<int>(value, 10);
    else if (key == "IMAGE")
        record.image = value;
    else if (key == "COLOR")
        record.colour = number<uint32_t>(value, 16);
    else if (key.starts_with(kCustomKey) && !value.empty())
        record.customImages.emplace_back(value);
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string sectionText(const SkinRecord& record) {
    char colour[9];
    std::snprintf(colour, sizeof colour, "%08X", unsigned(record.colour));
    std::string text = std::string(kSection) + "\nFLAGS=" + std::to_string(record.flags) + "\nIMAGE=" + record.image +
                       "\nCOLOR=" + colour + "\n";
    for (size_t i = 0; i < record.customImages.size(); ++i)
        text += std::string(kCustomKey) + std::to_string(i + 1) + "=" + record.customImages[i] + "\n";
    return text;
}

} // namespace

SkinRecord readSkinRecord(const std::string& dataFolder) {
    SkinRecord record;
    bool inSection = false;
    for (const std::string& line : readLines(withTrailingSlash(dataFolder) + kSkinRecordFile)) {
        const size_t equals = line.find('=');
        if (isSection(line))
            inSection = line == kSection;
        else if (inSection && equals != std::string::npos)
            readKey(record, std::string_view(line).substr(0, equals), std::string_view(line).substr(equals + 1));
    }
    return record;
}

bool writeSkinRecord(const std::string& dataFolder, const SkinRecord& record) {
    if (hasLineBreak(record.image))
        return false;
    for (const std::string& image : record.customImages)
        if (hasLineBreak(image))
            return false;
    if (!ensureFolder(withTrailingSlash(dataFolder)))
        return false;
    const std::string path = withTrailingSlash(dataFolder) + kSkinRecordFile;
    // Other sections stay as they are; ours is written anew at the end.
    std::string text;
    bool inSection = false;
    for (const std::string& line : readLines(path)) {
        if (isSection(line))
            inSection = line == kSection;
        if (!inSection)
            text += line + "\n";
    }
    return writeFileAtomically(path, text + sectionText(record)) == 0;
}

} // namespace pelan
