#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/FileCommands.h"
#include "data/SetupData.h"
#include "link/RSComm.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "platform/Printer.h"
#include "platform/SerialPort.h"
#include "program/ui/ProgramMenu.h"
#include "window/AppContext.h"
#include "shell/BackgroundUpdate.h"
#include "shell/WindowTable.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QScrollArea;
class QTimer;

namespace voran {

class ChildWindow;
class DesktopSettings;
class frmHelp;
class ReportCommands;
class frmAbout;

// The platform services the frame works with; the program hands it the real
// ones, tests hand it fakes.
struct ShellServices {
    IMessageBox& messages;
    IClock& clock;
    ISerialPort& port;  // MSComm1, the port handed to OpenRSComm
    IFileDialog& dialogs;
    IClipboard& clipboard;
    ILauncher& launcher;
    std::string programFolder;
    // What the frame remembers between runs (geometry, recent files); none:
    // remembered for this run only.
    DesktopSettings* settings = nullptr;
};

// The commands of the frame's menus, in menu order.
enum class MenuCommand {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    FileExport,
    FileUpload,
    FileDownloadProgram,
    FileUploadProgram,
    FileDownload,
    FileCompare,
    FilePrint,
    FilePrintPreview,
    FilePrintSetup,
    FileExit,
    EditOfflineEditing,
    EditCommPort,
    ViewOnline,
    ViewOffline,
    ViewTargetBoardStatus,
    HelpHelpTopics,
    HelpAbout,
};
inline constexpr int kMenuCommands = static_cast<int>(MenuCommand::HelpAbout) + 1;

// The program's frame window: menus, the four-panel status bar, the one link
// to the controller, the set-up tables and file state, the 500 ms background
// update, and one child window at a time out of five.
class frmMDIMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMDIMain(const ShellServices& services, QWidget* parent = nullptr);
    ~frmMDIMain() override;

    // Brings the link and the MODE panel in line with link().OnlineMode.
    void UpdateOnlineState();
    // Shows child window `index` of the window table in place of the
    // current one.
    void ShowWindow(int index);
    int currentWindow() const { return currentWindow_; }
    ChildWindow* currentChild() const { return child_; }
    // Child window `index` of the window table once it has been shown (it is
    // kept, hidden, while another is on show); null before.
    ChildWindow* window(int index) const;
    bool loaded() const { return loaded_; }

    // Checks and stores the entry the operator is typing in the child window
    // exactly as leaving its box would. Every command that reads or replaces
    // the working data (File commands, transfers, Print, Export, switching
    // windows, going online or offline, F2, closing) calls it first and stops
    // when it returns false: the entry was refused and the operator told.
    bool commitActiveEntry();

    // One tick of tmrBackgroungUpdate; false when it found the link busy.
    bool tmrBackgroungUpdate_Timer();
    // A click on status bar panel `index` (1-based); only MODE acts.
    void sbrMain_PanelClick(int index);
    // The date and time panels from the clock.
    void refreshDateTime();
    // The board let an answer's time run out (true) or answered again or
    // the port closed (false): panel 1 says that the program is waiting for
    // the board, so the values on screen are not taken for live ones.
    void boardSilent(bool on);

    // Menu handlers.
    void mnuViewOnline_Click();
    void mnuViewOffline_Click();
    void mnuEditOfflineEditing_Click();
    void mnuHelpHelpTopics_Click();
    void mnuFileUpload_Click();
    void mnuFileDownload_Click();
    void mnuFileCompare_Click();
    void mnuFilePrint_Click();
    void mnuFilePrintPreview_Click();
    void mnuFileExport_Click();
    void mnuEditCommPort_Click();
    // Help > About VORAN: the About window, not modal; a second choice
    // brings the open one to the front.
    void mnuHelpAbout_Click();
    // File > 1 .. n: a recently used set-up file, opened as File > Open
    // would open it; one that cannot be read leaves the list.
    void mnuFileRecent_Click(int index);
    // `voran FILE.sdt`: opens the file once the window is up.
    bool openAtStart(const std::string& path);
    // The program's own manual (Help > Help Topics without a site help
    // file); null until first shown.
    frmHelp* helpWindow() const { return help_; }
    frmAbout* aboutWindow() const;
    // The title: "VORAN - [line3.sdt]", a "*" while the working data differ
    // from the file (Qt's [*] mark), and the open child window's caption
    // ("VORAN - [line3.sdt]* - Machine Timing").
    void refreshTitle();
    // File > Download Program, File > Upload Program... and the program
    // selection (mode 0 download, 1 target board window).
    void mnuFileDownloadProgram_Click() { SelectProgramFile(ProgramCommands::FileUse::Download); }
    void mnuFileUploadProgram_Click() { program_.UploadProgramFile(); }
    void SelectProgramFile(ProgramCommands::FileUse use) { program_.SelectProgramFile(use); }
    // View > Target Board Interface: the program set to show, then the window.
    void mnuViewTargetBoardStatus_Click() {
        SelectProgramFile(ProgramCommands::FileUse::ForTargetBoard);
    }
    void openTargetBoard(const std::string& tarnixFile);
    ProgramCommands& programCommands() { return program_; }

    RSComm& link() { return link_; }
    SetupTables& tables() { return tables_; }
    AppContext& context() { return ctx_; }
    FileCommands& files() { return files_; }
    // Print Report, Print Preview and Export Shift Data.
    ReportCommands& reports() { return *reports_; }
    // The print dialog and printers of every printing command.
    IPrintSetup& printSetup() { return *printSetup_; }
    const BackgroundUpdate& background() const { return background_; }
    const std::string& helpFile() const { return helpFile_; }

    // The frame's first size: the design size, or less so that the window
    // with its title bar and borders fits the screen's available area.
    static QSize FirstFrameSize(QSize design, QRect available);

    // Status bar panel (1 .. 4): STATUS, MODE, DATE, TIME.
    QLabel* panel(int index) const { return panels_.at(index - 1); }
    std::string panelKey(int index) const;

    // The menus' actions, for tests and for the program's own use. Their
    // object names are "mnu" and the command ("mnuFileOpen").
    QAction* action(MenuCommand command) const;
    // Window menu row `index` (the window table's row).
    QAction* mnuWindowForm(int index) const;
    // Recently used set-up file `index` ("&1 line3.sdt"); hidden while unused.
    QAction* mnuFileRecent(int index) const;
    int recentFileSlots() const { return static_cast<int>(recentActions_.size()); }
    // The menus in menu order: File, Edit, View, Window, Help.
    QMenu* menu(int index) const;
    static const char* ActionName(MenuCommand command);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct MenuRow;
    struct MenuHead;
    static const std::vector<MenuHead>& MenuTable();
    void buildMenus();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExit_Click();
    void buildStatusBar();
    // Takes the child window on show out of the frame, deactivated and kept.
    void hideChild();
    // Makes the frame large enough for the child window, within the screen.
    void growToFitChild();
    void setTitle(const std::string& caption);
    std::string fileTitle_;
    bool commitBeforeModeChange();
    void refreshRecentFiles();
    // Called whenever the title changes: a named file joins the recent list.
    void noteCurrentFile();

    IMessageBox& messages_;
    IClock& clock_;
    ISerialPort& port_;
    ILauncher& launcher_;
    IFileDialog& dialogs_;
    std::string programFolder_;
    std::string helpFile_;

    SetupTables tables_;
    RSComm link_;
    OnlineState online_;
    AppContext ctx_;
    FileCommands files_;
    BackgroundUpdate background_;
    // The print dialog and printers of every printing command.
    std::unique_ptr<IPrintSetup> printSetup_;
    std::unique_ptr<ReportCommands> reports_;
    ProgramCommands program_;

    std::unique_ptr<DesktopSettings> ownSettings_;
    DesktopSettings* settings_ = nullptr;
    std::array<QAction*, kMenuCommands> actions_{};
    std::vector<QAction*> windowActions_;
    std::vector<QAction*> recentActions_;
    std::vector<QMenu*> menus_;
    QAction* recentSeparator_ = nullptr;
    QTimer* tmrBackgroungUpdate_ = nullptr;
    QTimer* tmrClock_ = nullptr;
    frmHelp* help_ = nullptr;

    std::array<QLabel*, 4> panels_{};
    QScrollArea* frame_ = nullptr;
    ChildWindow* child_ = nullptr;
    // The child windows made so far, by their row in the window table; they
    // are the frame's children (the one on show through frame_).
    std::vector<ChildWindow*> windows_;
    int currentWindow_ = 0;
    bool loaded_ = false;
    bool closed_ = false;
    QPointer<QDialog> about_;
    bool boardSilent_ = false;
};

}  // namespace voran
