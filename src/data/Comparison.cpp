#include "data/Comparison.h"

#include <algorithm>

#include "data/ItemTable.h"
#include "data/ShiftExport.h"

namespace voran {

namespace {

void addPls(std::vector<Difference>& out, const std::string& what, std::int64_t here,
            std::int64_t board, Difference::Section section = Difference::Section::Pls) {
    if (here != board) out.push_back({section, -1, {}, what, here, board});
}

// "CH03", as the timing window names the channels.
std::string ChannelName(int ch) {
    return "CH0" + std::to_string(ch);
}

// Each section's word in a table row and its heading in the window.
struct SectionWords {
    const char* name;
    const char* heading;
};
constexpr SectionWords kSections[] = {
    {"Set-up", "Set-up items"},
    {"Shift data", "Shift data (production counts)"},
    {"PLS", "PLS timing"},
    {"Not downloaded", "Not changed by a download"},
};

const SectionWords& WordsOf(Difference::Section section) {
    return kSections[static_cast<int>(section)];
}

// The rows of the table, field by field, header first.
std::vector<std::vector<std::string>> Rows(const std::vector<Difference>& differences,
                                           const std::string& hereHeading) {
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"Section", "Item", "Address", "What", hereHeading, "Controller"});
    for (const Difference& d : differences)
        rows.push_back({WordsOf(d.section).name, d.item >= 0 ? std::to_string(d.item) : "",
                        d.address, d.what, std::to_string(d.here), std::to_string(d.board)});
    return rows;
}

}  // namespace

std::vector<Difference> CompareSetups(const SetupData& here, const SetupData& board) {
    std::vector<Difference> setUp, shiftData, pls;
    const std::size_t items = std::min({here.Address.size(), here.Value.size(), board.Value.size(),
                                        static_cast<std::size_t>(ItemCount)});
    for (std::size_t k = 0; k < items; ++k) {
        const int i = static_cast<int>(k);
        if (here.Address[k].empty() || here.Value[k] == board.Value[k]) continue;
        const bool shift = items::kShiftData.contains(i);
        (shift ? shiftData : setUp)
            .push_back({shift ? Difference::Section::ShiftData : Difference::Section::SetUp, i,
                        here.Address[k], items::ItemCaption(i), here.Value[k], board.Value[k]});
    }
    addPls(pls, "PLS channel count", here.ChannelCount, board.ChannelCount);
    addPls(pls, "PLS program number", here.PLSProgram, board.PLSProgram);
    for (int k = 0; k < 8; ++k)
        addPls(pls, "PLS speed compensation, " + ChannelName(k), here.SpeedComp[k],
               board.SpeedComp[k]);
    addPls(pls, "PLS scale factor", here.ScaleFactor, board.ScaleFactor);
    for (int ch = 0; ch < 8; ++ch) {
        const std::string channel = "PLS " + ChannelName(ch);
        addPls(pls, channel + " ON", here.Setpoint[ch][0], board.Setpoint[ch][0]);
        addPls(pls, channel + " OFF", here.Setpoint[ch][1], board.Setpoint[ch][1]);
    }
    // The download sends no offset: the board keeps its own whatever the
    // file holds.
    addPls(pls, "PLS offset", here.ResolverOffset, board.ResolverOffset,
           Difference::Section::NotDownloaded);
    setUp.insert(setUp.end(), shiftData.begin(), shiftData.end());
    setUp.insert(setUp.end(), pls.begin(), pls.end());
    return setUp;
}

std::vector<Difference> SetUpOnly(std::vector<Difference> differences) {
    std::erase_if(differences,
                  [](const Difference& d) { return d.section == Difference::Section::ShiftData; });
    return differences;
}

bool ChangedByDownload(const Difference& d) {
    return d.section != Difference::Section::NotDownloaded;
}

std::size_t DownloadChanges(const std::vector<Difference>& differences) {
    return static_cast<std::size_t>(
        std::count_if(differences.begin(), differences.end(), ChangedByDownload));
}

std::string SectionHeading(Difference::Section section) {
    return WordsOf(section).heading;
}

std::string DifferenceLine(const Difference& d, const std::string& hereWord) {
    std::string line = ChangedByDownload(d) ? "" : "not changed by a download: ";
    if (d.item >= 0) line += "item " + std::to_string(d.item) + " " + d.address + " ";
    return line + d.what + ": " + hereWord + " " + std::to_string(d.here) + ", board " +
           std::to_string(d.board);
}

std::string ComparisonTabText(const std::vector<Difference>& differences,
                              const std::string& hereHeading) {
    std::string out;
    for (const auto& row : Rows(differences, hereHeading)) {
        for (std::size_t f = 0; f < row.size(); ++f) out += (f ? "\t" : "") + row[f];
        out += "\n";
    }
    return out;
}

std::string ComparisonCsv(const std::vector<Difference>& differences,
                          const std::string& hereHeading) {
    std::string out;
    for (const auto& row : Rows(differences, hereHeading)) {
        for (std::size_t f = 0; f < row.size(); ++f) out += (f ? "," : "") + CsvField(row[f]);
        out += "\r\n";
    }
    return out;
}

}  // namespace voran
