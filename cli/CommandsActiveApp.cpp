// pelanctl active-app: what the platform layer sees of the application in front, for users writing their links.
#include <cstdio>
#include <poll.h>

#include "cli/Commands.h"
#include "platform/ActiveApplication.h"
#include "platform/TerminationSignal.h"

namespace pelan::cli {
namespace {

std::string shownId(const std::string& id) {
    return id.empty() ? "(none)" : id;
}

// One line per change of the application in front until SIGINT or SIGTERM; a lost desktop connection ends it
// with the reason.
CommandResult follow(ActiveApplicationWatch& watch) {
    const int signals = watchTerminationSignals();
    if (signals < 0)
        return failed("cannot wait for the end signal");
    std::printf("%s\n", shownId(watch.activeApplication()).c_str());
    std::fflush(stdout);
    for (;;) {
        pollfd descriptors[] = {{signals, POLLIN, 0}, {watch.fd(), POLLIN, 0}};
        if (::poll(descriptors, 2, -1) < 0)
            continue;
        if (descriptors[0].revents != 0) {
            drainTerminationSignals();
            Json::Value document;
            document["stopped"] = true;
            return succeeded(document);
        }
        if (watch.takeChanges()) {
            std::printf("%s\n", shownId(watch.activeApplication()).c_str());
            std::fflush(stdout);
        }
        if (const std::string reason = watch.unavailableReason(); !reason.empty())
            return failed(reason);
    }
}

} // namespace

CommandResult activeAppCommand(const Words& args) {
    const bool following = args.size() == 1 && args[0] == "--follow";
    if (!args.empty() && !following)
        return usageFailed("active-app takes only --follow");
    std::unique_ptr<ActiveApplicationWatch> watch = ActiveApplicationWatch::forThisSession();
    if (const std::string reason = watch->unavailableReason(); !reason.empty())
        return failed("the application in front cannot be known here: " + reason);
    if (following)
        return follow(*watch);
    Json::Value document;
    document["backend"] = watch->backend();
    document["active"] = watch->activeApplication();
    document["applications"] = Json::Value(Json::arrayValue);
    for (const std::string& id : watch->applications())
        document["applications"].append(id);
    CommandResult result = succeeded(document);
    // The KWin script tells only of changes: a watch just made has heard nothing yet.
    if (watch->activeApplication().empty() && watch->backend() == "KWin")
        result.notice = "KWin tells the application in front at the next change of window; active-app --follow "
                        "waits for it";
    return result;
}

} // namespace pelan::cli
