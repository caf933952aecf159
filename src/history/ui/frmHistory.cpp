#include "history/ui/frmHistory.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QStackedWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>

#include "data/ItemTable.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"
#include "platform/FileDialog.h"
#include "platform/FileReplace.h"
#include "platform/Printer.h"
#include "window/AppContext.h"

namespace voran {

namespace {

constexpr const char* kTitle = "Production History";
constexpr double kHourMs = 3600.0 * 1000.0;

// The line names as the check boxes and the read-out give them.
QString lineName(int line) {
    if (line == 0) return QStringLiteral("Good cans/min");
    if (line == 12) return QStringLiteral("Flanger jams");
    return QStringLiteral("Station %1 jams").arg(line);
}

// Thirteen colours that stay apart on screen.
QColor lineColour(int line) {
    static const char* const colours[frmHistory::kLines] = {
        "#000000", "#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b",
        "#e377c2", "#7f7f7f", "#bcbd22", "#17becf", "#8b0000", "#006400"};
    return QColor(colours[line]);
}

double msOf(const QDateTime& t) {
    return static_cast<double>(t.toMSecsSinceEpoch());
}

QDateTime timeOf(double ms) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms));
}

// Seconds on a short range, the date on one of days.
QString timeFormat(double spanMs) {
    if (spanMs < 2 * kHourMs) return QStringLiteral("HH:mm:ss");
    if (spanMs < 48 * kHourMs) return QStringLiteral("MM-dd HH:mm");
    return QStringLiteral("yyyy-MM-dd");
}

// The chart's view: a rubber band zooms into a time range, the wheel and the
// + and - keys zoom around the pointer or the middle, a right-button drag
// and the arrow keys pan, Home shows the whole span again. Every change of
// the time range is reported, so that the window keeps it.
class HistoryChartView : public QChartView {
public:
    HistoryChartView(QChart* chart, QWidget* parent, std::function<void()> rangeChanged,
                     std::function<void()> reset)
        : QChartView(chart, parent),
          rangeChanged_(std::move(rangeChanged)),
          reset_(std::move(reset)) {
        setRubberBand(QChartView::HorizontalRubberBand);
        setFocusPolicy(Qt::StrongFocus);
        setRenderHint(QPainter::Antialiasing);
    }

protected:
    void wheelEvent(QWheelEvent* event) override {
        const double steps = event->angleDelta().y() / 120.0;
        if (steps != 0) zoomAround(event->position().x(), std::pow(1.25, steps));
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const double step = chart()->plotArea().width() / 10;
        switch (event->key()) {
            case Qt::Key_Left:
                pan(-step);
                break;
            case Qt::Key_Right:
                pan(step);
                break;
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                zoomAround(chart()->plotArea().center().x(), 1.25);
                break;
            case Qt::Key_Minus:
                zoomAround(chart()->plotArea().center().x(), 0.8);
                break;
            case Qt::Key_Home:
                reset_();
                break;
            default:
                QChartView::keyPressEvent(event);
                return;
        }
        event->accept();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            dragFrom_ = event->position().x();
            event->accept();
            return;
        }
        QChartView::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (dragFrom_) {
            pan(*dragFrom_ - event->position().x());
            dragFrom_ = event->position().x();
            event->accept();
            return;
        }
        QChartView::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            dragFrom_.reset();
            event->accept();
            return;
        }
        QChartView::mouseReleaseEvent(event);
        // The rubber band zooms on release.
        if (event->button() == Qt::LeftButton) rangeChanged_();
    }

private:
    void pan(double dx) {
        chart()->scroll(dx, 0);
        rangeChanged_();
    }
    // Zooms the time axis by `factor` (more than 1: closer) keeping the
    // time under x where it is.
    void zoomAround(double x, double factor) {
        const QRectF area = chart()->plotArea();
        QRectF r = area;
        r.setWidth(area.width() / factor);
        r.moveLeft(x - (x - area.left()) / factor);
        chart()->zoomIn(r);
        rangeChanged_();
    }

    std::optional<double> dragFrom_;
    std::function<void()> rangeChanged_;
    std::function<void()> reset_;
};

}  // namespace

frmHistory::frmHistory(AppContext& ctx, QWidget* parent) : LiveWindow(ctx, parent) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QString::fromLatin1(kTitle));
    // The moment's counts change slowly; the chart is read from the database.
    monitor_.setPassInterval(2000);
    buildControls();
    buildChart();
    showNoSamples(QStringLiteral("No samples."));
}

void frmHistory::buildControls() {
    cboSpan_ = new QComboBox(this);
    cboSpan_->setObjectName(QStringLiteral("cboSpan"));
    cboSpan_->addItems({QStringLiteral("This Shift"), QStringLiteral("Last 24 Hours"),
                        QStringLiteral("Last 7 Days"), QStringLiteral("Custom Range")});
    const QDateTime shown =
        timeOf(*history::SampleMs(history::IsoTime(ctx_.clock.localDateTime())));
    auto makeTime = [this](const char* name, const QDateTime& t) {
        auto* edit = new QDateTimeEdit(t, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
        return edit;
    };
    dtpFrom_ = makeTime("dtpFrom", shown.addDays(-1));
    dtpTo_ = makeTime("dtpTo", shown);
    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdShow_ = makeButton("cmdShow", "&Show");
    cmdResetZoom_ = makeButton("cmdResetZoom", "Reset &Zoom");
    cmdExport_ = makeButton("cmdExport", "&Export CSV...");
    cmdPrint_ = makeButton("cmdPrint", "&Print...");
    cmdExport_->setEnabled(false);
    cmdPrint_->setEnabled(false);
    cmdResetZoom_->setEnabled(false);
    connect(cboSpan_, &QComboBox::currentIndexChanged, this, [this](int span) {
        dtpFrom_->setEnabled(span == CustomRange);
        dtpTo_->setEnabled(span == CustomRange);
        zoom_.reset();
        if (span != CustomRange) cmdShow_Click();
    });
    connect(cmdShow_, &QPushButton::clicked, this, [this] { cmdShow_Click(); });
    connect(cmdResetZoom_, &QPushButton::clicked, this, &frmHistory::cmdResetZoom_Click);
    connect(cmdExport_, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    connect(cmdPrint_, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Span:"), this));
    top->addWidget(cboSpan_);
    top->addWidget(new QLabel(QStringLiteral("From:"), this));
    top->addWidget(dtpFrom_);
    top->addWidget(new QLabel(QStringLiteral("To:"), this));
    top->addWidget(dtpTo_);
    top->addWidget(cmdShow_);
    top->addStretch(1);

    auto* lines = new QGridLayout;
    for (int i = 0; i < kLines; ++i) {
        auto* box = new QCheckBox(lineName(i), this);
        box->setObjectName(QStringLiteral("chkLine%1").arg(i));
        box->setChecked(true);
        QPalette p = box->palette();
        p.setColor(QPalette::WindowText, lineColour(i));
        box->setPalette(p);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { showLine(i, on); });
        chkLine_[i] = box;
        // Five to a row, so that the window fits a small or scaled screen.
        lines->addWidget(box, i / 5, i % 5);
    }

    auto* now = new QHBoxLayout;
    const char* nowCaptions[2] = {"Good cans now:", "CPM now:"};
    for (int i = 0; i < 2; ++i) {
        now->addWidget(new QLabel(QString::fromLatin1(nowCaptions[i]), this));
        lblNow_[i] = new QLabel(QStringLiteral("-"), this);
        lblNow_[i]->setObjectName(QStringLiteral("lblNow%1").arg(i));
        lblNow_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        lblNow_[i]->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
        lblNow_[i]->setAlignment(Qt::AlignCenter);
        now->addWidget(lblNow_[i]);
    }
    now->addStretch(1);
    now->addWidget(cmdResetZoom_);
    now->addWidget(cmdExport_);
    now->addWidget(cmdPrint_);
    lblReadout_ = new QLabel(this);
    lblReadout_->setObjectName(QStringLiteral("lblReadout"));

    lblNoSamples_ = new QLabel(this);
    lblNoSamples_->setObjectName(QStringLiteral("lblNoSamples"));
    lblNoSamples_->setAlignment(Qt::AlignCenter);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(lblNoSamples_);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(lines);
    page->addWidget(stack_, 1);
    page->addWidget(lblReadout_);
    page->addLayout(now);
}

void frmHistory::buildChart() {
    chart_ = new QChart;
    chart_->legend()->hide();
    axisTime_ = new QDateTimeAxis;
    axisTime_->setFormat(QStringLiteral("MM-dd HH:mm"));
    axisTime_->setTitleText(QStringLiteral("Time"));
    axisRate_ = new QValueAxis;
    axisRate_->setTitleText(QStringLiteral("Good cans/min"));
    axisRate_->setLabelFormat(QStringLiteral("%g"));
    axisJams_ = new QValueAxis;
    axisJams_->setTitleText(QStringLiteral("Jams this shift"));
    axisJams_->setLabelFormat(QStringLiteral("%g"));
    chart_->addAxis(axisTime_, Qt::AlignBottom);
    chart_->addAxis(axisRate_, Qt::AlignLeft);
    chart_->addAxis(axisJams_, Qt::AlignRight);
    view_ = new HistoryChartView(
        chart_, this,
        [this] {
            const std::pair<double, double> range(msOf(axisTime_->min()), msOf(axisTime_->max()));
            // A click without a drag leaves the range as it was: no zoom.
            if (!zoom_ && range == span_) return;
            zoom_ = range;
            axisTime_->setFormat(timeFormat(range.second - range.first));
            cmdResetZoom_->setEnabled(true);
        },
        [this] { cmdResetZoom_Click(); });
    view_->setObjectName(QStringLiteral("chartView"));
    view_->setMinimumSize(400, 250);
    stack_->addWidget(view_);
}

std::string frmHistory::itemAddress(int index) const {
    return index == 0 ? items::ItemAddress(items::kCurrentGoodCans) : std::string("W182");
}

void frmHistory::showReply(int index, const std::string& reply) {
    lblNow_.at(index)->setText(QString::fromStdString(reply));
}

void frmHistory::showUnknown(int index) {
    lblNow_.at(index)->setText(QStringLiteral("---"));
}

void frmHistory::showOnlineLook() {
    for (QLabel* l : lblNow_) {
        l->setText(QStringLiteral("-"));
        l->setEnabled(true);
    }
}

void frmHistory::showOfflineLook() {
    // Offline the history can still be looked at; only the moment's counts
    // are not known.
    for (QLabel* l : lblNow_) {
        l->setText(QStringLiteral("-"));
        l->setEnabled(false);
    }
}

void frmHistory::activate() {
    LiveWindow::activate();
    // Read afresh (new samples may have come), keeping the span and zoom.
    cmdShow_Click();
}

void frmHistory::passEnded() {
    // Samples stored since the chart was read are drawn: a span that ends
    // now grows with them. A custom span stays as the operator chose it.
    if (ctx_.historySamplesStored == samplesRead_ || !readable_ ||
        cboSpan_->currentIndex() == CustomRange)
        return;
    // A long span of short intervals takes long to read (7 days of 5 s
    // samples, some 120,000, about 3 s): the chart then follows less often,
    // so that reading it takes at most a twentieth of the window's time.
    const double started = ctx_.clock.now();
    if (started < nextFollow_) return;
    cmdShow_Click();
    nextFollow_ = started + 20 * (ctx_.clock.now() - started);
}

bool frmHistory::chartShown() const {
    return stack_->currentWidget() == view_;
}

void frmHistory::showNoSamples(const QString& why) {
    samples_.clear();
    series_ = {};
    drawSeries();
    lblNoSamples_->setText(why);
    stack_->setCurrentWidget(lblNoSamples_);
    cmdExport_->setEnabled(false);
    cmdPrint_->setEnabled(false);
    cmdResetZoom_->setEnabled(false);
    lblReadout_->clear();
}

std::pair<double, double> frmHistory::spanBounds(std::optional<double> lastShiftChange) const {
    const double now = *history::SampleMs(history::IsoTime(ctx_.clock.localDateTime()));
    switch (cboSpan_->currentIndex()) {
        case ThisShift:
            return {lastShiftChange.value_or(0), now};
        case Last24Hours:
            return {now - 24 * kHourMs, now};
        case Last7Days:
            return {now - 7 * 24 * kHourMs, now};
        default:
            return {msOf(dtpFrom_->dateTime()), msOf(dtpTo_->dateTime())};
    }
}

bool frmHistory::cmdShow_Click() {
    samplesRead_ = ctx_.historySamplesStored;
    readable_ = true;
    const std::string& file = ctx_.historyFile;
    if (file.empty() || !QFileInfo::exists(QString::fromStdString(file))) {
        showNoSamples(QStringLiteral("No samples: nothing has been recorded for this board yet."));
        return true;
    }
    std::string error;
    // The whole file is checked once, when the window first reads it; every
    // show after that reads only what it shows (a year's file takes seconds
    // to check). A file damaged since fails its queries instead.
    std::unique_ptr<history::HistoryStore> store =
        history::HistoryStore::OpenFile(file, &error, file != checkedFile_);
    if (store) checkedFile_ = file;
    std::optional<std::vector<history::ShiftEvent>> events;
    if (store) events = store->events({}, history::IsoTime(ctx_.clock.localDateTime()));
    if (!store || !events) {
        readable_ = false;
        showNoSamples(QStringLiteral("The production history could not be read."));
        ctx_.messages.show("The production history could not be read:\r\n" +
                               (store ? store->lastError() : error) + "\r\n" + file,
                           kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    std::optional<double> lastChange;
    if (!events->empty()) lastChange = history::SampleMs(events->back().time);
    span_ = spanBounds(lastChange);
    const std::string from = cboSpan_->currentIndex() == ThisShift && !lastChange
                                 ? std::string()
                                 : history::IsoTimeOfMs(span_.first);
    const std::string to = history::IsoTimeOfMs(span_.second);
    auto samples = store->samples(from, to);
    auto spanEvents = store->events(from, to);
    if (!samples || !spanEvents) {
        readable_ = false;
        showNoSamples(QStringLiteral("The production history could not be read."));
        ctx_.messages.show(
            "The production history could not be read:\r\n" + store->lastError() + "\r\n" + file,
            kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (samples->empty()) {
        showNoSamples(QStringLiteral("No samples in this span."));
        return true;
    }
    samples_ = std::move(*samples);
    series_ = history::BuildHistorySeries(samples_, *spanEvents,
                                          history::MaxGapFor(ctx_.historyInterval));
    // "This shift" without a shift change starts at the first sample.
    if (cboSpan_->currentIndex() == ThisShift && !lastChange) span_.first = series_.firstMs;
    drawSeries();
    stack_->setCurrentWidget(view_);
    cmdExport_->setEnabled(ctx_.dialogs != nullptr);
    cmdPrint_->setEnabled(ctx_.printSetup != nullptr);
    // A zoom that no longer lies in the span is given up.
    if (zoom_ && (zoom_->second <= span_.first || zoom_->first >= span_.second)) zoom_.reset();
    const auto range = zoom_.value_or(span_);
    applyRange(range.first, range.second);
    cmdResetZoom_->setEnabled(zoom_.has_value());
    return true;
}

void frmHistory::drawSeries() {
    for (auto& line : pieces_) line.clear();
    marks_.clear();
    chart_->removeAllSeries();

    double rateMax = 1, jamsMax = 1;
    for (int i = 0; i < kLines; ++i) {
        const history::SeriesLine& line =
            i == 0 ? series_.goodCansPerMinute : series_.stationJams[i - 1];
        QPen pen(lineColour(i));
        pen.setWidthF(i == 0 ? 2.0 : 1.2);
        for (const auto& piece : line) {
            auto* s = new QLineSeries;
            s->setPen(pen);
            s->setName(lineName(i));
            for (const history::SeriesPoint& p : piece) {
                s->append(p.ms, p.value);
                (i == 0 ? rateMax : jamsMax) = std::max(i == 0 ? rateMax : jamsMax, p.value);
            }
            chart_->addSeries(s);
            s->attachAxis(axisTime_);
            s->attachAxis(i == 0 ? axisRate_ : axisJams_);
            s->setVisible(chkLine_[i]->isChecked());
            connect(s, &QLineSeries::hovered, this, [this, i](const QPointF& p, bool on) {
                if (on) lblReadout_->setText(QString::fromStdString(ReadoutText(i, p.x(), p.y())));
            });
            pieces_[i].push_back(s);
        }
    }
    // Round ticks; a small range shows halves rather than repeated numbers.
    axisRate_->setRange(0, std::ceil(rateMax * 1.1));
    axisRate_->applyNiceNumbers();
    axisJams_->setRange(0, std::ceil(jamsMax * 1.1));
    axisJams_->applyNiceNumbers();
    // The shift changes as dashed vertical lines across the whole height.
    QPen markPen(Qt::darkGray);
    markPen.setStyle(Qt::DashLine);
    for (const double ms : series_.shiftChanges) {
        auto* m = new QLineSeries;
        m->setPen(markPen);
        m->setName(QStringLiteral("Shift change"));
        m->append(ms, 0);
        m->append(ms, axisRate_->max());
        chart_->addSeries(m);
        m->attachAxis(axisTime_);
        m->attachAxis(axisRate_);
        connect(m, &QLineSeries::hovered, this, [this, ms](const QPointF&, bool on) {
            if (on)
                lblReadout_->setText(
                    QStringLiteral("%1  shift change")
                        .arg(QString::fromStdString(history::IsoTimeOfMs(ms)).replace('T', ' ')));
        });
        marks_.push_back(m);
    }
}

std::string frmHistory::ReadoutText(int line, double ms, double value) {
    std::string time = history::IsoTimeOfMs(ms);
    std::replace(time.begin(), time.end(), 'T', ' ');
    const long long shown = std::llround(value);
    return time + "  " + lineName(line).toStdString() + ": " + std::to_string(shown);
}

void frmHistory::applyRange(double fromMs, double toMs) {
    if (toMs <= fromMs) toMs = fromMs + 60 * 1000.0;
    axisTime_->setFormat(timeFormat(toMs - fromMs));
    axisTime_->setRange(timeOf(fromMs), timeOf(toMs));
}

std::pair<double, double> frmHistory::shownRange() const {
    return {msOf(axisTime_->min()), msOf(axisTime_->max())};
}

void frmHistory::zoomTo(double fromMs, double toMs) {
    applyRange(fromMs, toMs);
    zoom_ = shownRange();
    cmdResetZoom_->setEnabled(true);
}

void frmHistory::cmdResetZoom_Click() {
    zoom_.reset();
    chart_->zoomReset();
    applyRange(span_.first, span_.second);
    cmdResetZoom_->setEnabled(false);
}

history::SeriesLine frmHistory::drawnLine(int i) const {
    history::SeriesLine line;
    for (const QLineSeries* s : pieces_.at(i)) {
        line.emplace_back();
        for (const QPointF& p : s->points()) line.back().push_back({p.x(), p.y()});
    }
    return line;
}

bool frmHistory::lineShown(int i) const {
    return std::all_of(pieces_.at(i).begin(), pieces_.at(i).end(),
                       [](const QLineSeries* s) { return s->isVisible(); });
}

void frmHistory::showLine(int i, bool on) {
    for (QLineSeries* s : pieces_[i]) s->setVisible(on);
}

bool frmHistory::cmdExport_Click() {
    if (!ctx_.dialogs || samples_.empty()) return false;
    const auto [from, to] = shownRange();
    std::vector<history::Sample> shown;
    for (const history::Sample& s : samples_) {
        const auto ms = history::SampleMs(s.time);
        if (ms && *ms >= from && *ms <= to) shown.push_back(s);
    }
    FileDialogRequest request;
    request.title = "Export Production History";
    request.filters = ParseFilterList("CSV Files (*.csv)|*.csv|");
    request.hideReadOnly = true;
    request.overwritePrompt = true;
    const FileDialogResult chosen = ChooseSaveFile(*ctx_.dialogs, request);
    if (chosen.cancelled) return false;
    const FileWriteResult written = ReplaceFileContents(chosen.path, history::HistoryCsv(shown));
    if (!written) {
        ctx_.messages.show("The production history could not be exported:\r\n" + written.error +
                               "\r\n\r\nAn earlier file of that name has been left as it was.",
                           kTitle, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    return true;
}

bool frmHistory::cmdPrint_Click() {
    if (!ctx_.printSetup || samples_.empty()) return false;
    IPrinter* printer = ctx_.printSetup->choosePrinter();
    if (!printer) return false;
    if (printOn(*printer)) return true;
    ctx_.messages.show(
        "The production history could not be printed.\r\n\r\nCheck the printer or the "
        "file chosen in the print dialog.",
        kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}

bool frmHistory::printOn(IPrinter& printer) const {
    const auto [from, to] = shownRange();
    auto shownTime = [](double ms) {
        std::string t = history::IsoTimeOfMs(ms);
        std::replace(t.begin(), t.end(), 'T', ' ');
        return t;
    };
    printer.setPosition(0, 0);
    printer.setFont({"Times", 14, true});
    printer.print(kTitle, true);
    printer.setFont({"Times", 10});
    printer.print("From " + shownTime(from) + " to " + shownTime(to), true);
    printer.printEmptyLine();

    // Good cans a minute in a box the width of the page, the shift changes
    // as lines across it.
    const double left = 0.5, width = printer.pageWidth() - 1.0, height = 3.0;
    const double bottom = printer.currentY() + height;
    double rateMax = 1;
    for (const auto& piece : series_.goodCansPerMinute)
        for (const auto& p : piece) rateMax = std::max(rateMax, p.value);
    printer.print(
        "Good cans/min (0 to " + std::to_string(std::llround(rateMax)) + "; dashed: shift changes)",
        true);
    const double boxTop = printer.currentY();
    auto x = [&](double ms) { return left + (ms - from) / (to - from) * width; };
    auto y = [&](double v) { return bottom - v / rateMax * (bottom - boxTop); };
    printer.drawLine(left, boxTop, left + width, boxTop);
    printer.drawLine(left, bottom, left + width, bottom);
    printer.drawLine(left, boxTop, left, bottom);
    printer.drawLine(left + width, boxTop, left + width, bottom);
    for (const double ms : series_.shiftChanges)
        if (ms >= from && ms <= to) printer.drawLine(x(ms), boxTop, x(ms), bottom);
    for (const auto& piece : series_.goodCansPerMinute)
        for (std::size_t k = 1; k < piece.size(); ++k) {
            const auto& a = piece[k - 1];
            const auto& b = piece[k];
            if (a.ms < from || b.ms > to) continue;
            printer.drawLine(x(a.ms), y(a.value), x(b.ms), y(b.value));
        }
    printer.setPosition(0, bottom + 0.2);

    // The jams each station had counted at the last sample shown.
    const history::Sample* last = nullptr;
    for (const history::Sample& s : samples_) {
        const auto ms = history::SampleMs(s.time);
        if (ms && *ms >= from && *ms <= to) last = &s;
    }
    if (last) {
        printer.print("Jams this shift at " + shownTime(*history::SampleMs(last->time)) + ":",
                      true);
        for (int k = 0; k < 12; ++k)
            printer.print(
                lineName(k + 1).toStdString() + ": " + std::to_string(last->stationJams[k]), true);
    }
    return printer.endDocument();
}

}  // namespace voran
