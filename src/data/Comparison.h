#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/SetupData.h"

namespace voran {

// One value in which the working data (or a set-up file) and the board
// differ: what a download of the working data would change.
struct Difference {
    // Set-up items (0 .. 37) are the machine's settings; shift-data items
    // (38 .. 77) are production counts, listed apart; then the PLS. The
    // resolver offset is read by an upload but never sent by a download: a
    // difference there is listed apart, as one a download does not change.
    enum class Section { SetUp, ShiftData, Pls, NotDownloaded };
    Section section = Section::SetUp;
    int item = -1;        // item number; -1 for a PLS value
    std::string address;  // "W1004"; empty for a PLS value
    std::string what;     // "Station 03 shifts", "PLS scale factor", "PLS CH03 ON"
    std::int64_t here = 0;
    std::int64_t board = 0;

    bool operator==(const Difference&) const = default;
};

// Every difference between `here` and `board`: the set-up items in item
// order, then the shift-data items, then the PLS configuration, scale
// factor and each channel's ON and OFF setpoints (channels named CH00 ..
// CH07 as in the timing window), and last the resolver offset, which a
// download leaves alone (Section::NotDownloaded). Items without an address
// in `here` are neither read nor written by a transfer and are not compared.
std::vector<Difference> CompareSetups(const SetupData& here, const SetupData& board);

// A download of `here` would change this value in the board.
bool ChangedByDownload(const Difference& d);
// How many of the differences a download would change.
std::size_t DownloadChanges(const std::vector<Difference>& differences);

// The differences without the shift-data items.
std::vector<Difference> SetUpOnly(std::vector<Difference> differences);

// The heading of a section: "Set-up items", "Shift data (production
// counts)", "PLS timing", "Not changed by a download".
std::string SectionHeading(Difference::Section section);

// One line for the command line: "item 2 W1004 Station 03 shifts: file 60,
// board 61", "PLS scale factor: file 360, board 359", "not changed by a
// download: PLS offset: file 202, board 0"; `hereWord` names the working
// side ("file").
std::string DifferenceLine(const Difference& d, const std::string& hereWord);

// The list as a table for the clipboard (tab-separated, lines ending in LF)
// or for a CSV file (fields quoted where needed, rows ending in CR LF): a
// header row "Section, Item, Address, What, <hereHeading>, Controller", then
// one row per difference.
std::string ComparisonTabText(const std::vector<Difference>& differences,
                              const std::string& hereHeading);
std::string ComparisonCsv(const std::vector<Difference>& differences,
                          const std::string& hereHeading);

}  // namespace voran
