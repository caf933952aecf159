#include "link/ui/TrafficModel.h"

#include <QString>
#include <cstdio>

namespace voran {

namespace {

const char* directionText(TrafficDirection d) {
    switch (d) {
        case TrafficDirection::Sent:
            return "->";
        case TrafficDirection::Received:
            return "<-";
        default:
            return "!!";
    }
}

std::string timeText(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

std::string hexText(int byte) {
    if (byte < 0) return {};
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"") == std::string::npos) return s;
    std::string quoted = "\"";
    for (const char c : s) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

bool TrafficModel::Passes(TrafficFilter filter, const TrafficLine& line) {
    switch (filter) {
        case TrafficFilter::All:
            return true;
        case TrafficFilter::Reads:
            return line.kind == TrafficKind::Read;
        case TrafficFilter::Writes:
            return line.kind == TrafficKind::Write;
        case TrafficFilter::Pls:
            return line.kind == TrafficKind::Pls;
        case TrafficFilter::Program:
            return line.kind == TrafficKind::Program;
        case TrafficFilter::Errors:
            return line.kind == TrafficKind::Fault;
    }
    return true;
}

void TrafficModel::append(const std::vector<TrafficLine>& lines) {
    if (lines.empty()) return;
    // The oldest lines leave first, so that the view never holds more than
    // the cap.
    const std::size_t total = lines_.size() + lines.size();
    std::size_t drop = total > kMaxLines ? total - kMaxLines : 0;
    std::size_t skip = 0;  // new lines that never get kept
    if (drop > lines_.size()) {
        skip = drop - lines_.size();
        drop = lines_.size();
    }
    if (drop > 0) {
        const std::size_t firstKept = dropped_ + drop;
        std::size_t rows = 0;
        while (rows < shown_.size() && shown_[rows] < firstKept) ++rows;
        if (rows > 0) beginRemoveRows({}, 0, static_cast<int>(rows) - 1);
        shown_.erase(shown_.begin(), shown_.begin() + static_cast<std::ptrdiff_t>(rows));
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(drop));
        dropped_ = firstKept;
        if (rows > 0) endRemoveRows();
    }
    dropped_ += skip;
    std::vector<std::size_t> added;
    for (std::size_t i = skip; i < lines.size(); ++i) {
        lines_.push_back(lines[i]);
        if (Passes(filter_, lines[i])) added.push_back(dropped_ + lines_.size() - 1);
    }
    if (added.empty()) return;
    const int first = static_cast<int>(shown_.size());
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    shown_.insert(shown_.end(), added.begin(), added.end());
    endInsertRows();
}

void TrafficModel::setFilter(TrafficFilter filter) {
    if (filter == filter_) return;
    filter_ = filter;
    refilter();
}

void TrafficModel::refilter() {
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (Passes(filter_, lines_[i])) shown_.push_back(dropped_ + i);
    endResetModel();
}

std::vector<const TrafficLine*> TrafficModel::shown() const {
    std::vector<const TrafficLine*> out;
    out.reserve(shown_.size());
    for (const std::size_t i : shown_) out.push_back(&lines_[i - dropped_]);
    return out;
}

std::string TrafficModel::text() const {
    std::string out;
    for (const TrafficLine* l : shown()) out += FormatTrafficLine(*l) + "\r\n";
    return out;
}

std::string TrafficModel::csv() const {
    std::string out = "ms,direction,hex,decimal,meaning\r\n";
    for (const TrafficLine* l : shown())
        out += timeText(l->ms) + "," + directionText(l->direction) + "," + hexText(l->byte) + "," +
               (l->byte < 0 ? std::string() : std::to_string(l->byte)) + "," + csvField(l->text) +
               "\r\n";
    return out;
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const TrafficLine& l = lines_[shown_[static_cast<std::size_t>(index.row())] - dropped_];
    switch (index.column()) {
        case Time:
            return QString::fromStdString(timeText(l.ms));
        case Direction:
            return QString::fromLatin1(directionText(l.direction));
        case Hex:
            return QString::fromStdString(hexText(l.byte));
        case Decimal:
            return l.byte < 0 ? QString() : QString::number(l.byte);
        default:
            return QString::fromStdString(l.text);
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    static const char* const names[kColumns] = {"ms", "", "hex", "dec", "meaning"};
    return QString::fromLatin1(names[section]);
}

}  // namespace voran
