#pragma once

#include <QObject>
#include <QTimer>
#include <string>

namespace voran {

class AppContext;

// The monitoring pass of a live window, written once. A pass begins with its
// head: a standing link fault takes the program offline, then the window
// gets the look that matches the link (online or offline; the offline look
// is rebuilt when the tables were replaced or the window says it is stale).
// Online, the pass then reads the window's items in order, one transaction
// per step; between two steps the event loop runs, so an operator's click or
// key is handled between two reads. A step that finds the link held (a box
// of the link is open over another transaction) or a modal operation on
// screen does nothing and is tried again after a pause.
class MonitorPass : public QObject {
    Q_OBJECT
public:
    // What a window supplies.
    class Client {
    public:
        virtual ~Client() = default;
        // Called at the head of every pass, after the fault check.
        virtual void passStarting() {}
        virtual void showOnlineLook() = 0;
        // The offline look, with the values of the set-up tables.
        virtual void showOfflineLook() = 0;
        // True when the offline look on show must be built again.
        virtual bool offlineLookStale() { return false; }
        // Reads of an online pass.
        virtual int itemCount() const = 0;
        // Step `index` of an online pass: at most one transaction on the
        // link, and what its reply shows. False ends the pass (a link fault).
        virtual bool readItem(int index) = 0;
        // The pass ended (completed or cut short).
        virtual void passEnded() {}
    };

    // Pause between the starts of two passes unless the window sets its own:
    // long enough for the event loop to breathe, short enough that a fast
    // link is read continuously.
    static constexpr int kOnlinePassMs = 20;
    static constexpr int kOfflinePassMs = 100;
    // Pause before trying again when the link was held or the pass paused.
    static constexpr int kRetryMs = 50;
    // The pause after an item that took longer than kSlowItem seconds, so
    // that input held back while it waited is handled before the next one.
    static constexpr int kItemGapMs = 1;
    static constexpr double kSlowItem = 0.010;

    MonitorPass(AppContext& ctx, Client& client, QObject* parent = nullptr);
    // The pass stops with its owner: no step and no call of the client
    // (whose members may already be gone) once destruction began.
    ~MonitorPass() override;
    MonitorPass(const MonitorPass&) = delete;
    MonitorPass& operator=(const MonitorPass&) = delete;

    // The pause between the starts of two passes, online and offline. A
    // window whose values change slowly (or that is costly to read) asks
    // for a longer one; the items of a pass still follow one another at once.
    void setPassInterval(int onlineMs, int offlineMs = kOfflinePassMs);
    int onlinePassMs() const { return onlinePassMs_; }
    int offlinePassMs() const { return offlinePassMs_; }

    // Activation: a fresh look for whatever state the link and the tables
    // are in (shown at once), then passes from the timer.
    void start();
    // The window goes out of sight: no further step, not even of a pass
    // under way. Destroying the pass stops it as well.
    void stop();
    bool running() const { return running_; }

    // One step: the head of a pass or one item. False when nothing was done
    // (not running, the link held, or a modal operation on screen).
    bool step();
    // Test hook: runs the pass under way (or a new one) to its end without
    // waiting between items. False when it could not run.
    bool runPass();
    // True while a pass is part way through its items.
    bool underWay() const { return index_ >= 0; }
    // Whether start() runs the timer (tests drive the passes themselves).
    void setTimerDriven(bool on);

    // Looks on show; cleared to make the next head put the look on again.
    bool onlineLookShown() const { return onlineShown_; }
    bool offlineLookShown() const { return offlineShown_; }
    void forgetLooks() { onlineShown_ = offlineShown_ = false; }

private:
    bool canStep() const;
    void head();
    void endPass();
    void tick();
    void schedule(int ms);

    AppContext& ctx_;
    Client& client_;
    QTimer timer_;
    bool running_ = false;
    bool timerDriven_ = true;
    bool onlineShown_ = false;
    bool offlineShown_ = false;
    // Next item of the pass under way; -1 between passes.
    int index_ = -1;
    double passStartedAt_ = 0.0;
    int onlinePassMs_ = kOnlinePassMs;
    int offlinePassMs_ = kOfflinePassMs;
};

}  // namespace voran
