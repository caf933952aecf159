#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "SimLink.h"

namespace voran::testing {

using Bytes = std::vector<std::uint8_t>;
using Boxes = std::vector<FakeMessageBox::Shown>;

inline FakeMessageBox::Shown alarm(const std::string& text) {
    return {text, "WARNING - Communication Error!", MsgButtons::RetryCancel, MsgIcon::Critical};
}
inline const FakeMessageBox::Shown kCableBox = alarm(
    "Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected Between\r"
    "COMM Port and PROG Port.");

// The link against the simulated board in a fresh program folder.
class LinkTest : public ::testing::Test, protected FreshLink {
protected:
    // Opens the link and forgets the greeting on the wire.
    void goOnline() {
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
    // One step on a transaction of its own, as a caller that runs it alone
    // does; `failed` when the link is held.
    template <class Step, class Result = std::invoke_result_t<Step, RSComm::Transaction&>>
    Result once(Step step, Result failed = Result{}) {
        return InTransaction(link, step, failed);
    }
    // Times at which the PC sent bytes.
    std::vector<double> sendTimes() const {
        std::vector<double> t;
        for (const auto& w : port.wire)
            if (w.toBoard) t.push_back(w.time);
        return t;
    }
};

}  // namespace voran::testing
