// The link and the data transfers against the simulated board on a line
// that misbehaves as the input says: bytes from the PC lost, replies late,
// stale bytes waiting before the PC sends, the board deaf for a while, and
// the operator answering the cable box with Retry a few times. Invariants:
// - a read either gives the item's value in the board or fails: a failed
//   read never comes back as a value;
// - a write that reports success left the value in the board; no write,
//   failed or not, touches any byte but its item's own;
// - an upload that reports itself complete holds exactly what a clean line
//   gives from the same board; one that does not leaves the working record
//   as it was; an upload never changes the board;
// - a download that reports itself complete leaves the board exactly as a
//   clean line does; no download touches a byte outside the item table.
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "Harness.h"
#include "SimPls.h"
#include "data/ItemTable.h"
#include "data/Transfer.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

// What happens on the line at one byte from the PC (numbered from 1). Stale:
// a byte is waiting in the PC's input when it is about to send. Gone:
// the adapter is unplugged (the port hangs up); it is plugged in again while
// the operator looks at the next box.
enum class Fault : std::uint8_t { Drop, Late, Stale, Deaf, Gone, Count };
struct Event {
    Fault fault;
    double seconds = 0;     // Late: how late; Deaf: for how long
    std::uint8_t byte = 0;  // Stale: the byte waiting
    bool done = false;
};

// Delays that matter to the link's waits and the board's frame gap, and a
// few between them.
constexpr double kDelays[] = {0.05, 0.3,  0.39, 0.41, 0.45, 0.49, 0.51, 0.55, 0.61,
                              0.7,  0.95, 0.99, 1.01, 1.05, 1.5,  2.01, 2.5,  3.2};

// The line between the link and the simulated board's port: the board sees
// only what gets through, the link sees the board's answers when the line
// delivers them.
class FaultyLine : public ISerialPort {
public:
    FaultyLine(sim::SimPort& board, ManualClock& clock) : board_(board), clock_(clock) {}

    std::map<long long, Event> events;
    double replyDelay = 0;

    void setPortNumber(int number) override { board_.setPortNumber(number); }
    int portNumber() const override { return board_.portNumber(); }
    bool setSettings(const std::string& s, PortError* e) override {
        return board_.setSettings(s, e);
    }
    std::string settings() const override { return board_.settings(); }
    bool open(PortError* error) override { return board_.open(error); }
    void close() override {
        board_.close();
        input_.clear();
    }
    bool isOpen() const override { return board_.isOpen(); }
    bool lost(PortError* why) const override { return board_.lost(why); }
    int bytesWaiting() override {
        int n = 0;
        for (const auto& [byte, at] : input_)
            if (at <= clock_.now()) ++n;
        return n;
    }
    void discardInput() override {
        while (!input_.empty() && input_.front().second <= clock_.now()) input_.pop_front();
    }
    bool writeByte(std::uint8_t byte) override {
        if (!board_.isOpen() || board_.gone) return false;
        const double now = clock_.now();
        ++written_;
        double late = replyDelay;
        if (auto it = events.find(written_); it != events.end()) {
            const Event& e = it->second;
            switch (e.fault) {
                case Fault::Drop:
                    return true;
                case Fault::Late:
                    late += e.seconds;
                    break;
                case Fault::Stale:  // came before this byte (see readByte)
                    break;
                case Fault::Deaf:
                    deafUntil_ = now + e.seconds;
                    break;
                case Fault::Gone:
                    board_.gone = true;
                    return false;
                case Fault::Count:
                    break;
            }
        }
        if (now < deafUntil_) return true;
        board_.writeByte(byte);
        // The board's port answers at once (no delay of its own); the line
        // delivers the answer when it will.
        for (int b; (b = board_.readByte()) >= 0;)
            deliver(static_cast<std::uint8_t>(b), now + late);
        return true;
    }
    int readByte() override {
        if (input_.empty() || input_.front().second > clock_.now()) return -1;
        const int b = input_.front().first;
        input_.pop_front();
        // A stale byte for the PC's next byte arrives once the PC has taken
        // everything before it: it waits in the input when that byte is about
        // to go out. (One that arrives after the byte went out but before its
        // answer cannot be told from the answer by any link; it is left out.)
        if (input_.empty()) {
            const auto it = events.find(written_ + 1);
            if (it != events.end() && it->second.fault == Fault::Stale && !it->second.done) {
                it->second.done = true;
                deliver(it->second.byte, clock_.now());
            }
        }
        return b;
    }
    bool waitForByte(double deadline) override {
        if (board_.gone) return false;  // hung up: nothing to wait for
        if (!input_.empty() && input_.front().second <= deadline) {
            clock_.advanceTo(input_.front().second);
            return true;
        }
        clock_.advanceTo(deadline);
        return false;
    }

private:
    // Bytes arrive in the order they were sent; a late one holds up those
    // behind it.
    void deliver(std::uint8_t byte, double at) {
        if (!input_.empty() && input_.back().second > at) at = input_.back().second;
        input_.emplace_back(byte, at);
    }
    sim::SimPort& board_;
    ManualClock& clock_;
    long long written_ = 0;
    double deafUntil_ = -1;
    std::deque<std::pair<std::uint8_t, double>> input_;
};

// The link on a board over the faulty line.
struct Rig : fuzz::SimRig {
    FaultyLine line{simPort, clock};
    void open() { fuzz::SimRig::open(line); }
};

// A board holding random values in every item and a random PLS set-up.
void Randomise(sim::SimBoard& board, unsigned salt) {
    std::mt19937 rng(salt);
    for (std::size_t i = 0; i < board.memory().size(); ++i)
        board.memory()[i] = static_cast<std::uint8_t>(i * 131u + salt);
    for (int i = items::kAll.first; i <= items::kAll.last; ++i) {
        const std::string add = items::ItemAddress(i);
        const DecodedAddress a = DecodeAddress(add);
        const std::int64_t max = a.letter == 'W' ? 65535 : a.letter == 'D' ? 655359999 : 255;
        board.preset(add, static_cast<std::int64_t>(rng() % (max + 1)));
    }
    sim::SimPls& pls = board.pls();
    pls.scaleFactor = 90 + static_cast<int>(rng() % 631);
    pls.offset = static_cast<int>(rng() % static_cast<unsigned>(pls.scaleFactor));
    for (int ch = 0; ch < 8; ++ch) {
        if (rng() % 3 == 0) continue;
        const int on = static_cast<int>(rng() % static_cast<unsigned>(pls.scaleFactor));
        int off = static_cast<int>(rng() % static_cast<unsigned>(pls.scaleFactor));
        if (off == on) off = (on + 1) % pls.scaleFactor;
        pls.program(ch, on, off);
    }
    for (auto& c : pls.config) c = static_cast<std::uint8_t>(rng() % 64);
}

// The board's state that a transfer reads or writes.
struct BoardState {
    std::array<std::uint8_t, 65536> memory;
    int scaleFactor, offset;
    std::array<sim::SimPls::Channel, 8> channels;
    std::array<std::uint8_t, 24> config;
    double raw;
    bool operator==(const BoardState&) const = default;
};
BoardState StateOf(sim::SimBoard& b) {
    const sim::SimPls& p = b.pls();
    return {b.memory(), p.scaleFactor, p.offset, p.channels, p.config, p.raw};
}
void SetState(sim::SimBoard& b, const BoardState& s) {
    b.memory() = s.memory;
    sim::SimPls& p = b.pls();
    p.scaleFactor = s.scaleFactor;
    p.offset = s.offset;
    p.channels = s.channels;
    p.config = s.config;
    p.raw = s.raw;
}

// The bytes of the item table.
const std::array<bool, 65536>& ItemBytes() {
    static const std::array<bool, 65536> bytes = [] {
        std::array<bool, 65536> b{};
        for (int i = items::kAll.first; i <= items::kAll.last; ++i) {
            const DecodedAddress a = DecodeAddress(items::ItemAddress(i));
            for (int k = 0; k < a.byteCount(); ++k) b[a.byteAddress + k] = true;
        }
        return b;
    }();
    return bytes;
}

// A transfer on a clean line from the same board state: what the faulty one
// must give when it says it is complete.
struct CleanRun {
    TransferReport report;
    SetupData data;
    BoardState board;
};
CleanRun RunClean(const BoardState& state, const SetupTables& tables, bool upload) {
    Rig rig;
    SetState(rig.board, state);
    rig.open();
    SetupTables t = tables;
    DataTransfer transfer(rig.link, t);
    CleanRun r;
    r.report = transfer.RunTransfer(upload ? kTransferUpload : kTransferDownload);
    r.data = t.CurrentData;
    r.board = StateOf(rig.board);
    return r;
}

// The first difference between two board states, in words.
std::string Difference(const BoardState& a, const BoardState& b) {
    for (std::size_t i = 0; i < a.memory.size(); ++i)
        if (a.memory[i] != b.memory[i])
            return "byte " + std::to_string(i) + " " + std::to_string(a.memory[i]) + " -> " +
                   std::to_string(b.memory[i]);
    if (a.scaleFactor != b.scaleFactor) return "scale factor";
    if (a.offset != b.offset) return "offset";
    if (a.channels != b.channels) return "channels";
    if (a.config != b.config) return "configuration";
    return "resolver";
}

std::string Where(int op, const std::string& what) {
    return "operation " + std::to_string(op) + ": " + what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 512) return -1;
    FuzzedDataProvider in(data, size);
    auto rig = std::make_unique<Rig>();
    Randomise(rig->board, in.ConsumeIntegral<std::uint16_t>());
    const unsigned otherSeed = in.ConsumeIntegral<std::uint16_t>();
    const int operations = 1 + in.ConsumeIntegralInRange(0, 2);
    const int retries = in.ConsumeIntegralInRange(0, 3);
    rig->line.replyDelay = in.ConsumeBool() ? 0.0 : in.PickValueInArray(kDelays);
    std::vector<std::uint8_t> ops;
    for (int k = 0; k < operations; ++k) ops.push_back(in.ConsumeIntegral<std::uint8_t>());

    // The data a download or a write sends: what a clean upload gives from
    // another board.
    SetupTables tables;
    tables.BuildDefaults(rig->clock.localDateTime());
    bool sends = false;
    for (std::uint8_t op : ops) sends = sends || op % 4 == 1 || op % 4 == 3;
    if (sends) {
        Rig other;
        Randomise(other.board, otherSeed);
        other.open();
        DataTransfer(other.link, tables).RunTransfer(kTransferUpload);
    }
    rig->open();
    Check(rig->link.OnlineMode, "the link did not come online");
    while (in.remaining_bytes() >= 3) {
        const long long at = 1 + in.ConsumeIntegralInRange(0, 1999);
        Event e{static_cast<Fault>(in.ConsumeIntegralInRange(0, 4))};
        const std::uint8_t arg = in.ConsumeIntegral<std::uint8_t>();
        e.seconds = kDelays[arg % std::size(kDelays)];
        e.byte = arg;
        rig->line.events[at] = e;
    }
    for (int k = 0; k < retries; ++k) rig->messages.answers.push_back(MsgResult::Retry);
    rig->messages.whileOpen = [r = rig.get()] { r->simPort.gone = false; };

    for (int k = 0; k < operations; ++k) {
        RSComm& link = rig->link;
        if (link.CommError || !link.OnlineMode) {
            // Going online again, as the operator would.
            link.CloseRSComm();
            rig->open();
            if (!link.OnlineMode) break;
        }
        const std::uint8_t op = ops[static_cast<std::size_t>(k)];
        const BoardState before = StateOf(rig->board);
        const int item = op / 4 % ItemCount;
        const std::string add = items::ItemAddress(item);
        switch (op % 4) {
            case 0: {  // read an item
                const std::string text =
                    InTransaction(link, [&](RSComm::Transaction& t) { return t.read(add); });
                if (!text.empty())
                    Check(text == std::to_string(rig->board.peek(add)),
                          Where(k, "read of " + add + " gave " + text + ", the board holds " +
                                       std::to_string(rig->board.peek(add))));
                Check(StateOf(rig->board) == before,
                      Where(k, "a read changed the board: " +
                                   Difference(before, StateOf(rig->board))));
                break;
            }
            case 1: {  // write an item
                const std::int64_t value = tables.CurrentData.Value[static_cast<std::size_t>(item)];
                const bool ok = link.RSWrite(add, std::to_string(value));
                if (ok)
                    Check(rig->board.peek(add) == value,
                          Where(k, "write of " + std::to_string(value) + " to " + add +
                                       " reported success, the board holds " +
                                       std::to_string(rig->board.peek(add))));
                const DecodedAddress a = DecodeAddress(add);
                const bool same = rig->board.memory() == before.memory;
                for (std::uint32_t i = 0; !same && i < before.memory.size(); ++i)
                    if ((i < a.byteAddress || i >= a.byteAddress + a.byteCount()) &&
                        rig->board.memory()[i] != before.memory[i])
                        fuzz::Broken(
                            Where(k, "write to " + add + " changed byte " + std::to_string(i)));
                break;
            }
            case 2: {  // upload
                const SetupData was = tables.CurrentData;
                const CleanRun clean = RunClean(before, tables, true);
                Check(clean.report.complete(), "an upload on a clean line did not complete");
                SetupTables t = tables;
                TransferReport r = DataTransfer(link, t).RunTransfer(kTransferUpload);
                Check(StateOf(rig->board) == before,
                      Where(k, "an upload changed the board: " +
                                   Difference(before, StateOf(rig->board))));
                if (r.complete())
                    Check(t.CurrentData == clean.data,
                          Where(k, "a complete upload holds other data than a clean line gives"));
                else
                    Check(t.CurrentData == was,
                          Where(k, "an upload that did not complete changed the working data"));
                break;
            }
            case 3: {  // download
                const CleanRun clean = RunClean(before, tables, false);
                Check(clean.report.complete(), "a download on a clean line did not complete");
                SetupTables t = tables;
                TransferReport r = DataTransfer(link, t).RunTransfer(kTransferDownload);
                const BoardState after = StateOf(rig->board);
                if (r.complete())
                    Check(
                        after == clean.board,
                        Where(k, "a complete download left the board otherwise than a clean line"));
                const bool same = after.memory == before.memory;
                for (std::uint32_t i = 0; !same && i < after.memory.size(); ++i)
                    if (!ItemBytes()[i] && after.memory[i] != before.memory[i])
                        fuzz::Broken(Where(k, "a download changed byte " + std::to_string(i) +
                                                  ", outside the item table"));
                break;
            }
        }
    }
    return 0;
}
