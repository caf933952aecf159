#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace voran {

class AppContext;

// What the main display shows, without the window: the 15 x 5 shift-data
// grid (row 0 and column 0 are the headings), the machine rate and the
// message text, and the items its monitoring pass reads, in reading order:
// for each of the four columns the machine rate, the transfer-jam alarm bits,
// then the column's fourteen cells (a cell without an address is set
// without a read).
class MainDisplayModel {
public:
    static constexpr int kRows = 15;
    static constexpr int kCols = 5;
    using Grid = std::array<std::array<std::string, kCols>, kRows>;

    explicit MainDisplayModel(AppContext& ctx);

    // Headings and row labels of the grid.
    static std::string RowLabel(int row);
    static std::string ColumnHeading(int col);

    // Items of an online pass.
    int itemCount() const { return static_cast<int>(items_.size()); }
    std::string itemAddress(int index) const { return items_.at(index).address; }
    // The reply to item `index` (empty for a cell without an address).
    void showReply(int index, const std::string& reply);

    // Both looks start from dashes, with the two unused cells of the jam
    // and alarm columns blank; the offline look then shows the tables.
    void ShowOnlineLook();
    void ShowOfflineLook();
    void FillFromTables();
    // The head of every pass takes the latest system message.
    void TakeMessage();

    const Grid& cells() const { return cells_; }
    const std::string& machineRate() const { return rate_; }
    const std::string& messageText() const { return message_; }

    // Plain text of a cell range: cells of a row separated by tabs, rows by
    // a carriage return.
    std::string CopyText(int top, int left, int bottom, int right) const;

    // A count as the grid shows it: the reply's numeric value, no decimals,
    // with the locale's digit grouping ("12345" -> "12,345" in English).
    static std::string FormatCount(const std::string& reply);
    static std::string FormatCount(std::int64_t value);

private:
    enum class Kind { Rate, AlarmBits, Cell };
    struct Item {
        Kind kind;
        int row;
        int col;
        std::string address;
    };
    void PutDashes();
    void SetCell(int row, int col, const std::string& currentValue);

    AppContext& ctx_;
    std::vector<Item> items_;
    Grid cells_;
    std::string rate_ = "-";
    std::string message_;
    std::int32_t alarmBits_ = 0;
};

}  // namespace voran
