#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "program/BoardTable.h"

namespace voran {

// One record of an Intel HEX program image as the download sends it: the
// byte count, the two address bytes and the data. The record type and the
// record's own checksum never go to the board.
struct HexRecord {
    int line = 0;  // 1-based line of the image file
    int addressHigh = 0;
    int addressLow = 0;
    std::vector<std::uint8_t> data;

    int address() const { return addressHigh * 256 + addressLow; }
    // The board's answer to the record: the low byte of the sum of the
    // count, both address bytes and every data byte.
    int sum() const;
};

// An image file read and checked whole before anything is sent.
struct HexImage {
    bool ok = false;
    int badLine = 0;     // the first line at fault when not ok
    std::string reason;  // what is wrong with it, in words
    // The records to send in file order; records of count 0 (the end
    // record) send nothing and are left out.
    std::vector<HexRecord> records;
};

// Checks every line of `text`: it begins with ":", holds hexadecimal digits
// only, its length fits its byte count, and its record checksum is right. A
// single empty line at the very end is allowed. A count of FFH is refused:
// the board would take that byte as the end of program mode. The image is
// whole only with its end record (type 01, no data) as its last record: a
// file cut short at a record boundary looks right line by line. Records of
// any other type than data (00) and end (01) are refused (the board would
// store an extended-address record as data at its address), and so is a
// record that runs past FFFFH.
HexImage ParseHexImage(const std::string& text);

// The stretches of an image's data that lie outside `memory`, as first and
// last address, in address order, touching ones merged.
std::vector<std::pair<int, int>> BytesOutside(const HexImage& image, const MemoryRange& memory);
// "4000H to BFFFH".
std::string AddressRangeText(const std::pair<int, int>& range);

// One data record as an upload writes it (":10AAAA00", the data digits,
// the record checksum, CR LF), and the end record that closes an image.
std::string HexRecordLine(int address, const std::uint8_t* data, int count);
inline constexpr const char* kHexEndRecord = ":00000001FF";

}  // namespace voran
