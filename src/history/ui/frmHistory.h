#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/HistorySample.h"
#include "history/HistorySeries.h"
#include "window/LiveWindow.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineSeries;
class QPushButton;
class QStackedWidget;
class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;

namespace voran {

class IPrinter;

// "Production History": good cans a minute and the jams at each station
// over a chosen span of the board's history (this shift, the last 24 hours,
// the last 7 days or a range), with the shift changes marked. The chart
// zooms (rubber band, wheel, + and -), pans (right-button drag, arrow keys)
// and reads out the time and value under the pointer; each line can be
// switched off. The shown span can be exported as CSV and printed. While
// online the window also reads the good cans and CPM of the moment.
class frmHistory : public LiveWindow {
    Q_OBJECT
public:
    enum Span { ThisShift, Last24Hours, Last7Days, CustomRange };
    // Line 0 is good cans a minute, lines 1 .. 12 the stations' jams.
    static constexpr int kLines = 13;

    explicit frmHistory(AppContext& ctx, QWidget* parent = nullptr);

    void activate() override;

    // Reads the chosen span from the history and draws it (the zoom stays
    // when it still lies in the span). False when the history could not be
    // read (the operator was told once).
    bool cmdShow_Click();
    void cmdResetZoom_Click();
    // Writes the samples of the shown span as CSV; false when nothing was
    // written.
    bool cmdExport_Click();
    // Prints the shown span; false when nothing was printed.
    bool cmdPrint_Click();
    // Draws the shown span on `printer` and ends the document.
    bool printOn(IPrinter& printer) const;

    // The time range on show, ms since the epoch.
    std::pair<double, double> shownRange() const;
    // Zooms to a time range (as the rubber band does).
    void zoomTo(double fromMs, double toMs);
    bool zoomed() const { return zoom_.has_value(); }
    const history::HistorySeries& series() const { return series_; }
    const std::vector<history::Sample>& samples() const { return samples_; }
    // What the hover read-out says for a point of line `line`.
    static std::string ReadoutText(int line, double ms, double value);

    QComboBox* cboSpan() const { return cboSpan_; }
    QDateTimeEdit* dtpFrom() const { return dtpFrom_; }
    QDateTimeEdit* dtpTo() const { return dtpTo_; }
    QPushButton* cmdShow() const { return cmdShow_; }
    QPushButton* cmdResetZoom() const { return cmdResetZoom_; }
    QPushButton* cmdExport() const { return cmdExport_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }
    QCheckBox* chkLine(int i) const { return chkLine_.at(i); }
    QLabel* lblNoSamples() const { return lblNoSamples_; }
    QLabel* lblReadout() const { return lblReadout_; }
    QLabel* lblNow(int i) const { return lblNow_.at(i); }
    QChartView* chartView() const { return view_; }
    bool chartShown() const;
    // The points the chart draws for line `i`, piece by piece, and whether
    // the line is on show.
    history::SeriesLine drawnLine(int i) const;
    bool lineShown(int i) const;

private:
    void showOnlineLook() override;
    void showOfflineLook() override;
    int itemCount() const override { return 2; }
    std::string itemAddress(int index) const override;
    void showReply(int index, const std::string& reply) override;
    void showUnknown(int index) override;
    void passEnded() override;

    void buildControls();
    void buildChart();
    // The span's bounds now (ms since the epoch); "this shift" starts at the
    // last shift change, `lastShiftChange`, when there is one.
    std::pair<double, double> spanBounds(std::optional<double> lastShiftChange) const;
    void drawSeries();
    void applyRange(double fromMs, double toMs);
    void showLine(int i, bool on);
    void showNoSamples(const QString& why);

    QComboBox* cboSpan_ = nullptr;
    QDateTimeEdit* dtpFrom_ = nullptr;
    QDateTimeEdit* dtpTo_ = nullptr;
    QPushButton* cmdShow_ = nullptr;
    QPushButton* cmdResetZoom_ = nullptr;
    QPushButton* cmdExport_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    std::array<QCheckBox*, kLines> chkLine_{};
    std::array<QLabel*, 2> lblNow_{};
    QLabel* lblNoSamples_ = nullptr;
    QLabel* lblReadout_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QDateTimeAxis* axisTime_ = nullptr;
    QValueAxis* axisRate_ = nullptr;
    QValueAxis* axisJams_ = nullptr;
    std::array<std::vector<QLineSeries*>, kLines> pieces_{};
    std::vector<QLineSeries*> marks_;

    std::vector<history::Sample> samples_;
    history::HistorySeries series_;
    // The history file whose whole content was checked when it was opened.
    std::string checkedFile_;
    // The span read last (ms since the epoch).
    std::pair<double, double> span_{0, 0};
    // The range the operator zoomed or panned to; none: the whole span.
    std::optional<std::pair<double, double>> zoom_;
    // AppContext::historySamplesStored when the chart was last read, and
    // whether that read succeeded (a failed one waits for Show).
    int samplesRead_ = 0;
    bool readable_ = true;
    // IClock::now() before which new samples are not read again (a long
    // read was just made).
    double nextFollow_ = 0;
};

}  // namespace voran
