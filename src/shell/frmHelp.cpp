#include "shell/frmHelp.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace voran {

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmHelp");
    setWindowTitle("VORAN Help");

    tvwContents_ = new QTreeWidget;
    tvwContents_->setObjectName("tvwContents");
    tvwContents_->setHeaderHidden(true);
    tvwContents_->setRootIsDecorated(true);

    txtManual_ = new QTextBrowser;
    txtManual_->setObjectName("txtManual");
    txtManual_->setOpenExternalLinks(true);
    txtManual_->setSource(QUrl(kManual));

    txtSearch_ = new QLineEdit;
    txtSearch_->setObjectName("txtSearch");
    txtSearch_->setPlaceholderText("Search the manual");
    txtSearch_->setClearButtonEnabled(true);
    auto* cmdFind = new QPushButton("&Find Next");
    cmdFind->setObjectName("cmdFind");
    cmdFind->setAutoDefault(false);
    lblFound_ = new QLabel;
    lblFound_->setObjectName("lblFound");

    auto* search = new QHBoxLayout;
    auto* label = new QLabel("&Search:");
    label->setBuddy(txtSearch_);
    search->addWidget(label);
    search->addWidget(txtSearch_, 1);
    search->addWidget(cmdFind);
    search->addWidget(lblFound_);

    auto* split = new QSplitter;
    split->addWidget(tvwContents_);
    split->addWidget(txtManual_);
    split->setStretchFactor(1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(split, 1);

    const auto findNext = [this] {
        const bool found = find(txtSearch_->text());
        lblFound_->setText(found || txtSearch_->text().isEmpty() ? QString() : "Not found");
    };
    connect(txtSearch_, &QLineEdit::returnPressed, this, findNext);
    connect(cmdFind, &QPushButton::clicked, this, findNext);
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        txtSearch_->setFocus();
        txtSearch_->selectAll();
    });
    connect(tvwContents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { showTopic(item->data(0, Qt::UserRole).toInt()); });
    connect(tvwContents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { showTopic(item->data(0, Qt::UserRole).toInt()); });

    fillContents();
    const int em = fontMetrics().averageCharWidth();
    split->setSizes({em * 30, em * 90});
}

// Room for a line of about 90 characters beside the contents, within the
// screen's available area less the window manager's title bar and borders,
// in the middle of it.
void frmHelp::placeOn(const QScreen* screen) {
    const int em = fontMetrics().averageCharWidth();
    QSize wanted(em * 120, fontMetrics().height() * 40);
    if (screen) {
        const QRect available = screen->availableGeometry();
        const int title = 2 * fontMetrics().height();
        wanted = wanted.boundedTo(QSize(available.width() - 16, available.height() - title - 16));
        resize(wanted);
        move(available.center() - QPoint(wanted.width() / 2, (wanted.height() + title) / 2) +
             QPoint(0, title));
    } else {
        resize(wanted);
    }
}

// The contents are the manual's headings (h2 and h3); each item keeps the
// heading's block number.
void frmHelp::fillContents() {
    tvwContents_->clear();
    QTreeWidgetItem* chapter = nullptr;
    int index = 0;
    for (QTextBlock b = txtManual_->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level < 2 || level > 3) continue;
        auto* item = new QTreeWidgetItem(QStringList(b.text().trimmed()));
        item->setData(0, Qt::UserRole, index++);
        item->setData(0, Qt::UserRole + 1, b.blockNumber());
        if (level == 2 || !chapter) {
            tvwContents_->addTopLevelItem(item);
            chapter = item;
        } else {
            chapter->addChild(item);
        }
    }
    tvwContents_->expandAll();
}

QStringList frmHelp::contents() const {
    QStringList headings;
    for (QTreeWidgetItemIterator it(tvwContents_); *it; ++it) headings << (*it)->text(0);
    return headings;
}

void frmHelp::showTopic(int index) {
    for (QTreeWidgetItemIterator it(tvwContents_); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() != index) continue;
        const QTextBlock block =
            txtManual_->document()->findBlockByNumber((*it)->data(0, Qt::UserRole + 1).toInt());
        QTextCursor cursor(block);
        txtManual_->setTextCursor(cursor);
        // The heading at the top of the view, not just somewhere in it.
        txtManual_->moveCursor(QTextCursor::End);
        txtManual_->setTextCursor(cursor);
        txtManual_->ensureCursorVisible();
        tvwContents_->setCurrentItem(*it);
        return;
    }
}

bool frmHelp::find(const QString& text) {
    if (text.isEmpty()) return false;
    if (txtManual_->find(text)) return true;
    txtManual_->moveCursor(QTextCursor::Start);
    return txtManual_->find(text);
}

}  // namespace voran
