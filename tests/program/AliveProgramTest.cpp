// The link's waits keep the window alive: during the program download's
// pause the event loop runs (a test timer fires) while no second transaction
// starts, Cancel in the progress window ends a download cleanly, and every
// transfer puts the same bytes on the wire at the same moments as with plain
// blocking waits.
#include <gtest/gtest.h>

#include <QPushButton>
#include <memory>

#include "AliveLink.h"
#include "ProgramFixture.h"
#include "data/Transfer.h"
#include "program/ProgramDownload.h"
#include "program/ProgramUpload.h"
#include "program/ui/frmDownloadProg.h"

namespace voran::testing {
namespace {

Bytes pattern(int n, int offset) {
    Bytes b;
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>((i * 13 + offset) & 0xFF));
    return b;
}

// One world each: the board, the clock and the link, with plain or alive
// waits (a link of its own on the alive clock). The answers take a
// millisecond, as on a 9600 bit/s line.
struct World : FreshLink {
    explicit World(bool aliveWaits) {
        port.replyDelay = 0.001;
        if (aliveWaits) {
            wiring = std::make_unique<AliveWiring>(clock, port);
            alive = std::make_unique<RSComm>(wiring->aliveClock, boxes, folder.path());
            watch = std::make_unique<TurnWatch>(clock, *alive, port);
        }
        used().OnlineMode = true;
        used().OpenRSComm(wiring ? static_cast<ISerialPort&>(wiring->busyPort) : port);
        tables.BuildDefaults(clock.localDateTime());
        for (int i = 0; i < 0x400; ++i) board.memory()[0x2000 + i] = static_cast<std::uint8_t>(i);
        folder.write("set.tnx", "4PROGRAM,TARNIX\r\n");  // N-31: 2000H..3FFFH
        folder.write("set.rev", revisionText("FLANGE3", 79, 10));
        folder.write("set.hex", imageText(0x2000, pattern(256, 9)));
    }
    RSComm& used() { return alive ? *alive : link; }

    SetupTables tables;
    std::unique_ptr<AliveWiring> wiring;
    std::unique_ptr<RSComm> alive;
    ProgramState program;
    std::unique_ptr<TurnWatch> watch;
};

TEST(AliveTransfers, EveryTransferPutsTheSameBytesOnTheWireAtTheSameMoments) {
    const struct {
        const char* name;
        std::function<void(World&)> run;
        double pause = 0;  // its pause, when it makes one
    } operations[] = {
        {"Upload Data",
         [](World& w) { DataTransfer(w.used(), w.tables).RunTransfer(kTransferUpload); }},
        {"Download Data",
         [](World& w) { DataTransfer(w.used(), w.tables).RunTransfer(kTransferDownload); }},
        {"program download",
         [](World& w) {
             DownloadFile(w.program.set, w.folder.path("set.tnx"), w.used().messages());
             w.boxes.answers = {MsgResult::Yes};
             EXPECT_EQ(DumpProgram(w.used(), w.program, w.boxes), DownloadOutcome::Complete);
         },
         2.0},  // after the records
        {"program upload",
         [](World& w) {
             UploadFile(w.program.set, w.folder.path("set.tnx"), w.used().messages());
             w.program.progress.InUploadMode = true;
             UploadProgram(w.used(), w.program, w.boxes);
         }},
    };
    for (const auto& op : operations) {
        SCOPED_TRACE(op.name);
        World plain(false), alive(true);
        op.run(plain);
        op.run(alive);
        ASSERT_GT(plain.port.wire.size(), 100u);
        EXPECT_TRUE(plain.port.wire == alive.port.wire) << "same bytes, same moments";
        EXPECT_EQ(plain.boxes.shown, alive.boxes.shown);
        EXPECT_GT(alive.watch->fired.size(), 10u) << "the event loop ran meanwhile";
        EXPECT_EQ(alive.watch->whileFree, 0);
        EXPECT_EQ(alive.watch->bytesFromShots, 0);
        if (op.pause == 0) continue;
        // The pause: the longest silence on the wire, with a timer shot every slice.
        const auto& wire = alive.port.wire;
        std::size_t at = 1;
        for (std::size_t i = 1; i < wire.size(); ++i)
            if (wire[i].time - wire[i - 1].time > wire[at].time - wire[at - 1].time) at = i;
        EXPECT_DOUBLE_EQ(wire[at].time - wire[at - 1].time, op.pause);
        EXPECT_GE(alive.watch->shotsBetween(wire[at - 1].time, wire[at].time),
                  static_cast<int>(op.pause / AliveWait::kSlice) - 2);
    }
}

TEST(AliveTransfers, CancelEndsTheProgramDownloadAtTheNextSafePointAsNotComplete) {
    // When the operator clicks Cancel, the records the board got by the end
    // (of 16), and whether the download left program mode first.
    const struct {
        const char* when;
        int recordsSent;
        bool leftProgramMode;
    } cases[] = {{"during the records", 2, false}, {"during the pause", 16, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        World w(true);
        RSComm& link = w.used();
        DownloadFile(w.program.set, w.folder.path("set.tnx"), link.messages());
        ASSERT_TRUE(w.program.set.ValidProgram);
        w.boxes.answers = {MsgResult::Yes};
        const auto before = w.board.memory();
        w.port.clearTrace();
        frmDownloadProg window(link, w.program);
        window.SetTransferMode(ProgramTransfer::Download);
        const bool inRecords = c.recordsSent < 16;
        w.watch->onFire = [&] {
            const bool now = inRecords ? w.program.progress.CurrentProgramAdd == "2020H"
                                       : w.clock.now() - w.port.wire.back().time > 0.5;
            if (now) window.cmdCancel()->click();
        };
        window.RunTransfer();

        ASSERT_EQ(w.boxes.shown.size(), 2u);
        EXPECT_EQ(w.boxes.shown[1],
                  box("Program Download Not Complete!", "Program Download", MsgIcon::Critical));
        EXPECT_FALSE(link.OnlineMode);
        EXPECT_FALSE(w.program.progress.InProgramMode);
        EXPECT_FALSE(w.program.set.ValidProgram);
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(w.board.memory()[0x2000 + 16 * r + 1] != before[0x2000 + 16 * r + 1],
                      r < c.recordsSent)
                << "record " << r;
        // The last thing on the wire: the last record's answer, or the
        // board's answer to leaving program mode. No ident was written: the
        // block stays as it was cleared before the first record.
        ASSERT_GE(w.port.wire.size(), 2u);
        EXPECT_FALSE(w.port.wire.back().toBoard);
        EXPECT_EQ(w.port.wire[w.port.wire.size() - 2].byte == 0xFF, c.leftProgramMode);
        for (int i = 0; i < kIdentBlockLength; ++i) EXPECT_EQ(w.board.memory()[kIdentBlock + i], 0);
        EXPECT_EQ(w.watch->bytesFromShots, 0);
    }
}

}  // namespace
}  // namespace voran::testing
