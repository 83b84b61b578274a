#pragma once

#include "platform/SettingsFile.h"
#include "update/UpdateModel.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The update service: where it is, asking it about one product, and the main window's start-up question.
namespace pelan {

// Our service, when neither the environment nor the settings file names another.
inline constexpr const char* kDefaultUpdateServiceUrl = "https://update.orvane.com/pelan/";
// The environment variable and the settings file key that name another service.
inline constexpr const char* kUpdateUrlVariable = "PELAN_UPDATE_URL";
inline constexpr const char* kUpdateUrlSettingsKey = "UpdateServiceUrl";

// The service's base URL, ending in '/': $PELAN_UPDATE_URL, else "UpdateServiceUrl=" of the settings file, else
// our service.
std::string updateServiceUrl();

// Asks the service about one product and decodes the answer.
UpdateAnswer checkUpdate(HttpClient& client, const std::string& baseUrl, const UpdateProduct& product);

// The start-up question: the present products in order, stopping at the first that answers with a name. True when
// that answer says something is newer; an unreachable service means nothing is new; nameless answers are passed.
bool findNewerVersion(HttpClient& client, const std::string& baseUrl, const std::vector<UpdateProduct>& rows);

// The largest installer taken; a longer one is refused as soon as that is known.
inline constexpr std::uint64_t kInstallerSizeLimit = 32ull << 20;

// Downloads an answer's installer to `path` and its signature to `path` + ".minisig" (from the same address +
// ".minisig"), each into a new file. None when every announced byte arrived, matches the digest the answer may give
// and carries a good signature of a trusted key; otherwise why not, and both files are removed.
UpdateFailure downloadInstaller(HttpClient& client, const UpdateAnswer& answer, const std::string& path,
                                const HttpClient::Progress& progress);
// Checks a downloaded installer against its signature again (just before it is started); removes both files when
// the check fails.
UpdateFailure checkInstaller(const std::string& path);

// Runs a worker thread's body: an exception that escapes it is written to the trace instead of ending the program.
void runWorkerBody(const char* name, const std::function<void()>& body);

// The private folder downloads go to, created 0700: the user's cache folder + product title + "/UpdateData/". ""
// when it cannot be made private.
std::string updateDownloadFolder();
// The installer's file name made from the answer's name: no path separators, no "..", no control characters, no
// leading dot; "update" when nothing is left.
std::string installerFileName(const std::string& answerName);
// The file a row downloads into: its own, whatever the answers of the other rows are named ("0-NAME").
std::string installerPath(const std::string& folder, int row, const std::string& answerName);

// "updatetime.config" in the data folder: the last check date "Y-M-D" ("" when none is stored).
std::string readLastCheckDate(const std::string& dataFolder);
// Keeps the stored date, or stores today's when none is; returns the date kept.
std::string keepLastCheckDate(const std::string& dataFolder);
bool writeLastCheckDate(const std::string& dataFolder, const std::string& date);
// Today in local time as "%d-%d-%d".
std::string todayText();

} // namespace pelan

namespace pelan {

// The main window's update check worker: sleeps until a check is asked for, asks the start-up question with the
// rows handed over, reports the answer, and sleeps again; stop() ends it.
class UpdateChecker {
public:
    using Report = std::function<void(bool newer)>;

    UpdateChecker(HttpClient& client, std::string baseUrl) : client_(client), baseUrl_(std::move(baseUrl)) {}

    // From the UI thread: check these rows (replacing a request not yet taken).
    void request(std::vector<UpdateProduct> rows);
    void stop();
    // The worker's body.
    void run(const Report& report);

private:
    HttpClient& client_;
    std::string baseUrl_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::vector<UpdateProduct>> due_;
    bool stopping_ = false;
};

} // namespace pelan
