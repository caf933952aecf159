#include "SimPort.h"

#include "platform/LineSettings.h"

namespace voran::sim {

SimPort::SimPort(SimBoard& board, ManualClock& clock) : board_(board), clock_(clock) {}

bool SimPort::setSettings(const std::string& settings, PortError* error) {
    if (!ParseLineSettings(settings)) {
        if (error) *error = {380, "SimPort", "Invalid port settings \"" + settings + "\"."};
        return false;
    }
    settings_ = settings;
    return true;
}

bool SimPort::open(PortError* error) {
    if (openError.number != 0) {
        if (error) *error = openError;
        return false;
    }
    if (gone) {
        if (error)
            *error = {2, "SimPort", "There is no such port: COM" + std::to_string(port_) + "."};
        return false;
    }
    open_ = true;
    return true;
}

void SimPort::close() {
    open_ = false;
    input_.clear();
}

int SimPort::bytesWaiting() {
    if (!open_) return 0;
    int n = 0;
    for (const Pending& p : input_)
        if (p.at <= clock_.now()) ++n;
    return n;
}

// Throws away what has arrived; answers still on their way arrive later, as
// they would on a real line.
void SimPort::discardInput() {
    while (!input_.empty() && input_.front().at <= clock_.now()) input_.pop_front();
}

bool SimPort::writeByte(std::uint8_t byte) {
    if (!open_ || gone) return false;
    if (goneAt != 0 && written_ + 1 == goneAt) {
        goneAt = 0;
        gone = true;
        return false;
    }
    const double now = clock_.now();
    wire.push_back({true, byte, now});
    ++written_;
    const bool burstLost = burst.lose(byte);
    if (silent) return true;
    if (dropEvery > 0 && written_ % dropEvery == 0) return true;  // lost on the way
    if (dropAt.count(written_) > 0) return true;
    if (burstLost) return true;

    auto answer = board_.receive(byte, now);
    if (!answer) return true;
    if (wrongEchoes > 0 && board_.lastAnswerWasAddressEcho()) {
        --wrongEchoes;
        answer = static_cast<std::uint8_t>(*answer ^ 0x01);
    }
    const double at = now + replyDelay + (written_ == lateAt ? lateBy : 0.0);
    input_.push_back({*answer, at});
    wire.push_back({false, *answer, at});
    return true;
}

int SimPort::readByte() {
    if (!open_ || input_.empty() || input_.front().at > clock_.now()) return -1;
    const std::uint8_t b = input_.front().byte;
    input_.pop_front();
    return b;
}

bool SimPort::waitForByte(double deadline) {
    if (open_ && gone) return false;  // hung up: nothing to wait for
    if (open_ && !input_.empty() && input_.front().at <= deadline) {
        clock_.advanceTo(input_.front().at);
        return true;
    }
    clock_.advanceTo(deadline);
    return false;
}

bool SimPort::lost(PortError* why) const {
    if (!open_ || !gone) return false;
    if (why) *why = {5, "SimPort", "The device COM" + std::to_string(port_) + " is gone."};
    return true;
}

std::vector<std::uint8_t> SimPort::sent() const {
    std::vector<std::uint8_t> out;
    for (const WireByte& w : wire)
        if (w.toBoard) out.push_back(w.byte);
    return out;
}

std::vector<std::uint8_t> SimPort::received() const {
    std::vector<std::uint8_t> out;
    for (const WireByte& w : wire)
        if (!w.toBoard) out.push_back(w.byte);
    return out;
}

}  // namespace voran::sim
