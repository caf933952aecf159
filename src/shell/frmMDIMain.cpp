#include "shell/frmMDIMain.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "data/ui/ReportCommands.h"
#include "data/ui/TransferMenu.h"
#include "link/ui/frmSetupComm.h"
#include "program/ui/frmAbout.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "program/ui/frmTargetBoard.h"
#include "platform/qt/QtPrinter.h"
#include "shell/DesktopSettings.h"
#include "shell/ProgramIcon.h"
#include "shell/frmHelp.h"
#include "window/ChildWindow.h"

namespace voran {

namespace {
const char* const kPanelKeys[4] = {"STATUS", "MODE", "DATE", "TIME"};
const char* const kPanelTips[4] = {"System Status Display Messages", "Communications Mode",
                                   "Current Date", "Current Time"};
}  // namespace

frmMDIMain::frmMDIMain(const ShellServices& services, QWidget* parent)
    : QMainWindow(parent),
      messages_(services.messages),
      clock_(services.clock),
      port_(services.port),
      launcher_(services.launcher),
      dialogs_(services.dialogs),
      programFolder_(services.programFolder),
      // The link starts closed with every flag clear: the program is offline.
      link_(services.clock, services.messages, services.programFolder),
      online_(link_, services.port, services.messages),
      ctx_(link_, tables_, services.messages, services.clock, services.clipboard,
           services.programFolder, online_),
      files_(tables_, services.messages, services.dialogs, services.clock, services.programFolder),
      background_(ctx_),
      printSetup_(std::make_unique<QtPrintSetup>(this)),
      reports_(
          std::make_unique<ReportCommands>(ctx_, files_, services.dialogs, *printSetup_, this)),
      program_(ctx_, services.dialogs, this) {
    setObjectName("frmMDIMain");
    setWindowTitle(FileCommands::kBaseCaption);
    // The frame, its dialogs and the About box show the program's icon.
    QApplication::setWindowIcon(ProgramIcon());
    setWindowIcon(ProgramIcon());
    if (services.settings) {
        settings_ = services.settings;
    } else {
        ownSettings_ = std::make_unique<DesktopSettings>(QString());
        settings_ = ownSettings_.get();
    }

    // The help file lives beside the program.
    helpFile_ = ResolvePath(programFolder_, "Help/VORAN.hlp");

    // The MODE panel and the View menu's marks show the mode the link was
    // brought to.
    online_.setListener([this](bool online) {
        panels_[1]->setText(online ? "ONLINE" : "OFFLINE");
        action(MenuCommand::ViewOnline)->setChecked(online);
        action(MenuCommand::ViewOffline)->setChecked(!online);
    });

    files_.onCaptionChanged = [this](const std::string& caption) {
        setTitle(caption);
        noteCurrentFile();
    };
    files_.processEvents = [] { QCoreApplication::processEvents(); };
    files_.commitPendingEntry = [this] { return commitActiveEntry(); };

    // The child window sits in a scroll area: a window that cannot shrink to
    // a small or strongly scaled screen scrolls instead of pushing the frame
    // off the screen.
    frame_ = new QScrollArea;
    frame_->setObjectName("frame");
    frame_->setWidgetResizable(true);
    frame_->setFrameShape(QFrame::NoFrame);
    setCentralWidget(frame_);
    windows_.assign(WindowTable().size(), nullptr);

    buildMenus();
    buildStatusBar();

    // The alarm tables were filled with the background update; the file
    // state starts unnamed.
    setTitle(files_.caption());
    ShowWindow(kMainDisplay);
    tables_.BuildDefaults(clock_.localDateTime());
    files_.New();
    loaded_ = true;

    tmrBackgroungUpdate_ = new QTimer(this);
    tmrBackgroungUpdate_->setObjectName("tmrBackgroungUpdate");
    tmrBackgroungUpdate_->setInterval(500);
    connect(tmrBackgroungUpdate_, &QTimer::timeout, this, [this] { tmrBackgroungUpdate_Timer(); });
    tmrBackgroungUpdate_->start();
    program_.enableBackgroundUpdate = [this](bool on) {
        if (on)
            tmrBackgroungUpdate_->start();
        else
            tmrBackgroungUpdate_->stop();
    };
    program_.InitializeTargetBoard = [this](const std::string& path) { openTargetBoard(path); };

    tmrClock_ = new QTimer(this);
    tmrClock_->setInterval(1000);
    connect(tmrClock_, &QTimer::timeout, this, [this] { refreshDateTime(); });
    tmrClock_->start();

    // The design size, or less on a small or strongly scaled screen; then
    // the size, place and maximised state of the last run, which Qt keeps
    // on a screen that exists now.
    resize(FirstFrameSize(QSize(900, 560), screen() ? screen()->availableGeometry() : QRect()));
    const QByteArray geometry = settings_->frameGeometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
}

QSize frmMDIMain::FirstFrameSize(QSize design, QRect available) {
    if (available.isEmpty()) return design;
    // Room for the window manager's title bar and borders, which are not
    // known before the window is shown.
    const int title = 2 * QFontMetrics(QApplication::font()).height();
    const int border = 8;
    const QSize room(available.width() - 2 * border, available.height() - title - 2 * border);
    return design.boundedTo(room);
}

frmMDIMain::~frmMDIMain() {
    // The child windows, on show or kept hidden, are the frame's children
    // and go with it; their passes stop with them.
    if (child_) child_->deactivate();
    if (!closed_) link_.CloseRSComm();
}

void frmMDIMain::hideChild() {
    if (!child_) return;
    // Deactivated first: from here on the window leaves the link and its
    // widgets alone, even if a read of it is still unwinding. It stays made,
    // hidden, with everything it holds, until it is chosen again.
    child_->deactivate();
    frame_->takeWidget();
    child_->hide();
    child_->setParent(this);
    child_ = nullptr;
}

ChildWindow* frmMDIMain::window(int index) const {
    return index >= 0 && index < static_cast<int>(windows_.size()) ? windows_[index] : nullptr;
}

// The frame's menus in menu order. A row is a command (with its handler), a
// separator, the block of recently used files or the Window menu's rows
// from the window table. Adding a command is one row here and its handler.
struct frmMDIMain::MenuRow {
    enum Kind { Command, Separator, RecentFiles, Windows };
    Kind kind = Command;
    MenuCommand command{};
    const char* caption = nullptr;
    const char* shortcut = nullptr;
    void (frmMDIMain::*handler)() = nullptr;
    // Checkable; checked at start; hidden (and disabled).
    bool checkable = false;
    bool checked = false;
    bool hidden = false;
};

struct frmMDIMain::MenuHead {
    const char* name;
    const char* caption;
    std::vector<MenuRow> rows;
};

const std::vector<frmMDIMain::MenuHead>& frmMDIMain::MenuTable() {
    using C = MenuCommand;
    using F = frmMDIMain;
    const MenuRow separator{MenuRow::Separator};
    static const std::vector<MenuHead> table = {
        {"mnuFile",
         "&File",
         {
             {MenuRow::Command, C::FileNew, "&New...", "Ctrl+N", &F::mnuFileNew_Click},
             {MenuRow::Command, C::FileOpen, "&Open...", "Ctrl+O", &F::mnuFileOpen_Click},
             {MenuRow::Command, C::FileSave, "&Save", "Ctrl+S", &F::mnuFileSave_Click},
             {MenuRow::Command, C::FileSaveAs, "Save &As...", nullptr, &F::mnuFileSaveAs_Click},
             separator,
             {MenuRow::Command, C::FileExport, "Export Shift Data...", "Ctrl+X",
              &F::mnuFileExport_Click},
             separator,
             {MenuRow::Command, C::FileUpload, "&Upload (save) Data", nullptr,
              &F::mnuFileUpload_Click},
             {MenuRow::Command, C::FileDownloadProgram, "Download &Program", nullptr,
              &F::mnuFileDownloadProgram_Click},
             {MenuRow::Command, C::FileUploadProgram, "Upload Program...", nullptr,
              &F::mnuFileUploadProgram_Click},
             {MenuRow::Command, C::FileDownload, "&Download Data", nullptr,
              &F::mnuFileDownload_Click},
             {MenuRow::Command, C::FileCompare, "Co&mpare with Controller...", nullptr,
              &F::mnuFileCompare_Click},
             separator,
             {MenuRow::Command, C::FilePrint, "&Print Report...", "Ctrl+P", &F::mnuFilePrint_Click},
             {MenuRow::Command, C::FilePrintPreview, "Print Pre&view...", nullptr,
              &F::mnuFilePrintPreview_Click},
             // The printer is chosen in the print dialog.
             {MenuRow::Command, C::FilePrintSetup, "Print Set&up...", nullptr, nullptr, false,
              false, true},
             {MenuRow::RecentFiles},
             separator,
             {MenuRow::Command, C::FileExit, "E&xit", nullptr, &F::mnuFileExit_Click},
         }},
        {"mnuEdit",
         "&Edit",
         {
             {MenuRow::Command, C::EditOfflineEditing, "Enable &Offline Editing", "F2",
              &F::mnuEditOfflineEditing_Click, true},
             separator,
             {MenuRow::Command, C::EditCommPort, "Co&mm Port", "Ctrl+M", &F::mnuEditCommPort_Click},
         }},
        {"mnuView",
         "&View",
         {
             {MenuRow::Command, C::ViewOnline, "O&nline Data", "F3", &F::mnuViewOnline_Click, true},
             {MenuRow::Command, C::ViewOffline, "O&ffline Data", "F4", &F::mnuViewOffline_Click,
              true, true},
             separator,
             {MenuRow::Command, C::ViewTargetBoardStatus, "&Target Board Interface", "F5",
              &F::mnuViewTargetBoardStatus_Click},
         }},
        {"mnuWindow", "&Window", {{MenuRow::Windows}}},
        {"mnuHelp",
         "&Help",
         {
             {MenuRow::Command, C::HelpHelpTopics, "&Help Topics", "Ctrl+H",
              &F::mnuHelpHelpTopics_Click},
             separator,
             {MenuRow::Command, C::HelpAbout, "&About VORAN", nullptr, &F::mnuHelpAbout_Click},
         }},
    };
    return table;
}

// The object name of a command's action: "mnu" and the command's name.
const char* frmMDIMain::ActionName(MenuCommand command) {
    static const char* const names[kMenuCommands] = {"mnuFileNew",
                                                     "mnuFileOpen",
                                                     "mnuFileSave",
                                                     "mnuFileSaveAs",
                                                     "mnuFileExport",
                                                     "mnuFileUpload",
                                                     "mnuFileDownloadProgram",
                                                     "mnuFileUploadProgram",
                                                     "mnuFileDownload",
                                                     "mnuFileCompare",
                                                     "mnuFilePrint",
                                                     "mnuFilePrintPreview",
                                                     "mnuFilePrintSetup",
                                                     "mnuFileExit",
                                                     "mnuEditOfflineEditing",
                                                     "mnuEditCommPort",
                                                     "mnuViewOnline",
                                                     "mnuViewOffline",
                                                     "mnuViewTargetBoardStatus",
                                                     "mnuHelpHelpTopics",
                                                     "mnuHelpAbout"};
    return names[static_cast<int>(command)];
}

void frmMDIMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto add = [](QMenu* menu, const std::string& name, const char* caption,
                  const char* shortcut = nullptr) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromStdString(name));
        if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        return a;
    };

    for (const MenuHead& head : MenuTable()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(head.caption));
        menu->setObjectName(QString::fromLatin1(head.name));
        menus_.push_back(menu);
        for (const MenuRow& row : head.rows) {
            switch (row.kind) {
                case MenuRow::Separator:
                    menu->addSeparator();
                    break;
                case MenuRow::Command: {
                    QAction* a = add(menu, ActionName(row.command), row.caption, row.shortcut);
                    a->setCheckable(row.checkable);
                    a->setChecked(row.checked);
                    if (row.hidden) {
                        a->setVisible(false);
                        a->setEnabled(false);
                    }
                    if (row.handler)
                        connect(a, &QAction::triggered, this,
                                [this, handler = row.handler] { (this->*handler)(); });
                    actions_[static_cast<int>(row.command)] = a;
                    break;
                }
                case MenuRow::RecentFiles:
                    recentSeparator_ = menu->addSeparator();
                    for (int i = 0; i < DesktopSettings::kRecentCount; ++i) {
                        QAction* a = add(menu, "mnuFileRecent" + std::to_string(i), "");
                        connect(a, &QAction::triggered, this,
                                [this, i] { mnuFileRecent_Click(i); });
                        recentActions_.push_back(a);
                    }
                    break;
                case MenuRow::Windows: {
                    // One mark at a time, and choosing the marked window keeps its mark.
                    auto* windows = new QActionGroup(this);
                    const auto& table = WindowTable();
                    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
                        QAction* a =
                            add(menu, "mnuWindowForm" + std::to_string(i), table[i].caption);
                        a->setCheckable(true);
                        a->setEnabled(static_cast<bool>(table[i].create));
                        windows->addAction(a);
                        connect(a, &QAction::triggered, this, [this, i] { ShowWindow(i); });
                        windowActions_.push_back(a);
                    }
                    break;
                }
            }
        }
    }
    refreshRecentFiles();
}

QAction* frmMDIMain::action(MenuCommand command) const {
    return actions_.at(static_cast<int>(command));
}

QAction* frmMDIMain::mnuWindowForm(int index) const {
    return windowActions_.at(index);
}

QAction* frmMDIMain::mnuFileRecent(int index) const {
    return recentActions_.at(index);
}

QMenu* frmMDIMain::menu(int index) const {
    return menus_.at(index);
}

void frmMDIMain::mnuFileNew_Click() {
    files_.New();
}

void frmMDIMain::mnuFileOpen_Click() {
    files_.Open();
}

void frmMDIMain::mnuFileSave_Click() {
    files_.Save();
}

void frmMDIMain::mnuFileSaveAs_Click() {
    files_.SaveAs();
}

void frmMDIMain::mnuFileExit_Click() {
    close();
}

// "&1 line3.sdt" with the folder after it, the most recent first.
void frmMDIMain::refreshRecentFiles() {
    const QStringList files = settings_->recentFiles();
    const QString home = QDir::homePath();
    for (int i = 0; i < static_cast<int>(recentActions_.size()); ++i) {
        QAction* a = recentActions_[i];
        a->setVisible(i < files.size());
        if (i >= files.size()) continue;
        const QFileInfo info(files[i]);
        QString folder = QDir::toNativeSeparators(info.absolutePath());
        if (folder.startsWith(home)) folder = "~" + folder.mid(home.size());
        QString name = info.fileName();
        name.replace('&', "&&");
        a->setText(QString("&%1 %2  (%3)").arg(i + 1).arg(name, folder.replace('&', "&&")));
        a->setStatusTip(QDir::toNativeSeparators(files[i]));
        a->setToolTip(a->statusTip());
    }
    recentSeparator_->setVisible(!files.isEmpty());
}

void frmMDIMain::noteCurrentFile() {
    if (!settings_ || tables_.FileUnnamed) return;
    const QString path = QString::fromStdString(files_.gFileNamePath);
    if (path.isEmpty() || path.contains('*')) return;
    settings_->addRecentFile(path);
    refreshRecentFiles();
}

void frmMDIMain::mnuFileRecent_Click(int index) {
    const QStringList files = settings_->recentFiles();
    if (index < 0 || index >= files.size()) return;
    const std::string path = files[index].toStdString();
    if (!files_.OpenFile(path) && !QFileInfo(files[index]).isFile()) {
        settings_->removeRecentFile(files[index]);
        refreshRecentFiles();
    }
}

bool frmMDIMain::openAtStart(const std::string& path) {
    return files_.OpenFile(
        QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
}

void frmMDIMain::buildStatusBar() {
    QStatusBar* sbrMain = statusBar();
    sbrMain->setObjectName("sbrMain");
    sbrMain->setSizeGripEnabled(false);
    const char* initial[4] = {texts::kPanelInitial, "OFFLINE", "", ""};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(initial[i]));
        label->setObjectName(QString("sbrMain_%1").arg(kPanelKeys[i]));
        label->setToolTip(kPanelTips[i]);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        label->installEventFilter(this);
        panels_[i] = label;
        if (i == 0)
            sbrMain->addWidget(label, 1);
        else
            sbrMain->addPermanentWidget(label);
    }
    panels_[1]->setMinimumWidth(panels_[1]->fontMetrics().horizontalAdvance("OFFLINE") + 16);
    refreshDateTime();
}

std::string frmMDIMain::panelKey(int index) const {
    return index >= 1 && index <= 4 ? kPanelKeys[index - 1] : "";
}

void frmMDIMain::refreshDateTime() {
    const DateTime now = clock_.localDateTime();
    const QLocale locale;
    const QString date = locale.toString(QDate(now.year, now.month, now.day), QLocale::ShortFormat);
    const QString time =
        locale.toString(QTime(now.hour, now.minute, now.second), QLocale::ShortFormat);
    if (panels_[2]->text() != date) panels_[2]->setText(date);
    if (panels_[3]->text() != time) panels_[3]->setText(time);
}

void frmMDIMain::setTitle(const std::string& caption) {
    fileTitle_ = caption;
    refreshTitle();
}

void frmMDIMain::refreshTitle() {
    // A "[*]" already in a file name would be taken as the mark: doubled
    // brackets keep it as text.
    QString title = QString::fromStdString(fileTitle_).replace("[*]", "[*][*]") + "[*]";
    if (child_ && !child_->windowTitle().isEmpty()) title += " - " + child_->windowTitle();
    if (windowTitle() != title) setWindowTitle(title);
    setWindowModified(tables_.HasUnsavedChanges());
}

bool frmMDIMain::commitActiveEntry() {
    return !child_ || child_->commitPendingEntry();
}

void frmMDIMain::ShowWindow(int index) {
    const auto& table = WindowTable();
    if (index < 0 || index >= static_cast<int>(table.size())) return;
    if (index == currentWindow_ && loaded_) return;
    if (!commitActiveEntry()) {
        // The window stays, and so does its mark in the Window menu.
        windowActions_[currentWindow_]->setChecked(true);
        return;
    }
    windowActions_[currentWindow_]->setChecked(false);
    windowActions_[index]->setChecked(true);
    hideChild();
    // Made on first choice, then kept: a window keeps what it holds (a
    // selection, a scroll position, an entry's state) across a switch.
    if (!windows_[index] && table[index].create) windows_[index] = table[index].create(ctx_, this);
    child_ = windows_[index];
    if (child_) {
        frame_->setWidget(child_);
        child_->show();
        child_->activate();
        // Once the new window is laid out, the frame grows to show it whole
        // where the screen has the room.
        QTimer::singleShot(0, this, [this] { growToFitChild(); });
    }
    currentWindow_ = index;
    refreshTitle();
    qCDebug(lcShell) << "window" << index << "on show";
}

void frmMDIMain::growToFitChild() {
    if (!child_ || !isVisible() || isMaximized() || isFullScreen() || !screen()) return;
    const QSize need = child_->sizeHint().expandedTo(child_->minimumSizeHint());
    const QSize room = frame_->viewport()->size();
    const QSize more(std::max(0, need.width() - room.width()),
                     std::max(0, need.height() - room.height()));
    if (more.width() == 0 && more.height() == 0) return;
    // The window manager's title bar and borders stay on the screen too.
    const QRect available = screen()->availableGeometry();
    const QSize decoration = frameGeometry().size() - geometry().size();
    const QSize wanted = (size() + more).boundedTo(available.size() - decoration);
    if (wanted.width() <= width() && wanted.height() <= height()) return;
    resize(wanted.expandedTo(size()));
    // Moved back onto the screen when the larger frame would leave it.
    QRect placed = frameGeometry();
    placed.moveRight(std::min(placed.right(), available.right()));
    placed.moveBottom(std::min(placed.bottom(), available.bottom()));
    placed.moveLeft(std::max(placed.left(), available.left()));
    placed.moveTop(std::max(placed.top(), available.top()));
    move(placed.topLeft());
}

void frmMDIMain::UpdateOnlineState() {
    online_.follow();
}

// Going online or offline changes what the window shows: a typed value is
// stored (and sent while still online) first. A refused one keeps the mode.
bool frmMDIMain::commitBeforeModeChange() {
    if (commitActiveEntry()) return true;
    action(MenuCommand::ViewOnline)->setChecked(link_.OnlineMode);
    action(MenuCommand::ViewOffline)->setChecked(!link_.OnlineMode);
    return false;
}

// The target board window is modal over the frame. Its own pass reads the
// board while it is open, so the child window's pass waits until it closes;
// tmrBackgroungUpdate goes on.
void frmMDIMain::openTargetBoard(const std::string& tarnixFile) {
    if (child_) child_->deactivate();
    frmTargetBoard window(ctx_, this);
    window.InitializeForm(tarnixFile);
    if (child_) child_->activate();
}

void frmMDIMain::mnuViewOnline_Click() {
    if (!commitBeforeModeChange()) return;
    ctx_.goOnline();
}

void frmMDIMain::mnuViewOffline_Click() {
    if (!commitBeforeModeChange()) return;
    ctx_.goOffline();
}

void frmMDIMain::sbrMain_PanelClick(int index) {
    if (index != 2) return;
    if (!commitBeforeModeChange()) return;
    if (link_.OnlineMode)
        ctx_.goOffline();
    else
        ctx_.goOnline();
}

void frmMDIMain::mnuEditOfflineEditing_Click() {
    // The action has already toggled its own mark; a refused entry takes it
    // back.
    if (!commitActiveEntry()) {
        action(MenuCommand::EditOfflineEditing)->setChecked(ctx_.OfflineEditing);
        return;
    }
    ctx_.OfflineEditing = action(MenuCommand::EditOfflineEditing)->isChecked();
}

// The site's own help file when it has installed one; otherwise the
// program's manual, which is built into it.
void frmMDIMain::mnuHelpHelpTopics_Click() {
    if (launcher_.fileExists(helpFile_) && launcher_.openDocument(helpFile_)) return;
    if (!help_) {
        help_ = new frmHelp(this);
        help_->placeOn(screen());
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void frmMDIMain::mnuEditCommPort_Click() {
    frmSetupComm dialog(ctx_, this);
    dialog.exec();
}

frmAbout* frmMDIMain::aboutWindow() const {
    return qobject_cast<frmAbout*>(about_.data());
}

void frmMDIMain::mnuHelpAbout_Click() {
    if (!about_) {
        about_ = new frmAbout(launcher_, messages_, this);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void frmMDIMain::mnuFileUpload_Click() {
    voran::mnuFileUpload_Click(ctx_, files_, this);
}

void frmMDIMain::mnuFileDownload_Click() {
    voran::mnuFileDownload_Click(ctx_, files_, dialogs_, this);
}

void frmMDIMain::mnuFileCompare_Click() {
    CompareWithController(ctx_, files_, dialogs_, this);
}

void frmMDIMain::mnuFilePrint_Click() {
    reports_->mnuFilePrint_Click();
}

void frmMDIMain::mnuFilePrintPreview_Click() {
    reports_->mnuFilePrintPreview_Click();
}

void frmMDIMain::mnuFileExport_Click() {
    reports_->mnuFileExport_Click();
}

void frmMDIMain::boardSilent(bool on) {
    boardSilent_ = on;
    panels_[0]->setText(on ? QString(texts::kPanelWaiting)
                           : QString::fromStdString(background_.panelText()));
}

bool frmMDIMain::tmrBackgroungUpdate_Timer() {
    // Edits in the windows and transfers change the working data without
    // telling the frame: the modified mark follows them here.
    refreshTitle();
    const bool ticked = background_.Tick();
    if (ticked && !boardSilent_ && panels_[0]->text().toStdString() != background_.panelText())
        panels_[0]->setText(QString::fromStdString(background_.panelText()));
    return ticked;
}

bool frmMDIMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < 4; ++i) {
            if (watched == panels_[i]) {
                sbrMain_PanelClick(i + 1);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMDIMain::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    // A refused entry, Cancel, or a "Yes" whose save did not happen keeps
    // the program running with the link as it was. A typed value counts as
    // a change, so it brings the save question.
    if (!commitActiveEntry() || !files_.CheckSaveChanges(true)) {
        event->ignore();
        return;
    }
    settings_->setFrameGeometry(saveGeometry());
    if (help_) help_->close();
    link_.CloseRSComm();
    hideChild();
    tmrBackgroungUpdate_->stop();
    tmrClock_->stop();
    closed_ = true;
    QCoreApplication::processEvents();
    event->accept();
}

}  // namespace voran
