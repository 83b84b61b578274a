#include "app/InstanceListener.h"

#include <QSocketNotifier>

namespace pelan {

InstanceListener::InstanceListener(InstanceChannel& channel, Deliver deliver, std::chrono::milliseconds silentTimeout)
    : m_channel(channel), m_deliver(std::move(deliver)), m_silentTimeout(silentTimeout) {
    m_silenceTimer.setSingleShot(true);
    QObject::connect(&m_silenceTimer, &QTimer::timeout, [this] { DropSilentClients(); });
    if (channel.listenFd() < 0)
        return;
    m_listenNotifier = std::make_unique<QSocketNotifier>(channel.listenFd(), QSocketNotifier::Read);
    QObject::connect(m_listenNotifier.get(), &QSocketNotifier::activated, [this] { AcceptClients(); });
}

InstanceListener::~InstanceListener() = default;

void InstanceListener::AcceptClients() {
    for (int fd : m_channel.acceptClients()) {
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this, fd] { ReadClient(fd); });
        m_clientNotifiers[fd] = std::move(notifier);
    }
    ArmSilenceTimer();
}

void InstanceListener::ReadClient(int fd) {
    const InstanceChannel::ClientRead read = m_channel.readClient(fd);
    if (read.closed)
        ForgetClient(fd);
    if (read.message)
        m_deliver(*read.message);
}

void InstanceListener::DropSilentClients() {
    for (int fd : m_channel.dropSilentClients(m_silentTimeout))
        ForgetClient(fd);
    ArmSilenceTimer();
}

void InstanceListener::ForgetClient(int fd) {
    // The notifier is not deleted inside its own signal; the fd it watched is already closed.
    const auto found = m_clientNotifiers.find(fd);
    if (found == m_clientNotifiers.end())
        return;
    found->second->setEnabled(false);
    found->second.release()->deleteLater();
    m_clientNotifiers.erase(found);
}

void InstanceListener::ArmSilenceTimer() {
    const auto oldest = m_channel.oldestClient();
    if (!oldest) {
        m_silenceTimer.stop();
        return;
    }
    const auto due = *oldest + m_silentTimeout - std::chrono::steady_clock::now();
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due);
    m_silenceTimer.start(std::max<int>(0, int(wait.count())));
}

} // namespace pelan
