#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "SimLink.h"
#include "WireDecoder.h"
#include "data/SetupData.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"
#include "window/OnlineState.h"

namespace voran::testing {

// The clock a window reads its date and time from: the link's manual clock
// unless a test points it at another (a wall clock that moves on by itself).
class ShownClock : public IClock {
public:
    explicit ShownClock(IClock& clock) : clock_(&clock) {}
    void use(IClock& clock) { clock_ = &clock; }
    double now() const override { return clock_->now(); }
    DateTime localDateTime() const override { return clock_->localDateTime(); }
    void pause(double seconds) override { clock_->pause(seconds); }

private:
    IClock* clock_;
};

// What every window under test works in, built once: the link on the
// in-process board in a fresh program folder, the set-up tables, going
// online and offline as the frame does it, and the context over them; with
// the operator's hands (focus, keys, typing) and readings of the wire trace
// and of the program folder.
struct WindowContext : SimLink {
    SetupTables tables;
    FakeClipboard clipboard;
    ShownClock shownClock{clock};
    OnlineState online{link, port, messages};
    AppContext ctx{link,  tables, messages, shownClock, clipboard, folder.path().toStdString(),
                   online};
    // The link's command mode when the trace was cleared.
    int traceMode = 0;

    void clearTrace() {
        port.clearTrace();
        traceMode = static_cast<int>(link.currentMode());
    }
    std::vector<WireAccess> traffic() const { return DecodeSent(port.sent(), traceMode); }
    // Byte addresses read since the trace was cleared.
    std::vector<int> addressesRead() const { return ReadAddresses(port.sent(), traceMode); }
    // Bytes written since the trace was cleared; with a byte address, only
    // those to it.
    int writes(int address = -1) const {
        int n = 0;
        for (const WireAccess& a : traffic()) n += a.write && (address < 0 || a.address == address);
        return n;
    }

    static QWidget* focus() { return QApplication::focusWidget(); }
    static void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // Gives the entry the focus as Tab would and types over its text (key
    // events carrying the text, so any script can be typed; an empty text
    // deletes what is there).
    static void typeInto(NumericEntry* entry, const QString& text) {
        entry->lineEdit()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), entry->lineEdit());
        if (text.isEmpty()) key(Qt::Key_Delete);
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(focus(), &press);
        }
    }

    // Files under the program folder, by relative path.
    std::string path(const std::string& relative) const {
        return QDir(folder.path()).filePath(QString::fromStdString(relative)).toStdString();
    }
    void writeFile(const std::string& relative, const std::string& bytes) const {
        const QString p = QString::fromStdString(path(relative));
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
                  static_cast<qint64>(bytes.size()));
    }
    std::string readFile(const std::string& relative) const {
        QFile f(QString::fromStdString(path(relative)));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
    }
};

}  // namespace voran::testing
