#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

namespace voran {

// Measures how alive the window is: a precise 10 ms timer on the event loop
// notes how long each interval between two of its ticks really lasted. Each
// gap of kNoteMs or more is written at once as a line "<ms since the epoch>
// <gap in ms>" (the stamp is the gap's end), so that a script can tell which
// operation it fell into; when the probe ends it writes the worst gaps as
// "worst <gap in ms>" lines.
class QtLoopProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;
    static constexpr int kNoteMs = 15;
    static constexpr std::size_t kWorstKept = 5;

    // Writes to `path`; "-" is standard error.
    explicit QtLoopProbe(const std::string& path, QObject* parent = nullptr);
    ~QtLoopProbe() override;

    bool ok() const { return out_ != nullptr; }
    // The longest gaps so far, longest first, in ms.
    const std::vector<double>& worst() const { return worst_; }

private:
    void tick();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    std::FILE* out_ = nullptr;
    bool ownsFile_ = false;
    std::vector<double> worst_;
};

}  // namespace voran
