// Going online when asked, and offline after a link fault; the frame hears
// the change. (Going online and offline from the View menu, and a port that
// cannot be opened, are the frame's tests and the link's.)
#include <gtest/gtest.h>

#include <vector>

#include "WindowFixture.h"

namespace voran::testing {
namespace {

class Online : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        online.setListener([this](bool on) { heard.push_back(on); });
    }
    std::vector<bool> heard;
};

TEST_F(Online, TheOfferGoesOnlineOnlyOnYes) {
    const Box offer =
        box("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to ONLINE "
            "MODE to Continue?",
            "Program Offline", MsgIcon::Question, MsgButtons::YesNo);
    messages.answers = {MsgResult::No, MsgResult::Yes};
    EXPECT_FALSE(ctx.offerToGoOnline());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(ctx.offerToGoOnline());
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(ctx.offerToGoOnline()) << "online already: no question";
    EXPECT_EQ(messages.shown, (std::vector<Box>{offer, offer}));
}

TEST_F(Online, ALinkFaultTakesTheProgramOfflineOnce) {
    ctx.goOnline();
    EXPECT_FALSE(ctx.goOfflineAfterFault()) << "no fault, nothing to do";
    port.silent = true;  // the Retry/Cancel box is answered Cancel
    EXPECT_TRUE(link.begin()->readItem("W182").empty());
    ASSERT_TRUE(link.CommError);
    EXPECT_FALSE(ctx.linkUsable());
    port.clearTrace();
    EXPECT_TRUE(ctx.goOfflineAfterFault());
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
    EXPECT_TRUE(port.sent().empty()) << "no goodbye byte over a failed link";
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace voran::testing
