#pragma once

#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "program/ui/frmTargetBoard.h"

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
        const DateTime& t = local_;
        const QDateTime next = QDateTime(QDate(t.year, t.month, t.day),
                                         QTime(t.hour, t.minute, t.second, t.millisecond), Qt::UTC)
                                   .addMSecs(tickMs);
        local_ = {next.date().year(),   next.date().month(),  next.date().day(), next.time().hour(),
                  next.time().minute(), next.time().second(), next.time().msec()};
        return shown;
    }
    void pause(double seconds) override { monotonic_.advance(seconds); }
    void set(const DateTime& dt) { local_ = dt; }

    int tickMs = 0;

private:
    ManualClock& monotonic_;
    mutable DateTime local_{2026, 3, 14, 9, 26, 53, 0};
};

// The target board window over the in-process board, in a fresh program
// folder; the tests run the monitoring passes themselves.
class TargetBoardWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        shownClock.use(wall);
        board.rtc().start({2026, 3, 14, 9, 26, 53}, clock.now());
    }
    void TearDown() override {
        if (window) window->done(0);
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
    // Items written since the trace was cleared, as "B8176=0".
    std::vector<std::string> writes() const {
        std::vector<std::string> out;
        for (const WireAccess& a : traffic())
            if (a.write)
                out.push_back("B" + std::to_string(a.address) + "=" + std::to_string(a.value));
        return out;
    }
    std::vector<int> reads() const {
        std::vector<int> out;
        for (const WireAccess& a : traffic())
            if (!a.write) out.push_back(a.address);
        return out;
    }

    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QString label(int i) const { return window->lblTargetBoard(i)->text(); }
    QString text(int i) const { return window->txtTargetBoard(i)->toPlainText(); }
    // The program on the board (ident, revision, checksum) and on disk
    // (ident, revision, checksum, board, image date), as shown.
    QStringList inBoard() const {
        QStringList t;
        for (int i = 0; i < 3; ++i) t << window->lblRevIdentInPLC(i)->text();
        return t;
    }
    QStringList onDisk() const {
        QStringList t;
        for (int i = 0; i < 5; ++i) t << window->lblRevIdentOnDisk(i)->text();
        return t;
    }
    void typeInto(int i, const QString& text) {
        window->tabTargetBoard()->setCurrentIndex(i < 2 ? 2 : 3);
        WindowContext::typeInto(box(i), text);
    }

    WallClock wall{clock};
    std::unique_ptr<frmTargetBoard> window;
};

}  // namespace voran::testing
