#pragma once

#include "platform/Ipc.h"

#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace pelan {

// Takes the messages of later copies from the instance socket inside the event loop: every connection is read when
// it has data, so a copy that connects and sends nothing never holds up the window; it is dropped after a time-out.
class InstanceListener {
public:
    static constexpr std::chrono::milliseconds kSilentClientTimeout{2000};
    using Deliver = std::function<void(const IpcMessage&)>;

    InstanceListener(InstanceChannel& channel, Deliver deliver,
                     std::chrono::milliseconds silentTimeout = kSilentClientTimeout);
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

private:
    void AcceptClients();
    void ReadClient(int fd);
    void DropSilentClients();
    void ForgetClient(int fd);
    // Wakes up when the oldest open connection reaches the time-out; idle while none is open.
    void ArmSilenceTimer();

    InstanceChannel& m_channel;
    Deliver m_deliver;
    std::chrono::milliseconds m_silentTimeout;
    std::unique_ptr<QSocketNotifier> m_listenNotifier;
    std::map<int, std::unique_ptr<QSocketNotifier>> m_clientNotifiers;
    QTimer m_silenceTimer;
};

} // namespace pelan
