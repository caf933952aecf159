#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "link/TrafficDecoder.h"

namespace voran {

// What the traffic monitor shows: which kinds of line pass the filter.
enum class TrafficFilter { All, Reads, Writes, Pls, Program, Errors };

// The decoded lines of the traffic monitor, the newest kMaxLines of them,
// filtered. Lines are taken in batches (append), so the view is told once a
// batch, not once a byte; every row is one line of text in each column.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxLines = 100000;
    enum Column { Time, Direction, Hex, Decimal, Meaning, kColumns };

    explicit TrafficModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Keeps the lines (the oldest go beyond kMaxLines) and shows those that
    // pass the filter.
    void append(const std::vector<TrafficLine>& lines);
    void setFilter(TrafficFilter filter);
    TrafficFilter filter() const { return filter_; }
    static bool Passes(TrafficFilter filter, const TrafficLine& line);

    std::size_t kept() const { return lines_.size(); }
    // The lines on show, oldest first.
    std::vector<const TrafficLine*> shown() const;
    // The lines on show as text (as a trace file has them) or CSV (a header
    // row, then time, direction, hex, decimal, meaning), lines ended CR LF.
    std::string text() const;
    std::string csv() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    void refilter();

    std::deque<TrafficLine> lines_;
    // Positions in lines_ of the lines that pass the filter, counted from
    // the first line ever kept (dropped_ of them have gone).
    std::deque<std::size_t> shown_;
    std::size_t dropped_ = 0;
    TrafficFilter filter_ = TrafficFilter::All;
};

}  // namespace voran
