#include "Interrupt.h"

namespace voran::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

InterruptCancels::InterruptCancels() {
    gInterrupted = 0;
    previous_ = std::signal(SIGINT, onInterrupt);
}

InterruptCancels::~InterruptCancels() {
    std::signal(SIGINT, previous_);
}

bool InterruptCancels::requested() {
    return gInterrupted != 0;
}

}  // namespace voran::cli
