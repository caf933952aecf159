// The report drawn on the recording printer: every line of both parts with
// the default data, the bits of the enable mask, the geometry in inches, the
// header and footer of each page and the page breaks.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "RecordingPrinter.h"
#include "data/Report.h"
#include "data/SetupData.h"

namespace voran::testing {
namespace {

constexpr double kEps = 1e-9;
const DateTime kStamp{2026, 3, 14, 9, 26, 53, 0};
const char* const kStations[12] = {
    "Station #01:", "Station #02:", "Station #03:", "Station #04:", "Station #05:", "Station #06:",
    "Station #07:", "Station #08:", "Station #09:", "Station #10:", "Station #11:", "Flanger:"};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { tables.BuildDefaults(kStamp); }

    void print(const std::string& name = "[unnamed]") {
        Report(printer, tables.CurrentData, name).GenerateReport();
    }

    static bool isFrame(const RecordingPrinter::Text& t) {
        return t.font == Report::kPageHeaderFont || t.font == Report::kPageFooterFont;
    }
    // The texts between header and footer, those on one line joined by '|'.
    std::vector<std::string> bodyRows() const {
        std::vector<std::string> rows;
        const RecordingPrinter::Text* last = nullptr;
        for (const RecordingPrinter::Text& t : printer.texts) {
            if (isFrame(t)) continue;
            if (last && last->page == t.page && std::abs(last->y - t.y) < kEps)
                rows.back() += "|" + t.text;
            else
                rows.push_back(t.text);
            last = &t;
        }
        return rows;
    }
    // The `count` rows under the heading `heading`.
    std::vector<std::string> rowsUnder(const std::string& heading, int count) const {
        const std::vector<std::string> rows = bodyRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i] == heading)
                return {rows.begin() + i + 1, rows.begin() + std::min(rows.size(), i + 1 + count)};
        return {};
    }
    int pageOf(const std::string& text) const {
        const RecordingPrinter::Text* t = printer.find(text);
        return t ? t->page : 0;
    }

    SetupTables tables;
    RecordingPrinter printer;
};

TEST_F(ReportTest, DefaultDataPrintsEverySectionWithItsValues) {
    print();
    std::vector<std::string> want{"Set-up Parameters", "A. Number of Shifts to Each Station"};
    for (int k = 0; k < 12; ++k)
        want.push_back(kStations[k] + std::string("|") + std::to_string(20 * (k + 1)));
    want.push_back("B. Number of Missing Cans for Transfer Jam Alarm");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|5"));
    want.push_back("C. Calibrated Number of Shifts (to each station)");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|0"));
    want.push_back("Total:|0");
    want.push_back("D. Transfer Jam Enable");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|Enabled"));
    for (const char* row :
         {"E. PLS Configuration & Channel Setpoints", "1. Number of PLS Channels: |8",
          "2. PLS Scale Factor: |360", "3. PLS Program: |0", "4. Speed Compensation (advance): "})
        want.push_back(row);
    for (int c = 0; c < 8; ++c) want.push_back("CH0" + std::to_string(c) + " (msec):  0");
    for (const char* row :
         {"5. Channel Setpoints (ON - OFF): ", "CH00:  180  - 240", "CH01:  90  - 270",
          "CH02:  0  - 0", "CH03:  0  - 0", "CH04:  0  - 0", "CH05:  0  - 0", "CH06:  0  - 0",
          "CH07:  0  - 0", "Data Collection Counts (shift data)"})
        want.push_back(row);
    for (const char* shift : {"A. Current Shift Data", "B. Last (previous) Shift Data"}) {
        for (const char* row : {shift, "1. Total Good Cans:|0", "2. Total Jams:|0",
                                "3. Jams Per Station:", "01: 0", "02: 0", "03: 0", "04: 0", "05: 0",
                                "06: 0", "07: 0", "08: 0", "09: 0", "10: 0", "11: 0", "Flanger: 0"})
            want.push_back(row);
    }
    EXPECT_EQ(bodyRows(), want);
    EXPECT_EQ(printer.endCount, 1);
}

TEST_F(ReportTest, EnableMaskBitsGiveEnabledOrDisabledPerStation) {
    const struct {
        int mask;
        std::vector<int> enabled;  // station numbers 1 .. 12
    } cases[] = {{2047, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}, {1, {1}}, {2048, {12}}, {0, {}}};
    for (const auto& c : cases) {
        printer = RecordingPrinter();
        tables.CurrentData.Value[37] = c.mask;
        print();
        std::vector<std::string> want;
        for (int n = 1; n <= 12; ++n) {
            const bool on = std::find(c.enabled.begin(), c.enabled.end(), n) != c.enabled.end();
            want.push_back(kStations[n - 1] + std::string(on ? "|Enabled" : "|Disabled"));
        }
        EXPECT_EQ(rowsUnder("D. Transfer Jam Enable", 12), want) << "mask " << c.mask;
    }
}

TEST_F(ReportTest, SectionCHasThirteenLinesEndingWithTheTotal) {
    for (int i = 24; i <= 36; ++i) tables.CurrentData.Value[i] = 500 + i;
    print();
    const std::vector<std::string> rows =
        rowsUnder("C. Calibrated Number of Shifts (to each station)", 14);
    ASSERT_EQ(rows.size(), 14u);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(rows[k], kStations[k] + std::string("|") + std::to_string(524 + k));
    EXPECT_EQ(rows[12], "Total:|536");
    EXPECT_EQ(rows[13], "D. Transfer Jam Enable") << "nothing between the total and section D";
}

TEST_F(ReportTest, ValuesEndAtThreeAndAHalfInchesAndShiftLabelsAtTwo) {
    auto& v = tables.CurrentData.Value;
    v[0] = 7;
    v[38] = 1234567;  // item lines: no digit grouping
    v[40] = 12345;    // jams per station: grouped
    v[65] = -1500;
    print();
    const auto& texts = printer.texts;
    int itemLines = 0;
    for (size_t i = 0; i + 1 < texts.size(); ++i) {
        const auto& a = texts[i];
        const auto& b = texts[i + 1];
        if (isFrame(a) || a.page != b.page || std::abs(a.y - b.y) > kEps) continue;
        ++itemLines;
        EXPECT_NEAR(a.x, 1.0, kEps) << a.text;
        EXPECT_NEAR(b.x + printer.widthOf(b), 3.5, kEps) << b.text;
        EXPECT_EQ(a.font, Report::kItemFont);
    }
    EXPECT_EQ(itemLines, 3 * 12 + 13 + 3 + 2 * 2);

    ASSERT_TRUE(printer.find("1234567") && printer.find("01: 12,345") &&
                printer.find("Flanger: -1,500"));
    const std::map<std::string, std::string> shiftLabels{
        {"01: 12,345", "01: "}, {"10: 0", "10: "}, {"Flanger: -1,500", "Flanger: "}};
    for (const auto& [text, label] : shiftLabels) {
        const auto* t = printer.find(text);
        EXPECT_NEAR(t->x + RecordingPrinter::WidthOf(label, t->font), 2.0, kEps) << text;
    }
    const std::map<std::string, double> starts{{"Set-up Parameters", 0.5},
                                               {"A. Number of Shifts to Each Station", 0.75},
                                               {"4. Speed Compensation (advance): ", 1.0},
                                               {"CH01:  90  - 270", 1.5},
                                               {"Data Collection Counts (shift data)", 0.5},
                                               {"B. Last (previous) Shift Data", 0.75}};
    for (const auto& [text, x] : starts) {
        ASSERT_TRUE(printer.find(text)) << text;
        EXPECT_NEAR(printer.find(text)->x, x, kEps) << text;
    }
    EXPECT_EQ(printer.find("A. Current Shift Data")->font, Report::kHeadingFont);
}

TEST_F(ReportTest, ThreePagesEachWithHeaderAndFooterTheShiftPartOnTheLast) {
    print("[line3.sdt]");
    EXPECT_EQ(pageOf("C. Calibrated Number of Shifts (to each station)"), 1);
    EXPECT_EQ(pageOf("D. Transfer Jam Enable"), 2) << "thirteen lines no longer fit";
    EXPECT_EQ(pageOf("Data Collection Counts (shift data)"), 3);
    EXPECT_EQ(pageOf("B. Last (previous) Shift Data"), 3);
    EXPECT_EQ(printer.newPages, 3) << "three footers; the last break draws no page";
    const double w = printer.width, h = printer.height;
    const double headH = RecordingPrinter::HeightOf(Report::kPageHeaderFont);
    const double footH = RecordingPrinter::HeightOf(Report::kPageFooterFont);
    const std::string title = "QTR-VORAN Report: [line3.sdt]";
    const std::string date = GeneralDate(kStamp);
    ASSERT_EQ(date, "3/14/2026 9:26:53 AM");
    ASSERT_EQ(printer.pagesDrawn(), 3);
    for (int p = 1; p <= 3; ++p) {
        std::vector<RecordingPrinter::Text> frame;
        double firstBodyY = -1;
        for (const auto& t : printer.texts) {
            if (t.page != p) continue;
            if (isFrame(t))
                frame.push_back(t);
            else if (firstBodyY < 0)
                firstBodyY = t.y;
        }
        ASSERT_EQ(frame.size(), 3u) << "page " << p;
        // Title: (W - width - left margin) / 2 across, 0.1 down.
        EXPECT_EQ(frame[0].text, title);
        EXPECT_NEAR(frame[0].x, (w - RecordingPrinter::WidthOf(title, frame[0].font) - 0.5) / 2,
                    kEps);
        EXPECT_NEAR(frame[0].y, 0.1, kEps);
        const double rule = 0.1 + 2 * headH;
        EXPECT_NEAR(firstBodyY, rule + 0.25, kEps) << "page " << p;
        // Footer: the data's date at the left, the page number ending at the
        // right margin, both one line and 0.1 in above the bottom.
        const double footY = h - footH - 0.1;
        EXPECT_EQ(frame[1].text, date);
        EXPECT_NEAR(frame[1].x, 0.5, kEps);
        EXPECT_NEAR(frame[1].y, footY, kEps);
        EXPECT_EQ(frame[2].text, "Page " + std::to_string(p));
        EXPECT_NEAR(frame[2].x + printer.widthOf(frame[2]), w - 0.5, kEps);
        EXPECT_NEAR(frame[2].y, footY, kEps);

        std::vector<std::array<double, 4>> rules;
        for (const auto& l : printer.lines)
            if (l.page == p) rules.push_back({l.x1, l.y1, l.x2, l.y2});
        ASSERT_EQ(rules.size(), 2u) << "page " << p;
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(rules[0][k], (std::array{0.5, rule, w - 0.5, rule})[k], kEps);
            EXPECT_NEAR(rules[1][k], (std::array{0.5, footY - 0.1, w - 0.5, footY - 0.1})[k], kEps);
        }
    }
}

TEST_F(ReportTest, ShortPageBreaksBeforeEverySectionThatDoesNotFit) {
    printer.height = 6.0;
    print();
    const std::map<std::string, int> pages{{"A. Number of Shifts to Each Station", 1},
                                           {"B. Number of Missing Cans for Transfer Jam Alarm", 2},
                                           {"C. Calibrated Number of Shifts (to each station)", 3},
                                           {"D. Transfer Jam Enable", 4},
                                           {"E. PLS Configuration & Channel Setpoints", 5},
                                           {"Data Collection Counts (shift data)", 6},
                                           {"B. Last (previous) Shift Data", 7}};
    for (const auto& [text, page] : pages) EXPECT_EQ(pageOf(text), page) << text;
    ASSERT_EQ(printer.pagesDrawn(), 7);
    // Every page has its header and footer; nothing runs into the footer.
    const double footRule = 6.0 - RecordingPrinter::HeightOf(Report::kPageFooterFont) - 0.2;
    for (int p = 1; p <= 7; ++p) {
        int headers = 0, footers = 0;
        for (const auto& t : printer.texts) {
            if (t.page != p) continue;
            headers += t.font == Report::kPageHeaderFont;
            footers += t.text == "Page " + std::to_string(p);
            if (!isFrame(t)) {
                EXPECT_LE(t.y + RecordingPrinter::HeightOf(t.font), footRule) << t.text;
            }
        }
        EXPECT_EQ(std::pair(headers, footers), std::pair(1, 1)) << "page " << p;
    }
}

}  // namespace
}  // namespace voran::testing
