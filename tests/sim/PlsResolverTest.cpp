// The simulated machine's resolver: it turns at its running speed and can be
// stopped and started, as k900-sim does on SIGUSR2.
#include <gtest/gtest.h>

#include "SimPls.h"

namespace {

TEST(SimResolver, StoppedItStandsAndReportsSpeedZeroStartedItTurnsAgain) {
    voran::sim::SimPls pls;
    pls.liveRpm = 60;  // one turn a second
    pls.liveTick(0.25);
    EXPECT_EQ(pls.rpm, 60);
    EXPECT_EQ(pls.position(), 90);
    pls.resolverRunning = false;
    pls.liveTick(0.5);
    EXPECT_EQ(pls.rpm, 0);
    EXPECT_EQ(pls.position(), 90) << "a stopped machine keeps its position";
    pls.resolverRunning = true;
    pls.liveTick(0.5);
    EXPECT_EQ(pls.rpm, 60);
    EXPECT_EQ(pls.position(), 270);
}

}  // namespace
