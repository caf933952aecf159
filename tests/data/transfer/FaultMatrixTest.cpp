// Uploads and downloads against the in-process board with one fault placed at
// every byte of the transfer in turn: one byte lost on its way to the board,
// or one answer arriving late (and, apart, every answer late). For every
// position the transfer either gives the exact result, or reports that it did
// not complete and leaves nothing wrong behind: an upload leaves CurrentData
// as it was, a download leaves every item and PLS value of the board at its
// old or its new value. A wrong value reported as success is never allowed.
#include <gtest/gtest.h>

#include "SimLink.h"
#include "SimPls.h"
#include "TransferFixture.h"
#include "data/Transfer.h"

namespace voran::testing {
namespace {

// One byte lost, one answer late, or every answer late.
enum class Fault { Lost, Late, EveryLate };

// Byte b of the configuration a download sends for `d`.
int configByte(const SetupData& d, int b) {
    if (b == 0) return d.PLSProgram;
    if (b >= 1 && b <= 4) return d.SpeedComp[b - 1];
    if (b >= 6 && b <= 9) return d.SpeedComp[b - 2];
    if (b == 18) return d.ChannelCount;
    return 0;
}

struct Line {
    SimLink sim;
    SetupTables tables;

    Line() {
        tables.BuildDefaults(sim.clock.localDateTime());
        sim.board.pls().setBusyPolls(1);
        sim.link.OpenRSComm(sim.port);
    }
    // The board's data unlike the defaults, item i holding 1 + i.
    void fillBoard() {
        FillBoard(sim.board, tables.DefaultData, [](int i) { return 1 + i; });
    }
    // CurrentData to send, unlike what fillBoard left in the board.
    void fillData() {
        SetupData& d = tables.CurrentData;
        for (int i = 0; i <= LastItemIndex; ++i) d.Value[i] = distinctValue(d.Address[i], i);
        std::tie(d.ChannelCount, d.PLSProgram, d.ScaleFactor) = std::tuple(5, 9, 500);
        d.SpeedComp = {40, 41, 42, 43, 44, 45, 46, 47};
        d.Setpoint = {{{10, 499}, {}, {90, 270}}};
    }
    // Places the fault at the PC's byte `at` (counted from now, from 1).
    void place(Fault fault, long long at, double late) {
        if (fault == Fault::Lost)
            sim.port.dropAt = {sim.port.bytesWritten() + at};
        else if (fault == Fault::EveryLate)
            sim.port.replyDelay = late;
        else
            std::tie(sim.port.lateAt, sim.port.lateBy) =
                std::tuple(sim.port.bytesWritten() + at, late);
    }
};

// Bytes the PC sends in a clean transfer.
long long cleanLength(TransferDirection direction) {
    Line run;
    run.fillBoard();
    run.fillData();
    const long long before = run.sim.port.bytesWritten();
    EXPECT_TRUE(DataTransfer(run.sim.link, run.tables).RunTransfer(direction).complete());
    return run.sim.port.bytesWritten() - before;
}

struct Tally {
    int exact = 0, failed = 0;
};

// One upload with the fault at `at`: exact, or failed with CurrentData as it was.
void uploadWith(Fault fault, long long at, double late, Tally& tally) {
    Line run;
    run.fillBoard();
    Line reference;
    reference.fillBoard();
    ASSERT_TRUE(
        DataTransfer(reference.sim.link, reference.tables).RunTransfer(kTransferUpload).complete());
    const SetupData before = run.tables.CurrentData;
    run.place(fault, at, late);
    const TransferReport r = DataTransfer(run.sim.link, run.tables).RunTransfer(kTransferUpload);
    if (r.complete()) {
        ++tally.exact;
        // The channel setpoints come from recalls whose order may differ;
        // every value must still be the board's.
        EXPECT_EQ(run.tables.CurrentData, reference.tables.CurrentData) << "fault at " << at;
    } else {
        ++tally.failed;
        EXPECT_EQ(run.tables.CurrentData, before) << "fault at " << at;
    }
}

// One download with the fault at `at`: exact, or failed with every item and
// PLS value at its old or new value and nothing written anywhere else.
void downloadWith(Fault fault, long long at, double late, Tally& tally) {
    Line run;
    run.fillBoard();
    run.fillData();
    const auto oldMemory = run.sim.board.memory();
    const sim::SimPls oldPls = run.sim.board.pls();
    run.place(fault, at, late);
    const TransferReport r = DataTransfer(run.sim.link, run.tables).RunTransfer(kTransferDownload);
    const SetupData& d = run.tables.CurrentData;
    const sim::SimBoard& board = run.sim.board;
    const sim::SimPls& pls = board.pls();

    auto expected = oldMemory;
    bool exact = true;
    for (int i = 0; i <= LastItemIndex; ++i) {
        sim::SimBoard scratch;
        scratch.memory() = oldMemory;
        const std::int64_t now = board.peek(d.Address[i]);
        const std::int64_t old = scratch.peek(d.Address[i]);
        EXPECT_TRUE(now == d.Value[i] || now == old)
            << "fault at " << at << ": " << d.Address[i] << " holds " << now;
        exact = exact && now == d.Value[i];
        scratch.preset(d.Address[i], now);
        const auto bytes = DecodeAddress(d.Address[i]);
        for (int k = 0; k < bytes.byteCount(); ++k)
            expected[bytes.byteAddress + k] = scratch.memory()[bytes.byteAddress + k];
    }
    EXPECT_EQ(board.memory(), expected) << "fault at " << at << ": a byte written elsewhere";
    EXPECT_TRUE(pls.scaleFactor == 500 || pls.scaleFactor == oldPls.scaleFactor)
        << "fault at " << at << ": scale factor " << pls.scaleFactor;
    for (int b = 0; b < 24; ++b)
        EXPECT_TRUE(pls.config[b] == oldPls.config[b] || pls.config[b] == configByte(d, b))
            << "fault at " << at << ": configuration byte " << b;
    for (int ch = 0; ch < 8; ++ch) {
        const auto& c = pls.channels[ch];
        const bool wanted = d.Setpoint[ch][0] != 0 || d.Setpoint[ch][1] != 0;
        const sim::SimPls::Channel sent =
            wanted ? sim::SimPls::Channel{true, d.Setpoint[ch][0], d.Setpoint[ch][1]}
                   : sim::SimPls::Channel{};
        EXPECT_TRUE(c == sent || c == oldPls.channels[ch] || c == sim::SimPls::Channel{})
            << "fault at " << at << ": channel " << ch;
        exact = exact && c == sent;
    }
    exact = exact && pls.scaleFactor == 500;
    if (r.complete()) {
        ++tally.exact;
        EXPECT_TRUE(exact) << "fault at " << at << ": reported complete but not exact";
    } else {
        ++tally.failed;
        if (fault == Fault::EveryLate) {
            EXPECT_EQ(board.memory(), oldMemory) << "no answer in time: nothing written";
        }
    }
}

TEST(FaultMatrix, OneLostByteAnywhereInAnUploadCostsOneRetryAndNeverAWrongValue) {
    const long long length = cleanLength(kTransferUpload);
    Tally tally;
    for (long long at = 1; at <= length; ++at) uploadWith(Fault::Lost, at, 0, tally);
    // A read, configuration read or recall cut by a lost byte is tried once more.
    EXPECT_EQ(tally.exact, length) << tally.failed << " failed";
}

TEST(FaultMatrix, OneLostByteAnywhereInADownloadGivesTheExactBoardOrAReportedFailure) {
    const long long length = cleanLength(kTransferDownload);
    Tally tally;
    for (long long at = 1; at <= length; ++at) downloadWith(Fault::Lost, at, 0, tally);
    // Item writes are retried; a loss inside a PLS frame or its ready poll is
    // reported. Most positions are item bytes.
    EXPECT_GT(tally.exact, length * 3 / 4) << tally.failed << " failed of " << length;
}

TEST(FaultMatrix, OneLateAnswerNearTheTimeOutNeverBecomesAValue) {
    for (const double late : {0.3, 0.45, 0.7, 0.95, 0.99, 1.05}) {
        SCOPED_TRACE(late);
        Tally up, down;
        const long long upLength = cleanLength(kTransferUpload);
        for (long long at = 1; at <= upLength; at += 3) uploadWith(Fault::Late, at, late, up);
        const long long downLength = cleanLength(kTransferDownload);
        for (long long at = 1; at <= downLength; at += 3) downloadWith(Fault::Late, at, late, down);
        if (late < framing::kLateReply) {
            EXPECT_EQ(up.failed + down.failed, 0);
        }
    }
}

TEST(FaultMatrix, EveryAnswerLateGivesTheExactResultOrAFailureWithNothingWrong) {
    for (const double delay : {0.3, 0.7, 0.95, 1.05}) {
        SCOPED_TRACE(delay);
        Tally up, down;
        uploadWith(Fault::EveryLate, 0, delay, up);
        downloadWith(Fault::EveryLate, 0, delay, down);
        const int whole = delay < framing::kLateReply;
        EXPECT_EQ(std::pair(up.exact, down.exact), std::pair(whole, whole));
    }
}

}  // namespace
}  // namespace voran::testing
