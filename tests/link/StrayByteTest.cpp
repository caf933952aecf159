// A stray byte waiting in the PC's input before the PC sends its next byte
// (line noise, or an answer that came after the link stopped waiting for
// it): whatever byte it is and wherever it comes, a read gives the board's
// value or fails, and a write that reports success left its value and
// nothing else in the board.
#include <gtest/gtest.h>

#include "FakeMessageBox.h"
#include "ProgramRun.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "link/RSComm.h"

namespace voran::testing {
namespace {

// The board's port with one stray byte: it is waiting in the PC's input as
// soon as the answer to the PC's byte number `before` - 1 has been read.
class StrayBytePort : public sim::SimPort {
public:
    using SimPort::SimPort;
    long long before = 0;
    std::uint8_t stray = 0;

    int bytesWaiting() override { return (waiting_ ? 1 : 0) + SimPort::bytesWaiting(); }
    void discardInput() override {
        waiting_ = false;
        SimPort::discardInput();
    }
    int readByte() override {
        if (waiting_) {
            waiting_ = false;
            return stray;
        }
        const int r = SimPort::readByte();
        if (r >= 0 && !armed_ && bytesWritten() == before - 1) armed_ = waiting_ = true;
        return r;
    }
    bool waitForByte(double deadline) override {
        return waiting_ || SimPort::waitForByte(deadline);
    }

private:
    bool armed_ = false;
    bool waiting_ = false;
};

struct StrayRig {
    TempFolder folder;
    ManualClock clock;
    sim::SimBoard board;
    StrayBytePort port{board, clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};

    StrayRig(long long before, std::uint8_t stray) {
        board.preset("W1000", 47333);
        link.OpenRSComm(port);
        port.before = port.bytesWritten() + before;
        port.stray = stray;
    }
};

// The bytes of W1000 and of the 12345 written to it, an acknowledge, a zero.
const std::uint8_t kStrays[] = {0x03, 0xE8, 0xE9, 0xE5, 0xB8, 0x39, 0x30, 0x55, 0x00};

TEST(StrayByte, ReadGivesTheBoardsValueOrFails) {
    for (long long before = 1; before <= 12; ++before) {
        for (const std::uint8_t stray : kStrays) {
            StrayRig rig(before, stray);
            const std::string value =
                InTransaction(rig.link, [&](RSComm::Transaction& t) { return t.read("W1000"); });
            EXPECT_TRUE(value == "47333" || value.empty())
                << "stray 0x" << std::hex << int{stray} << " before byte " << std::dec << before
                << " read as " << value;
        }
    }
}

TEST(StrayByte, WriteThatSucceedsLeftItsValueAndNothingElse) {
    for (long long before = 1; before <= 12; ++before) {
        for (const std::uint8_t stray : kStrays) {
            StrayRig rig(before, stray);
            const auto memory = rig.board.memory();
            const bool ok = rig.link.RSWrite("W1000", "12345");
            if (ok) {
                EXPECT_EQ(rig.board.peek("W1000"), 12345) << before << " " << int{stray};
            }
            for (std::size_t i = 0; i < memory.size(); ++i)
                if (i != 1000 && i != 1001 && rig.board.memory()[i] != memory[i])
                    ADD_FAILURE() << "stray 0x" << std::hex << int{stray} << " before byte "
                                  << std::dec << before << ": byte " << i << " changed";
        }
    }
}

}  // namespace
}  // namespace voran::testing
