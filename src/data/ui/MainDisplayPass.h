#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace voran {

struct AppContext;

// What the main display shows and how it refreshes, without the window:
// the 15 x 5 shift-data grid (row 0 and column 0 are the headings), the
// machine rate, the message text, and the monitoring loop cut into steps of
// at most one controller read each, so that the window can run it from a
// timer and the event loop breathes between reads.
class MainDisplayPass {
public:
    static constexpr int kRows = 15;
    static constexpr int kCols = 5;
    using Grid = std::array<std::array<std::string, kCols>, kRows>;

    explicit MainDisplayPass(AppContext& ctx);

    // Headings and row labels of the grid.
    static std::string RowLabel(int row);
    static std::string ColumnHeading(int col);
    // Set from activation on; a cleared flag ends the loop at the next step.
    bool running = false;

    // Activation: the look that matches the link's state.
    void Activate();
    void Deactivate() { running = false; }

    // One step of the monitoring loop: either the head of a pass (fault
    // check, message text, online/offline look) or one controller read with
    // the cells it fills. Does nothing and returns false while another
    // transaction holds the link or the loop is not running.
    bool Step();
    // True when the next step starts a new pass.
    bool atPassStart() const { return phase_ == Phase::Head; }

    void ShowOnlineLook();
    void ShowOfflineLook();
    void FillFromTables();

    const Grid& cells() const { return cells_; }
    const std::string& machineRate() const { return rate_; }
    const std::string& messageText() const { return message_; }

    // A look was put on (true: online); enabled states and colours follow.
    std::function<void(bool online)> lookChanged = [](bool) {};

    // Plain text of a cell range: cells of a row separated by tabs, rows by
    // a carriage return.
    std::string CopyText(int top, int left, int bottom, int right) const;

    // A count as the grid shows it: the reply's numeric value, no decimals,
    // with the locale's digit grouping ("12345" -> "12,345" in English).
    static std::string FormatCount(const std::string& reply);
    static std::string FormatCount(std::int64_t value);

private:
    enum class Phase { Head, Rate, AlarmBits, Rows };
    void SetCell(int row, int col, const std::string& currentValue);
    void PutLook(bool online);
    bool canRead() const;
    bool EndPass() {
        phase_ = Phase::Head;
        return true;
    }

    AppContext& ctx_;
    std::array<std::array<std::string, kCols>, kRows> address_;
    Grid cells_;
    std::string rate_ = "-";
    std::string message_;
    bool onlineLook_ = false;
    bool offlineLook_ = false;

    Phase phase_ = Phase::Head;
    int col_ = 1;
    int row_ = 1;
    std::int32_t alarmBits_ = 0;
};

}  // namespace voran
