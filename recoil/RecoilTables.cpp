#include "recoil/RecoilTables.h"

#include "macro/MacroEvent.h"
#include "platform/AtomicFile.h"
#include "platform/Trace.h"
#include "profile/JsonFileStore.h"

#include <algorithm>
#include <filesystem>

namespace pelan {
namespace {

constexpr int kFireButton = 1; // the left button
constexpr int kFirePressDelay = 10;
constexpr int kFireReleaseDelay = 0;
constexpr int kHorizontalDelay = 5;

bool validGun(int gun) {
    return gun >= 0 && gun < kRecoilGunCount;
}

bool validBullet(int bullet) {
    return bullet >= 0 && bullet < kRecoilBulletCount;
}

Json::ArrayIndex position(int bullet, int step) {
    return Json::ArrayIndex(bullet * kRecoilEventsPerBullet + step);
}

Json::Value eventObject(int type, std::string_view action, int button, int delay) {
    Json::Value event(Json::objectValue);
    event[kEventActionMember] = std::string(action);
    event[kEventButtonMember] = button;
    event[kEventDelayMember] = delay;
    event[kEventTypeMember] = type;
    return event;
}

// An integer member within 0..max.
std::optional<int> boundedInteger(const Json::Value& event, const char* name, int max) {
    const Json::Value& member = event[name];
    if (!member.isIntegral() || member.asLargestInt() < 0 || member.asLargestInt() > max)
        return std::nullopt;
    return int(member.asLargestInt());
}

// Whether a move event of this type goes the "down" way; nothing when it is not such a move.
std::optional<bool> moveAction(const Json::Value& event, int type) {
    if (!event.isObject() || !event[kEventTypeMember].isIntegral() || event[kEventTypeMember].asLargestInt() != type)
        return std::nullopt;
    const Json::Value& action = event[kEventActionMember];
    if (!action.isString() || (action.asString() != kActionDown && action.asString() != kActionUp))
        return std::nullopt;
    return action.asString() == kActionDown;
}

std::optional<RecoilBullet> readBulletOf(const Json::Value& events, int bullet) {
    const Json::Value& horizontal = events[position(bullet, 2)];
    const Json::Value& vertical = events[position(bullet, 3)];
    const std::optional<bool> left = moveAction(horizontal, MacroEventKind::HorizontalMove);
    const std::optional<bool> up = moveAction(vertical, MacroEventKind::VerticalMove);
    if (!left || !up)
        return std::nullopt;
    const std::optional<int> x = boundedInteger(horizontal, kEventButtonMember, kMaxRecoilDistance);
    const std::optional<int> y = boundedInteger(vertical, kEventButtonMember, kMaxRecoilDistance);
    const std::optional<int> delay = boundedInteger(vertical, kEventDelayMember, kMaxRecoilDelay);
    if (!x || !y || !delay)
        return std::nullopt;
    return RecoilBullet{*x, *left, *y, *up, *delay};
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace

RecoilBullet clampedBullet(RecoilBullet bullet) {
    bullet.x = std::clamp(bullet.x, 0, kMaxRecoilDistance);
    bullet.y = std::clamp(bullet.y, 0, kMaxRecoilDistance);
    bullet.delay = std::clamp(bullet.delay, 0, kMaxRecoilDelay);
    return bullet;
}

std::vector<RecoilPoint> recoilPath(const std::vector<RecoilBullet>& bullets) {
    std::vector<RecoilPoint> path{RecoilPoint{}};
    for (const RecoilBullet& bullet : bullets) {
        const RecoilPoint& last = path.back();
        path.push_back({last.x + (bullet.left ? -bullet.x : bullet.x), last.y + (bullet.up ? -bullet.y : bullet.y)});
    }
    return path;
}

std::string recoilFileName(int gun) {
    return std::string(kRecoilFileStem) + std::to_string(gun) + std::string(kRecoilFileExtension);
}

std::optional<std::vector<RecoilBullet>> readRecoilTable(const Json::Value& table) {
    if (!table.isObject())
        return std::nullopt;
    const Json::Value& events = table[kMacroEventsMember];
    if (!events.isArray() || events.size() < position(kRecoilBulletCount, 0))
        return std::nullopt;
    std::vector<RecoilBullet> bullets;
    for (int bullet = 0; bullet < kRecoilBulletCount; ++bullet) {
        const std::optional<RecoilBullet> read = readBulletOf(events, bullet);
        if (!read)
            return std::nullopt;
        bullets.push_back(*read);
    }
    return bullets;
}

void writeRecoilBullet(Json::Value& table, int bullet, const RecoilBullet& values) {
    const RecoilBullet shown = clampedBullet(values);
    Json::Value& events = table[kMacroEventsMember];
    const int fire = MacroEventKind::MouseButton;
    events[position(bullet, 0)] = eventObject(fire, kActionDown, kFireButton, kFirePressDelay);
    events[position(bullet, 1)] = eventObject(fire, kActionUp, kFireButton, kFireReleaseDelay);
    events[position(bullet, 2)] =
        eventObject(MacroEventKind::HorizontalMove, shown.left ? kActionDown : kActionUp, shown.x, kHorizontalDelay);
    events[position(bullet, 3)] =
        eventObject(MacroEventKind::VerticalMove, shown.up ? kActionDown : kActionUp, shown.y, shown.delay);
}

std::string_view recoilResultText(RecoilResult result) {
    switch (result) {
    case RecoilResult::Done:
        return "done";
    case RecoilResult::BadGun:
        return "the gun is 0 to 3 and the bullet 1 to 30";
    case RecoilResult::NoFolder:
        return "no user folder for the recoil tables";
    case RecoilResult::FactoryMissing:
        return "the factory recoil table is missing";
    case RecoilResult::NotATable:
        return "the file does not hold 30 well-formed bullets";
    case RecoilResult::SourceUnreadable:
        return "the file cannot be read";
    case RecoilResult::WriteFailed:
        return "the recoil table cannot be written";
    }
    return "failed";
}

RecoilTables::RecoilTables(std::string userFolder, std::string defaultFolder) {
    setFolders(std::move(userFolder), std::move(defaultFolder));
}

void RecoilTables::setFolders(std::string userFolder, std::string defaultFolder) {
    userFolder_ = std::move(userFolder);
    defaultFolder_ = std::move(defaultFolder);
}

std::string RecoilTables::workingPath(int gun) const {
    return userFolder_ + recoilFileName(gun);
}

std::string RecoilTables::factoryPath(int gun) const {
    return defaultFolder_ + recoilFileName(gun);
}

RecoilResult RecoilTables::restoreFromFactory(int gun) const {
    const std::string text = JsonFileStore::readJsonText(factoryPath(gun));
    const std::optional<Json::Value> factory = JsonFileStore::parseJsonText(text);
    if (text.empty() || !factory || !readRecoilTable(*factory))
        return RecoilResult::FactoryMissing;
    return writeFileAtomically(workingPath(gun), text) == 0 ? RecoilResult::Done : RecoilResult::WriteFailed;
}

RecoilResult RecoilTables::ensureWorkingFile(int gun) const {
    if (!validGun(gun))
        return RecoilResult::BadGun;
    if (userFolder_.empty())
        return RecoilResult::NoFolder;
    const std::string path = workingPath(gun);
    if (readRecoilTable(JsonFileStore::loadJsonFile(path)))
        return RecoilResult::Done;
    if (fileExists(path)) {
        // Kept for the user to look at; the factory table takes its place.
        std::error_code error;
        std::filesystem::rename(path, path + std::string(kUnreadableRecoilEnding), error);
        trace(path + " is not a whole recoil table; restored from the factory copy");
        if (error)
            return RecoilResult::WriteFailed;
    }
    return restoreFromFactory(gun);
}

Json::Value RecoilTables::loadWorkingTable(int gun, RecoilResult& result) const {
    result = ensureWorkingFile(gun);
    if (result != RecoilResult::Done)
        return Json::Value();
    return JsonFileStore::loadJsonFile(workingPath(gun));
}

std::optional<std::vector<RecoilBullet>> RecoilTables::readTable(int gun) const {
    RecoilResult result = RecoilResult::Done;
    return readRecoilTable(loadWorkingTable(gun, result));
}

std::optional<RecoilBullet> RecoilTables::readBullet(int gun, int bullet) const {
    if (!validBullet(bullet))
        return std::nullopt;
    const std::optional<std::vector<RecoilBullet>> table = readTable(gun);
    if (!table)
        return std::nullopt;
    return (*table)[size_t(bullet)];
}

RecoilResult RecoilTables::writeBullet(int gun, int bullet, const RecoilBullet& values) const {
    if (!validBullet(bullet))
        return RecoilResult::BadGun;
    RecoilResult result = RecoilResult::Done;
    Json::Value table = loadWorkingTable(gun, result);
    if (result != RecoilResult::Done)
        return result;
    writeRecoilBullet(table, bullet, values);
    return JsonFileStore::writeJsonFile(workingPath(gun), table) == 0 ? RecoilResult::Done : RecoilResult::WriteFailed;
}

RecoilResult RecoilTables::resetGun(int gun) const {
    if (!validGun(gun))
        return RecoilResult::BadGun;
    if (userFolder_.empty())
        return RecoilResult::NoFolder;
    return restoreFromFactory(gun);
}

RecoilResult RecoilTables::exportGun(int gun, const std::string& path) const {
    RecoilResult result = RecoilResult::Done;
    const Json::Value table = loadWorkingTable(gun, result);
    if (result != RecoilResult::Done)
        return result;
    return JsonFileStore::writeJsonFile(path, table) == 0 ? RecoilResult::Done : RecoilResult::WriteFailed;
}

RecoilResult RecoilTables::importGun(int gun, const std::string& path) const {
    if (!validGun(gun))
        return RecoilResult::BadGun;
    if (userFolder_.empty())
        return RecoilResult::NoFolder;
    const std::string text = JsonFileStore::readJsonText(path);
    if (text.empty())
        return RecoilResult::SourceUnreadable;
    const std::optional<Json::Value> table = JsonFileStore::parseJsonText(text);
    if (!table || !readRecoilTable(*table))
        return RecoilResult::NotATable;
    return JsonFileStore::writeJsonFile(workingPath(gun), *table) == 0 ? RecoilResult::Done : RecoilResult::WriteFailed;
}

} // namespace pelan
