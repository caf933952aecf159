#include "data/Report.h"

#include <QLocale>

namespace voran {

const PrintFont Report::kItemFont{"Times", 12, false, false, false};
const PrintFont Report::kHeadingFont{"Times", 14, true, false, false};
const PrintFont Report::kPageHeaderFont{"Times", 12, true, false, false};
const PrintFont Report::kPageFooterFont{"Times", 10, false, false, false};

namespace {

std::string Decimal(std::int32_t value) {
    return std::to_string(value);
}

// A count with the locale's digit grouping ("12,345" in the US).
std::string Grouped(std::int32_t value) {
    return QLocale().toString(static_cast<qlonglong>(value)).toStdString();
}

}  // namespace

Report::Report(IPrinter& printer, const SetupData& data, std::string reportName)
    : printer_(printer), data_(data), reportName_(std::move(reportName)) {}

std::string Report::StationLabel(int n) {
    if (n == 12) return "Flanger:";
    if (n == 13) return "Total:";
    return (n < 10 ? "Station #0" : "Station #") + std::to_string(n) + ":";
}

bool Report::GenerateReport() {
    LeftMargin = 0.5;
    PrintSetupPart();
    PrintShiftPart();
    return printer_.endDocument();
}

void Report::PrintPageHeader() {
    printer_.setFont(kPageHeaderFont);
    const std::string title = "QTR-VORAN Report: " + reportName_;
    const double w = printer_.pageWidth();
    printer_.setPosition((w - printer_.textWidth(title) - LeftMargin) / 2, 0.1);
    printer_.print(title, true);
    const double rule = printer_.currentY() + printer_.textHeight(title);
    printer_.drawLine(LeftMargin, rule, w - LeftMargin, rule);
    printer_.setPosition(LeftMargin, rule + 0.25);
}

void Report::PrintPageFooter() {
    const std::string pageText = "Page " + std::to_string(printer_.page());
    const std::string dateText = GeneralDate(FromOleDate(data_.Stamp));
    printer_.setFont(kPageFooterFont);
    const double w = printer_.pageWidth();
    const double y = printer_.pageHeight() - printer_.textHeight("I") - 0.1;
    printer_.setPosition(LeftMargin, y);
    printer_.print(dateText, false);
    printer_.setPosition(w - printer_.textWidth(pageText) - LeftMargin, y);
    printer_.print(pageText, true);
    printer_.drawLine(LeftMargin, y - 0.1, w - LeftMargin, y - 0.1);
    printer_.newPage();
}

void Report::EnsureRoom(bool force, int lines) {
    if (force) PrintPageFooter();
    if (printer_.pageHeight() - lines * printer_.textHeight("I") < printer_.currentY() + 0.9)
        PrintPageFooter();
    if (printer_.currentY() == 0) PrintPageHeader();
}

void Report::heading(const std::string& text) {
    printer_.setFont(kHeadingFont);
    printer_.setPosition(LeftMargin + 0.25, printer_.currentY());
    printer_.print(text, true);
    printer_.setFont(kItemFont);
}

void Report::itemLine(const std::string& label, const std::string& value) {
    printer_.setPosition(LeftMargin + 0.5, printer_.currentY());
    printer_.print(label, false);
    printer_.setPosition(kValueRight - printer_.textWidth(value), printer_.currentY());
    printer_.print(value, true);
}

// Items firstItem .. firstItem + count - 1 under the labels Station #01 on.
void Report::stationLines(int firstItem, int count) {
    for (int k = 0; k < count; ++k)
        itemLine(StationLabel(k + 1), Decimal(data_.Value[firstItem + k]));
}

void Report::PrintSetupPart() {
    PrintPageHeader();
    printer_.setFont(kHeadingFont);
    printer_.print("Set-up Parameters", true);
    printer_.printEmptyLine();

    heading("A. Number of Shifts to Each Station");
    stationLines(0, 12);
    printer_.printEmptyLine();

    EnsureRoom(false, 12);
    heading("B. Number of Missing Cans for Transfer Jam Alarm");
    stationLines(12, 12);
    printer_.printEmptyLine();

    EnsureRoom(false, 13);
    heading("C. Calibrated Number of Shifts (to each station)");
    stationLines(24, 13);
    printer_.printEmptyLine();

    EnsureRoom(false, 13);
    heading("D. Transfer Jam Enable");
    for (int k = 0; k < 12; ++k)
        itemLine(StationLabel(k + 1), (data_.Value[37] >> k) & 1 ? "Enabled" : "Disabled");
    printer_.printEmptyLine();

    EnsureRoom(false, 21);
    heading("E. PLS Configuration & Channel Setpoints");
    itemLine("1. Number of PLS Channels: ", Decimal(data_.ChannelCount));
    itemLine("2. PLS Scale Factor: ", Decimal(data_.ScaleFactor));
    itemLine("3. PLS Program: ", Decimal(data_.PLSProgram));
    auto line = [this](double x, const std::string& text) {
        printer_.setPosition(x, printer_.currentY());
        printer_.print(text, true);
    };
    line(LeftMargin + 0.5, "4. Speed Compensation (advance): ");
    for (int c = 0; c < 8; ++c)
        line(LeftMargin + 1.0,
             "CH0" + std::to_string(c) + " (msec):  " + Decimal(data_.SpeedComp[c]));
    line(LeftMargin + 0.5, "5. Channel Setpoints (ON - OFF): ");
    for (int c = 0; c < 8; ++c)
        line(LeftMargin + 1.0, "CH0" + std::to_string(c) + ":  " + Decimal(data_.Setpoint[c][0]) +
                                   "  - " + Decimal(data_.Setpoint[c][1]));

    printer_.printEmptyLine();
    PrintPageFooter();
}

// "1. Total Good Cans:", "2. Total Jams:" and the jams of each station, from
// item `firstItem` on (38 for the current shift, 52 for the last).
void Report::shiftSection(const std::string& title, int firstItem) {
    heading(title);
    itemLine("1. Total Good Cans:", Decimal(data_.Value[firstItem]));
    itemLine("2. Total Jams:", Decimal(data_.Value[firstItem + 1]));
    printer_.setPosition(LeftMargin + 0.5, printer_.currentY());
    printer_.print("3. Jams Per Station:", true);
    for (int k = 0; k < 12; ++k) {
        std::string label;
        if (k < 9)
            label = "0" + std::to_string(k + 1) + ": ";
        else if (k < 11)
            label = std::to_string(k + 1) + ": ";
        else
            label = "Flanger: ";
        // The labels end at 2.0 inches, whatever their width.
        printer_.setPosition(LeftMargin + 1.5 - printer_.textWidth(label), printer_.currentY());
        printer_.print(label + Grouped(data_.Value[firstItem + 2 + k]), true);
    }
}

void Report::PrintShiftPart() {
    PrintPageHeader();
    printer_.setFont(kHeadingFont);
    printer_.print("Data Collection Counts (shift data)", true);
    printer_.printEmptyLine();

    shiftSection("A. Current Shift Data", 38);
    printer_.printEmptyLine();
    EnsureRoom(false, 16);
    shiftSection("B. Last (previous) Shift Data", 52);
    printer_.printEmptyLine();
    PrintPageFooter();
}

}  // namespace voran
