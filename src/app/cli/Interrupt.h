#pragma once

#include <csignal>

namespace voran::cli {

// Ctrl+C asks a running command to stop at its next step (the transfer
// before its next item, the read logger before its next round), as the
// window's Cancel button does. The previous handler comes back afterwards.
class InterruptCancels {
public:
    InterruptCancels();
    ~InterruptCancels();
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

    // Ctrl+C was pressed since this object was made.
    static bool requested();

private:
    void (*previous_)(int) = SIG_DFL;
};

}  // namespace voran::cli
