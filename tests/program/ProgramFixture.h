#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "SimLink.h"
#include "SimProgram.h"
#include "program/HexImage.h"
#include "program/ProgramFiles.h"
#include "program/ProgramState.h"

namespace voran::testing {

using Bytes = std::vector<std::uint8_t>;

// A revision line: the ident, then checksum and revision as MarkHEX pairs.
inline std::string revisionText(const std::string& ident, int checksum, int revision) {
    std::string c = HexByteText(checksum), r = HexByteText(revision);
    return ident + HEX2MarkHEX(c) + HEX2MarkHEX(r) + "\r\n";
}

// An image of `data` from `start` in 16-byte records and the end record.
inline std::string imageText(int start, const Bytes& data) {
    std::string text;
    for (std::size_t i = 0; i < data.size(); i += 16) {
        const int n = static_cast<int>(std::min<std::size_t>(16, data.size() - i));
        text += HexRecordLine(start + static_cast<int>(i), data.data() + i, n);
    }
    return text + kHexEndRecord + "\r\n";
}

// The link online against the in-process board, in a program folder that
// holds the program sets a test writes.
class ProgramTest : public ::testing::Test, protected FreshLink {
protected:
    ProgramState program;

    void goOnline() {
        link.OnlineMode = true;
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
    // Writes a program set NAME.tnx/.rev/.hex (and .lcf when given); returns
    // the path of the program file.
    std::string writeSet(const std::string& name, char boardType,
                         const std::optional<std::string>& revision,
                         const std::optional<std::string>& image,
                         const std::optional<std::string>& config = std::nullopt) {
        std::string tnx(1, boardType);
        tnx += "PROGRAM,TARNIX\r\n";
        folder.write(name + ".tnx", tnx);
        if (revision) folder.write(name + ".rev", *revision);
        if (image) folder.write(name + ".hex", *image);
        if (config) folder.write(name + ".lcf", *config);
        return folder.path(name + ".tnx");
    }
    void setIdent(const std::string& ident, int checksum, int revision) {
        for (int i = 0; i < 8; ++i)
            board.memory()[kIdentBlock + i] =
                i < static_cast<int>(ident.size()) ? static_cast<std::uint8_t>(ident[i]) : 0;
        board.memory()[kIdentBlock + 8] = static_cast<std::uint8_t>(checksum);
        board.memory()[kIdentBlock + 9] = static_cast<std::uint8_t>(revision);
    }
    // Bytes the PC sent since the trace was cleared.
    Bytes sent() const { return port.sent(); }
};

}  // namespace voran::testing
