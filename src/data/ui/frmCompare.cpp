#include "data/ui/frmCompare.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/Clipboard.h"
#include "platform/FileDialog.h"
#include "platform/FileReplace.h"
#include "platform/MessageBox.h"
#include "widgets/Buttons.h"

namespace voran {

namespace {

constexpr const char* kTitle = "Compare with Controller";

// "3 set-up items, 2 shift-data items and 1 PLS value differ": only what a
// download would change.
std::string CountText(const std::vector<Difference>& differences) {
    int counts[4] = {0, 0, 0, 0};
    for (const Difference& d : differences) ++counts[static_cast<int>(d.section)];
    const char* singular[3] = {"set-up item", "shift-data item", "PLS value"};
    std::vector<std::string> parts;
    for (int s = 0; s < 3; ++s)
        if (counts[s] > 0)
            parts.push_back(std::to_string(counts[s]) + " " + singular[s] +
                            (counts[s] > 1 ? "s" : ""));
    std::string text;
    for (std::size_t k = 0; k < parts.size(); ++k)
        text += (k == 0 ? "" : k + 1 == parts.size() ? " and " : ", ") + parts[k];
    return text + (DownloadChanges(differences) == 1 ? " differs." : " differ.");
}

}  // namespace

frmCompare::frmCompare(std::vector<Difference> differences, const std::string& dataName,
                       IClipboard& clipboard, IFileDialog& dialogs, IMessageBox& messages,
                       QWidget* parent)
    : QDialog(parent),
      differences_(std::move(differences)),
      clipboard_(clipboard),
      dialogs_(dialogs),
      messages_(messages) {
    setObjectName("frmCompare");
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);

    std::string heading = "The working data " + dataName + " compared with the controller: ";
    heading += DownloadChanges(differences_) == 0
                   ? "the controller holds exactly these values; a download would change nothing."
                   : CountText(differences_);
    lblCompare_ = new QLabel(QString::fromStdString(heading), this);
    lblCompare_->setObjectName("lblCompare");
    lblCompare_->setWordWrap(true);

    tvwCompare_ = new QTreeWidget(this);
    tvwCompare_->setObjectName("tvwCompare");
    tvwCompare_->setColumnCount(5);
    tvwCompare_->setHeaderLabels(
        {"Item", "Address", "What", QString::fromLatin1(kHereHeading), "Controller"});
    tvwCompare_->setRootIsDecorated(false);
    tvwCompare_->setUniformRowHeights(true);
    tvwCompare_->setAlternatingRowColors(true);
    tvwCompare_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvwCompare_->setVisible(!differences_.empty());
    fillList();

    cmdCopy_ = new QPushButton("&Copy", this);
    cmdSave_ = new QPushButton("&Save as CSV...", this);
    cmdClose_ = new QPushButton("Close", this);
    cmdCopy_->setObjectName("cmdCopy");
    cmdSave_->setObjectName("cmdSave");
    cmdClose_->setObjectName("cmdClose");
    cmdCopy_->setEnabled(!differences_.empty());
    cmdSave_->setEnabled(!differences_.empty());
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdCopy_, QDialogButtonBox::ActionRole);
    buttons->addButton(cmdSave_, QDialogButtonBox::ActionRole);
    buttons->addButton(cmdClose_, QDialogButtonBox::RejectRole);
    connect(cmdCopy_, &QPushButton::clicked, this, [this] { cmdCopy_Click(); });
    connect(cmdSave_, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCompare_);
    layout->addWidget(tvwCompare_, 1);
    if (differences_.empty()) layout->addStretch(1);
    layout->addWidget(buttons);

    // Wide enough for the longest caption and both values without a
    // scroll bar; tall enough for a screenful of rows; never larger than
    // the screen.
    const QFontMetrics fm = fontMetrics();
    const int columns = tvwCompare_->header()->length();
    QSize size(std::max(columns + 4 * fm.horizontalAdvance('M'), 60 * fm.averageCharWidth()),
               differences_.empty() ? sizeHint().height() : 36 * fm.height());
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
    NoDefaultButtons(this);
}

void frmCompare::fillList() {
    QFont bold = tvwCompare_->font();
    bold.setBold(true);
    QTreeWidgetItem* section = nullptr;
    for (std::size_t k = 0; k < differences_.size(); ++k) {
        const Difference& d = differences_[k];
        if (k == 0 || d.section != differences_[k - 1].section) {
            section = new QTreeWidgetItem(tvwCompare_);
            section->setText(0, QString::fromStdString(SectionHeading(d.section)));
            section->setFont(0, bold);
            section->setFirstColumnSpanned(true);
            section->setFlags(Qt::ItemIsEnabled);
        }
        auto* row = new QTreeWidgetItem(section);
        row->setText(0, d.item >= 0 ? QString::number(d.item) : QString());
        row->setText(1, QString::fromStdString(d.address));
        row->setText(2, QString::fromStdString(d.what));
        row->setText(3, QString::number(d.here));
        row->setText(4, QString::number(d.board));
        for (int c : {0, 3, 4}) row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    tvwCompare_->expandAll();
    for (int c = 0; c < tvwCompare_->columnCount(); ++c) tvwCompare_->resizeColumnToContents(c);
}

void frmCompare::cmdCopy_Click() {
    clipboard_.setText(ComparisonTabText(differences_, kHereHeading));
}

bool frmCompare::cmdSave_Click() {
    FileDialogRequest request;
    request.title = "Save Comparison";
    request.filters = ParseFilterList("CSV Files (*.csv)|*.csv|");
    request.hideReadOnly = true;
    request.overwritePrompt = true;
    request.initialName = lastCsvPath_;
    const FileDialogResult chosen = ChooseSaveFile(dialogs_, request);
    if (chosen.cancelled) return false;
    lastCsvPath_ = chosen.path;
    const FileWriteResult written =
        ReplaceFileContents(chosen.path, ComparisonCsv(differences_, kHereHeading));
    if (!written) {
        messages_.show("The comparison could not be saved:\r\n" + written.error +
                           "\r\n\r\nAn earlier file of that name has been left as it was.",
                       kTitle, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    return true;
}

}  // namespace voran
