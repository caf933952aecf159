#include "history/Sampler.h"

#include <algorithm>
#include <cstdlib>

#include "data/ItemTable.h"
#include "history/HistoryStore.h"
#include "link/RSComm.h"
#include "link/RecentReadings.h"
#include "platform/Clock.h"
#include "platform/Logging.h"

namespace voran::history {

namespace {

// Positions in SampleAddresses().
constexpr std::size_t kGood = 0, kTotal = 1, kStations = 2, kCpm = 14, kAlarmByteA = 15,
                      kAlarmByteB = 16;

// The alarms' bits in the two alarm bytes: B111.4, B111.6, B121.7.
constexpr int kTransferJamBit = 4, kTimingSignalBit = 6, kInfeedJamBit = 7;

}  // namespace

const std::vector<std::string>& SampleAddresses() {
    static const std::vector<std::string> addresses = [] {
        std::vector<std::string> a = {items::ItemAddress(items::kCurrentGoodCans),
                                      items::ItemAddress(items::kCurrentTotalJams)};
        for (int k = 0; k < items::kCurrentStationJams.count(); ++k)
            a.push_back(items::ItemAddress(items::kCurrentStationJams[k]));
        a.insert(a.end(), {"W182", "B111", "B121"});
        return a;
    }();
    return addresses;
}

Sampler::Sampler(RSComm& link, HistoryStore& store, IClock& clock, double interval,
                 const RecentReadings* readings)
    : link_(link),
      store_(store),
      clock_(clock),
      readings_(readings),
      interval_(std::clamp(interval, kMinInterval, kMaxInterval)),
      last_(store.lastSample()) {}

SampleOutcome Sampler::tick() {
    if (nextDue_ && clock_.now() < *nextDue_) return SampleOutcome::NotDue;
    return sampleNow();
}

namespace {

// The value of a reply; nothing for a failed read.
std::optional<std::int64_t> ReplyValue(const std::string& text) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') return std::nullopt;
    return v;
}

}  // namespace

Sample Sampler::FromValues(std::string time, const std::vector<std::int64_t>& values) {
    Sample s;
    s.time = std::move(time);
    s.goodCans = values[kGood];
    s.totalJams = values[kTotal];
    for (std::size_t k = 0; k < s.stationJams.size(); ++k) s.stationJams[k] = values[kStations + k];
    s.cpm = values[kCpm];
    s.alarms = {(values[kAlarmByteA] >> kTransferJamBit & 1) != 0,
                (values[kAlarmByteA] >> kTimingSignalBit & 1) != 0,
                (values[kAlarmByteB] >> kInfeedJamBit & 1) != 0};
    return s;
}

double Sampler::freshFor() const {
    return std::min(kFreshFor, interval_ / 2);
}

std::optional<std::int64_t> Sampler::known(std::size_t k) const {
    if (stepValues_[k]) return stepValues_[k];
    if (!readings_) return std::nullopt;
    return readings_->value(SampleAddresses()[k], clock_.now(), freshFor());
}

std::size_t Sampler::firstUnknown() const {
    std::size_t k = 0;
    while (k < SampleAddresses().size() && known(k)) ++k;
    return k;
}

std::optional<std::vector<std::int64_t>> Sampler::knownValues() const {
    std::vector<std::int64_t> values;
    for (std::size_t k = 0; k < SampleAddresses().size(); ++k) {
        const auto v = known(k);
        if (!v) return std::nullopt;
        values.push_back(*v);
    }
    return values;
}

void Sampler::endSample() {
    stepTime_.clear();
    stepValues_.clear();
}

void Sampler::startSample() {
    stepTime_ = IsoTime(clock_.localDateTime());
    stepValues_.assign(SampleAddresses().size(), std::nullopt);
}

bool Sampler::readNext(RSComm::Transaction& t) {
    // A reading only ever goes stale: something is still to be read.
    const std::size_t k = firstUnknown();
    const std::string& address = SampleAddresses()[k];
    stepValues_[k] = ReplyValue(t.read(address));
    if (stepValues_[k]) return true;
    error_ = "reading " + address + " failed";
    qCWarning(lcData, "history sample not stored: %s", error_.c_str());
    endSample();
    return false;
}

Sample Sampler::finishSample(const std::vector<std::int64_t>& values) {
    const Sample s = FromValues(stepTime_, values);
    qCDebug(lcData, "history sample %s: %d of %zu items read from the board", s.time.c_str(),
            static_cast<int>(std::count_if(stepValues_.begin(), stepValues_.end(),
                                           [](const auto& v) { return v.has_value(); })),
            stepValues_.size());
    endSample();
    return s;
}

std::optional<Sample> Sampler::read() {
    auto t = link_.begin();
    if (!t) return std::nullopt;
    startSample();
    std::optional<std::vector<std::int64_t>> values;
    while (!(values = knownValues()))
        if (!readNext(*t)) return std::nullopt;
    return finishSample(*values);
}

void Sampler::scheduleNext() {
    const double started = clock_.now();
    // Due an interval after this one began, whatever the sample took; a
    // sampler that fell behind (a long Retry/Cancel box) does not catch up
    // with a burst of samples.
    const double due = nextDue_ ? *nextDue_ + interval_ : started + interval_;
    nextDue_ = due > started ? due : started + interval_;
}

SampleOutcome Sampler::step() {
    if (!sampling() && nextDue_ && clock_.now() < *nextDue_) return SampleOutcome::NotDue;
    if (!link_.OnlineMode || link_.CommError) {
        // A fault ends the sample under way: none of it is kept.
        if (!sampling()) return SampleOutcome::LinkBusy;
        endSample();
        error_ = "the link failed during the sample";
        return SampleOutcome::ReadFailed;
    }
    if (link_.busy()) return SampleOutcome::LinkBusy;
    if (!sampling()) {
        scheduleNext();
        startSample();
    }
    // The readings are looked at afresh at every step: one that went stale
    // or was forgotten (a fault) meanwhile is read from the board.
    std::optional<std::vector<std::int64_t>> values = knownValues();
    if (!values) {
        // The link is not held (above), so the transaction begins.
        if (!InTransaction(link_, [&](RSComm::Transaction& t) { return readNext(t); }))
            return SampleOutcome::ReadFailed;
        if (!(values = knownValues())) return SampleOutcome::Reading;
    }
    return store(finishSample(*values));
}

SampleOutcome Sampler::sampleNow() {
    if (!link_.OnlineMode || link_.CommError || link_.busy()) return SampleOutcome::LinkBusy;
    scheduleNext();
    const std::optional<Sample> s = read();
    return s ? store(*s) : SampleOutcome::ReadFailed;
}

SampleOutcome Sampler::store(const Sample& s) {
    std::optional<ShiftEvent> event;
    if (endOfShift_)
        event = ShiftEvent{s.time, ShiftEventKind::EndOfShift};
    else if (last_ && (s.goodCans < last_->goodCans || s.totalJams < last_->totalJams))
        event = ShiftEvent{s.time, ShiftEventKind::CountsFellBack};
    if (!store_.append(s, event)) {
        error_ = store_.lastError();
        return SampleOutcome::StoreFailed;
    }
    endOfShift_ = false;
    last_ = s;
    lastEvent_ = event;
    return SampleOutcome::Stored;
}

}  // namespace voran::history
