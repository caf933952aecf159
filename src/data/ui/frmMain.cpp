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

    fgData = new QTableWidget(MainDisplayModel::kRows - 1, MainDisplayModel::kCols - 1);
    fgData->setObjectName("fgData");
    fgData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgData->setSelectionMode(QAbstractItemView::ContiguousSelection);
    fgData->setContextMenuPolicy(Qt::NoContextMenu);
    // One Tab stop: the arrows move inside the grid, Tab leaves it.
    fgData->setTabKeyNavigation(false);
    QStringList headings, labels;
    for (int col = 1; col < MainDisplayModel::kCols; ++col)
        headings << QString::fromStdString(MainDisplayModel::ColumnHeading(col));
    for (int row = 1; row < MainDisplayModel::kRows; ++row)
        labels << QString::fromStdString(MainDisplayModel::RowLabel(row));
    fgData->setHorizontalHeaderLabels(headings);
    fgData->setVerticalHeaderLabels(labels);
    fgData->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    fgData->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Design widths in twips, wider where a larger font needs the room.
    QHeaderView* rowHeader = fgData->verticalHeader();
    QHeaderView* colHeader = fgData->horizontalHeader();
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
        fgData->setColumnWidth(col, width);
        columnsWidth += width;
        for (int row = 0; row < MainDisplayModel::kRows - 1; ++row) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fgData->setItem(row, col, item);
        }
    }
    fgData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fgData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int gridWidth = labelWidth + columnsWidth + 2 * fgData->frameWidth();
    const int gridHeight = colHeader->sizeHint().height() + 14 * rowHeader->defaultSectionSize() +
                           2 * fgData->frameWidth();
    fgData->setFixedSize(gridWidth, gridHeight);
    fgData->installEventFilter(this);
    fgData->viewport()->installEventFilter(this);

    fraDisplay0 = new QGroupBox("Shift Data");
    fraDisplay0->setObjectName("fraDisplay0");
    auto* gridBox = new QVBoxLayout(fraDisplay0);
    gridBox->addWidget(fgData);

    lblDisplay0 = new QLabel("-");
    lblDisplay0->setObjectName("lblDisplay0");
    lblDisplay0->setAlignment(Qt::AlignCenter);
    QFont big = lblDisplay0->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    lblDisplay0->setFont(big);
    fraDisplay1 = new QGroupBox("Machine CPM");
    fraDisplay1->setObjectName("fraDisplay1");
    auto* rateBox = new QVBoxLayout(fraDisplay1);
    rateBox->addWidget(lblDisplay0);

    txtMessageDisplay = new QPlainTextEdit;
    txtMessageDisplay->setObjectName("txtMessageDisplay");
    txtMessageDisplay->setReadOnly(true);
    txtMessageDisplay->viewport()->installEventFilter(this);
    fraMessageDisplay = new QGroupBox("Messages");
    fraMessageDisplay->setObjectName("fraMessageDisplay");
    auto* messageBox = new QVBoxLayout(fraMessageDisplay);
    messageBox->addWidget(txtMessageDisplay);

    cmdResetJams = new QPushButton("&Reset Jams/Station");
    cmdResetJams->setObjectName("cmdResetJams");
    cmdEndOfShift = new QPushButton("E&nd of Shift");
    cmdEndOfShift->setObjectName("cmdEndOfShift");
    cmdResetJams->setToolTip(
        "Asks the controller to clear the Jams/Station counts, at once (no question).");
    cmdEndOfShift->setToolTip(
        "Tells the controller that the shift has ended, at once (no question): it closes "
        "the current shift's counts and starts the next shift.");
    // Takes the focus so that no other control keeps it: a small button
    // that shows the focus mark while it holds the focus.
    cmdDefault = new QPushButton("-");
    cmdDefault->setObjectName("cmdDefault");
    cmdDefault->setAutoDefault(false);
    cmdDefault->setToolTip("Does nothing: it holds the focus, so that no other control keeps it.");
    cmdDefault->setFixedWidth(cmdDefault->fontMetrics().horizontalAdvance("--") * 2);
    connect(cmdResetJams, &QPushButton::clicked, this, [this] { cmdResetJams_Click(); });
    connect(cmdEndOfShift, &QPushButton::clicked, this, [this] { cmdEndOfShift_Click(); });

    auto* side = new QVBoxLayout;
    side->addWidget(fraDisplay1);
    side->addWidget(fraMessageDisplay, 1);
    side->addWidget(cmdResetJams);
    side->addWidget(cmdEndOfShift);
    side->addWidget(cmdDefault, 0, Qt::AlignRight);
    auto* top = new QHBoxLayout(this);
    top->addWidget(fraDisplay0, 0, Qt::AlignTop);
    top->addLayout(side, 1);

    mnufgDataPopUp = new QMenu("fgDataPopUp", this);
    mnufgDataPopUp->setObjectName("mnufgDataPopUp");
    mnufgDataPopUpCopy = mnufgDataPopUp->addAction("&Copy");
    mnufgDataPopUpCopy->setObjectName("mnufgDataPopUpCopy");
    mnufgDataPopUpCopy->setShortcut(QKeySequence("Ctrl+C"));
    connect(mnufgDataPopUpCopy, &QAction::triggered, this, [this] { CopySelection(); });
}

void frmMain::activate() {
    LiveWindow::activate();
    cmdDefault->setFocus();
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
    fraDisplay0->setEnabled(online);
    fraDisplay1->setEnabled(online);
    fgData->setEnabled(online);
    cmdEndOfShift->setEnabled(online);
    cmdResetJams->setEnabled(online);
    const QPalette pal = QApplication::palette();
    const QColor text =
        online ? ValueColour(pal, QPalette::Base) : pal.color(QPalette::Disabled, QPalette::Text);
    const QColor fixed =
        online ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < fgData->rowCount(); ++row)
        for (int col = 0; col < fgData->columnCount(); ++col)
            fgData->item(row, col)->setForeground(text);
    QPalette header = fgData->horizontalHeader()->palette();
    header.setColor(QPalette::ButtonText, fixed);
    header.setColor(QPalette::WindowText, fixed);
    fgData->horizontalHeader()->setPalette(header);
    fgData->verticalHeader()->setPalette(header);
}

void frmMain::render() {
    const auto& cells = model_.cells();
    for (int row = 1; row < MainDisplayModel::kRows; ++row) {
        for (int col = 1; col < MainDisplayModel::kCols; ++col) {
            QTableWidgetItem* item = fgData->item(row - 1, col - 1);
            const QString text = QString::fromStdString(cells[row][col]);
            if (item->text() != text) item->setText(text);
        }
    }
    const QString rate = QString::fromStdString(model_.machineRate());
    if (lblDisplay0->text() != rate) lblDisplay0->setText(rate);
    const QString message = fromSystemText(model_.messageText());
    if (txtMessageDisplay->toPlainText() != message) txtMessageDisplay->setPlainText(message);
}

void frmMain::CopySelection() {
    ctx_.clipboard.clear();
    const QList<QTableWidgetSelectionRange> ranges = fgData->selectedRanges();
    if (ranges.isEmpty()) return;
    const QTableWidgetSelectionRange& r = ranges.first();
    ctx_.clipboard.setText(model_.CopyText(r.topRow() + 1, r.leftColumn() + 1, r.bottomRow() + 1,
                                           r.rightColumn() + 1));
}

void frmMain::cmdResetJams_Click() {
    if (!ctx_.link.CommError) WriteItemChecked(ctx_, "B1044.1", "1");
}

void frmMain::cmdEndOfShift_Click() {
    if (!ctx_.link.CommError) WriteItemChecked(ctx_, "F135", "1");
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (!fgData || !txtMessageDisplay) return LiveWindow::eventFilter(watched, event);
    if (watched == fgData && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
    }
    if (watched == fgData->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        ctx_.clipboard.clear();
        if (mouse->button() == Qt::RightButton)
            mnufgDataPopUp->popup(mouse->globalPosition().toPoint());
    }
    if (watched == txtMessageDisplay->viewport() && event->type() == QEvent::MouseButtonPress) {
        cmdDefault->setFocus();
        return true;
    }
    return LiveWindow::eventFilter(watched, event);
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    cmdDefault->setFocus();
    LiveWindow::mousePressEvent(event);
}

}  // namespace voran
