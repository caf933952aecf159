#pragma once

#include <cstdint>

namespace voran {

// What the link does besides moving bytes, told to an observer as lines of
// their own: a reply that did not come in time, an exchange the link gave up
// and starts over (resynchronising), an operation sent once more.
enum class LinkEvent { TimeOut, Resync, Retry };

// Watches the link: every byte with its time (clock seconds) and direction,
// and the link's events. The bytes come from a TrafficPort around the port,
// the events from the link (RSComm::setObserver). Called on the link's own
// thread, inside its exchanges: an observer keeps its work short and never
// uses the link.
class ILinkObserver {
public:
    virtual ~ILinkObserver() = default;
    virtual void byteSent(std::uint8_t byte, double time) = 0;
    virtual void byteReceived(std::uint8_t byte, double time) = 0;
    virtual void linkEvent(LinkEvent event, double time) = 0;
};

}  // namespace voran
