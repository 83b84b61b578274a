#pragma once

#include <algorithm>
#include <vector>

namespace pelan {

template <typename ReturnT, typename ParamT>
class ReceiverImplBase;

// A subject that hands a parameter to every receiver added to it.
template <typename ReturnT, typename ParamT>
class ObserverImplBase {
public:
    virtual ~ObserverImplBase() = default;
    virtual void AddReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
    virtual void RemoveReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
    virtual ReturnT Broadcast(ParamT param) = 0;
};

template <typename ReturnT, typename ParamT>
class ReceiverImplBase {
public:
    virtual ~ReceiverImplBase() = default;
    virtual void AddObserver(ObserverImplBase<ReturnT, ParamT>* observer) = 0;
    virtual void RemoveObserver() = 0;
    virtual ReturnT Receive(ParamT param) = 0;
};

template <typename ReturnT, typename ParamT>
class ReceiverImpl;

template <typename ReturnT, typename ParamT>
class ObserverImpl : public ObserverImplBase<ReturnT, ParamT> {
public:
    ~ObserverImpl() override {
        // Receivers outliving the subject must not call back into it.
        const auto receivers = m_receivers;
        for (auto* receiver : receivers)
            receiver->RemoveObserver();
    }
    void AddReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) override {
        if (receiver != nullptr && std::find(m_receivers.begin(), m_receivers.end(), receiver) == m_receivers.end())
            m_receivers.push_back(receiver);
    }
    void RemoveReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) override {
        m_receivers.erase(std::remove(m_receivers.begin(), m_receivers.end(), receiver), m_receivers.end());
    }
    // Hands the parameter to every receiver, in the order they were added; returns the last answer.
    ReturnT Broadcast(ParamT param) override {
        ReturnT result{};
        const auto receivers = m_receivers;
        for (auto* receiver : receivers)
            result = receiver->Receive(param);
        return result;
    }
    std::size_t ReceiverCount() const { return m_receivers.size(); }

private:
    std::vector<ReceiverImplBase<ReturnT, ParamT>*> m_receivers;
};

template <typename ReturnT, typename ParamT>
class ReceiverImpl : public ReceiverImplBase<ReturnT, ParamT> {
public:
    ~ReceiverImpl() override { RemoveObserver(); }
    void AddObserver(ObserverImplBase<ReturnT, ParamT>* observer) override {
        RemoveObserver();
        m_observer = observer;
        if (observer != nullptr)
            observer->AddReceiver(this);
    }
    void RemoveObserver() override {
        if (m_observer != nullptr) {
            auto* observer = m_observer;
            m_observer = nullptr;
            observer->RemoveReceiver(this);
        }
    }

private:
    ObserverImplBase<ReturnT, ParamT>* m_observer = nullptr;
};

} // namespace pelan
