#include "data/ui/MainDisplayPass.h"

#include <QLocale>
#include <cmath>

#include "data/SetupData.h"
#include "window/AppContext.h"

namespace voran {

namespace {
std::string addr(char letter, int number) {
    return std::string(1, letter) + std::to_string(number);
}
}  // namespace

MainDisplayPass::MainDisplayPass(AppContext& ctx) : ctx_(ctx) {
    // Good cans and total jams are double words; the stations are words.
    address_[1][1] = "D1100";
    address_[1][2] = "D1200";
    address_[2][1] = "D1104";
    address_[2][2] = "D1204";
    for (int row = 3; row <= 14; ++row) {
        address_[row][1] = addr('W', 1108 + 2 * (row - 3));
        address_[row][2] = addr('W', 1208 + 2 * (row - 3));
        address_[row][3] = addr('W', 1050 + 2 * (row - 3));
    }
    for (int col = 0; col < kCols; ++col) cells_[0][col] = ColumnHeading(col);
    for (int row = 1; row < kRows; ++row) cells_[row][0] = RowLabel(row);
}

std::string MainDisplayPass::RowLabel(int row) {
    if (row == 1) return "Good Cans: ";
    if (row == 2) return "Total Jams: ";
    if (row >= 3 && row <= 11) return "Station 0" + std::to_string(row - 2) + ": ";
    if (row == 12 || row == 13) return "Station " + std::to_string(row - 2) + ": ";
    if (row == 14) return "Flanger: ";
    return "";
}

std::string MainDisplayPass::ColumnHeading(int col) {
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

std::string MainDisplayPass::FormatCount(std::int64_t value) {
    return QLocale().toString(static_cast<qlonglong>(value)).toStdString();
}

std::string MainDisplayPass::FormatCount(const std::string& reply) {
    // An empty or odd reply counts as 0, as the link's failed read does.
    return FormatCount(static_cast<std::int64_t>(ReplyToValue(reply)));
}

void MainDisplayPass::Activate() {
    running = true;
    phase_ = Phase::Head;
    if (ctx_.link.OnlineMode) {
        ShowOnlineLook();
    } else {
        // Shown again offline, the window shows the tables at once rather
        // than dashes until the next New or Open.
        ShowOfflineLook();
        FillFromTables();
    }
}

void MainDisplayPass::ShowOnlineLook() {
    onlineLook_ = true;
    PutLook(true);
}

void MainDisplayPass::ShowOfflineLook() {
    offlineLook_ = true;
    PutLook(false);
}

// Both looks start from dashes, with the two unused cells of the jam and
// alarm columns blank.
void MainDisplayPass::PutLook(bool online) {
    for (int row = 1; row < kRows; ++row)
        for (int col = 1; col < kCols; ++col) cells_[row][col] = (row <= 2 && col >= 3) ? " " : "-";
    rate_ = "-";
    lookChanged(online);
}

void MainDisplayPass::FillFromTables() {
    const SetupData& data = ctx_.tables.CurrentData;
    auto value = [&](int index) -> std::int64_t {
        return index >= 0 && index < static_cast<int>(data.Value.size()) ? data.Value[index] : 0;
    };
    for (int row = 1; row <= 14; ++row) {
        cells_[row][1] = FormatCount(value(37 + row));
        cells_[row][2] = FormatCount(value(51 + row));
        cells_[row][3] = row <= 2 ? " " : FormatCount(value(63 + row));
    }
}

bool MainDisplayPass::canRead() const {
    return running && ctx_.link.OnlineMode;
}

void MainDisplayPass::SetCell(int row, int col, const std::string& currentValue) {
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

bool MainDisplayPass::Step() {
    RSComm& link = ctx_.link;
    if (!running || link.busy()) return false;

    switch (phase_) {
        case Phase::Head: {
            if (link.CommError) {
                link.OnlineMode = false;
                onlineLook_ = false;
                ctx_.UpdateOnlineState();
            }
            message_ = ctx_.StatusMessage;
            if (link.OnlineMode) {
                if (!onlineLook_) ShowOnlineLook();
                offlineLook_ = false;
                phase_ = Phase::Rate;
                col_ = 1;
            } else {
                if (ctx_.tables.TablesReplaced) {
                    ctx_.tables.TablesReplaced = false;
                    offlineLook_ = false;
                }
                if (!offlineLook_) {
                    ShowOfflineLook();
                    FillFromTables();
                }
                onlineLook_ = false;
            }
            return true;
        }
        case Phase::Rate:
        case Phase::AlarmBits: {
            // Each column starts with the machine rate and the transfer-jam
            // alarm bits.
            if (!canRead()) return EndPass();
            const bool rate = phase_ == Phase::Rate;
            const std::string reply = link.RSRead(rate ? "W182" : "W110");
            if (!running) return EndPass();
            if (rate)
                rate_ = reply;
            else
                alarmBits_ = ReplyToValue(reply);
            if (link.CommError) return EndPass();
            phase_ = rate ? Phase::AlarmBits : Phase::Rows;
            row_ = 1;
            return true;
        }
        case Phase::Rows: {
            // Cells without an address are set without a read; the step
            // ends after the first read.
            for (bool didRead = false; !didRead;) {
                if (!canRead()) return EndPass();
                const std::string& address = address_[row_][col_];
                std::string current;
                if (!address.empty()) {
                    current = link.RSRead(address);
                    didRead = true;
                    if (!running) return EndPass();
                }
                SetCell(row_, col_, current);
                if (link.CommError) return EndPass();
                if (++row_ > 14) {
                    if (++col_ > 4) return EndPass();
                    phase_ = Phase::Rate;
                    return true;
                }
            }
            return true;
        }
    }
    return true;
}

std::string MainDisplayPass::CopyText(int top, int left, int bottom, int right) const {
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
