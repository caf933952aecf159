#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/RSComm.h"
#include "link/TrafficObserver.h"
#include "link/TrafficPort.h"

namespace voran {

// Hands the link's bytes and events on to every observer attached (the
// voran.link debug log, the traffic monitor). With none attached it leaves
// the port and the link without an observer, so that watching costs
// nothing while nobody watches.
class TrafficHub : public ILinkObserver {
public:
    TrafficHub(RSComm& link, TrafficPort& port) : link_(link), port_(port) {}
    ~TrafficHub() override {
        link_.setObserver(nullptr);
        port_.setObserver(nullptr);
    }
    TrafficHub(const TrafficHub&) = delete;
    TrafficHub& operator=(const TrafficHub&) = delete;

    void attach(ILinkObserver* observer) {
        if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
            observers_.push_back(observer);
        link_.setObserver(this);
        port_.setObserver(this);
    }
    void detach(ILinkObserver* observer) {
        std::erase(observers_, observer);
        if (!observers_.empty()) return;
        link_.setObserver(nullptr);
        port_.setObserver(nullptr);
    }
    bool watched() const { return !observers_.empty(); }

    void byteSent(std::uint8_t byte, double time) override {
        for (ILinkObserver* o : observers_) o->byteSent(byte, time);
    }
    void byteReceived(std::uint8_t byte, double time) override {
        for (ILinkObserver* o : observers_) o->byteReceived(byte, time);
    }
    void linkEvent(LinkEvent event, double time) override {
        for (ILinkObserver* o : observers_) o->linkEvent(event, time);
    }

private:
    RSComm& link_;
    TrafficPort& port_;
    std::vector<ILinkObserver*> observers_;
};

}  // namespace voran
