#include "LoopbackBoard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace voran::testing {

namespace {
double monotonic() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

int BoundLoopbackSocket(int& port) {
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

LoopbackBoard::LoopbackBoard() {
    listener_ = BoundLoopbackSocket(port_);
    if (listener_ >= 0 && ::listen(listener_, 4) == 0) thread_ = std::thread([this] { serve(); });
}

LoopbackBoard::~LoopbackBoard() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

void LoopbackBoard::serve() {
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
            const double now = monotonic();
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

}  // namespace voran::testing
