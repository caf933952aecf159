// The link over a raw TCP connection to the simulated board on 127.0.0.1,
// reached through a COM number mapped to the address in the program folder,
// side by side with the same work on the in-process board: the same values,
// the same board memory afterwards, and the link's fault rules kept when the
// connection drops or the server falls silent.
#include <gtest/gtest.h>

#include <unistd.h>

#include "FakeMessageBox.h"
#include "LoopbackBoard.h"
#include "ProgramRun.h"
#include "SimPls.h"
#include "SimPort.h"
#include "data/Transfer.h"
#include "link/RSComm.h"
#include "platform/NamedPort.h"
#include "platform/PosixSerialPort.h"

namespace voran::testing {
namespace {

void presetBoard(sim::SimBoard& b) {
    for (const auto& [address, value] : std::vector<std::pair<std::string, std::int64_t>>{
             {"W1000", 111}, {"B1030", 9}, {"W1042", 2048}, {"D1100", 19999}, {"W1072", 7}})
        b.preset(address, value);
    b.pls().setBusyPolls(0);
}

// What a download changes.
void change(SetupData& d) {
    d.Value[0] = 222;
    d.Value[37] = 4095;
    d.SpeedComp[7] = 12;
    d.Setpoint[2] = {10, 20};
}

SetupData unstamped(SetupData d) {
    d.Stamp = 0;
    return d;
}

class NetworkLink : public ::testing::Test {
protected:
    NetworkLink() {
        folder.write("Support/RSPort.cfg", "4,9600\n");
        folder.write("Support/PortMap.cfg", "4," + server.address() + "\n");
        server.withBoard(presetBoard);
        presetBoard(reference);
        for (SetupTables* t : {&tables, &refTables}) t->BuildDefaults({2026, 1, 2, 3, 4, 5, 0});
    }
    ~NetworkLink() override {
        link.CloseRSComm();
        refLink.CloseRSComm();
    }

    // The same transfer on both boards; the network one's report.
    TransferReport transfer(TransferDirection direction) {
        const TransferReport r = DataTransfer(refLink, refTables).RunTransfer(direction);
        EXPECT_TRUE(r.complete()) << "the in-process board's transfer";
        return DataTransfer(link, tables).RunTransfer(direction);
    }
    std::array<std::uint8_t, 65536> served() {
        return server.withBoard([](sim::SimBoard& b) { return b.memory(); });
    }
    void online() {
        link.OpenRSComm(port);
        refLink.OpenRSComm(refPort);
        ASSERT_TRUE(link.OnlineMode) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
        ASSERT_TRUE(refLink.OnlineMode);
    }

    TempFolder folder;
    LoopbackBoard server;
    SystemClock clock;
    FakeMessageBox boxes;
    PosixSerialPort device{clock, folder.path()};
    NamedPort port{clock, folder.path(), device};
    RSComm link{clock, boxes, folder.path()};
    SetupTables tables;

    sim::SimBoard reference;
    ManualClock manual;
    sim::SimPort refPort{reference, manual};
    FakeMessageBox refBoxes;
    TempFolder refFolder;
    RSComm refLink{manual, refBoxes, refFolder.path()};
    SetupTables refTables;
};

TEST_F(NetworkLink, ReadsWritesAndMovesWholeDataSetsExactlyAsOverTheSerialLine) {
    online();
    EXPECT_EQ(port.target().text(), server.address()) << "COM4 is mapped to the address";
    EXPECT_EQ(link.RSRead("D1100"), "19999");
    EXPECT_EQ(link.RSRead("W1000"), "111");
    EXPECT_TRUE(link.RSWrite("W182", "4321"));
    EXPECT_TRUE(refLink.RSWrite("W182", "4321"));
    EXPECT_EQ(server.withBoard([](sim::SimBoard& b) { return b.peek("W182"); }), 4321);

    ASSERT_TRUE(transfer(kTransferUpload).complete());
    EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
    EXPECT_EQ(tables.CurrentData.Value[0], 111);

    change(tables.CurrentData);
    change(refTables.CurrentData);
    ASSERT_TRUE(transfer(kTransferDownload).complete());
    EXPECT_TRUE(served() == reference.memory()) << "the same bytes in the board's memory";
    ASSERT_TRUE(transfer(kTransferUpload).complete());
    EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
    EXPECT_EQ(tables.CurrentData.Setpoint[2], (std::array<std::int16_t, 2>{10, 20}));

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(server.connections(), 1);
    // The far side of the wire saw the link's own bytes, nothing of TCP's.
    const auto heard = server.heard();
    const auto sent = refPort.sent();
    ASSERT_GE(heard.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.end() - 200, sent.end(), heard.end() - 200))
        << "the last exchanges are byte for byte those of the serial line";
}

TEST_F(NetworkLink, AConnectionDroppedMidTransferNeverPassesForSuccessAndRetryConnectsAgain) {
    const std::pair<TransferDirection, MsgResult> cases[] = {{kTransferUpload, MsgResult::Cancel},
                                                             {kTransferUpload, MsgResult::Retry},
                                                             {kTransferDownload, MsgResult::Cancel},
                                                             {kTransferDownload, MsgResult::Retry}};
    for (const auto& [direction, answer] : cases) {
        const bool upload = direction == kTransferUpload;
        SCOPED_TRACE(std::string(upload ? "upload" : "download") +
                     (answer == MsgResult::Retry ? ", Retry" : ", Cancel"));
        online();
        boxes.shown.clear();
        boxes.answers = {answer};
        const SetupData before = tables.CurrentData;
        const auto memoryBefore = served();
        if (!upload) {
            change(tables.CurrentData);
            change(refTables.CurrentData);
        }
        const int connections = server.connections();
        server.closeAt = server.bytesHeard() + 150;

        const TransferReport r = transfer(direction);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        EXPECT_NE(boxes.shown[0].text.find("The connection to " + server.address() + " was closed"),
                  std::string::npos)
            << boxes.shown[0].text;
        EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
        if (answer == MsgResult::Cancel) {
            EXPECT_FALSE(r.complete());
            if (upload) {
                EXPECT_EQ(tables.CurrentData, before) << "nothing of a cut upload kept";
            }
            // Every byte of the board is as it was or as the whole download
            // leaves it: nothing landed at a wrong address.
            const auto now = served();
            for (std::size_t a = 0; a < now.size(); ++a)
                ASSERT_TRUE(now[a] == memoryBefore[a] || now[a] == reference.memory()[a]) << a;
        } else {
            EXPECT_TRUE(r.complete());
            EXPECT_EQ(server.connections(), connections + 1) << "Retry connected anew";
            if (upload) {
                EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
            }
            EXPECT_TRUE(served() == reference.memory());
        }
        link.CloseRSComm();
        server.closeAt = 0;
        refLink.CloseRSComm();
        // Both boards alike again for the next case.
        server.withBoard([&](sim::SimBoard& b) { b.memory() = reference.memory(); });
        tables.CurrentData = refTables.CurrentData;
    }
}

TEST_F(NetworkLink, AServerThatTakesBytesButNeverAnswersGivesTheCableMessageAfterTheUsualTime) {
    server.silent = true;
    const double t0 = clock.now();
    link.OpenRSComm(port);
    const double took = clock.now() - t0;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(boxes.shown[0].text.substr(0, 38), "Cannot Communicate with Target Board.\r");
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(server.heard(), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}))
        << "the greeting and two resynchronising bytes";
    EXPECT_GE(took, 5.0) << "1 s, then 2 s after each resend";
}

TEST_F(NetworkLink, APortThatCannotBeReachedIsRefusedAtOnceSayingWhy) {
    // A TCP port of this machine that is bound but takes no connections.
    int number = 0;
    const int closed = BoundLoopbackSocket(number);
    ASSERT_GE(closed, 0);
    const std::string refused = "127.0.0.1:" + std::to_string(number);

    const std::pair<std::string, std::string> cases[] = {
        {"socket://" + refused, "Nothing takes connections at socket://" + refused},
        {"rfc2217://" + refused, "Nothing takes connections at rfc2217://" + refused},
        {"/dev/voran-no-such-adapter",
         "There is no such port: /dev/voran-no-such-adapter does not exist"},
    };
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        folder.write("Support/PortMap.cfg", "4," + name + "\n");
        boxes.shown.clear();
        const double t0 = clock.now();
        link.OpenRSComm(port);
        EXPECT_LT(clock.now() - t0, 1.0);
        EXPECT_FALSE(link.OnlineMode);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        EXPECT_NE(boxes.shown[0].text.find(why), std::string::npos) << boxes.shown[0].text;
    }
    ::close(closed);
}

}  // namespace
}  // namespace voran::testing
