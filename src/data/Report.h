#pragma once

#include <string>

#include "data/SetupData.h"
#include "platform/Printer.h"

namespace voran {

// The printed report of a set-up record, two parts: the set-up parameters
// (sections A to D), the PLS configuration and channel setpoints (section E),
// then on a new page the shift data. Every page has a header (title and a
// rule) and a footer (the data's date, the page number and a rule). All
// lengths are in inches from the top-left corner of the printable area.
class Report {
public:
    // Fonts, all "Times".
    static const PrintFont kItemFont;        // 12 pt
    static const PrintFont kHeadingFont;     // 14 pt bold
    static const PrintFont kPageHeaderFont;  // 12 pt bold
    static const PrintFont kPageFooterFont;  // 10 pt
    // Item values end here; the shift part's station labels end 0.5 further.
    static constexpr double kValueRight = 3.5;

    // `reportName` is the file caption ("[line3.sdt]" or "[unnamed]").
    Report(IPrinter& printer, const SetupData& data, std::string reportName);

    // Both parts, then the document is ended. False when the printer could
    // not produce it.
    bool GenerateReport();

    void PrintSetupPart();
    void PrintShiftPart();
    // "QTR-VORAN Report: " + name, centred, with a rule under it.
    void PrintPageHeader();
    // Date of the data left, "Page n" right, a rule above; then a new page.
    void PrintPageFooter();
    // Starts a new page when `force` or when fewer than `lines` lines of the
    // current font fit above the footer; a fresh page gets its header.
    void EnsureRoom(bool force, int lines);

    double LeftMargin = 0.5;

    // Label of station n in the set-up part: "Station #01:" .. "Station
    // #11:", 12 "Flanger:", 13 "Total:".
    static std::string StationLabel(int n);

private:
    void heading(const std::string& text);
    void itemLine(const std::string& label, const std::string& value);
    void stationLines(int firstItem, int count);
    void shiftSection(const std::string& title, int firstItem);

    IPrinter& printer_;
    const SetupData& data_;
    std::string reportName_;
};

}  // namespace voran
