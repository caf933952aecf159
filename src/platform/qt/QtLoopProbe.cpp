#include "platform/qt/QtLoopProbe.h"

#include <QDateTime>
#include <algorithm>

namespace voran {

QtLoopProbe::QtLoopProbe(const std::string& path, QObject* parent) : QObject(parent) {
    if (path == "-") {
        out_ = stderr;
    } else {
        out_ = std::fopen(path.c_str(), "w");
        ownsFile_ = out_ != nullptr;
    }
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    clock_.start();
    lastNs_ = clock_.nsecsElapsed();
    timer_.start();
}

QtLoopProbe::~QtLoopProbe() {
    if (!out_) return;
    for (double gap : worst_) std::fprintf(out_, "worst %.1f\n", gap);
    std::fflush(out_);
    if (ownsFile_) std::fclose(out_);
}

void QtLoopProbe::tick() {
    const qint64 now = clock_.nsecsElapsed();
    const double gap = (now - lastNs_) / 1e6;
    lastNs_ = now;
    if (gap < kNoteMs) return;
    if (out_) {
        std::fprintf(out_, "%lld %.1f\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), gap);
        std::fflush(out_);
    }
    worst_.push_back(gap);
    std::sort(worst_.begin(), worst_.end(), std::greater<>());
    if (worst_.size() > kWorstKept) worst_.resize(kWorstKept);
}

}  // namespace voran
