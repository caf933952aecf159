#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimBoard.h"

namespace voran::testing {

// A TCP socket bound to a free port of 127.0.0.1 and not listening (-1 when
// none could be made); `port` receives the port's number.
inline int BoundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
        return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

// The simulated board behind a raw TCP server on 127.0.0.1 (a free port),
// served from a thread of its own as a serial device server would, one
// connection at a time. It can close the connection at a given byte, or take
// bytes and answer nothing.
class LoopbackBoard {
public:
    LoopbackBoard() {
        listener_ = BoundLoopbackSocket(port_);
        if (listener_ >= 0 && ::listen(listener_, 4) == 0)
            thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackBoard() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    LoopbackBoard(const LoopbackBoard&) = delete;
    LoopbackBoard& operator=(const LoopbackBoard&) = delete;

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
    void serve() {
        int client = -1;
        while (!stop_) {
            pollfd p{client >= 0 ? client : listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (client < 0) {
                client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                const int one = 1;
                if (client >= 0) {
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    ++connections_;
                }
                continue;
            }
            std::uint8_t in[256];
            const ssize_t n = ::recv(client, in, sizeof in, 0);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            std::vector<std::uint8_t> out;
            bool close = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const double now = std::chrono::duration<double>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count();
                for (ssize_t k = 0; k < n && !close; ++k) {
                    ++heard_;
                    log_.push_back(in[k]);
                    if (closeAt != 0 && heard_ == closeAt) {
                        close = true;
                        break;
                    }
                    if (silent) continue;
                    if (const auto answer = board_.receive(in[k], now)) out.push_back(*answer);
                }
            }
            if (!out.empty()) ::send(client, out.data(), out.size(), MSG_NOSIGNAL);
            if (close) {
                ::close(client);
                client = -1;
            }
        }
        if (client >= 0) ::close(client);
    }

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
