#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "data/SetupData.h"

namespace voran {

// The ".sdt" set-up file: one SetupData record, field by field, little-endian,
// nothing between the fields:
//   u16 version length, version bytes, f64 stamp (OLE date),
//   address table: u16 dimensions (1), u32 entries, i32 lowest index (0),
//                  each text as u16 length + bytes,
//   value table:   u16 dimensions (1), u32 entries, i32 lowest index (0),
//                  each value as i32,
//   i16 ChannelCount, ScaleFactor, ResolverOffset, PLSProgram,
//   i16 SpeedComp[8], i16 ON[8], i16 OFF[8].
// With the standard 78-item table a file is 931 + version length bytes.
// Texts are kept as the bytes they are; a byte above 127 is read and
// written back unchanged.

// The outcome of a read or write. `error` says what went wrong in words an
// operator can act on ("the file ends before the set-up record is
// complete", "No space left on device").
struct SetupFileResult {
    bool ok = false;
    std::string error;

    explicit operator bool() const { return ok; }
    static SetupFileResult Ok() { return {true, {}}; }
    static SetupFileResult Fail(std::string why) { return {false, std::move(why)}; }
};

// The record's bytes. Fails only for a text longer than 65535 bytes.
SetupFileResult EncodeSetupData(const SetupData& data, std::string& bytes);

// Reads one record from the start of `bytes` (anything after it is ignored).
// The tables take the entry counts stored in the file. Every length and
// count is checked against the bytes left before anything is allocated; on
// failure `out` is left exactly as it was.
SetupFileResult DecodeSetupData(std::string_view bytes, SetupData& out);

// Reads the record of the file at `path` into `out`; `out` is untouched on
// failure.
SetupFileResult ReadSetupFile(const std::string& path, SetupData& out);

// Writes `data` as the file `path`. The record goes to a temporary file in
// the same folder, is flushed to the disk, and only then renamed over the
// old file; on any failure the old file is left as it was and the
// temporary file is removed.
SetupFileResult WriteSetupFile(const std::string& path, const SetupData& data);

}  // namespace voran
