#include "program/ui/frmAbout.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "Version.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "widgets/Buttons.h"

namespace voran {

namespace {

constexpr const char* kAppTitle = "QTR-VORAN Set-up Utility";

constexpr const char* kDescription =
    "Watches and sets up the can-processing line through its K-900 controller board: live "
    "shift counts and alarms, set-up parameters, PLS timing channels, set-up files and "
    "reports, and the controller program.";

constexpr const char* kTechSupport =
    "For support, have the version above and the board's identity (View > Target Board "
    "Interface) at hand and call your line's service contact. A trace of the link for "
    "the service engineer: start the program with QT_LOGGING_RULES=\"voran.link.debug=true\".";

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

frmAbout::frmAbout(ILauncher& launcher, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), launcher_(launcher), messages_(messages) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About VORAN"));

    // The program's own icon where the application has one; a plain
    // standard picture otherwise.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    const int iconSize = fontMetrics().height() * 3;
    picIcon_ = new QLabel(this);
    picIcon_->setObjectName(QStringLiteral("picIcon"));
    QPixmap picture = icon.pixmap(iconSize, iconSize);
    if (picture.width() < iconSize)
        picture = picture.scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picIcon_->setPixmap(picture);
    picIcon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle_ = new QLabel(QString::fromLatin1(kAppTitle), this);
    QFont titleFont = lblTitle_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle_->setFont(titleFont);
    lblVersion_ = new QLabel(QString::fromStdString(VersionText()), this);
    lblDescription_ = new QLabel(QString::fromLatin1(kDescription), this);
    lblDescription_->setWordWrap(true);
    lblTechSupport_ = new QLabel(QString::fromLatin1(kTechSupport), this);
    lblTechSupport_->setWordWrap(true);
    lblTechSupport_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo_->setAutoDefault(false);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblVersion_);
    texts->addWidget(separator(this));
    texts->addWidget(lblDescription_);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon_, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdSysInfo_);
    buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblTechSupport_, 1);
    bottom->addLayout(buttons);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(separator(this));
    page->addLayout(bottom);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 36);
    page->setSizeConstraint(QLayout::SetMinimumSize);
    NoDefaultButtons(this);
}

std::string frmAbout::VersionText() {
    return "Version " + std::to_string(VORAN_VERSION_MAJOR) + "." +
           std::to_string(VORAN_VERSION_MINOR) + "." + std::to_string(VORAN_VERSION_PATCH);
}

const std::vector<std::string>& frmAbout::SystemInfoPrograms() {
#ifdef Q_OS_WIN
    static const std::vector<std::string> programs = {"msinfo32"};
#elif defined(Q_OS_MACOS)
    static const std::vector<std::string> programs = {
        "/System/Applications/Utilities/System Information.app/Contents/MacOS/System Information"};
#else
    // The desktops' own system-information viewers.
    static const std::vector<std::string> programs = {"kinfocenter", "hardinfo2", "hardinfo"};
#endif
    return programs;
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    for (const std::string& program : SystemInfoPrograms())
        if (launcher_.startProgram(program, {})) return;
    messages_.show("System Information Is Unavailable At This Time", kAppTitle, MsgButtons::Ok,
                   MsgIcon::None);
}

}  // namespace voran
