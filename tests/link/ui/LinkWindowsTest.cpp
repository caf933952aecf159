// The link's windows. The Traffic Monitor: the decoder's lines, as the trace
// shows them, reach its model for each kind of operation and trouble, filter
// and pause, the 100,000-line cap, Save As, and watching the link only while
// the window exists. Edit > Comm Port: what the window shows, what Save
// writes, and how the link follows.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "FakeFileDialog.h"
#include "WindowFixture.h"
#include "link/PlsCodes.h"
#include "link/TrafficHub.h"
#include "link/TrafficPort.h"
#include "link/ui/frmSetupComm.h"
#include "link/ui/frmTrafficMonitor.h"
#include "timing/PlsFrames.h"

namespace fs = std::filesystem;

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

class CommPort : public ::testing::Test, protected WindowContext {
protected:
    // Everything under the program folder, as relative paths.
    std::set<std::string> files() const {
        std::set<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(folder.path().toStdString()))
            if (e.is_regular_file())
                out.insert(fs::relative(e.path(), folder.path().toStdString()).string());
        return out;
    }
    void openWindow(const std::string& deviceRoot = "/") {
        window = std::make_unique<frmSetupComm>(ctx, nullptr, deviceRoot);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void save() { QTest::mouseClick(window->cmdSave(), Qt::LeftButton); }
    // Gives the port box the focus as Tab would and types over its text.
    QLineEdit* typePort(const char* typed) {
        QLineEdit* box = window->txtCommPort()->lineEdit();
        box->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(box->hasFocus());
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(typed));
        return box;
    }
    QString portText() const { return window->txtCommPort()->text(); }
    bool closed() const { return !window->isVisible(); }

    std::unique_ptr<frmSetupComm> window;
};

// One file content per row, each in a fresh program folder.
struct HeldSettings {
    const char* content;
    const char* shown;
    int speed;
};
class CommPortOpening : public CommPort, public ::testing::WithParamInterface<HeldSettings> {};

TEST_P(CommPortOpening, SettingsOpenAsTheFileHoldsThemAndCancelWritesNothing) {
    const auto [content, shown, speed] = GetParam();
    writeFile("Support/RSPort.cfg", content);
    openWindow();
    EXPECT_EQ(portText(), QString::fromLatin1(shown));
    EXPECT_TRUE(window->optPortSpeed(speed)->isChecked());
    window->cmdCancel()->click();
    EXPECT_TRUE(closed());
    EXPECT_EQ(readFile("Support/RSPort.cfg"), content);
}
INSTANTIATE_TEST_SUITE_P(Rows, CommPortOpening,
                         ::testing::Values(HeldSettings{"3,19200\n", "3", 1},
                                           HeldSettings{"7,9600", "7", 0},
                                           HeldSettings{"0,19200", "1", 1},
                                           HeldSettings{"", "1", 0}, HeldSettings{"junk", "1", 0},
                                           HeldSettings{"120,9600\r\n", "99", 0}));

TEST_F(CommPort, Port1At19200WritesTheLinksFileAndEachToolFolders) {
    // Folders and files matched without regard to case; TNX96 is missing.
    writeFile("tnx51/tarnix.sfg", "4\r\n");
    fs::create_directories(path("PLS51"));
    openWindow();
    window->txtCommPort()->setText(QStringLiteral("1"));
    window->optPortSpeed(1)->click();
    save();
    EXPECT_EQ(readFile("Support/RSPort.cfg"), "1,19200\n");
    EXPECT_EQ(readFile("tnx51/tarnix.sfg"), "0\r\n");
    EXPECT_EQ(readFile("PLS51/TARNIX.SFG"), "0\r\n");
    EXPECT_EQ(files(), (std::set<std::string>{"Support/RSPort.cfg", "tnx51/tarnix.sfg",
                                              "PLS51/TARNIX.SFG"}));
}

TEST_F(CommPort, PortOutside1To99IsRefusedWithTheRangeAndTheBoxTakesDigitsOnly) {
    writeFile("Support/RSPort.cfg", "4,9600\n");
    for (const char* typed : {"0", "100", "000"}) {
        openWindow();
        QLineEdit* edit = typePort(typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_EQ(messages.shown, std::vector{box("Only a Number Between 1 and 99 can be Entered",
                                                  "Comm Port", MsgIcon::Information)})
            << typed;
        EXPECT_EQ(portText(), QStringLiteral("4")) << typed;
        EXPECT_TRUE(edit->hasFocus()) << typed;
        messages.shown.clear();

        // Still in the box and saved with Alt+S: refused the same way.
        QTest::keyClicks(edit, QString::fromLatin1(typed));
        window->cmdSave_Click();
        EXPECT_EQ(messages.shown.size(), 1u) << typed;
        EXPECT_FALSE(closed());
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "4,9600\n") << typed;
        messages.shown.clear();
        window->cmdCancel_Click();
    }

    // The box takes digits only; Escape takes back what was typed and, with
    // nothing to take back, closes the window without writing anything.
    struct Case {
        const char* typed;
        const char* shown;
        int escapesToClose;
    };
    const Case cases[] = {{"", "4", 1}, {"abc", "4", 1}, {"1x2", "12", 2}, {"-3", "3", 2}};
    for (const Case& c : cases) {
        openWindow();
        QLineEdit* edit = typePort(c.typed);
        EXPECT_EQ(portText(), QString::fromLatin1(c.shown)) << c.typed;
        for (int k = 1; k <= c.escapesToClose; ++k) {
            EXPECT_FALSE(closed()) << c.typed << " before Escape " << k;
            QTest::keyClick(edit, Qt::Key_Escape);
        }
        EXPECT_TRUE(closed()) << c.typed;
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "4,9600\n") << c.typed;
        EXPECT_TRUE(messages.shown.empty()) << c.typed;
    }
}

TEST_F(CommPort, SavingClosesTheWindowAndReopensTheLinkWithTheNewSettingsOnlyWhenOnline) {
    for (const bool online : {false, true}) {
        SCOPED_TRACE(online ? "online" : "offline");
        if (online) ctx.goOnline();
        ASSERT_EQ(link.OnlineMode, online);
        openWindow();
        // Offline port 2 at 9600; online, from there, port 5 at 19200.
        window->txtCommPort()->setText(online ? QStringLiteral("5") : QStringLiteral("2"));
        window->optPortSpeed(online ? 1 : 0)->click();
        save();
        EXPECT_TRUE(closed());
        EXPECT_EQ(window->result(), QDialog::Accepted);
        EXPECT_EQ(link.OnlineMode, online);
        EXPECT_EQ(port.isOpen(), online);
        EXPECT_EQ(port.sent().empty(), !online);
    }
    EXPECT_EQ(port.portNumber(), 5);
    EXPECT_EQ(port.settings(), "19200,n,8,1");
    EXPECT_EQ(link.settings(), (PortSettings{5, 19200}));
}

TEST_F(CommPort, PortThatCannotBeOpenedKeepsTheWindowOpenAndTheProgramOffline) {
    ctx.goOnline();
    openWindow();
    port.openError = {2, "SimPort", "There is no such port."};
    window->txtCommPort()->setText(QStringLiteral("9"));
    save();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Comm Port Error");
    EXPECT_FALSE(closed());
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(readFile("Support/RSPort.cfg"), "9,9600\n");

    // Another try with a port that opens goes online and closes the window.
    port.openError = {};
    window->txtCommPort()->setText(QStringLiteral("3"));
    save();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(port.portNumber(), 3);
}

TEST_F(CommPort, UnwritableSettingsFileIsReportedAndTheWindowStays) {
    // A folder where the file should be: it cannot be replaced.
    fs::create_directories(path("Support/RSPort.cfg"));
    openWindow();
    messages.shown.clear();
    save();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "SetupComm");
    EXPECT_EQ(messages.shown[0].text.rfind("Error Number = ", 0), 0u);
    EXPECT_FALSE(closed());
}

TEST_F(CommPort, DeviceBesideThePortNumberSaysWhatItOpens) {
    const std::string device = path("ttyFAKE0");
    writeFile("ttyFAKE0", "");
    fs::create_directories(path("Support"));
    fs::create_symlink(device, path("Support/COM3"));
    fs::create_symlink(path("ttyGONE"), path("Support/COM4"));
    openWindow();
    const auto shown = [&](const char* port) {
        window->txtCommPort()->setText(QString::fromLatin1(port));
        return window->lblPortDevice()->text().toStdString();
    };
    EXPECT_EQ(shown("3"), "COM3 \u2192 " + device);
    EXPECT_EQ(shown("4"), "COM4 \u2192 " + path("ttyGONE") + ", which is missing");
    if (!fs::exists("/dev/ttyS97")) {
        EXPECT_EQ(shown("98"), "COM98: Support/COM98 and /dev/ttyS97 are both missing");
    }
    EXPECT_EQ(shown("abc"), "");
}

TEST_F(CommPort, TheDeviceBoxOffersWhatWasFoundAndMapsThePortNumberToTheChoice) {
    // A made-up machine: one USB adapter by its lasting name, one built-in port.
    writeFile("root/dev/ttyUSB0", "");
    writeFile("root/dev/ttyS0", "");
    fs::create_directories(path("root/dev/serial/by-id"));
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("../../ttyUSB0", path("root" + byId));
    writeFile("Support/RSPort.cfg", "3,19200\n");
    openWindow(path("root"));
    const QComboBox* box = window->cboPortDevice();
    QStringList offered;
    for (int i = 0; i < box->count(); ++i) offered << box->itemText(i);
    EXPECT_EQ(offered, (QStringList{"Its own device (no mapping)",
                                    QString::fromStdString(byId) +
                                        "  \u2014  FTDI FT232R USB UART, serial A50285BI (ttyUSB0)",
                                    "/dev/ttyS0  \u2014  serial port COM1"}));
    EXPECT_EQ(box->currentIndex(), 0) << "nothing mapped yet";

    struct Step {
        std::function<void()> choose;
        std::string label;    // beside the number, before Save
        std::string mapping;  // Support/PortMap.cfg after Save
    };
    const Step steps[] = {
        {[&] { window->cboPortDevice()->setCurrentIndex(1); },
         "COM3 \u2192 " + byId + ", which is missing", "3," + byId + "\n"},
        {[&] { window->cboPortDevice()->setEditText("rfc2217://10.20.0.13:2217"); },
         "COM3 \u2192 rfc2217://10.20.0.13:2217", "3,rfc2217://10.20.0.13:2217\n"},
        {[&] { window->cboPortDevice()->setCurrentIndex(0); }, "", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.mapping);
        openWindow(path("root"));
        step.choose();
        if (!step.label.empty()) {
            EXPECT_EQ(window->lblPortDevice()->text().toStdString(), step.label);
        }
        save();
        EXPECT_TRUE(closed());
        EXPECT_EQ(readFile("Support/PortMap.cfg"), step.mapping);
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "3,19200\n") << "keeps its port,speed line";
    }
    // The window opens showing what the number is mapped to.
    writeFile("Support/PortMap.cfg", "3,socket://127.0.0.1:4001\n");
    openWindow(path("root"));
    EXPECT_EQ(window->cboPortDevice()->currentText(), "socket://127.0.0.1:4001");
    EXPECT_TRUE(messages.shown.empty());

    // A typed text that names no port is refused before anything is written.
    for (const char* bad : {"socket://127.0.0.1", "ttyUSB0", "7"}) {
        messages.shown.clear();
        window->cboPortDevice()->setEditText(QString::fromLatin1(bad));
        save();
        ASSERT_EQ(messages.shown.size(), 1u) << bad;
        EXPECT_EQ(messages.shown[0].title, "Comm Port");
        EXPECT_FALSE(closed());
        EXPECT_EQ(readFile("Support/PortMap.cfg"), "3,socket://127.0.0.1:4001\n");
    }
    EXPECT_NE(messages.shown[0].text.find("cannot stand for another"), std::string::npos);
}

}  // namespace
}  // namespace voran::testing
