#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimBoard.h"

namespace voran::testing {

// A TCP socket bound to a free port of 127.0.0.1 and not listening (-1 when
// none could be made); `port` receives the port's number.
int BoundLoopbackSocket(int& port);

// The simulated board behind a raw TCP server on 127.0.0.1 (a free port),
// served from a thread of its own as a serial device server would, one
// connection at a time. It can close the connection at a given byte, or take
// bytes and answer nothing.
class LoopbackBoard {
public:
    LoopbackBoard();
    ~LoopbackBoard();
    LoopbackBoard(const LoopbackBoard&) = delete;
    LoopbackBoard& operator=(const LoopbackBoard&) = delete;

    int port() const { return port_; }
    std::string address() const { return "socket://127.0.0.1:" + std::to_string(port_); }

    // The connection is closed as the PC's byte with this number (counted
    // over all connections, from 1) arrives; the board never gets that byte
    // (0: never).
    std::atomic<long long> closeAt{0};
    // Bytes are taken and nothing is answered.
    std::atomic<bool> silent{false};
    // Bytes the PC sent, over all connections.
    long long bytesHeard() const { return heard_; }
    int connections() const { return connections_; }
    // The PC's bytes as they arrived (under the lock of withBoard).
    std::vector<std::uint8_t> heard() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

    // Runs `f` on the board while the server does not touch it.
    template <typename F>
    auto withBoard(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(board_);
    }

private:
    void serve();

    sim::SimBoard board_;
    std::mutex mutex_;
    std::vector<std::uint8_t> log_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<long long> heard_{0};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace voran::testing
