#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistorySample.h"
#include "link/RSComm.h"

namespace voran {
class IClock;
class RecentReadings;
}  // namespace voran

namespace voran::history {

class HistoryStore;

// What one call of the sampler did.
enum class SampleOutcome {
    Stored,       // a sample was read and written
    NotDue,       // its time has not come
    LinkBusy,     // another operation holds the link (or it is offline): tried at the next tick
    ReadFailed,   // a read failed: nothing was stored
    StoreFailed,  // every read succeeded, but the database did not take the sample
    Reading,      // step(): one item read, the sample is under way
};

// Samples the board into a history every interval. A sample is read in one
// transaction of the link, so it never re-enters the link and never runs
// while a modal operation holds it; its items are read in one read command,
// one address pair a byte (SampleAddresses()). An item the link read lately
// (the open window's pass, the alarm poll: `readings`) is taken from there
// instead, so the board is asked only for the rest. A sample any of whose
// reads failed is not stored at all: the history has a gap there, never a 0.
class Sampler {
public:
    static constexpr double kDefaultInterval = 60;
    static constexpr double kMinInterval = 5;
    static constexpr double kMaxInterval = 3600;
    // How old a reading may be to stand in for a read: the lesser of this
    // and half the interval (freshFor()).
    static constexpr double kFreshFor = 5;

    // `interval` is kept within kMinInterval .. kMaxInterval. `readings`, when
    // given, are the link's recent readings (the link tells them; the sampler
    // only looks).
    Sampler(RSComm& link, HistoryStore& store, IClock& clock, double interval = kDefaultInterval,
            const RecentReadings* readings = nullptr);

    // Samples when the next sample is due (the first at once).
    SampleOutcome tick();
    // Samples now, whether due or not; the next is due an interval later.
    SampleOutcome sampleNow();
    // The same sample in steps, for a program whose window must stay usable:
    // each call reads one item in a transaction of its own (the link stays
    // in read mode between them, so the exchanges are those of tick()), and
    // the last stores the sample. A link fault or a failed read ends the
    // sample (ReadFailed, nothing stored); a held link waits (LinkBusy).
    // A sampler is driven by tick() or by step(), never by both: they share
    // the sample under way.
    SampleOutcome step();
    bool sampling() const { return !stepTime_.empty(); }
    // The operator pressed End of Shift: the next stored sample carries the
    // shift change.
    void noteEndOfShift() { endOfShift_ = true; }

    double interval() const { return interval_; }
    // A main display pass comes round within a second or two even on a slow
    // line, and the alarm poll every 1.5 s; 5 s takes both with room for a
    // few retries, yet keeps the sample's time within 5 s of its values.
    // Half the interval keeps two samples from sharing one reading.
    double freshFor() const;
    // Clock time (IClock::now) at which the next sample is due; none before
    // the first.
    std::optional<double> nextDue() const { return nextDue_; }
    // The last sample stored, with its event when it had one.
    const std::optional<Sample>& lastStored() const { return last_; }
    const std::optional<ShiftEvent>& lastEvent() const { return lastEvent_; }
    // Why the last sample failed (a read or the database).
    const std::string& lastError() const { return error_; }

private:
    // The sample's values, read in one transaction, or nothing when a read
    // failed.
    std::optional<Sample> read();
    // Begins the sample under way: its time, nothing known of it yet.
    void startSample();
    // Reads the first item not known yet on `t`; a failed read ends the
    // sample (lastError()) and gives false.
    bool readNext(RSComm::Transaction& t);
    // The sample from its complete values; ends the sample under way.
    Sample finishSample(const std::vector<std::int64_t>& values);
    // The value of item `k` of SampleAddresses() for the sample under way:
    // read by it, or a fresh reading; nothing when it must be read.
    std::optional<std::int64_t> known(std::size_t k) const;
    // The first item still to be read; SampleAddresses().size() for none.
    std::size_t firstUnknown() const;
    // The values when every item is known.
    std::optional<std::vector<std::int64_t>> knownValues() const;
    void endSample();
    // Puts a sample together from the values of SampleAddresses().
    static Sample FromValues(std::string time, const std::vector<std::int64_t>& values);
    // Writes a complete sample with the shift change it brings.
    SampleOutcome store(const Sample& s);
    // The first sample is due at once; the next an interval after this one.
    void scheduleNext();

    RSComm& link_;
    HistoryStore& store_;
    IClock& clock_;
    const RecentReadings* readings_;
    double interval_;
    std::optional<double> nextDue_;
    bool endOfShift_ = false;
    std::optional<Sample> last_;
    std::optional<ShiftEvent> lastEvent_;
    std::string error_;
    // The sample being read: its time and the values read for it so far
    // (none for an item not read, or taken from the readings).
    std::string stepTime_;
    std::vector<std::optional<std::int64_t>> stepValues_;
};

// The items a sample reads, in reading order: good cans and total jams of
// the current shift (double words), its jams per station (12 words), the
// machine CPM (a word) and the two alarm bytes whose bits are the three
// alarms the frame polls (B111.4, B111.6, B121.7), each byte read once.
const std::vector<std::string>& SampleAddresses();

}  // namespace voran::history
