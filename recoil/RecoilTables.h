#pragma once

#include <json/value.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelan {

// The mouse's recoil-compensation tables: one file per gun, "ShootData_" + gun + ".Shoot", in the macro event
// format. Bullet b owns events 4b to 4b + 3 of `Events`: the fire press and release of the left button, the
// horizontal pull and the vertical pull with the bullet's delay. The working copies live in the mouse's user
// folder, the factory copies of the same names in the default data folder.
inline constexpr int kRecoilGunCount = 4;
inline constexpr int kRecoilBulletCount = 30;
inline constexpr int kRecoilEventsPerBullet = 4;
inline constexpr int kMaxRecoilDistance = 255; // what the device carries in a move step
inline constexpr int kMaxRecoilDelay = 65535;
inline constexpr std::string_view kRecoilFileStem = "ShootData_";
inline constexpr std::string_view kRecoilFileExtension = ".Shoot";
// An unreadable working file is moved to its name with this ending before the factory copy takes its place.
inline constexpr std::string_view kUnreadableRecoilEnding = ".unreadable";

// One bullet as the panel shows it.
struct RecoilBullet {
    int x = 0;         // horizontal distance, 0..255
    bool left = false; // pulled to the left ("down" of the horizontal move), else to the right
    int y = 0;         // vertical distance, 0..255
    bool up = false;   // pulled up ("down" of the vertical move), else down
    int delay = 0;     // milliseconds after the vertical pull, 0..65535
    friend bool operator==(const RecoilBullet&, const RecoilBullet&) = default;
};

// The bullet with its distances and delay limited to what the device carries.
RecoilBullet clampedBullet(RecoilBullet bullet);

// A point of the path a table pulls the mouse along, in table units: x grows to the right, y downwards.
struct RecoilPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const RecoilPoint&, const RecoilPoint&) = default;
};

// The path of a table: the start, then where each bullet's pull leaves the mouse.
std::vector<RecoilPoint> recoilPath(const std::vector<RecoilBullet>& bullets);

// "ShootData_" + gun + ".Shoot".
std::string recoilFileName(int gun);

// The 30 bullets of a table tree; nothing unless every bullet has its horizontal (type 4) and vertical (type 5)
// move with a "down" or "up" action, integer distances of 0..255 and an integer delay of 0..65535.
std::optional<std::vector<RecoilBullet>> readRecoilTable(const Json::Value& table);

// Rewrites the four events of one bullet in a table tree; every other member stays as it was.
void writeRecoilBullet(Json::Value& table, int bullet, const RecoilBullet& values);

enum class RecoilResult {
    Done,
    BadGun,         // gun outside 0..3 or bullet outside 0..29
    NoFolder,       // no user folder to keep the tables in
    FactoryMissing, // the factory copy is missing or is not a table
    NotATable,      // an imported file does not hold 30 well-formed bullets
    SourceUnreadable,
    WriteFailed,
};

// A short English text of a result, for the command line and the trace.
std::string_view recoilResultText(RecoilResult result);

// The four tables of one mouse. Every read first makes sure the working file is a whole table: a missing one is
// restored from the factory copy, an unreadable one is moved aside (kUnreadableRecoilEnding) and then restored, so
// a bullet is never shown or saved from a partial file. Writes replace files atomically.
class RecoilTables {
public:
    RecoilTables() = default;
    RecoilTables(std::string userFolder, std::string defaultFolder);

    void setFolders(std::string userFolder, std::string defaultFolder);
    const std::string& userFolder() const { return userFolder_; }

    std::string workingPath(int gun) const;
    std::string factoryPath(int gun) const;

    // Makes the gun's working file a whole table (see above).
    RecoilResult ensureWorkingFile(int gun) const;

    std::optional<RecoilBullet> readBullet(int gun, int bullet) const;
    std::optional<std::vector<RecoilBullet>> readTable(int gun) const;
    // Stores one bullet, limited to what the device carries; only its four events change.
    RecoilResult writeBullet(int gun, int bullet, const RecoilBullet& values) const;
    // Copies the factory file over the working file byte for byte; refused, leaving the working file as it was,
    // when the factory file is missing or not a table.
    RecoilResult resetGun(int gun) const;
    // Writes the gun's working table to `path`.
    RecoilResult exportGun(int gun, const std::string& path) const;
    // Replaces the gun's working table with the file at `path` once it is seen to hold 30 well-formed bullets.
    RecoilResult importGun(int gun, const std::string& path) const;

private:
    // The working table's tree after ensureWorkingFile; a null value with the result when there is none.
    Json::Value loadWorkingTable(int gun, RecoilResult& result) const;
    RecoilResult restoreFromFactory(int gun) const;

    std::string userFolder_;
    std::string defaultFolder_;
};

} // namespace pelan
