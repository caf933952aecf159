#include "program/ui/TargetBoardPages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/NumericEntry.h"

namespace voran {

namespace {

QLabel* newLabel(const char* text, const char* name = nullptr) {
    auto* l = new QLabel(QString::fromLatin1(text));
    if (name) l->setObjectName(QString::fromLatin1(name));
    return l;
}

QPushButton* newButton(const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromLatin1(text));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QGroupBox* newGroup(const char* caption, int index) {
    auto* g = new QGroupBox(QString::fromLatin1(caption));
    g->setObjectName(QStringLiteral("fraDescription%1").arg(index));
    return g;
}

QLabel* caption(const char* text, int index) {
    auto* l = newLabel(text);
    l->setObjectName(QStringLiteral("lblTargetBoard%1").arg(index));
    return l;
}

// A page: borderless, named after its place and its caption.
void namePage(QFrame* page, int index, const char* title) {
    page->setFrameShape(QFrame::NoFrame);
    page->setAccessibleName(QString::fromLatin1(title));
    page->setObjectName(QStringLiteral("fraTargetBoard%1").arg(index));
}

}  // namespace

TargetBoardFaultPage::TargetBoardFaultPage(QWidget* parent) : QFrame(parent) {
    namePage(this, 0, "Fault Codes / Status");
    fraDescription_[0] = newGroup("Internal Fault Code:", 0);
    fraDescription_[1] = newGroup("Communications Network Error Codes:", 1);
    const char* captions[6] = {"Current Fault:",     "Last Fault:",         "CO-CPU Slot:",
                               "Corrective Action:", "Current Comm Error:", "Last Comm Error:"};
    for (int i = 0; i < 6; ++i) lblTargetBoard_[i] = caption(captions[i], i);
    for (int i : {0, 1, 3, 4, 5}) {
        auto* t = new QPlainTextEdit;
        t->setObjectName(QStringLiteral("txtTargetBoard%1").arg(i));
        t->setReadOnly(true);
        t->setFocusPolicy(Qt::NoFocus);
        t->setFixedHeight(t->fontMetrics().lineSpacing() * (i == 3 ? 4 : 2) + 2 * t->frameWidth() +
                          2 * static_cast<int>(t->document()->documentMargin()));
        t->setMinimumWidth(t->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
        txtTargetBoard_[i] = t;
    }

    // Each caption beside its text.
    auto* grid = new QGridLayout(fraDescription_[0]);
    for (int k : {0, 1}) {
        grid->addWidget(lblTargetBoard_[k], k, 0, Qt::AlignTop);
        grid->addWidget(txtTargetBoard_[k], k, 1);
    }
    cmdResetFaults_ = newButton("&Reset Faults", "cmdResetFaults");
    grid->addWidget(lblTargetBoard_[2], 2, 0);
    grid->addWidget(cmdResetFaults_, 2, 1, Qt::AlignRight);
    grid->addWidget(lblTargetBoard_[3], 3, 0, Qt::AlignTop);
    grid->addWidget(txtTargetBoard_[3], 3, 1);
    grid->setColumnStretch(1, 1);
    auto* comm = new QGridLayout(fraDescription_[1]);
    for (int k : {4, 5}) {
        comm->addWidget(lblTargetBoard_[k], k - 4, 0, Qt::AlignTop);
        comm->addWidget(txtTargetBoard_[k], k - 4, 1);
    }
    comm->setColumnStretch(1, 1);
    // The captions of both groups line up.
    const int captionWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("Current Comm Error: Code = 00HM"));
    grid->setColumnMinimumWidth(0, captionWidth);
    comm->setColumnMinimumWidth(0, captionWidth);
    auto* v = new QVBoxLayout(this);
    v->addWidget(fraDescription_[0]);
    v->addWidget(fraDescription_[1]);
}

TargetBoardIdentPage::TargetBoardIdentPage(QWidget* parent) : QFrame(parent) {
    namePage(this, 1, "Program Ident/Revision");
    fraDescription_[0] = newGroup("On Disk:", 2);
    fraDescription_[1] = newGroup("In Target Board:", 3);
    const char* captions[8] = {"Name:", "Revision:", "Checksum:", "Target Board:",
                               "Name:", "Revision:", "Checksum:", "Rev Date:"};
    for (int i = 0; i < 8; ++i) lblTargetBoard_[i] = caption(captions[i], 6 + i);
    for (int i = 0; i < 3; ++i) {
        lblRevIdentInPLC_[i] = newLabel("");
        lblRevIdentInPLC_[i]->setObjectName(QStringLiteral("lblRevIdentInPLC%1").arg(i));
    }
    for (int i = 0; i < 5; ++i) {
        lblRevIdentOnDisk_[i] = newLabel("");
        lblRevIdentOnDisk_[i]->setObjectName(QStringLiteral("lblRevIdentOnDisk%1").arg(i));
    }
    auto* inBoard = new QGridLayout(fraDescription(3));
    for (int i = 0; i < 3; ++i) {
        inBoard->addWidget(lblTargetBoard(10 + i), i, 0);
        inBoard->addWidget(lblRevIdentInPLC_[i], i, 1);
    }
    inBoard->setColumnStretch(1, 1);
    auto* onDisk = new QGridLayout(fraDescription(2));
    const int diskCaption[5] = {6, 7, 8, 9, 13};
    for (int i = 0; i < 5; ++i) {
        onDisk->addWidget(lblTargetBoard(diskCaption[i]), i, 0);
        onDisk->addWidget(lblRevIdentOnDisk_[i], i, 1);
    }
    onDisk->setColumnStretch(1, 1);
    auto* v = new QVBoxLayout(this);
    v->addWidget(fraDescription(3));
    v->addWidget(fraDescription(2));
    v->addStretch(1);
}

TargetBoardNetworkPage::TargetBoardNetworkPage(const TargetBoardRows& rows, QWidget* parent)
    : QFrame(parent) {
    namePage(this, 2, "Set Network Address");
    fraDescription_ = newGroup("Target Board Network Address:", 4);
    lblNetworkAddComment_ = newLabel("", "lblNetworkAddComment");
    lblNetworkAddComment_->setWordWrap(true);
    auto* grid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        rows.caption[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(rows.caption[i], i, 0);
        grid->addWidget(rows.entry[i], i, 1);
    }
    grid->setColumnStretch(2, 1);
    auto* v = new QVBoxLayout(fraDescription_);
    v->addWidget(lblNetworkAddComment_);
    v->addSpacing(fontMetrics().height());
    v->addLayout(grid);
    auto* page = new QVBoxLayout(this);
    page->addWidget(fraDescription_);
    page->addStretch(1);
}

TargetBoardClockPage::TargetBoardClockPage(const TargetBoardRows& rows, QWidget* parent)
    : QFrame(parent) {
    namePage(this, 3, "Set Time && Date");
    lblTargetBoardTime_ = newLabel("Target Board Time:");
    lblTargetBoardDate_ = newLabel("Target Board Date:");
    cmdSetToCurrTime_ = newButton("Set to Current &Time", "cmdSetToCurrTime");
    cmdSetToCurrDate_ = newButton("Set to Current &Date", "cmdSetToCurrDate");
    lblCurrTimeDesc_ = newLabel("Current Time:");
    lblCurrTime_ = newLabel("XX : XX : XX", "lblCurrTime");
    lblCurrDateDesc_ = newLabel("Current Date:");
    lblCurrDate_ = newLabel("XX - XX - XX", "lblCurrDate");
    lblTimeDateNote_[0] = newLabel("Note:");
    lblTimeDateNote_[1] = newLabel(
        "Only the J-700 Display Module and the N-24 Communications CO-CPU board are "
        "equipped with real time clocks.");
    lblTimeDateNote_[1]->setWordWrap(true);

    // Per clock: the caption, the three values under their captions and the
    // button, then the PC's value below.
    auto* grid = new QGridLayout;
    auto clockRow = [&](int top, QLabel* title, int firstRow, QPushButton* button,
                        QLabel* pcCaption, QLabel* pcValue) {
        grid->addWidget(title, top + 1, 0);
        for (int j = 0; j < 3; ++j) {
            rows.caption[firstRow + j]->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            grid->addWidget(rows.caption[firstRow + j], top, 1 + j);
            grid->addWidget(rows.entry[firstRow + j], top + 1, 1 + j);
        }
        grid->addWidget(button, top + 1, 4);
        auto* pc = new QHBoxLayout;
        pc->addWidget(pcCaption);
        pc->addWidget(pcValue);
        pc->addStretch(1);
        grid->addLayout(pc, top + 2, 1, 1, 4);
    };
    clockRow(0, lblTargetBoardTime_, 2, cmdSetToCurrTime_, lblCurrTimeDesc_, lblCurrTime_);
    grid->setRowMinimumHeight(3, fontMetrics().height());
    clockRow(4, lblTargetBoardDate_, 5, cmdSetToCurrDate_, lblCurrDateDesc_, lblCurrDate_);
    grid->setColumnStretch(5, 1);
    auto* note = new QHBoxLayout;
    note->addWidget(lblTimeDateNote_[0], 0, Qt::AlignTop);
    note->addWidget(lblTimeDateNote_[1], 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addSpacing(fontMetrics().height());
    v->addLayout(note);
    v->addStretch(1);
}

}  // namespace voran
