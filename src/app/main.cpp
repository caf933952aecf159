// voran: the operator's program. Starts offline with the main display.
//
// Options for demonstrations and scripts (the program without options
// behaves as the operator knows it):
//   --online               go online once the window is up
//   --screenshot FILE      after a few seconds save a picture of the main
//                          window to FILE, print its path and end
//   --screenshot-delay S   seconds to wait before the picture (default 4)

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
#include "platform/BusyPort.h"
#include "platform/qt/QtBusyIndicator.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtFileDialog.h"
#include "platform/qt/QtLauncher.h"
#include "platform/qt/QtMessageBox.h"
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
    parser.addOptions({online, screenshot, delay});
    parser.process(*app);

    const std::string folder = voran::ProgramFolder();
    voran::SystemClock clock;
    voran::QtMessageBox messages;
    voran::QtFileDialog dialogs;
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

    // The wait cursor shows while a wait for the board lasts more than a moment.
    voran::QtBusyIndicator busy;
    voran::BusyPort busyPort(port, clock, busy);

    voran::frmMDIMain window({messages, clock, busyPort, dialogs, clipboard, launcher, folder});
    messages.setParent(&window);
    window.show();

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
    return QApplication::exec();
}
