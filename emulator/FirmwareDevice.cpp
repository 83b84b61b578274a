#include "emulator/FirmwareDevice.h"

#include <algorithm>

namespace pelan::emu {

namespace {

uint16_t requestOffset(const CommandReport& request) {
    return static_cast<uint16_t>(request[field::offsetLow] | (request[field::offsetHigh] << 8));
}

// Whether `length` bytes at `offset` lie inside an area of `size` bytes (and fit one packet).
bool fits(size_t offset, size_t length, size_t size) {
    return length <= kMaxCommandData && offset <= size && length <= size - offset;
}

uint8_t copyOut(std::span<const uint8_t> area, const CommandReport& request, CommandReport& reply) {
    const size_t offset = requestOffset(request);
    const size_t length = request[field::length];
    if (!fits(offset, length, area.size())) {
        return status::outOfRange;
    }
    std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(offset), length, reply.begin() + kCommandDataOffset);
    return status::accepted;
}

uint8_t copyIn(std::span<uint8_t> area, const CommandReport& request) {
    const size_t offset = requestOffset(request);
    const size_t length = request[field::length];
    if (!fits(offset, length, area.size())) {
        return status::outOfRange;
    }
    std::copy_n(request.begin() + kCommandDataOffset, length, area.begin() + static_cast<std::ptrdiff_t>(offset));
    return status::accepted;
}

// The request with its offset made relative to the start of its key-table slot; null when no table lives there.
std::optional<CommandReport> withinKeyTableSlot(const CommandReport& request, size_t& table) {
    const size_t offset = requestOffset(request);
    table = offset / kKeyTableSlot;
    if (table >= kKeyTableCount) {
        return std::nullopt;
    }
    CommandReport local = request;
    const size_t inside = offset % kKeyTableSlot;
    local[field::offsetLow] = static_cast<uint8_t>(inside & 0xFF);
    local[field::offsetHigh] = static_cast<uint8_t>(inside >> 8);
    return local;
}

void stampChecksum(CommandReport& report) {
    const uint16_t sum = commandChecksum(report);
    report[field::checksumLow] = static_cast<uint8_t>(sum & 0xFF);
    report[field::checksumHigh] = static_cast<uint8_t>(sum >> 8);
}

} // namespace

FirmwareDevice::FirmwareDevice(DeviceModel model, uint16_t versionNumber)
    : model_(std::move(model)), version_(versionNumber), settings_(model_.settings), perKeyTable_(model_.keyLedIndices),
      macroMemory_(static_cast<size_t>(model_.deviceInfo[6]) * 128, 0), lightFrame_(kLightFrameCapacity, 0),
      power_(model_.power) {
    perKeyTable_.resize(model_.factoryKeyCodes.size(), 0xFF);
    // Each key table fills its whole 512-byte slot: the factory codes first, zeros behind them, so a host that
    // moves the full block (its default) is answered like a short one.
    for (auto& table : keyTables_) {
        for (const KeyCode& code : model_.factoryKeyCodes) {
            table.insert(table.end(), code.begin(), code.end());
        }
        table.resize(std::max(table.size(), kKeyTableSlot), 0);
    }
    keyLayout_ = keyTables_[0];
}

uint16_t FirmwareDevice::vendorId() const {
    return model_.vendorId;
}

uint16_t FirmwareDevice::productId() const {
    return model_.productId;
}

uint16_t FirmwareDevice::versionNumber() const {
    std::lock_guard lock(mutex_);
    return version_;
}

std::string FirmwareDevice::productName() const {
    return model_.productName;
}

std::vector<UsbInterfaceDescription> FirmwareDevice::interfaces() const {
    return model_.interfaces;
}

void FirmwareDevice::setVersionNumber(uint16_t version) {
    std::lock_guard lock(mutex_);
    version_ = version;
}

void FirmwareDevice::handleOutput(int interfaceNumber, std::span<const uint8_t> report, HostLink& host) {
    Outcome outcome;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({interfaceNumber, std::vector<uint8_t>(report.begin(), report.end())});
        ++requestCount_;
        if (log_.size() > kRequestLogCapacity) {
            log_.pop_front();
        }
        // Other output reports (keyboard LEDs) and reports with another ID have no answer.
        if (interfaceNumber != model_.commandInterface || report.empty() || report[0] != kCommandReportId) {
            return;
        }
        outcome = handleCommandPacket(toCommandReport(report));
    }
    // The host is called without the lock held, so that it may call back into the device.
    if (outcome.unplug) {
        host.unplugSelf();
        return;
    }
    for (auto& [reply, delay] : outcome.replies) {
        host.sendInput(model_.commandInterface, std::vector<uint8_t>(reply.begin(), reply.end()), delay);
    }
}

FirmwareDevice::Outcome FirmwareDevice::handleCommandPacket(const CommandReport& request) {
    Outcome outcome;
    const std::vector<Fault> faults = faultsForNextPacket();
    const auto hits = [&](FaultKind kind) {
        return std::find_if(faults.begin(), faults.end(), [kind](const Fault& f) { return f.kind == kind; });
    };
    if (hits(FaultKind::Unplug) != faults.end()) {
        outcome.unplug = true;
        return outcome;
    }
    CommandReport reply{};
    if (auto refusal = hits(FaultKind::Refuse); refusal != faults.end()) {
        reply[field::reportId] = kCommandReportId;
        reply[field::code] = request[field::code];
        reply[field::status] = refusal->refusalStatus;
        stampChecksum(reply);
    } else {
        reply = execute(request);
    }
    if (hits(FaultKind::DropReply) != faults.end()) {
        return outcome;
    }
    std::chrono::milliseconds delay{0};
    if (auto late = hits(FaultKind::LateReply); late != faults.end()) {
        delay = late->delay;
    }
    // Each wrong-echo fault on the packet sends one misdirected reply; the right one follows only if one asks.
    bool correctReply = true;
    for (const Fault& wrong : faults) {
        if (wrong.kind != FaultKind::WrongEcho) {
            continue;
        }
        CommandReport misdirected = reply;
        misdirected[field::code] = wrong.echo.value_or(static_cast<uint8_t>(~request[field::code]));
        stampChecksum(misdirected);
        outcome.replies.emplace_back(misdirected, delay);
        correctReply = wrong.thenCorrectReply;
    }
    if (correctReply) {
        outcome.replies.emplace_back(reply, delay);
    }
    return outcome;
}

CommandReport FirmwareDevice::execute(const CommandReport& request) {
    CommandReport reply{};
    reply[field::reportId] = kCommandReportId;
    reply[field::code] = request[field::code];
    reply[field::length] = request[field::length];
    reply[field::offsetLow] = request[field::offsetLow];
    reply[field::offsetHigh] = request[field::offsetHigh];

    const uint16_t expected = static_cast<uint16_t>(request[field::checksumLow] | (request[field::checksumHigh] << 8));
    uint8_t result = status::refused;
    if (commandChecksum(request) == expected) {
        switch (request[field::code]) {
        case command::beginUpdate:
            ++openUpdates_;
            result = status::accepted;
            break;
        case command::endUpdate:
            openUpdates_ = std::max(0, openUpdates_ - 1);
            result = status::accepted;
            break;
        case command::isOnline:
            reply[kCommandDataOffset] = 0xFF;
            result = status::accepted;
            break;
        case command::readDeviceInfo:
        case command::readMemory:
        case command::readKeyTable:
        case command::readStatus:
        case command::readPerKeyTable:
            result = readInto(request, reply);
            break;
        case command::writeMemory:
        case command::writeKeyTable:
        case command::streamLight:
        case command::writeMacroData:
            result = writeFrom(request);
            break;
        default:
            result = status::refused;
            break;
        }
    }
    if (result != status::accepted) {
        std::fill(reply.begin() + kCommandDataOffset, reply.end(), 0);
    }
    reply[field::status] = result;
    stampChecksum(reply);
    return reply;
}

uint8_t FirmwareDevice::readInto(const CommandReport& request, CommandReport& reply) {
    switch (request[field::code]) {
    case command::readDeviceInfo: {
        const auto info = deviceInfoLocked();
        return copyOut(info, request, reply);
    }
    case command::readMemory:
        return copyOut(settings_, request, reply);
    case command::readKeyTable: {
        // Reads answer with the key layout (the factory code at each position), whatever was assigned since, so
        // the host can always find its keys by their factory codes; or, switched, with the table as assigned.
        size_t table = 0;
        const auto local = withinKeyTableSlot(request, table);
        if (!local) {
            return status::outOfRange;
        }
        return copyOut(keyReadsAssigned_ ? keyTables_[table] : keyLayout_, *local, reply);
    }
    case command::readStatus: {
        const auto record = statusRecordLocked();
        return copyOut(record, request, reply);
    }
    case command::readPerKeyTable:
        return copyOut(perKeyTable_, request, reply);
    default:
        return status::refused;
    }
}

uint8_t FirmwareDevice::writeFrom(const CommandReport& request) {
    switch (request[field::code]) {
    case command::writeMemory:
        return copyIn(settings_, request);
    case command::writeKeyTable: {
        size_t table = 0;
        const auto local = withinKeyTableSlot(request, table);
        return local ? copyIn(keyTables_[table], *local) : status::outOfRange;
    }
    case command::streamLight:
        return copyIn(lightFrame_, request);
    case command::writeMacroData:
        return copyIn(macroMemory_, request);
    default:
        return status::refused;
    }
}

std::vector<Fault> FirmwareDevice::faultsForNextPacket() {
    std::vector<Fault> hit;
    for (PendingFault& pending : faults_) {
        if (pending.remaining > 0) {
            --pending.remaining;
        }
        if (pending.remaining == 0) {
            hit.push_back(pending.fault);
        }
    }
    std::erase_if(faults_, [](const PendingFault& p) { return p.remaining == 0 && !p.fault.repeat; });
    return hit;
}

void FirmwareDevice::injectFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back({fault, std::max(1, fault.packet)});
}

void FirmwareDevice::refusePacket(int packet, uint8_t refusalStatus) {
    Fault fault;
    fault.kind = FaultKind::Refuse;
    fault.packet = packet;
    fault.refusalStatus = refusalStatus;
    injectFault(fault);
}

void FirmwareDevice::dropReply(int packet) {
    injectFault({.kind = FaultKind::DropReply, .packet = packet});
}

void FirmwareDevice::delayReply(int packet, std::chrono::milliseconds delay) {
    injectFault({.kind = FaultKind::LateReply, .packet = packet, .delay = delay});
}

void FirmwareDevice::answerWithWrongEcho(int packet, bool repeat, bool thenCorrectReply) {
    injectFault(
        {.kind = FaultKind::WrongEcho, .packet = packet, .repeat = repeat, .thenCorrectReply = thenCorrectReply});
}

void FirmwareDevice::unplugOnPacket(int packet) {
    injectFault({.kind = FaultKind::Unplug, .packet = packet});
}

void FirmwareDevice::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

size_t FirmwareDevice::pendingFaultCount() const {
    std::lock_guard lock(mutex_);
    return faults_.size();
}

std::vector<LoggedRequest> FirmwareDevice::requestLog() const {
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

size_t FirmwareDevice::requestCount() const {
    std::lock_guard lock(mutex_);
    return requestCount_;
}

void FirmwareDevice::clearRequestLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    requestCount_ = 0;
}

std::array<uint8_t, kDeviceInfoSize> FirmwareDevice::deviceInfo() const {
    std::lock_guard lock(mutex_);
    return deviceInfoLocked();
}

std::array<uint8_t, kDeviceInfoSize> FirmwareDevice::deviceInfoLocked() const {
    auto info = model_.deviceInfo;
    info[3] = static_cast<uint8_t>(version_ & 0xFF);
    info[4] = static_cast<uint8_t>(version_ >> 8);
    return info;
}

size_t FirmwareDevice::settingsSize() const {
    return model_.settings.size();
}

std::vector<uint8_t> FirmwareDevice::readMemory(size_t offset, size_t length) const {
    std::lock_guard lock(mutex_);
    if (offset >= settings_.size()) {
        return {};
    }
    const size_t count = std::min(length, settings_.size() - offset);
    const auto first = settings_.begin() + static_cast<std::ptrdiff_t>(offset);
    return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(count));
}

bool FirmwareDevice::writeMemory(size_t offset, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (offset > settings_.size() || bytes.size() > settings_.size() - offset) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), settings_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

std::vector<uint8_t> FirmwareDevice::keyTable(int table) const {
    std::lock_guard lock(mutex_);
    if (table < 0 || static_cast<size_t>(table) >= kKeyTableCount) {
        return {};
    }
    const std::vector<uint8_t>& slot = keyTables_[static_cast<size_t>(table)];
    return std::vector<uint8_t>(slot.begin(), slot.begin() + static_cast<std::ptrdiff_t>(keyCount() * 3));
}

void FirmwareDevice::setKeyReadsAssigned(bool assigned) {
    std::lock_guard lock(mutex_);
    keyReadsAssigned_ = assigned;
}

bool FirmwareDevice::setKeyLayoutCode(size_t position, const KeyCode& code) {
    std::lock_guard lock(mutex_);
    if (position >= keyCount())
        return false;
    std::copy(code.begin(), code.end(), keyLayout_.begin() + static_cast<std::ptrdiff_t>(3 * position));
    return true;
}

std::vector<uint8_t> FirmwareDevice::perKeyTable() const {
    std::lock_guard lock(mutex_);
    return perKeyTable_;
}

std::vector<uint8_t> FirmwareDevice::macroMemory() const {
    std::lock_guard lock(mutex_);
    return macroMemory_;
}

std::vector<uint8_t> FirmwareDevice::lightFrame() const {
    std::lock_guard lock(mutex_);
    return lightFrame_;
}

int FirmwareDevice::openUpdates() const {
    std::lock_guard lock(mutex_);
    return openUpdates_;
}

PowerState FirmwareDevice::powerState() const {
    std::lock_guard lock(mutex_);
    return power_;
}

void FirmwareDevice::setPowerState(const PowerState& power) {
    std::lock_guard lock(mutex_);
    power_ = power;
}

void FirmwareDevice::setBattery(uint8_t percent) {
    std::lock_guard lock(mutex_);
    power_.battery = percent;
}

void FirmwareDevice::setCharging(uint8_t charging) {
    std::lock_guard lock(mutex_);
    power_.charging = charging;
}

void FirmwareDevice::setStatusValue(uint8_t value) {
    std::lock_guard lock(mutex_);
    power_.statusValue = value;
}

void FirmwareDevice::setPhoneType(uint8_t phoneType) {
    std::lock_guard lock(mutex_);
    power_.phoneType = phoneType;
}

std::array<uint8_t, kStatusRecordSize> FirmwareDevice::statusRecord() const {
    std::lock_guard lock(mutex_);
    return statusRecordLocked();
}

std::array<uint8_t, kStatusRecordSize> FirmwareDevice::statusRecordLocked() const {
    // Byte 2 is reserved; byte 3 is the wireless mark, 0 on a cable (the host sets it from its own knowledge).
    return {power_.battery, power_.charging, 0, 0, power_.statusValue, power_.phoneType};
}

std::vector<uint8_t> FirmwareDevice::notificationReport(uint16_t usage) const {
    return {model_.notificationReportId, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
}

void FirmwareDevice::sendNotification(HostLink& host, uint16_t usage) const {
    host.sendInput(model_.notificationInterface, notificationReport(usage));
}

} // namespace pelan::emu
