#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "SimLink.h"
#include "WireDecoder.h"
#include "program/ui/frmTargetBoard.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"

namespace voran::testing {

// The PC's wall clock for the window: set by the test, and when `tick` is
// set it moves on by that many milliseconds each time it is read, as a real
// clock does between two reads. Deadlines follow the link's manual clock.
class WallClock : public IClock {
public:
    explicit WallClock(ManualClock& monotonic) : monotonic_(monotonic) {}
    double now() const override { return monotonic_.now(); }
    DateTime localDateTime() const override {
        const DateTime shown = local_;
        if (tickMs > 0) local_ = plusMilliseconds(local_, tickMs);
        ++reads;
        return shown;
    }
    void pause(double seconds) override { monotonic_.advance(seconds); }
    void set(const DateTime& dt) { local_ = dt; }

    int tickMs = 0;
    mutable int reads = 0;

private:
    // Enough calendar for a few seconds across midnight of a 31-day month.
    static DateTime plusMilliseconds(DateTime t, int ms) {
        t.millisecond += ms;
        t.second += t.millisecond / 1000;
        t.millisecond %= 1000;
        t.minute += t.second / 60;
        t.second %= 60;
        t.hour += t.minute / 60;
        t.minute %= 60;
        if (t.hour >= 24) {
            t.hour -= 24;
            if (++t.day > 31) {
                t.day = 1;
                if (++t.month > 12) {
                    t.month = 1;
                    ++t.year;
                }
            }
        }
        return t;
    }
    ManualClock& monotonic_;
    mutable DateTime local_{2026, 3, 14, 9, 26, 53, 0};
};

// The target board window over the in-process board, in a fresh program
// folder; the tests run the monitoring passes themselves.
class TargetBoardWindow : public ::testing::Test, protected SimLink {
protected:
    void SetUp() override { board.rtc().start({2026, 3, 14, 9, 26, 53}, clock.now()); }
    void TearDown() override {
        if (window) window->done(0);
    }

    std::string path(const std::string& name) const {
        return folder.path().toStdString() + "/" + name;
    }
    void writeFile(const std::string& name, const std::string& bytes) {
        const QString p = QString::fromStdString(path(name));
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // A program set PLANT.* of board type `type` (its first character).
    std::string program(char type, const std::string& revLine = "LINE3?;4:\r\n") {
        writeFile("lines/PLANT.TNX", std::string(1, type) + "TNX,program\r\n");
        if (!revLine.empty()) writeFile("lines/PLANT.REV", revLine);
        writeFile("lines/PLANT.HEX", ":00000001FF\r\n");
        return path("lines/PLANT.TNX");
    }
    // Opens the window for `tarnixFile` as InitializeForm does, without its
    // modal loop; the activation takes the link online.
    void open(const std::string& tarnixFile) {
        window = std::make_unique<frmTargetBoard>(ctx);
        window->monitor().setTimerDriven(false);
        window->load(tarnixFile);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void pass() { window->monitor().runPass(); }
    void clearTrace() {
        port.clearTrace();
        traceMode = link.currentMode();
    }
    std::vector<WireAccess> accesses() const { return DecodeSent(port.sent(), traceMode); }
    // Items written since the trace was cleared, as "B8176=0".
    std::vector<std::string> writes() const {
        std::vector<std::string> out;
        for (const WireAccess& a : accesses())
            if (a.write)
                out.push_back("B" + std::to_string(a.address) + "=" + std::to_string(a.value));
        return out;
    }
    std::vector<int> reads() const {
        std::vector<int> out;
        for (const WireAccess& a : accesses())
            if (!a.write) out.push_back(a.address);
        return out;
    }

    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QString label(int i) const { return window->lblTargetBoard(i)->text(); }
    QString text(int i) const { return window->txtTargetBoard(i)->toPlainText(); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    void typeInto(int i, const QString& text) {
        window->tabTargetBoard()->setCurrentIndex(i < 2 ? 2 : 3);
        box(i)->lineEdit()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), box(i)->lineEdit());
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(focus(), &press);
        }
    }

    WallClock wall{clock};
    SetupTables tables;
    FakeClipboard clipboard;
    AppContext ctx{
        link, tables, messages, wall, clipboard, folder.path().toStdString(), followOnlineMode()};
    std::unique_ptr<frmTargetBoard> window;
    int traceMode = 0;
};

}  // namespace voran::testing
