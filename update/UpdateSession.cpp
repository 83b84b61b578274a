#include "update/UpdateSession.h"

#include "platform/Ipc.h"
#include "platform/Trace.h"
#include "update/UpdateService.h"

#include <algorithm>
#include <sys/stat.h>

namespace pelan {
namespace {

UpdateRow listedRow(const UpdateProduct& product) {
    UpdateRow row;
    row.product = product;
    row.displayName = product.displayName;
    row.currentVersionText =
        product.isApplication() ? product.versionText : versionText(product, product.currentVersion);
    return row;
}

} // namespace

const char* rowStatusTextKey(int status) {
    static const char* const keys[] = {"LessUpdateText",   "NeedUpdateText",  "NeedUpdateText",
                                       "DownloadWaitText", "DownloadIngText", "DownloadOkText",
                                       "UpdateIngText",    "UpdateOkText",    "UpdateFailText"};
    return status >= 0 && status <= kRowFailed ? keys[status] : "";
}

const char* windowStateTextKey(int state) {
    static const char* const keys[] = {"GetUpdateInfoText", "HaveUpdateInfoText", "NoUpdateInfoText",
                                       "ISUpdateINGText",   "UpdateIsLastText",   "UpdateFailText"};
    return state >= 0 && state <= kWindowCheckFailed ? keys[state] : "";
}

UpdateSession::UpdateSession(Setup setup, std::vector<UpdateProduct> products, Listener* listener)
    : setup_(std::move(setup)), listener_(listener) {
    for (UpdateProduct& product : products)
        if (product.currentVersion != 0)
            products_.push_back(std::move(product));
    for (const UpdateProduct& product : products_)
        rows_.push_back(listedRow(product));
}

// What a started program's reaper reaches the session through: the program may outlive the session.
struct UpdateSession::ExitLink {
    std::mutex mutex;
    UpdateSession* session = nullptr;
};

UpdateSession::~UpdateSession() {
    std::shared_ptr<ExitLink> link;
    {
        std::lock_guard lock(mutex_);
        link = exitLink_;
    }
    if (link) {
        std::lock_guard lock(link->mutex);
        link->session = nullptr;
    }
}

void UpdateSession::programExited(unsigned launch) {
    {
        std::lock_guard lock(mutex_);
        if (launch != launch_)
            return;
        programExited_ = true;
    }
    wake_.notify_all();
}

// The program ended while its row still runs: its last report may still be on its way through the relay, so give
// it a moment; a row still running after that failed.
void UpdateSession::failSilentProgram(std::unique_lock<std::mutex>& lock) {
    const int row = runningRow_;
    programExited_ = false;
    wake_.wait_for(lock, setup_.reportGrace, [this, row] { return stopping_ || runningRow_ != row; });
    if (stopping_ || runningRow_ != row)
        return;
    lock.unlock();
    trace("update: the upgrade program ended without reporting success");
    finishRunningRow(false);
    lock.lock();
}

void UpdateSession::changed() {
    if (listener_ != nullptr)
        listener_->updateRowsChanged();
}

void UpdateSession::setRow(int row, const std::function<void(UpdateRow&)>& change) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= int(rows_.size()))
            return;
        change(rows_[size_t(row)]);
    }
    changed();
}

void UpdateSession::check() {
    {
        std::lock_guard lock(mutex_);
        state_ = kWindowChecking;
    }
    changed();
    bool newer = false, answered = false;
    UpdateFailure failure = UpdateFailure::None;
    for (size_t i = 0; i < products_.size(); ++i) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
        }
        const UpdateAnswer answer = checkUpdate(*setup_.http, setup_.baseUrl, products_[i]);
        // A row without an answer keeps its name and version, and says why.
        if (answer.failure != UpdateFailure::None) {
            failure = answer.failure;
            setRow(int(i), [&answer](UpdateRow& row) { row.failure = answer.failure; });
        }
        if (answer.name.empty() || answer.name == kNoLinkServer)
            continue;
        answered = true;
        newer = newer || answer.status != kAnswerUpToDate;
        setRow(int(i), [&](UpdateRow& row) {
            row.answer = answer;
            row.displayName = answer.name;
            row.currentVersionText = answer.currentVersionText;
            row.newVersionText = answer.status == kAnswerUpToDate ? std::string() : answer.newVersionText;
            row.status = answer.status;
            row.installerPath = setup_.downloadFolder.empty()
                                    ? std::string()
                                    : installerPath(setup_.downloadFolder, int(i), answer.name);
        });
        writeLastCheckDate(setup_.dataFolder, todayText());
    }
    {
        std::lock_guard lock(mutex_);
        checkFailure_ = answered ? UpdateFailure::None : failure;
        state_ = newer                                  ? kWindowHaveUpdate
                 : checkFailure_ != UpdateFailure::None ? kWindowCheckFailed
                                                        : kWindowNoUpdate;
    }
    changed();
}

void UpdateSession::setTicked(int row, bool ticked) {
    setRow(row, [ticked](UpdateRow& entry) {
        if (entry.tickable() || !ticked)
            entry.ticked = ticked;
    });
}

bool UpdateSession::anyTicked() const {
    std::lock_guard lock(mutex_);
    return std::any_of(rows_.begin(), rows_.end(), [](const UpdateRow& row) { return row.ticked; });
}

void UpdateSession::confirm() {
    {
        std::lock_guard lock(mutex_);
        for (UpdateRow& row : rows_)
            if (row.ticked && row.tickable()) {
                row.status = kRowQueued;
                row.failure = UpdateFailure::None;
            }
        downloadRequested_ = true;
    }
    wake_.notify_all();
    changed();
}

void UpdateSession::runDownloads() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || downloadRequested_; });
            if (stopping_)
                return;
        }
        downloadQueued();
    }
}

void UpdateSession::downloadQueued() {
    for (size_t i = 0; i < rows_.size(); ++i) {
        {
            std::lock_guard lock(mutex_);
            const UpdateRow& row = rows_[i];
            if (stopping_ || !row.ticked || (row.status != kRowQueued && row.status != kRowFailed))
                continue;
        }
        const UpdateFailure failure = downloadRow(int(i));
        setRow(int(i), [failure](UpdateRow& row) {
            const bool ok = failure == UpdateFailure::None;
            row.status = ok ? kRowDownloaded : kRowFailed;
            row.progress = ok ? 100 : 0;
            row.failure = failure;
        });
    }
    {
        std::lock_guard lock(mutex_);
        downloadRequested_ = false;
    }
    settleState();
    wake_.notify_all();
}

// Downloads one row's installer and its signature; None when both arrived whole and the signature holds.
UpdateFailure UpdateSession::downloadRow(int row) {
    std::string path;
    UpdateAnswer answer;
    {
        std::lock_guard lock(mutex_);
        UpdateRow& entry = rows_[size_t(row)];
        entry.status = kRowDownloading;
        entry.progress = 0;
        state_ = kWindowUpdating;
        answer = entry.answer;
        path = entry.installerPath;
    }
    changed();
    if (path.empty()) {
        trace("update: no private download folder");
        return UpdateFailure::NoDownloadFolder;
    }
    const HttpClient::Progress progress = [this, row](std::uint64_t total, std::uint64_t received) {
        const int percent = total > 0 ? int(std::min<std::uint64_t>(100, received * 100 / total)) : 0;
        bool moved = false;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            moved = rows_[size_t(row)].progress != percent;
            rows_[size_t(row)].progress = percent;
        }
        if (moved)
            changed();
        return true;
    };
    return downloadInstaller(*setup_.http, answer, path, progress);
}

bool UpdateSession::launchableLocked() const {
    bool running = false, ready = false;
    for (const UpdateRow& row : rows_) {
        running = running || (row.ticked && row.status == kRowInstalling);
        ready = ready || (row.ticked && row.status == kRowDownloaded);
    }
    return ready && !running;
}

void UpdateSession::runLaunches() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            const auto silentEnd = [this] { return programExited_ && runningRow_ >= 0; };
            wake_.wait(lock, [&] { return stopping_ || launchableLocked() || silentEnd(); });
            if (stopping_)
                return;
            if (silentEnd()) {
                failSilentProgram(lock);
                continue;
            }
        }
        launchNext();
    }
}

bool UpdateSession::launchNext() {
    int row = -1;
    UpdateRow entry;
    {
        std::lock_guard lock(mutex_);
        if (!launchableLocked())
            return false;
        for (size_t i = 0; i < rows_.size() && row < 0; ++i)
            if (rows_[i].ticked && rows_[i].status == kRowDownloaded)
                row = int(i);
        rows_[size_t(row)].status = kRowInstalling;
        rows_[size_t(row)].progress = 0;
        state_ = kWindowUpdating;
        runningRow_ = row;
        entry = rows_[size_t(row)];
    }
    changed();
    const ShellResult started = startInstaller(row, entry);
    if (!started.ok) {
        finishRunningRow(false);
        if (listener_ != nullptr)
            listener_->updateLaunchFailed(row);
    } else if (entry.product.isApplication()) {
        // The application installer is the desktop's business from here; the program stays the old one until it is
        // installed, so the row keeps saying that something newer exists.
        setRow(row, [](UpdateRow& done) {
            done.status = kRowNewer;
            done.ticked = false;
        });
        {
            std::lock_guard lock(mutex_);
            runningRow_ = -1;
        }
        settleState();
    }
    return true;
}

// The file is checked against its signature once more right before it is opened or started. Whether it is handed to
// the desktop or started comes from the row: the program's own installer is opened, a device's upgrade program is
// run; the answer has no say in it.
ShellResult UpdateSession::startInstaller(int row, const UpdateRow& entry) {
    ShellResult started;
    UpdateFailure failure = checkInstaller(entry.installerPath);
    if (failure == UpdateFailure::None) {
        if (entry.product.isApplication()) {
            started = setup_.shell->open(entry.installerPath);
        } else {
            ::chmod(entry.installerPath.c_str(), 0700);
            started = setup_.shell->startProgram(entry.installerPath, {}, setup_.downloadFolder, watchExit(),
                                                 relaySocketEnvironment());
        }
        if (!started.ok)
            failure = UpdateFailure::StartFailed;
    }
    setRow(row, [failure](UpdateRow& failed) { failed.failure = failure; });
    return started;
}

// Tells the launch worker when the program started now ends.
Shell::ExitWatch UpdateSession::watchExit() {
    std::lock_guard lock(mutex_);
    if (!exitLink_) {
        exitLink_ = std::make_shared<ExitLink>();
        exitLink_->session = this;
    }
    const unsigned launch = ++launch_;
    programExited_ = false;
    return [link = exitLink_, launch](int) {
        std::lock_guard linked(link->mutex);
        if (link->session != nullptr)
            link->session->programExited(launch);
    };
}

void UpdateSession::relay(std::int64_t wParam, std::int64_t lParam) {
    if (wParam == kRelayProgress) {
        setRow(runningRow(), [lParam](UpdateRow& row) {
            if (row.status == kRowInstalling)
                row.progress = int(std::clamp<std::int64_t>(lParam, 0, 100));
        });
    } else if (wParam == kRelaySucceeded || wParam == kRelayFailed || wParam == kRelayAborted) {
        finishRunningRow(wParam == kRelaySucceeded);
    }
}

void UpdateSession::finishRunningRow(bool succeeded) {
    {
        std::lock_guard lock(mutex_);
        if (runningRow_ < 0)
            return;
        UpdateRow& row = rows_[size_t(runningRow_)];
        runningRow_ = -1;
        if (row.status != kRowInstalling)
            return;
        if (succeeded) {
            row.currentVersionText = row.newVersionText;
            row.newVersionText.clear();
            row.status = kRowUpToDate;
            row.ticked = false;
        } else {
            row.status = kRowFailed;
        }
        row.progress = 0;
    }
    settleState();
    wake_.notify_all();
}

// After a download pass or an installer's end: still updating while a ticked row is on its way, else whether
// anything is left to update.
void UpdateSession::settleState() {
    {
        std::lock_guard lock(mutex_);
        bool busy = false, left = false;
        for (const UpdateRow& row : rows_) {
            busy = busy || (row.ticked && row.status >= kRowQueued && row.status <= kRowInstalling);
            left = left || row.status != kRowUpToDate;
        }
        state_ = busy ? kWindowUpdating : left ? kWindowHaveUpdate : kWindowAllUpToDate;
    }
    changed();
}

void UpdateSession::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

bool UpdateSession::canClose() const {
    std::lock_guard lock(mutex_);
    return std::all_of(rows_.begin(), rows_.end(), [](const UpdateRow& row) {
        return row.status == kRowNewer || row.status == kRowNewerToo || row.status == kRowUpToDate ||
               row.status == kRowFailed;
    });
}

std::vector<UpdateRow> UpdateSession::rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

int UpdateSession::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

UpdateFailure UpdateSession::checkFailure() const {
    std::lock_guard lock(mutex_);
    return checkFailure_;
}

int UpdateSession::runningRow() const {
    std::lock_guard lock(mutex_);
    return runningRow_;
}

} // namespace pelan
