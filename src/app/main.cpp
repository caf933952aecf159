// voran: the operator's program. Starts offline with the main display.
//
// Options for demonstrations and scripts (the program without options
// behaves as the operator knows it):
//   --online               go online once the window is up
//   --screenshot FILE      after a few seconds save a picture of the main
//                          window to FILE, print its path and end
//   --screenshot-delay S   seconds to wait before the picture (default 4)
//   --loop-probe FILE      record the gaps between event-loop turns in FILE
//                          ("-": standard error); also VORAN_LOOP_PROBE=FILE
//   FILE.sdt               open this set-up file once the window is up

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Version.h"

#include "platform/Clock.h"
#include "platform/NamedPort.h"
#include "platform/Paths.h"
#ifdef Q_OS_WIN
#include "platform/qt/QtSerialPort.h"
#else
#include "platform/PosixSerialPort.h"
#endif
#include "platform/AliveWait.h"
#include "platform/BusyPort.h"
#include "platform/qt/QtBusyIndicator.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtFileDialog.h"
#include "platform/qt/QtEventTurn.h"
#include "platform/qt/QtLauncher.h"
#include "platform/qt/QtLoopProbe.h"
#include "platform/qt/QtMessageBox.h"
#include "shell/DesktopSettings.h"
#include "shell/frmMDIMain.h"

int main(int argc, char** argv) {
    // --help and --version answer without a display (from a terminal, over ssh).
    bool answerOnly = false;
    for (int i = 1; i < argc; ++i)
        for (const char* o : {"-h", "--help", "--help-all", "-v", "--version"})
            answerOnly = answerOnly || std::strcmp(argv[i], o) == 0;
    const std::unique_ptr<QCoreApplication> app =
        answerOnly ? std::make_unique<QCoreApplication>(argc, argv)
                   : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName("VORAN");
    QCoreApplication::setApplicationVersion(VORAN_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("QTR-VORAN Set-up Utility");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption online("online", "Go online once the window is up.");
    QCommandLineOption screenshot("screenshot", "Save a picture of the main window and end.",
                                  "file");
    QCommandLineOption delay("screenshot-delay", "Seconds before the picture (default 4).",
                             "seconds", "4");
    QCommandLineOption probe(
        "loop-probe", "Record the gaps between event-loop turns in FILE (- for stderr).", "file");
    parser.addOptions({online, screenshot, delay, probe});
    parser.addPositionalArgument("file", "A set-up file (.sdt) to open at start.", "[FILE.sdt]");
    parser.process(*app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "voran: one set-up file at a time\n");
        return 2;
    }

    std::unique_ptr<voran::QtLoopProbe> loopProbe;
    const QString probeFile =
        parser.isSet(probe) ? parser.value(probe) : qEnvironmentVariable("VORAN_LOOP_PROBE");
    if (!probeFile.isEmpty()) {
        loopProbe = std::make_unique<voran::QtLoopProbe>(probeFile.toStdString());
        if (!loopProbe->ok()) {
            std::fprintf(stderr, "voran: cannot write %s\n", qPrintable(probeFile));
            return 2;
        }
    }

    const std::string folder = voran::ProgramFolder();
    voran::SystemClock clock;
    voran::QtMessageBox messages;
    voran::QtFileDialog qtDialogs;
    // Size, place, recent files and dialog folders, in the user's
    // configuration folder (never the program folder, which may be shared).
    voran::DesktopSettings settings(voran::DesktopSettings::UserFile());
    voran::RememberingFileDialog dialogs(qtDialogs, settings);
    voran::QtClipboard clipboard;
    voran::QtLauncher launcher;
#ifdef Q_OS_WIN
    voran::QtSerialPort device(clock, folder);
#else
    // termios and poll(): measured faster than QSerialPort on Linux.
    voran::PosixSerialPort device(clock, folder);
#endif
    // The port number reaches what Edit > Comm Port mapped it to: a device by
    // its path or a device server on the network.
    voran::NamedPort port(clock, folder, device);

    // The link's waits keep the window alive: they run the event loop in
    // slices while the link stays held (see AliveWait.h). The port's own
    // clock stays the plain one; the link's pauses and waits go through the
    // alive clock and port.
    voran::QtEventTurn turns(clock);
    voran::AliveWait alive(clock, turns);
    voran::AliveClock aliveClock(clock, alive);
    // The wait cursor shows while a wait for the board lasts more than a
    // moment; a silent board is told in the status bar.
    voran::QtBusyIndicator busy;
    voran::BusyPort busyPort(port, clock, busy, voran::BusyPort::kMoment, &alive);

    voran::frmMDIMain window(
        {messages, aliveClock, busyPort, dialogs, clipboard, launcher, folder, &settings});
    messages.setParent(&window);
    busy.onBoardSilent = [&window](bool on) { window.boardSilent(on); };
    window.show();

    if (!parser.positionalArguments().isEmpty()) {
        const std::string file = parser.positionalArguments().first().toStdString();
        QTimer::singleShot(0, &window, [&window, file] { window.openAtStart(file); });
    }

    if (parser.isSet(online)) {
        QTimer::singleShot(0, &window, [&window] { window.mnuViewOnline_Click(); });
    }
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        const int ms = static_cast<int>(parser.value(delay).toDouble() * 1000);
        QTimer::singleShot(ms, &window, [&window, file] {
            const bool saved = window.grab().save(file, "PNG");
            std::printf("%s\n", saved ? qPrintable(file) : "screenshot could not be saved");
            std::fflush(stdout);
            window.close();
            QApplication::exit(saved ? 0 : 1);
        });
    }
    const int status = QApplication::exec();
    busy.onBoardSilent = nullptr;
    return status;
}
