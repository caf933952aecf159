// The controls of the machine timing window and their layout: the tab
// strip with its two pages, the status bar, the button that takes the focus.
#include "timing/ui/frmTiming.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "timing/ui/TimingDiagram.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"

namespace voran {

namespace {

constexpr const char* kPanelTip[4] = {"Resolver RPM:", "Machine Position", "Resolver Offset",
                                      "PLS Scale Factor"};

QPushButton* button(const char* caption, QWidget* parent) {
    // Enter presses no button (the offset box hands the focus to Set
    // Offset on Enter; Space or a click then sets it).
    return new QPushButton(QString::fromLatin1(caption), parent);
}

QLabel* valueLabel(QWidget* parent) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setFrameShape(QFrame::StyledPanel);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    return l;
}

}  // namespace

frmTiming::frmTiming(AppContext& ctx, QWidget* parent) : LiveWindow(ctx, parent) {
    setWindowTitle(QStringLiteral("Machine Timing"));
    buildControls();
}

// --- Controls --------------------------------------------------------------

void frmTiming::buildControls() {
    // A button that only takes the focus, so that no box keeps it.
    cmdDefault_ = button("-", this);
    cmdDefault_->setObjectName(QStringLiteral("cmdDefault"));
    cmdDefault_->setFixedWidth(cmdDefault_->fontMetrics().horizontalAdvance(QStringLiteral("--")) *
                               2);

    tbsTiming_ = new QTabWidget(this);
    tbsTiming_->setObjectName(QStringLiteral("tbsTiming"));
    tbsTiming_->setDocumentMode(true);  // the pages carry no border
    fraTiming_[0] = buildGridPage();
    fraTiming_[1] = buildConfigPage();
    fraTiming_[0]->setAccessibleName(QStringLiteral("Set Timing Channels"));
    fraTiming_[1]->setAccessibleName(QStringLiteral("PLS Configuration"));
    tbsTiming_->addTab(fraTiming_[0], QStringLiteral("&Timing Channels"));
    tbsTiming_->addTab(fraTiming_[1], QStringLiteral("&PLS Configuration"));
    // A tab chosen by its Alt+letter hands the focus to the first control of
    // its page; a command button is no place for it (a Space would run it),
    // so the focus goes to the button that does nothing.
    connect(tbsTiming_, &QTabWidget::currentChanged, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (qobject_cast<QPushButton*>(focus) && focus != cmdDefault_ &&
            tbsTiming_->currentWidget()->isAncestorOf(focus))
            cmdDefault_->setFocus(Qt::OtherFocusReason);
    });

    sbrMachineTiming_ = new QStatusBar(this);
    sbrMachineTiming_->setObjectName(QStringLiteral("sbrMachineTiming"));
    sbrMachineTiming_->setSizeGripEnabled(false);
    for (int k = 0; k < 4; ++k) {
        auto* l = new QLabel(QString::fromLatin1(kPanelCaption[k]), sbrMachineTiming_);
        l->setToolTip(QString::fromLatin1(kPanelTip[k]));
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("Position: 00000")));
        panels_[k] = l;
        sbrMachineTiming_->addWidget(l, 1);
    }

    // Tab order: row by row as the operator reads the grid (CH00 ON, CH00
    // OFF, CH01 ON ...), then each box before its buttons.
    QList<QWidget*> order;
    for (int ch = 0; ch < kChannels; ++ch) order << txtChannel(ch) << txtChannel(kOffBase + ch);
    order << txtTmg_[0] << cmdSetOffset_ << txtTmg_[1] << cmdClearChan_ << cmdRecallChan_
          << cmdDefault_;
    for (int k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(tbsTiming_, 1);
    page->addWidget(sbrMachineTiming_);
}

QWidget* frmTiming::buildGridPage() {
    auto* pageWidget = new QWidget;
    pageWidget->setObjectName(QStringLiteral("fraTiming0"));

    // The diagram beside the grid: it stays readable whatever the grid's
    // controls are enabled for.
    auto* cycle = new QGroupBox(QStringLiteral("Machine Cycle"));
    diagram_ = new TimingDiagram(cycle);
    grid_ = new TimingChannelGrid(ctx_, *diagram_, *cmdDefault_, pageWidget);
    fraTmg_[0] = grid_;

    // Resolver offset.
    fraTmg_[1] = new QGroupBox(QStringLiteral("Resolver Offset"), pageWidget);
    cmdSetOffset_ = button("Set &Offset", fraTmg_[1]);
    cmdSetOffset_->setToolTip(
        "Makes the resolver position in the box the machine's zero (asks first). Only while "
        "the machine stands.");
    // Channel number and the channel commands.
    fraTmg_[2] = new QGroupBox(QStringLiteral("PLS Channel"), pageWidget);
    cmdClearChan_ = button("&Clear Channel", fraTmg_[2]);
    cmdRecallChan_ = button("&Recall Channel", fraTmg_[2]);
    for (int k = 0; k < 2; ++k) {
        auto* box = new NumericEntry(fraTmg_[1 + k]);
        box->setObjectName(QStringLiteral("txtTmg%1").arg(k));
        box->setRange(0, k == 0 ? 359 : kChannels - 1);
        box->setMessages(&ctx_.messages, kOffsetTitle);
        box->setDefaultTarget(cmdDefault_);
        box->setRewriteOnFocus(true);
        box->setText(QStringLiteral("0"));
        txtTmg_[k] = box;
    }
    txtTmg_[0]->setEnterTarget(cmdSetOffset_);
    connect(cmdSetOffset_, &QPushButton::clicked, this, [this] { cmdSetOffset_Click(); });
    connect(cmdClearChan_, &QPushButton::clicked, this, [this] { cmdClearChan_Click(); });
    connect(cmdRecallChan_, &QPushButton::clicked, this, [this] { cmdRecallChan_Click(); });

    auto* offsetLayout = new QHBoxLayout(fraTmg_[1]);
    offsetLayout->addWidget(txtTmg_[0]);
    offsetLayout->addWidget(cmdSetOffset_);
    offsetLayout->addStretch(1);
    auto* channelLayout = new QHBoxLayout(fraTmg_[2]);
    channelLayout->addWidget(txtTmg_[1]);
    channelLayout->addWidget(cmdClearChan_);
    channelLayout->addWidget(cmdRecallChan_);
    channelLayout->addStretch(1);

    cycle->setParent(pageWidget);
    auto* cycleLayout = new QVBoxLayout(cycle);
    cycleLayout->addWidget(diagram_);

    auto* top = new QHBoxLayout;
    top->addWidget(fraTmg_[0], 0);
    top->addWidget(cycle, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(fraTmg_[1]);
    bottom->addWidget(fraTmg_[2]);
    bottom->addStretch(1);
    bottom->addWidget(cmdDefault_, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(pageWidget);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    return pageWidget;
}

QWidget* frmTiming::buildConfigPage() {
    auto* pageWidget = new QWidget;
    pageWidget->setObjectName(QStringLiteral("fraTiming1"));
    fraTmg_[4] = new QGroupBox(QStringLiteral("PLS Configuration"), pageWidget);
    fraTmg_[3] = new QGroupBox(QStringLiteral("Speed Compensation"), pageWidget);
    auto* cfg = new QGridLayout(fraTmg_[4]);
    auto* comp = new QGridLayout(fraTmg_[3]);
    for (int i = 0; i < 10; ++i) {
        const QString caption = i == 0   ? QStringLiteral("Number of PLS Channels:")
                                : i == 1 ? QStringLiteral("PLS Program:")
                                         : QStringLiteral("CH0%1 (msec):").arg(i - 2);
        QGroupBox* frame = i < 2 ? fraTmg_[4] : fraTmg_[3];
        lblCfgDescription_[i] = new QLabel(caption, frame);
        lblPLSCfg_[i] = valueLabel(frame);
        QGridLayout* grid = i < 2 ? cfg : comp;
        const int row = i < 2 ? i : i - 2;
        grid->addWidget(lblCfgDescription_[i], row, 0, Qt::AlignRight);
        grid->addWidget(lblPLSCfg_[i], row, 1);
    }
    cfg->setColumnStretch(2, 1);
    comp->setColumnStretch(2, 1);
    cmdResetPLSConfig_ = button("&Reset PLS Config", fraTmg_[3]);
    connect(cmdResetPLSConfig_, &QPushButton::clicked, this, [this] { cmdResetPLSConfig_Click(); });
    comp->addWidget(cmdResetPLSConfig_, kChannels, 0, 1, 3, Qt::AlignLeft);

    auto* row = new QHBoxLayout;
    row->addWidget(fraTmg_[4], 0, Qt::AlignTop);
    row->addWidget(fraTmg_[3], 0, Qt::AlignTop);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(pageWidget);
    layout->addLayout(row);
    layout->addStretch(1);
    return pageWidget;
}

}  // namespace voran
