// The recoil commands: the mouse's four recoil tables in its user folder, with the rules of the window's recoil
// panel. Guns are numbered 0 to 3 as their files are, bullets 1 to 30 as the panel shows them.
#include "cli/Commands.h"
#include "platform/Paths.h"
#include "recoil/RecoilTables.h"

namespace pelan::cli {
namespace {

constexpr const char* kUsage = "usage: recoil show GUN [BULLET] | recoil set GUN BULLET [--x N] [--left|--right] "
                               "[--y N] [--up|--down] [--delay N] | recoil reset GUN | recoil export GUN FILE | "
                               "recoil import GUN FILE";

Json::Value bulletDocument(int bullet, const RecoilBullet& values) {
    Json::Value doc;
    doc["bullet"] = bullet + 1;
    doc["x"] = values.x;
    doc["horizontal"] = values.left ? "left" : "right";
    doc["y"] = values.y;
    doc["vertical"] = values.up ? "up" : "down";
    doc["delay"] = values.delay;
    return doc;
}

Json::Value tableDocument(const RecoilTables& tables, int gun, const std::vector<RecoilBullet>& bullets, int first,
                          int last) {
    Json::Value list(Json::arrayValue);
    for (int bullet = first; bullet <= last; ++bullet)
        list.append(bulletDocument(bullet, bullets[size_t(bullet)]));
    Json::Value doc;
    doc["gun"] = gun;
    doc["file"] = tables.workingPath(gun);
    doc["bullets"] = list;
    return doc;
}

// Applies the options of `recoil set` to a bullet; an error text for a bad option.
std::string applyBulletOptions(const Words& args, RecoilBullet& bullet) {
    if (args.size() < 4)
        return "recoil set needs at least one of --x, --left, --right, --y, --up, --down, --delay";
    for (size_t i = 3; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--left" || option == "--right") {
            bullet.left = option == "--left";
            continue;
        }
        if (option == "--up" || option == "--down") {
            bullet.up = option == "--up";
            continue;
        }
        if (option != "--x" && option != "--y" && option != "--delay")
            return "unknown recoil option " + option;
        if (i + 1 >= args.size())
            return option + " needs a value";
        const uint32_t max = option == "--delay" ? kMaxRecoilDelay : kMaxRecoilDistance;
        const std::optional<uint32_t> number = parseNumberArgument(args[++i], max);
        if (!number)
            return option + " takes 0 to " + std::to_string(max) + ", not " + args[i];
        int& field = option == "--x" ? bullet.x : option == "--y" ? bullet.y : bullet.delay;
        field = int(*number);
    }
    return {};
}

CommandResult failedWith(RecoilResult result) {
    return failed(std::string(recoilResultText(result)));
}

} // namespace

CommandResult recoilCommand(const Words& args, CliKind kind) {
    const std::string verb = args.empty() ? "" : args[0];
    const size_t count = args.size();
    const bool known = (verb == "show" && (count == 2 || count == 3)) || (verb == "set" && count >= 3) ||
                       (verb == "reset" && count == 2) || ((verb == "export" || verb == "import") && count == 3);
    if (!known)
        return usageFailed(kUsage);
    const std::optional<uint32_t> gun = parseNumberArgument(args[1], kRecoilGunCount - 1);
    if (!gun)
        return usageFailed("GUN is 0 to 3, not " + args[1]);
    std::optional<uint32_t> bullet;
    if ((verb == "show" && count == 3) || verb == "set") {
        bullet = parseNumberArgument(args[2], kRecoilBulletCount);
        if (!bullet || *bullet == 0)
            return usageFailed("BULLET is 1 to 30, not " + args[2]);
        *bullet -= 1;
    }
    RecoilBullet probe;
    if (verb == "set")
        if (std::string bad = applyBulletOptions(args, probe); !bad.empty())
            return usageFailed(bad);
    if (kind != CliKind::Mouse)
        return failed("only the mouse has recoil tables");
    const std::string folder = userDeviceFolder("mouse");
    if (folder.empty())
        return failed("cannot use the mouse's user folder");
    const RecoilTables tables(folder, defaultDataFolder());
    const int g = int(*gun);

    RecoilResult result = RecoilResult::Done;
    if (verb == "set") {
        std::optional<RecoilBullet> values = tables.readBullet(g, int(*bullet));
        if (!values)
            return failedWith(tables.ensureWorkingFile(g));
        applyBulletOptions(args, *values);
        result = tables.writeBullet(g, int(*bullet), *values);
    } else if (verb == "reset") {
        result = tables.resetGun(g);
    } else if (verb == "export") {
        result = tables.exportGun(g, args[2]);
    } else if (verb == "import") {
        result = tables.importGun(g, args[2]);
    }
    if (result != RecoilResult::Done)
        return failedWith(result);
    const std::optional<std::vector<RecoilBullet>> bullets = tables.readTable(g);
    if (!bullets)
        return failedWith(tables.ensureWorkingFile(g));
    if (bullet)
        return succeeded(tableDocument(tables, g, *bullets, int(*bullet), int(*bullet)));
    Json::Value doc = tableDocument(tables, g, *bullets, 0, kRecoilBulletCount - 1);
    if (verb == "export")
        doc["exported"] = args[2];
    return succeeded(doc);
}

} // namespace pelan::cli
