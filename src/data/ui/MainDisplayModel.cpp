#include "data/ui/MainDisplayModel.h"

#include "data/ItemTable.h"

#include <QLocale>
#include <cmath>

#include "data/SetupData.h"
#include "window/AppContext.h"

namespace voran {

MainDisplayModel::MainDisplayModel(AppContext& ctx) : ctx_(ctx) {
    // Good cans and total jams are double words; the stations are words.
    auto address = [](int row, int col) -> std::string {
        if (col == 1)
            return items::ItemAddress(row <= 2 ? items::kCurrentGoodCans + row - 1
                                               : items::kCurrentStationJams[row - 3]);
        if (col == 2)
            return items::ItemAddress(row <= 2 ? items::kLastGoodCans + row - 1
                                               : items::kLastStationJams[row - 3]);
        if (col == 3 && row >= 3) return items::ItemAddress(items::kStationJams[row - 3]);
        return {};
    };
    for (int col = 1; col < kCols; ++col) {
        items_.push_back({Kind::Rate, 0, col, "W182"});
        items_.push_back({Kind::AlarmBits, 0, col, "W110"});
        for (int row = 1; row < kRows; ++row)
            items_.push_back({Kind::Cell, row, col, address(row, col)});
    }
    for (int col = 0; col < kCols; ++col) cells_[0][col] = ColumnHeading(col);
    for (int row = 1; row < kRows; ++row) cells_[row][0] = RowLabel(row);
}

std::string MainDisplayModel::RowLabel(int row) {
    if (row == 1) return "Good Cans: ";
    if (row == 2) return "Total Jams: ";
    if (row >= 3 && row <= 11) return "Station 0" + std::to_string(row - 2) + ": ";
    if (row == 12 || row == 13) return "Station " + std::to_string(row - 2) + ": ";
    if (row == 14) return "Flanger: ";
    return "";
}

std::string MainDisplayModel::ColumnHeading(int col) {
    switch (col) {
        case 1:
            return "Current Shift";
        case 2:
            return "Last Shift";
        case 3:
            return "Jams/Station";
        case 4:
            return "Transfer Jam";
        default:
            return "";
    }
}

std::string MainDisplayModel::FormatCount(std::int64_t value) {
    return QLocale().toString(static_cast<qlonglong>(value)).toStdString();
}

std::string MainDisplayModel::FormatCount(const std::string& reply) {
    // An empty or odd reply counts as 0, as the link's failed read does.
    return FormatCount(static_cast<std::int64_t>(ReplyToValue(reply)));
}

void MainDisplayModel::ShowOnlineLook() {
    PutDashes();
}

void MainDisplayModel::ShowOfflineLook() {
    PutDashes();
    FillFromTables();
}

void MainDisplayModel::TakeMessage() {
    message_ = ctx_.StatusMessage;
}

void MainDisplayModel::PutDashes() {
    for (int row = 1; row < kRows; ++row)
        for (int col = 1; col < kCols; ++col) cells_[row][col] = (row <= 2 && col >= 3) ? " " : "-";
    rate_ = "-";
}

void MainDisplayModel::FillFromTables() {
    const SetupData& data = ctx_.tables.CurrentData;
    auto value = [&](int index) -> std::int64_t {
        return index >= 0 && index < static_cast<int>(data.Value.size()) ? data.Value[index] : 0;
    };
    for (int row = 1; row <= 14; ++row) {
        const bool total = row <= 2;
        cells_[row][1] = FormatCount(
            value(total ? items::kCurrentGoodCans + row - 1 : items::kCurrentStationJams[row - 3]));
        cells_[row][2] = FormatCount(
            value(total ? items::kLastGoodCans + row - 1 : items::kLastStationJams[row - 3]));
        cells_[row][3] = total ? " " : FormatCount(value(items::kStationJams[row - 3]));
    }
}

void MainDisplayModel::SetCell(int row, int col, const std::string& currentValue) {
    if (col == 1 || col == 2) {
        cells_[row][col] = FormatCount(currentValue);
    } else if (col == 3) {
        cells_[row][col] = row <= 2 ? " " : FormatCount(currentValue);
    } else if (col == 4) {
        if (row <= 2)
            cells_[row][col] = " ";
        else
            cells_[row][col] = (alarmBits_ >> (row - 3)) & 1 ? "ALARM" : "normal";
    }
}

void MainDisplayModel::showReply(int index, const std::string& reply) {
    const Item& item = items_.at(index);
    switch (item.kind) {
        case Kind::Rate:
            rate_ = reply;
            break;
        case Kind::AlarmBits:
            alarmBits_ = ReplyToValue(reply);
            break;
        case Kind::Cell:
            SetCell(item.row, item.col, reply);
            break;
    }
}

std::string MainDisplayModel::CopyText(int top, int left, int bottom, int right) const {
    std::string text;
    for (int row = top; row <= bottom; ++row) {
        if (row > top) text += '\r';
        for (int col = left; col <= right; ++col) {
            if (col > left) text += '\t';
            if (row >= 0 && row < kRows && col >= 0 && col < kCols) text += cells_[row][col];
        }
    }
    return text;
}

}  // namespace voran
