#include "data/SetupFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>
#include <type_traits>

#include "platform/FileRead.h"
#include "platform/FileReplace.h"
#include "platform/Logging.h"

namespace voran {

namespace {

// Files larger than this are refused unread: a record that needs more is not
// a set-up file.
constexpr std::size_t kMaxReadBytes = kFileReadLimit;

// The OLE dates a set-up program can represent: 1 Jan 100 to 31 Dec 9999.
constexpr double kOleMin = -657434.0;
constexpr double kOleMax = 2958466.0;

// Tables longer than this are not set-up files (the program's item index is
// a 16-bit number).
constexpr std::uint32_t kMaxTableEntries = 32768;

// Little-endian numbers of any width; a double goes as its IEEE 754 bits.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    template <typename T>
    void num(T v) {
        const auto u = static_cast<std::make_unsigned_t<T>>(v);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            out_.push_back(static_cast<char>((static_cast<std::uint64_t>(u) >> (8 * i)) & 0xFF));
    }
    void f64(double v) { num(std::bit_cast<std::uint64_t>(v)); }
    void text(const std::string& s) {
        num(static_cast<std::uint16_t>(s.size()));
        out_ += s;
    }

private:
    std::string& out_;
};

// Reads from the front of the bytes; every read fails, taking nothing, when
// fewer bytes are left than it needs.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    std::size_t left() const { return in_.size() - pos_; }
    template <typename T>
    bool num(T& v) {
        if (left() < sizeof(T)) return false;
        std::uint64_t acc = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            acc |= std::uint64_t{static_cast<unsigned char>(in_[pos_ + i])} << (8 * i);
        pos_ += sizeof(T);
        v = static_cast<T>(static_cast<std::make_unsigned_t<T>>(acc));
        return true;
    }
    bool f64(double& v) {
        std::uint64_t bits = 0;
        if (!num(bits)) return false;
        v = std::bit_cast<double>(bits);
        return true;
    }
    bool bytes(std::size_t n, std::string& s) {
        if (n > left()) return false;
        s.assign(in_.data() + pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
};

const char* const kShort = "the file ends before the set-up record is complete";

// The descriptor of one table: one dimension starting at index 0, and no
// more entries than the bytes left can hold at `minEntryBytes` each.
SetupFileResult readDescriptor(Reader& r, const char* table, std::size_t minEntryBytes,
                               std::uint32_t& count) {
    std::uint16_t dims = 0;
    std::int32_t lowest = 0;
    if (!r.num(dims) || !r.num(count) || !r.num(lowest)) return SetupFileResult::Fail(kShort);
    const std::string name(table);
    if (dims != 1)
        return SetupFileResult::Fail("the " + name + " table has " + std::to_string(dims) +
                                     " dimensions instead of 1");
    if (lowest != 0)
        return SetupFileResult::Fail("the " + name + " table starts at index " +
                                     std::to_string(lowest) + " instead of 0");
    if (count > kMaxTableEntries)
        return SetupFileResult::Fail("the " + name + " table declares " + std::to_string(count) +
                                     " entries, more than a set-up file holds");
    if (static_cast<std::size_t>(count) * minEntryBytes > r.left())
        return SetupFileResult::Fail("the " + name + " table declares " + std::to_string(count) +
                                     " entries but the file ends before them");
    return SetupFileResult::Ok();
}

}  // namespace

SetupFileResult EncodeSetupData(const SetupData& d, std::string& bytes) {
    constexpr std::size_t kMaxText = std::numeric_limits<std::uint16_t>::max();
    if (d.Version.size() > kMaxText)
        return SetupFileResult::Fail("the version text is longer than 65535 bytes");
    for (std::size_t i = 0; i < d.Address.size(); ++i)
        if (d.Address[i].size() > kMaxText)
            return SetupFileResult::Fail("the address of item " + std::to_string(i) +
                                         " is longer than 65535 bytes");
    std::string out;
    out.reserve(1024 + d.Version.size());
    Writer w(out);
    w.text(d.Version);
    w.f64(d.Stamp);
    w.num(std::uint16_t{1});
    w.num(static_cast<std::uint32_t>(d.Address.size()));
    w.num(std::int32_t{0});
    for (const std::string& a : d.Address) w.text(a);
    w.num(std::uint16_t{1});
    w.num(static_cast<std::uint32_t>(d.Value.size()));
    w.num(std::int32_t{0});
    for (const std::int32_t v : d.Value) w.num(v);
    w.num(d.ChannelCount);
    w.num(d.ScaleFactor);
    w.num(d.ResolverOffset);
    w.num(d.PLSProgram);
    for (const std::int16_t v : d.SpeedComp) w.num(v);
    for (const auto& sp : d.Setpoint) w.num(sp[0]);
    for (const auto& sp : d.Setpoint) w.num(sp[1]);
    bytes = std::move(out);
    return SetupFileResult::Ok();
}

SetupFileResult DecodeSetupData(std::string_view bytes, SetupData& out) {
    if (bytes.empty()) return SetupFileResult::Fail("the file is empty");
    Reader r(bytes);
    SetupData d;

    std::uint16_t len = 0;
    if (!r.num(len)) return SetupFileResult::Fail(kShort);
    if (len > r.left())
        return SetupFileResult::Fail("the version text is declared as " + std::to_string(len) +
                                     " bytes but the file ends before them");
    r.bytes(len, d.Version);
    if (!r.f64(d.Stamp)) return SetupFileResult::Fail(kShort);
    if (!std::isfinite(d.Stamp) || d.Stamp < kOleMin || d.Stamp >= kOleMax)
        return SetupFileResult::Fail("the date stamp is not a date");

    std::uint32_t count = 0;
    if (auto res = readDescriptor(r, "address", 2, count); !res) return res;
    d.Address.assign(count, std::string());
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t n = 0;
        if (!r.num(n)) return SetupFileResult::Fail(kShort);
        if (n > r.left())
            return SetupFileResult::Fail("the address of item " + std::to_string(i) +
                                         " is declared as " + std::to_string(n) +
                                         " bytes but the file ends before them");
        r.bytes(n, d.Address[i]);
    }

    if (auto res = readDescriptor(r, "value", 4, count); !res) return res;
    d.Value.assign(count, 0);
    for (std::uint32_t i = 0; i < count; ++i) r.num(d.Value[i]);

    bool ok = r.num(d.ChannelCount) && r.num(d.ScaleFactor) && r.num(d.ResolverOffset) &&
              r.num(d.PLSProgram);
    for (auto& v : d.SpeedComp) ok = ok && r.num(v);
    for (auto& sp : d.Setpoint) ok = ok && r.num(sp[0]);
    for (auto& sp : d.Setpoint) ok = ok && r.num(sp[1]);
    if (!ok) return SetupFileResult::Fail(kShort);

    out = std::move(d);
    return SetupFileResult::Ok();
}

SetupFileResult ReadSetupFile(const std::string& path, SetupData& out) {
    // A regular file only (a named pipe is never waited on), and none past
    // the limit.
    const FileReadResult read = ReadFileContents(path, kMaxReadBytes);
    if (!read) return SetupFileResult::Fail(read.reason);
    qCDebug(lcData) << "read" << read.bytes.size() << "bytes from" << path.c_str();
    return DecodeSetupData(read.bytes, out);
}

// The record goes to the disk through the one file replacement of the
// program: a temporary file renamed over the old one, links followed,
// permissions kept.
SetupFileResult WriteSetupFile(const std::string& path, const SetupData& data) {
    std::string bytes;
    if (auto res = EncodeSetupData(data, bytes); !res) return res;
    const FileWriteResult written = ReplaceFileContents(path, bytes);
    if (!written) return SetupFileResult::Fail(written.reason);
    qCDebug(lcData) << "wrote" << bytes.size() << "bytes to" << path.c_str();
    return SetupFileResult::Ok();
}

}  // namespace voran
