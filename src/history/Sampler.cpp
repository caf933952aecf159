#include "history/Sampler.h"

#include <algorithm>
#include <cstdlib>

#include "data/ItemTable.h"
#include "history/HistoryStore.h"
#include "link/RSComm.h"
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

Sampler::Sampler(RSComm& link, HistoryStore& store, IClock& clock, double interval)
    : link_(link),
      store_(store),
      clock_(clock),
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

std::optional<Sample> Sampler::read() {
    auto t = link_.begin();
    if (!t) return std::nullopt;
    const std::string time = IsoTime(clock_.localDateTime());
    std::vector<std::int64_t> values;
    for (const std::string& address : SampleAddresses()) {
        const auto v = ReplyValue(t->read(address));
        if (!v) {
            error_ = "reading " + address + " failed";
            return std::nullopt;
        }
        values.push_back(*v);
    }
    return FromValues(time, values);
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
        stepTime_.clear();
        stepValues_.clear();
        error_ = "the link failed during the sample";
        return SampleOutcome::ReadFailed;
    }
    if (link_.busy()) return SampleOutcome::LinkBusy;
    if (!sampling()) {
        scheduleNext();
        stepTime_ = IsoTime(clock_.localDateTime());
    }
    const std::string& address = SampleAddresses()[stepValues_.size()];
    const auto v =
        ReplyValue(InTransaction(link_, [&](RSComm::Transaction& t) { return t.read(address); }));
    if (!v) {
        error_ = "reading " + address + " failed";
        qCWarning(lcData, "history sample not stored: %s", error_.c_str());
        stepTime_.clear();
        stepValues_.clear();
        return SampleOutcome::ReadFailed;
    }
    stepValues_.push_back(*v);
    if (stepValues_.size() < SampleAddresses().size()) return SampleOutcome::Reading;
    const Sample s = FromValues(stepTime_, stepValues_);
    stepTime_.clear();
    stepValues_.clear();
    return store(s);
}

SampleOutcome Sampler::sampleNow() {
    if (!link_.OnlineMode || link_.CommError || link_.busy()) return SampleOutcome::LinkBusy;
    scheduleNext();
    const std::optional<Sample> s = read();
    if (!s) {
        qCWarning(lcData, "history sample not stored: %s", error_.c_str());
        return SampleOutcome::ReadFailed;
    }
    return store(*s);
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
