#include "data/ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/Colours.h"
#include "window/AppContext.h"
#include "window/BoardWrite.h"

namespace voran {

namespace {
// Grid sizes are given in twips; 15 twips make a pixel at 96 dpi.
int twips(int t) {
    return (t + 7) / 15;
}

QString fromSystemText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}
}  // namespace

frmMain::frmMain(AppContext& ctx, QWidget* parent) : LiveWindow(ctx, parent), model_(ctx) {
    setObjectName("frmMain");
    setWindowTitle("Main Display");

    fgData_ = new QTableWidget(MainDisplayModel::kRows - 1, MainDisplayModel::kCols - 1);
    fgData_->setObjectName("fgData");
    fgData_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgData_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    fgData_->setContextMenuPolicy(Qt::NoContextMenu);
    // One Tab stop: the arrows move inside the grid, Tab leaves it.
    fgData_->setTabKeyNavigation(false);
    QStringList headings, labels;
    for (int col = 1; col < MainDisplayModel::kCols; ++col)
        headings << QString::fromStdString(MainDisplayModel::ColumnHeading(col));
    for (int row = 1; row < MainDisplayModel::kRows; ++row)
        labels << QString::fromStdString(MainDisplayModel::RowLabel(row));
    fgData_->setHorizontalHeaderLabels(headings);
    fgData_->setVerticalHeaderLabels(labels);
    fgData_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    fgData_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Design widths in twips, wider where a larger font needs the room.
    QHeaderView* rowHeader = fgData_->verticalHeader();
    QHeaderView* colHeader = fgData_->horizontalHeader();
    // The headings of a selection are drawn bold: the room is measured in
    // bold, so a heading stays whole when its cells are selected.
    QFont boldHeader = colHeader->font();
    boldHeader.setBold(true);
    const QFontMetrics headerFont(boldHeader);
    const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin);
    auto fits = [&](int designTwips, const QStringList& texts) {
        int width = twips(designTwips);
        for (const QString& t : texts)
            width = std::max(width, headerFont.horizontalAdvance(t) + margins);
        return width;
    };
    const int labelWidth = fits(1150, labels);
    rowHeader->setFixedWidth(labelWidth);
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowHeader->setMinimumSectionSize(twips(260));
    rowHeader->setDefaultSectionSize(std::max(twips(260), fontMetrics().height() + 4));
    colHeader->setSectionResizeMode(QHeaderView::Fixed);
    int columnsWidth = 0;
    for (int col = 0; col < MainDisplayModel::kCols - 1; ++col) {
        const int width = fits(1250, {headings[col]});
        fgData_->setColumnWidth(col, width);
        columnsWidth += width;
        for (int row = 0; row < MainDisplayModel::kRows - 1; ++row) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fgData_->setItem(row, col, item);
        }
    }
    fgData_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fgData_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int gridWidth = labelWidth + columnsWidth + 2 * fgData_->frameWidth();
    const int gridHeight = colHeader->sizeHint().height() + 14 * rowHeader->defaultSectionSize() +
                           2 * fgData_->frameWidth();
    fgData_->setFixedSize(gridWidth, gridHeight);
    fgData_->installEventFilter(this);
    fgData_->viewport()->installEventFilter(this);

    fraDisplay0_ = new QGroupBox("Shift Data");
    fraDisplay0_->setObjectName("fraDisplay0");
    auto* gridBox = new QVBoxLayout(fraDisplay0_);
    gridBox->addWidget(fgData_);

    lblDisplay0_ = new QLabel("-");
    lblDisplay0_->setObjectName("lblDisplay0");
    lblDisplay0_->setAlignment(Qt::AlignCenter);
    QFont big = lblDisplay0_->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    lblDisplay0_->setFont(big);
    fraDisplay1_ = new QGroupBox("Machine CPM");
    fraDisplay1_->setObjectName("fraDisplay1");
    auto* rateBox = new QVBoxLayout(fraDisplay1_);
    rateBox->addWidget(lblDisplay0_);

    txtMessageDisplay_ = new QPlainTextEdit;
    txtMessageDisplay_->setObjectName("txtMessageDisplay");
    txtMessageDisplay_->setReadOnly(true);
    txtMessageDisplay_->viewport()->installEventFilter(this);
    fraMessageDisplay_ = new QGroupBox("Messages");
    fraMessageDisplay_->setObjectName("fraMessageDisplay");
    auto* messageBox = new QVBoxLayout(fraMessageDisplay_);
    messageBox->addWidget(txtMessageDisplay_);

    cmdResetJams_ = new QPushButton("&Reset Jams/Station");
    cmdResetJams_->setObjectName("cmdResetJams");
    cmdEndOfShift_ = new QPushButton("E&nd of Shift");
    cmdEndOfShift_->setObjectName("cmdEndOfShift");
    cmdResetJams_->setToolTip(
        "Asks the controller to clear the Jams/Station counts, at once (no question).");
    cmdEndOfShift_->setToolTip(
        "Tells the controller that the shift has ended, at once (no question): it closes "
        "the current shift's counts and starts the next shift.");
    // Takes the focus so that no other control keeps it: a small button
    // that shows the focus mark while it holds the focus.
    cmdDefault_ = new QPushButton("-");
    cmdDefault_->setObjectName("cmdDefault");
    cmdDefault_->setAutoDefault(false);
    cmdDefault_->setToolTip("Does nothing: it holds the focus, so that no other control keeps it.");
    cmdDefault_->setFixedWidth(cmdDefault_->fontMetrics().horizontalAdvance("--") * 2);
    connect(cmdResetJams_, &QPushButton::clicked, this, [this] { cmdResetJams_Click(); });
    connect(cmdEndOfShift_, &QPushButton::clicked, this, [this] { cmdEndOfShift_Click(); });

    auto* side = new QVBoxLayout;
    side->addWidget(fraDisplay1_);
    side->addWidget(fraMessageDisplay_, 1);
    side->addWidget(cmdResetJams_);
    side->addWidget(cmdEndOfShift_);
    side->addWidget(cmdDefault_, 0, Qt::AlignRight);
    auto* top = new QHBoxLayout(this);
    top->addWidget(fraDisplay0_, 0, Qt::AlignTop);
    top->addLayout(side, 1);

    mnufgDataPopUp_ = new QMenu("fgDataPopUp", this);
    mnufgDataPopUp_->setObjectName("mnufgDataPopUp");
    mnufgDataPopUpCopy_ = mnufgDataPopUp_->addAction("&Copy");
    mnufgDataPopUpCopy_->setObjectName("mnufgDataPopUpCopy");
    mnufgDataPopUpCopy_->setShortcut(QKeySequence("Ctrl+C"));
    connect(mnufgDataPopUpCopy_, &QAction::triggered, this, [this] { CopySelection(); });
}

void frmMain::activate() {
    LiveWindow::activate();
    cmdDefault_->setFocus();
}

void frmMain::passStarting() {
    model_.TakeMessage();
    render();
}

void frmMain::showOnlineLook() {
    model_.ShowOnlineLook();
    applyLook(true);
    render();
}

void frmMain::showOfflineLook() {
    model_.ShowOfflineLook();
    applyLook(false);
    render();
}

void frmMain::showReply(int index, const std::string& reply) {
    model_.showReply(index, reply);
    render();
}

void frmMain::applyLook(bool online) {
    fraDisplay0_->setEnabled(online);
    fraDisplay1_->setEnabled(online);
    fgData_->setEnabled(online);
    cmdEndOfShift_->setEnabled(online);
    cmdResetJams_->setEnabled(online);
    const QPalette pal = QApplication::palette();
    const QColor text =
        online ? ValueColour(pal, QPalette::Base) : pal.color(QPalette::Disabled, QPalette::Text);
    const QColor fixed =
        online ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < fgData_->rowCount(); ++row)
        for (int col = 0; col < fgData_->columnCount(); ++col)
            fgData_->item(row, col)->setForeground(text);
    QPalette header = fgData_->horizontalHeader()->palette();
    header.setColor(QPalette::ButtonText, fixed);
    header.setColor(QPalette::WindowText, fixed);
    fgData_->horizontalHeader()->setPalette(header);
    fgData_->verticalHeader()->setPalette(header);
}

void frmMain::render() {
    const auto& cells = model_.cells();
    for (int row = 1; row < MainDisplayModel::kRows; ++row) {
        for (int col = 1; col < MainDisplayModel::kCols; ++col) {
            QTableWidgetItem* item = fgData_->item(row - 1, col - 1);
            const QString text = QString::fromStdString(cells[row][col]);
            if (item->text() != text) item->setText(text);
        }
    }
    const QString rate = QString::fromStdString(model_.machineRate());
    if (lblDisplay0_->text() != rate) lblDisplay0_->setText(rate);
    const QString message = fromSystemText(model_.messageText());
    if (txtMessageDisplay_->toPlainText() != message) txtMessageDisplay_->setPlainText(message);
}

void frmMain::CopySelection() {
    ctx_.clipboard.clear();
    const QList<QTableWidgetSelectionRange> ranges = fgData_->selectedRanges();
    if (ranges.isEmpty()) return;
    const QTableWidgetSelectionRange& r = ranges.first();
    ctx_.clipboard.setText(model_.CopyText(r.topRow() + 1, r.leftColumn() + 1, r.bottomRow() + 1,
                                           r.rightColumn() + 1));
}

void frmMain::cmdResetJams_Click() {
    if (!ctx_.link.CommError) WriteItemChecked(ctx_, "B1044.1", "1");
}

void frmMain::cmdEndOfShift_Click() {
    if (ctx_.link.CommError) return;
    // The production history marks the shift change only once the board
    // confirmed the command.
    if (WriteItemChecked(ctx_, "F135", "1") && ctx_.onEndOfShift) ctx_.onEndOfShift();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (!fgData_ || !txtMessageDisplay_) return LiveWindow::eventFilter(watched, event);
    if (watched == fgData_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
    }
    if (watched == fgData_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        ctx_.clipboard.clear();
        if (mouse->button() == Qt::RightButton)
            mnufgDataPopUp_->popup(mouse->globalPosition().toPoint());
    }
    if (watched == txtMessageDisplay_->viewport() && event->type() == QEvent::MouseButtonPress) {
        cmdDefault_->setFocus();
        return true;
    }
    return LiveWindow::eventFilter(watched, event);
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    cmdDefault_->setFocus();
    LiveWindow::mousePressEvent(event);
}

}  // namespace voran
