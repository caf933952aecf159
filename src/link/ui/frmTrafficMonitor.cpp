#include "link/ui/frmTrafficMonitor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "link/TrafficHub.h"
#include "platform/FileDialog.h"
#include "platform/FileReplace.h"
#include "window/AppContext.h"

namespace voran {

namespace {
constexpr const char* kTitle = "Traffic Monitor";
}  // namespace

frmTrafficMonitor::frmTrafficMonitor(AppContext& ctx, QWidget* parent)
    : LiveWindow(ctx, parent), model_(std::make_unique<TrafficModel>()) {
    setObjectName(QStringLiteral("frmTrafficMonitor"));
    setWindowTitle(QString::fromLatin1(kTitle));
    // Nothing to read: the pass only follows the link's state.
    monitor_.setPassInterval(1000, 1000);

    cboFilter_ = new QComboBox(this);
    cboFilter_->setObjectName(QStringLiteral("cboFilter"));
    cboFilter_->addItems({QStringLiteral("All lines"), QStringLiteral("Reads"),
                          QStringLiteral("Writes"), QStringLiteral("PLS"),
                          QStringLiteral("Program"), QStringLiteral("Errors")});
    connect(cboFilter_, &QComboBox::currentIndexChanged, this,
            [this](int i) { model_->setFilter(static_cast<TrafficFilter>(i)); });
    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdPause_ = makeButton("cmdPause", "&Pause");
    cmdSaveAs_ = makeButton("cmdSaveAs", "Save &As...");
    cmdClear_ = makeButton("cmdClear", "C&lear");
    cmdSaveAs_->setEnabled(ctx_.dialogs != nullptr);
    connect(cmdPause_, &QPushButton::clicked, this, &frmTrafficMonitor::cmdPause_Click);
    connect(cmdSaveAs_, &QPushButton::clicked, this, [this] { cmdSaveAs_Click(); });
    connect(cmdClear_, &QPushButton::clicked, this, [this] {
        pending_.clear();
        auto fresh = std::make_unique<TrafficModel>();
        fresh->setFilter(static_cast<TrafficFilter>(cboFilter_->currentIndex()));
        grdTraffic_->setModel(fresh.get());
        model_ = std::move(fresh);
        lblCount_->clear();
    });
    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    lblLink_ = new QLabel(this);
    lblLink_->setObjectName(QStringLiteral("lblLink"));

    grdTraffic_ = new QTableView(this);
    grdTraffic_->setObjectName(QStringLiteral("grdTraffic"));
    grdTraffic_->setModel(model_.get());
    // One text line a row, all rows the same height: the view lays out
    // 100,000 rows without measuring them.
    grdTraffic_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdTraffic_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    grdTraffic_->verticalHeader()->hide();
    grdTraffic_->horizontalHeader()->setStretchLastSection(true);
    grdTraffic_->setWordWrap(false);
    grdTraffic_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {12, 4, 5, 5};
    for (int c = 0; c < 4; ++c) grdTraffic_->setColumnWidth(c, widths[c] * digit + 12);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Show:"), this));
    top->addWidget(cboFilter_);
    top->addWidget(cmdPause_);
    top->addWidget(cmdClear_);
    top->addWidget(cmdSaveAs_);
    top->addStretch(1);
    top->addWidget(lblCount_);
    top->addWidget(lblLink_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(grdTraffic_, 1);

    // From now on every byte is decoded and kept, whatever window is on
    // show, until this window goes.
    tap_ = std::make_unique<TrafficTap>(ctx_.clock.now(), [this](const TrafficLine& line) {
        if (pending_.size() >= TrafficModel::kMaxLines)
            pending_.erase(pending_.begin(), pending_.begin() + TrafficModel::kMaxLines / 10);
        pending_.push_back(line);
    });
    // The link may be in read mode from before: its next bytes are items.
    tap_->joinMidway(static_cast<int>(ctx_.link.currentMode()));
    if (ctx_.traffic) ctx_.traffic->attach(tap_.get());
    tmrShow_ = new QTimer(this);
    tmrShow_->setInterval(kShowMs);
    connect(tmrShow_, &QTimer::timeout, this, &frmTrafficMonitor::showPending);
    tmrShow_->start();
}

frmTrafficMonitor::~frmTrafficMonitor() {
    if (ctx_.traffic) ctx_.traffic->detach(tap_.get());
}

void frmTrafficMonitor::showOnlineLook() {
    lblLink_->setText(QStringLiteral("Link online"));
}

void frmTrafficMonitor::showOfflineLook() {
    lblLink_->setText(QStringLiteral("Link offline"));
}

void frmTrafficMonitor::showPending() {
    if (paused_ || pending_.empty()) return;
    QScrollBar* bar = grdTraffic_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_->append(pending_);
    pending_.clear();
    lblCount_->setText(QStringLiteral("%1 lines kept").arg(model_->kept()));
    if (atEnd && isVisible()) grdTraffic_->scrollToBottom();
}

void frmTrafficMonitor::cmdPause_Click() {
    paused_ = !paused_;
    cmdPause_->setText(paused_ ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    if (!paused_) showPending();
}

bool frmTrafficMonitor::cmdSaveAs_Click() {
    if (!ctx_.dialogs) return false;
    FileDialogRequest request;
    request.title = "Save Traffic As";
    request.filters = ParseFilterList("Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv|");
    request.hideReadOnly = true;
    request.overwritePrompt = true;
    const FileDialogResult chosen = ChooseSaveFile(*ctx_.dialogs, request);
    if (chosen.cancelled) return false;
    const bool csv = chosen.path.size() >= 4 &&
                     QString::fromStdString(chosen.path.substr(chosen.path.size() - 4))
                             .compare(QStringLiteral(".csv"), Qt::CaseInsensitive) == 0;
    const FileWriteResult written =
        ReplaceFileContents(chosen.path, csv ? model_->csv() : model_->text());
    if (!written) {
        ctx_.messages.show("The traffic could not be saved:\r\n" + written.error +
                               "\r\n\r\nAn earlier file of that name has been left as it was.",
                           kTitle, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    return true;
}

}  // namespace voran
