#include "app/HookGuard.h"

#include "platform/Trace.h"

#include <QEvent>
#include <QWidget>
#include <cstdlib>

namespace pelan {
namespace {

constexpr std::chrono::minutes kDefaultIdleLimit{10};

} // namespace

HookGuard::HookGuard(Release release) : release_(std::move(release)) {
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, this, [this] { checkIdle(); });
}

std::chrono::milliseconds HookGuard::idleLimit() {
    if (const char* text = std::getenv("PELAN_HOOK_IDLE_SECONDS")) {
        char* end = nullptr;
        const long seconds = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && seconds > 0 && seconds <= 24 * 3600)
            return std::chrono::seconds(seconds);
    }
    return kDefaultIdleLimit;
}

void HookGuard::arm(QWidget* holder, std::function<uint64_t()> idleMilliseconds) {
    disarm();
    if (holder == nullptr)
        return;
    holder_ = holder;
    idleMilliseconds_ = std::move(idleMilliseconds);
    holder->installEventFilter(this);
    if (QWidget* window = holder->window())
        window->installEventFilter(this);
    destroyed_ = QObject::connect(holder, &QObject::destroyed, this, [this] { letGo("its control was destroyed"); });
    watchdog_.start(idleLimit());
    if (!holder->isVisible() || holder->window()->isMinimized())
        letGo("its control is not shown");
}

void HookGuard::disarm() {
    watchdog_.stop();
    QObject::disconnect(destroyed_);
    if (holder_ != nullptr) {
        holder_->removeEventFilter(this);
        if (QWidget* window = holder_->window())
            window->removeEventFilter(this);
    }
    holder_ = nullptr;
    idleMilliseconds_ = nullptr;
}

void HookGuard::letGo(const char* reason) {
    if (!armed())
        return;
    disarm();
    trace(std::string("input hook let go: ") + reason);
    release_(reason);
}

// A hidden window hides its children too, and so does a minimised one; the window's own state change is watched as
// well, for platforms that minimise without hiding.
bool HookGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == holder_ && event->type() == QEvent::Hide)
        letGo("its control was hidden");
    else if (holder_ != nullptr && watched == holder_->window() && event->type() == QEvent::WindowStateChange &&
             holder_->window()->isMinimized())
        letGo("the window was minimised");
    return QObject::eventFilter(watched, event);
}

void HookGuard::checkIdle() {
    if (!armed() || !idleMilliseconds_)
        return;
    const auto limit = uint64_t(idleLimit().count());
    const uint64_t idle = idleMilliseconds_();
    if (idle >= limit) {
        letGo("no input for the idle limit");
        return;
    }
    watchdog_.start(std::chrono::milliseconds(limit - idle));
}

} // namespace pelan
