#include "platform/SystemSettingsBackends.h"

#include <algorithm>

namespace pelan {

std::vector<RecordingSystemSettings::Change> RecordingSystemSettings::changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

void RecordingSystemSettings::clearChanges() {
    std::lock_guard lock(mutex_);
    changes_.clear();
}

void RecordingSystemSettings::refuse(SystemSetting setting) {
    std::lock_guard lock(mutex_);
    refused_.push_back(setting);
}

void RecordingSystemSettings::setApplyHook(std::function<void(SystemSetting, int)> hook) {
    std::lock_guard lock(mutex_);
    applyHook_ = std::move(hook);
}

bool RecordingSystemSettings::apply(SystemSetting setting, int value) {
    std::function<void(SystemSetting, int)> hook;
    {
        std::lock_guard lock(mutex_);
        if (std::find(refused_.begin(), refused_.end(), setting) != refused_.end())
            return false;
        hook = applyHook_;
    }
    if (hook)
        hook(setting, value);
    std::lock_guard lock(mutex_);
    changes_.push_back({setting, value});
    values_[setting] = value;
    return true;
}

std::optional<int> RecordingSystemSettings::read(SystemSetting setting) {
    std::lock_guard lock(mutex_);
    if (std::find(refused_.begin(), refused_.end(), setting) != refused_.end())
        return std::nullopt;
    auto found = values_.find(setting);
    return found != values_.end() ? std::optional<int>(found->second) : std::nullopt;
}

} // namespace pelan
