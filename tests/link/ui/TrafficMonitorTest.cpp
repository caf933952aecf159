// The Traffic Monitor window: the decoder's lines, as the trace shows them,
// reach its model for each kind of operation and trouble, filter and pause, the 100,000-line cap,
// Save As, and watching the link only while the window exists.
#include <QComboBox>
#include <gtest/gtest.h>

#include <cstdio>

#include "FakeFileDialog.h"
#include "WindowFixture.h"
#include "link/PlsCodes.h"
#include "link/TrafficHub.h"
#include "link/TrafficPort.h"
#include "link/ui/frmTrafficMonitor.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

// The trace of one exchange at `ms`: the PC's byte, then the board's answer,
// each with what it means (if anything).
std::string exchange(double ms, int sent, int answer, const std::string& sentMeaning = "",
                     const std::string& answerMeaning = "") {
    const auto line = [ms](const char* way, int byte, const std::string& meaning) {
        char head[40];
        std::snprintf(head, sizeof head, "%10.3f ms  %s  %02X %3d", ms, way, byte, byte);
        return head + (meaning.empty() ? "" : "  " + meaning) + "\n";
    };
    return line("->", sent, sentMeaning) + line("<-", answer, answerMeaning);
}
// Attention and a command mode's code, each acknowledged.
std::string command(double ms, int code, const std::string& meaning) {
    return exchange(ms, 0xFF, 0x55, "attention", "acknowledge") +
           exchange(ms, code, 0x55, meaning, "acknowledge");
}
// W182 read (1000): its two address pairs, each answered with its byte.
std::string readW182(double ms) {
    return exchange(ms, 0x00, 0x00) + exchange(ms, 0xB6, 0xE8, "", "R182 = 232") +
           exchange(ms, 0x00, 0x00) + exchange(ms, 0xB7, 0x03, "", "R183 = 3");
}

class TrafficMonitorTest : public ::testing::Test, protected WindowContext {
protected:
    TrafficPort tracedPort{port, clock};
    TrafficHub hub{link, tracedPort};
    FakeFileDialog dialogs;
    // What the decoder itself makes of the same traffic.
    std::vector<TrafficLine> decoded;
    TrafficTap reference{clock.now(), [this](const TrafficLine& l) { decoded.push_back(l); }};
    std::unique_ptr<frmTrafficMonitor> window;

    void SetUp() override {
        ctx.traffic = &hub;
        ctx.dialogs = &dialogs;
        window = std::make_unique<frmTrafficMonitor>(ctx);
        hub.attach(&reference);
        link.OpenRSComm(tracedPort);
        ASSERT_TRUE(link.OnlineMode);
    }
    // A read, a write, a PLS frame, then a read that loses a byte (time-out,
    // resync, retry).
    void runEveryKind() {
        board.preset("W182", 1000);
        auto t = link.begin();
        ASSERT_TRUE(t);
        EXPECT_EQ(t->read("W182"), "1000");
        t->write("B1004", "61");
        EXPECT_FALSE(t->writeFailed());
        EXPECT_EQ(board.peek("B1004"), 61);
        pls::readWord(*t, pls::kReadOffset);
        port.dropAt = {port.bytesWritten() + 4};
        EXPECT_EQ(t->read("W182"), "1000");
    }
    std::vector<std::string> shownTexts() const {
        std::vector<std::string> out;
        for (const TrafficLine* l : window->model().shown()) out.push_back(l->text);
        return out;
    }
    static bool has(const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
};

TEST_F(TrafficMonitorTest, TheDecodersLinesReachTheModelAndTheFilterPicksTheirKinds) {
    const std::size_t greeting = decoded.size();
    runEveryKind();
    // Every byte decoded, and the link's time-out, resync and retry as lines
    // of their own.
    std::string text;
    for (std::size_t i = greeting; i < decoded.size(); ++i)
        text += FormatTrafficLine(decoded[i]) + "\n";
    EXPECT_EQ(text, command(0, 0x01, "read mode") + readW182(0) + command(0, 0x02, "write mode") +
                        exchange(0, 0x03, 0x03) + exchange(0, 0xEC, 0xEC) +
                        exchange(0, 0x3D, 0x3D, "W1004 = 61") +
                        command(0, 0x28, "PLS read offset") + exchange(0, 0x55, 0x00) +
                        exchange(0, 0x55, 0x00, "", "offset = 0") + command(0, 0x01, "read mode") +
                        exchange(0, 0x00, 0x00) +
                        R"(     0.000 ms  ->  B6 182
  1000.000 ms  !!          time-out: no answer from the board
  1000.000 ms  ->  FF 255  attention
  1000.000 ms  <-  55  85  acknowledge
  1000.000 ms  !!          resync: the frame is given up, the next command starts afresh
  1000.000 ms  !!          retry: the operation once more
)" + command(1600, 0x01, "read mode") +
                        readW182(1600));
    window->showPending();
    std::vector<TrafficLine> shown;
    for (const TrafficLine* l : window->model().shown()) shown.push_back(*l);
    EXPECT_EQ(shown, decoded);
    EXPECT_EQ(window->model().rowCount(), static_cast<int>(decoded.size()));

    const struct {
        TrafficFilter filter;
        TrafficKind kind;
        const char* oneText;
    } rows[] = {
        {TrafficFilter::Reads, TrafficKind::Read, "R182 = 232"},
        {TrafficFilter::Writes, TrafficKind::Write, "W1004 = 61"},
        {TrafficFilter::Pls, TrafficKind::Pls, nullptr},
        {TrafficFilter::Errors, TrafficKind::Fault, "time-out: no answer from the board"},
    };
    for (const auto& r : rows) {
        window->cboFilter()->setCurrentIndex(static_cast<int>(r.filter));
        ASSERT_FALSE(window->model().shown().empty());
        for (const TrafficLine* l : window->model().shown()) EXPECT_EQ(l->kind, r.kind);
        if (r.oneText) {
            EXPECT_TRUE(has(shownTexts(), r.oneText)) << r.oneText;
        }
    }
    window->cboFilter()->setCurrentIndex(static_cast<int>(TrafficFilter::Errors));
    EXPECT_TRUE(has(shownTexts(), "resync: the frame is given up, the next command starts afresh"));
    EXPECT_TRUE(has(shownTexts(), "retry: the operation once more"));
}

TEST_F(TrafficMonitorTest, PauseHoldsTheLinesBackAndTheWindowWatchesOnlyWhileItExists) {
    window->hide();  // another window on show: still recording
    window->cmdPause_Click();
    link.RSRead("B1004");
    window->showPending();
    EXPECT_EQ(window->model().kept(), 0u);
    window->cmdPause_Click();
    EXPECT_EQ(window->model().kept(), decoded.size());
    EXPECT_GT(decoded.size(), 0u);

    hub.detach(&reference);
    EXPECT_TRUE(hub.watched());
    window.reset();
    EXPECT_FALSE(hub.watched());
    EXPECT_EQ(tracedPort.observer(), nullptr) << "nothing decoded once the window is gone";
}

TEST_F(TrafficMonitorTest, AWindowOpenedWhileTheLinkStaysInReadModeNamesTheReads) {
    board.preset("B1004", 61);
    ASSERT_EQ(link.RSRead("B1004"), "61");
    frmTrafficMonitor late(ctx);
    ASSERT_EQ(link.RSRead("B1004"), "61");
    late.showPending();
    ASSERT_EQ(late.model().kept(), 4u) << "one address pair, no handshake";
    EXPECT_EQ(late.model().shown().back()->text, "R1004 = 61");
}

TEST_F(TrafficMonitorTest, KeepsTheNewest100000LinesAndSavesThemAsTextOrCsv) {
    TrafficModel& model = window->model();
    std::vector<TrafficLine> many(TrafficModel::kMaxLines + 5);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = {static_cast<double>(i), TrafficDirection::Sent, 0xFF, TrafficKind::Handshake,
                   "attention"};
    model.append({many.begin(), many.begin() + 10});
    model.append({many.begin() + 10, many.end()});
    EXPECT_EQ(model.kept(), TrafficModel::kMaxLines);
    EXPECT_EQ(model.rowCount(), static_cast<int>(TrafficModel::kMaxLines));
    EXPECT_EQ(model.shown().front()->ms, 5.0);
    EXPECT_EQ(model.shown().back()->ms, static_cast<double>(TrafficModel::kMaxLines + 4));

    window->cmdClear()->click();
    window->model().append(
        {{1.5, TrafficDirection::Sent, 0xFF, TrafficKind::Handshake, "attention"},
         {2.25, TrafficDirection::Received, 0x03, TrafficKind::Read, "R183 = 3"},
         {3, TrafficDirection::Event, -1, TrafficKind::Fault, "a, \"b\""}});
    dialogs.choose(path("trace.csv"));
    ASSERT_TRUE(window->cmdSaveAs_Click());
    EXPECT_EQ(readFile("trace.csv"),
              "ms,direction,hex,decimal,meaning\r\n1.500,->,FF,255,attention\r\n"
              "2.250,<-,03,3,R183 = 3\r\n3.000,!!,,,\"a, \"\"b\"\"\"\r\n");
    dialogs.choose(path("trace.txt"));
    ASSERT_TRUE(window->cmdSaveAs_Click());
    std::string text;
    for (const TrafficLine* l : window->model().shown()) text += FormatTrafficLine(*l) + "\r\n";
    EXPECT_EQ(readFile("trace.txt"), text);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "     1.500 ms  ->  FF 255  attention");
    dialogs.choose(path("missing/trace.txt"));
    EXPECT_FALSE(window->cmdSaveAs_Click());
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace voran::testing
