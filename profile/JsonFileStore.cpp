#include "profile/JsonFileStore.h"

#include "platform/AtomicFile.h"
#include "platform/Trace.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <vector>

// Json::Reader and Json::StyledWriter are marked deprecated in newer JsonCpp releases; they are the ones that keep
// comments on their values and write the styled layout our files have, so their use is intended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <json/reader.h>
#include <json/writer.h>
#pragma GCC diagnostic pop

namespace pelan {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

void traceErrorCode(const char* format, int code) {
    if (!traceEnabled())
        return;
    char line[64];
    std::snprintf(line, sizeof line, format, code);
    trace(line);
}

// Size of an open file, or -1 when it cannot be told (a pipe, a folder).
long fileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

} // namespace

std::string JsonFileStore::formatTimeStampName(int year, int month, int day, int hour, int minute, int second,
                                               int millisecond) {
    char name[64];
    std::snprintf(name, sizeof name, "%d_%02d_%02d_%02d_%02d_%02d_%03d", year, month, day, hour, minute, second,
                  millisecond);
    return name;
}

std::string JsonFileStore::makeTimeStampName(std::chrono::system_clock::time_point now) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto sinceEpoch = now.time_since_epoch();
    auto millisecond = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    if (millisecond < 0)
        millisecond += 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    return formatTimeStampName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                               local.tm_sec, static_cast<int>(millisecond));
}

std::string JsonFileStore::readJsonText(const std::string& path) {
    // A folder opens for reading here and reports an absurd size; only regular files are read.
    std::error_code ignored;
    auto status = std::filesystem::status(path, ignored);
    if (!std::filesystem::is_regular_file(status)) {
        traceErrorCode("readjsonFile 错误吗：：%d\n", std::filesystem::exists(status) ? EISDIR : ENOENT);
        return {};
    }
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    traceErrorCode("readjsonFile 错误吗：：%d\n", file ? 0 : errno);
    if (!file)
        return {};
    long size = fileSize(file.get());
    if (size <= 0 || static_cast<std::size_t>(size) > kMaxJsonFileSize)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    if (std::fread(buffer.data(), 1, static_cast<std::size_t>(size), file.get()) != static_cast<std::size_t>(size))
        return {};
    return std::string(buffer.data()); // text after a NUL byte is ignored
}

std::string JsonFileStore::styledText(const Json::Value& value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::StyledWriter writer;
#pragma GCC diagnostic pop
    return writer.write(value) + "\n";
}

int JsonFileStore::writeJsonFile(const std::string& path, const Json::Value& value) {
    std::string text;
    try {
        text = styledText(value);
    } catch (const std::exception&) {
        traceErrorCode("wirtejsonFile 错误吗：：%d\n", EINVAL);
        return 1;
    }
    if (text.size() > kMaxJsonFileSize) {
        traceErrorCode("wirtejsonFile 错误吗：：%d\n", EFBIG);
        return 1;
    }
    int error = writeFileAtomically(path, text);
    traceErrorCode("wirtejsonFile 错误吗：：%d\n", error);
    return error == 0 ? 0 : 1;
}

Json::Value JsonFileStore::loadJsonFile(const std::string& path) {
    std::string text = readJsonText(path);
    if (text.empty()) {
        trace(path);
        return Json::Value();
    }
    return parseJsonText(text).value_or(Json::Value());
}

std::string JsonFileStore::setAsideBroken(const std::string& path) {
    const std::string stem = path + ".broken-" + makeTimeStampName();
    std::string kept = stem;
    std::error_code error;
    for (int number = 1; std::filesystem::exists(std::filesystem::symlink_status(kept, error)); ++number)
        kept = stem + "_" + std::to_string(number);
    if (std::rename(path.c_str(), kept.c_str()) != 0)
        return {};
    trace("kept the damaged file " + path + " as " + kept);
    return kept;
}

std::optional<Json::Value> JsonFileStore::parseJsonText(std::string_view text) {
    Json::Value root;
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Json::Reader reader;
#pragma GCC diagnostic pop
        if (!reader.parse(text.data(), text.data() + text.size(), root, true))
            return std::nullopt;
    } catch (const std::exception&) {
        // The reader refuses nesting deeper than its stack limit by throwing.
        return std::nullopt;
    }
    return root;
}

} // namespace pelan
