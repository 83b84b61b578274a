#pragma once

#include <chrono>
#include <cstddef>
#include <json/value.h>
#include <optional>
#include <string>
#include <string_view>

namespace pelan {

// The largest JSON file read or written: one cap for both, so nothing is stored that could not be read back. No
// file of ours comes near it; a larger one is treated as unreadable instead of exhausting memory and time.
inline constexpr std::size_t kMaxJsonFileSize = 16u * 1024 * 1024;

// Whole-file JSON storage: a file is read whole into a Json::Value tree, changed in memory and written back whole.
// Holds no state; objects that touch files keep one as a plain member, and every operation is also callable as
// JsonFileStore::operation(...). Paths are UTF-8 file paths.
class JsonFileStore {
public:
    // A unique-enough identifier from the local time, "%d_%02d_%02d_%02d_%02d_%02d_%03d" of year, month, day,
    // hour, minute, second and millisecond, e.g. "2024_03_03_09_05_07_042". Names the profiles and macros.
    static std::string makeTimeStampName(std::chrono::system_clock::time_point now = std::chrono::system_clock::now());
    static std::string formatTimeStampName(int year, int month, int day, int hour, int minute, int second,
                                           int millisecond);

    // The file's bytes up to the first NUL byte; "" when the file cannot be opened or read completely.
    static std::string readJsonText(const std::string& path);

    // Writes the value as styled text plus one line feed. The file is replaced atomically (temporary file in the
    // same folder, then rename), so a crash or a full disk leaves the previous contents. 0 on success, 1 when
    // nothing could be written (also when the text would exceed kMaxJsonFileSize).
    static int writeJsonFile(const std::string& path, const Json::Value& value);

    // The parsed tree of the file (comments kept on their values); a null value when the file is missing,
    // empty, unreadable or not valid JSON.
    static Json::Value loadJsonFile(const std::string& path);

    // The tree of a JSON text (comments kept on their values); nothing when the text is not valid JSON.
    static std::optional<Json::Value> parseJsonText(std::string_view text);

    // Keeps a damaged file for the user before it is replaced: renames it to path + ".broken-" + a time-stamp name
    // (a number follows when that name is taken). Returns the new path, "" when the file could not be renamed.
    static std::string setAsideBroken(const std::string& path);

    // The styled text that writeJsonFile stores, line feed included.
    static std::string styledText(const Json::Value& value);
};

} // namespace pelan
