// Edit > Comm Port: what the window shows, what Save writes, and how the
// link follows.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "link/ui/frmSetupComm.h"

namespace fs = std::filesystem;

namespace voran::testing {
namespace {

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
