#pragma once

#include "platform/HttpClient.h"
#include "platform/Shell.h"
#include "update/UpdateModel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The update list of the settings window: its check, the rows the user ticks, their downloads and the installers
// started one at a time, with the upgrade program's reports relayed back. The check, download and launch run on
// workers of the window; every change is announced to the listener, which the window turns into a redraw.
namespace pelan {

// Row status, shown by the row's status text.
inline constexpr int kRowNothingToUpdate = 0;
inline constexpr int kRowNewer = 1;
inline constexpr int kRowNewerToo = 2;
inline constexpr int kRowQueued = 3;
inline constexpr int kRowDownloading = 4;
inline constexpr int kRowDownloaded = 5;
inline constexpr int kRowInstalling = 6;
inline constexpr int kRowUpToDate = 7;
inline constexpr int kRowFailed = 8;

// Window state, shown by the window's status text.
inline constexpr int kWindowChecking = 0;
inline constexpr int kWindowHaveUpdate = 1;
inline constexpr int kWindowNoUpdate = 2;
inline constexpr int kWindowUpdating = 3;
inline constexpr int kWindowAllUpToDate = 4;
inline constexpr int kWindowCheckFailed = 5; // no product got an answer: the window says why

// The upgrade program's reports (the wParam of its relay message).
inline constexpr std::int64_t kRelaySucceeded = 1;
inline constexpr std::int64_t kRelayFailed = 2;
inline constexpr std::int64_t kRelayAborted = 3;
inline constexpr std::int64_t kRelayProgress = 4;

const char* rowStatusTextKey(int status);
const char* windowStateTextKey(int state);

struct UpdateRow {
    UpdateProduct product;
    UpdateAnswer answer;
    std::string displayName;
    std::string currentVersionText;
    std::string newVersionText;
    std::string installerPath;
    int status = kRowUpToDate;
    bool ticked = false;
    int progress = 0;                            // 0..100 while downloading or installing
    UpdateFailure failure = UpdateFailure::None; // why the row's check, download or start failed

    // Whether the user may tick the row.
    bool tickable() const { return status == kRowNewer || status == kRowNewerToo || status == kRowFailed; }
};

class UpdateSession {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // Rows or window state changed; called from whichever thread changed them.
        virtual void updateRowsChanged() = 0;
        // An installer could not be started.
        virtual void updateLaunchFailed(int row) = 0;
    };

    struct Setup {
        HttpClient* http = nullptr;
        Shell* shell = nullptr;
        std::string baseUrl;
        std::string downloadFolder; // "" when no private folder could be had: downloads fail
        std::string dataFolder;     // where "updatetime.config" is kept
        // How long an ended upgrade program's last report may take through the relay before its row counts failed.
        std::chrono::milliseconds reportGrace{1500};
    };

    // One row per present product (current version not 0), in list order.
    UpdateSession(Setup setup, std::vector<UpdateProduct> products, Listener* listener);
    ~UpdateSession();
    UpdateSession(const UpdateSession&) = delete;
    UpdateSession& operator=(const UpdateSession&) = delete;

    // The check worker: rows listed at once as up to date, then each product asked.
    void check();
    // The download worker and the launch worker: sleep until there is work, return after stop(). The launch worker
    // also ends the row of an upgrade program that exits without reporting success as failed.
    void runDownloads();
    void runLaunches();
    // Ends the workers' waits and cancels a download in progress.
    void stop();

    // One pass of each worker: downloads every ticked row that is queued or failed; starts the first ticked
    // downloaded row unless an installer is running (false when none was started).
    void downloadQueued();
    bool launchNext();

    void setTicked(int row, bool ticked);
    bool anyTicked() const;
    // Confirm: the ticked rows with something newer (or a failure) are queued and the download worker woken.
    void confirm();
    // A report of the running upgrade program.
    void relay(std::int64_t wParam, std::int64_t lParam);
    // Closing is refused while a row is queued, downloading, downloaded or installing.
    bool canClose() const;

    std::vector<UpdateRow> rows() const;
    int state() const;
    // Why the check failed, in state kWindowCheckFailed.
    UpdateFailure checkFailure() const;
    int runningRow() const;

private:
    struct ExitLink;

    void changed();
    Shell::ExitWatch watchExit();
    void programExited(unsigned launch);
    void failSilentProgram(std::unique_lock<std::mutex>& lock);
    void setRow(int row, const std::function<void(UpdateRow&)>& change);
    UpdateFailure downloadRow(int row);
    ShellResult startInstaller(int row, const UpdateRow& entry);
    void finishRunningRow(bool succeeded);
    void settleState();
    bool launchableLocked() const;

    Setup setup_;
    Listener* listener_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<UpdateRow> rows_;
    std::vector<UpdateProduct> products_;
    int state_ = kWindowChecking;
    UpdateFailure checkFailure_ = UpdateFailure::None;
    int runningRow_ = -1;
    bool downloadRequested_ = false;
    bool stopping_ = false;
    unsigned launch_ = 0;        // counts firmware program starts, so a late exit is not taken for a newer one
    bool programExited_ = false; // the running row's program has ended
    std::shared_ptr<ExitLink> exitLink_;
};

} // namespace pelan
