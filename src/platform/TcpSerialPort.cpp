#include "platform/TcpSerialPort.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Logging.h"
#include "platform/WaitTime.h"

namespace voran {

namespace {

std::string seconds(double s) {
    return std::to_string(static_cast<int>(s)) + " seconds";
}

}  // namespace

TcpSerialPort::TcpSerialPort(IClock& clock) : clock_(clock) {
    address_.kind = PortName::Kind::RawTcp;
    decoder_.data = [this](std::uint8_t b) { input_.push_back(b); };
    decoder_.negotiation = [this](std::uint8_t verb, std::uint8_t option) {
        onNegotiation(verb, option);
    };
    decoder_.subnegotiation = [this](const std::vector<std::uint8_t>& sub) {
        onSubnegotiation(sub);
    };
}

TcpSerialPort::~TcpSerialPort() {
    close();
}

PortError TcpSerialPort::failure(int err, const std::string& description) const {
    return {err, "TcpSerialPort", description};
}

bool TcpSerialPort::setSettings(const std::string& settings, PortError* error) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed) {
        if (error)
            *error = failure(EINVAL, "The port settings \"" + settings +
                                         "\" cannot be used: expected speed,parity,data "
                                         "bits,stop bits such as 9600,n,8,1.");
        return false;
    }
    settingsText_ = settings;
    line_ = *parsed;
    return fd_ < 0 || !telnet() || setUpLine(error);
}

bool TcpSerialPort::open(PortError* error) {
    if (fd_ >= 0) return true;
    lost_ = false;
    lostError_ = 0;
    input_.clear();
    decoder_.reset();
    comPortRefused_ = false;
    answers_ = {};
    if (!connectTo(error)) return false;
    if (telnet()) {
        if (!sendAll(rfc2217::Greeting()) || !setUpLine(error)) {
            if (error && error->description.empty())
                *error = failure(EIO, "The connection to " + address_.text() +
                                          " closed while the line was being set up.");
            close();
            return false;
        }
    }
    input_.clear();
    qCDebug(lcLink, "COM%d opened: %s at %s", port_, address_.text().c_str(),
            settingsText_.c_str());
    return true;
}

bool TcpSerialPort::connectTo(PortError* error) {
    const std::string name = address_.text();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int gai = ::getaddrinfo(address_.host.c_str(), std::to_string(address_.tcpPort).c_str(),
                                  &hints, &found);
    if (gai != 0) {
        if (error)
            *error = failure(EHOSTUNREACH, "The host \"" + address_.host + "\" of " + name +
                                               " cannot be found: " + ::gai_strerror(gai) + ".");
        return false;
    }
    const double deadline = clock_.now() + kConnectTime;
    int err = ETIMEDOUT;
    for (addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            err = errno;
            continue;
        }
        // One byte out is one segment out, at once: the protocol waits for
        // the answer to every byte.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            for (;;) {
                pollfd p{fd, POLLOUT, 0};
                const timespec ts = ToTimespec(deadline - clock_.now());
                const int n = ::ppoll(&p, 1, &ts, nullptr);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    errno = n == 0 ? ETIMEDOUT : errno;
                    break;
                }
                socklen_t len = sizeof err;
                int soError = 0;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
                r = soError == 0 ? 0 : -1;
                errno = soError;
                break;
            }
        }
        if (r == 0) {
            fd_ = fd;
        } else {
            err = errno;
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (fd_ >= 0) return true;

    std::string why;
    switch (err) {
        case ECONNREFUSED:
            why = "Nothing takes connections at " + name +
                  ": the connection was refused. Check that the device server is on and that "
                  "the TCP port is the one it serves the board on.";
            break;
        case ETIMEDOUT:
            why = "No answer from " + name + " within " + seconds(kConnectTime) +
                  ". Check the address and the network between this PC and the device server.";
            break;
        default:
            why = "Cannot connect to " + name + ": " + std::strerror(err) + ".";
    }
    qCWarning(lcLink, "%s", why.c_str());
    if (error) *error = failure(err, why);
    return false;
}

bool TcpSerialPort::setUpLine(PortError* error) {
    for (auto& a : answers_) a.reset();
    if (!sendAll(rfc2217::LineCommands(line_))) return false;
    const auto expected = rfc2217::ExpectedAnswers(line_);
    const double deadline = clock_.now() + kSetUpTime;
    const auto answered = [&] {
        for (const auto& [command, value] : expected)
            if (!answers_[command]) return false;
        return true;
    };
    while (!answered() && !comPortRefused_ && !lost_) {
        if (!pollReadable(deadline)) break;
        takeIn();
    }
    const std::string name = address_.text();
    std::string why;
    if (lost_) {
        why = "The connection to " + name + " closed while the line was being set up.";
    } else if (comPortRefused_) {
        why = "The device server at " + name +
              " does not take line settings from the PC (it refused the RFC 2217 "
              "COM-PORT-OPTION). Set its line to " +
              settingsText_ + " on the server and use socket://" +
              name.substr(std::strlen("rfc2217://")) + ".";
    } else if (!answered()) {
        why = "The device server at " + name + " did not confirm the line settings " +
              settingsText_ + " within " + seconds(kSetUpTime) + ".";
    } else {
        for (const auto& [command, value] : expected) {
            if (*answers_[command] == value) continue;
            why = "The device server at " + name + " did not take the line settings " +
                  settingsText_ + " (it answered otherwise to setting " +
                  (command == rfc2217::kSetBaudRate   ? "the speed"
                   : command == rfc2217::kSetDataSize ? "the data bits"
                   : command == rfc2217::kSetParity   ? "the parity"
                                                      : "the stop bits") +
                  ").";
            break;
        }
    }
    if (why.empty()) return true;
    qCWarning(lcLink, "%s", why.c_str());
    if (error) *error = failure(EIO, why);
    return false;
}

void TcpSerialPort::onNegotiation(std::uint8_t verb, std::uint8_t option) {
    using namespace rfc2217;
    const bool ours = option == kComPort || option == kBinary || option == kSuppressGoAhead;
    const bool theirs = option == kBinary || option == kSuppressGoAhead;
    if (verb == kDont && option == kComPort) comPortRefused_ = true;
    // What we asked for at the start is answered already; anything else is
    // refused once, as the server asks.
    if (verb == kDo && !ours) sendAll(Negotiation(kWont, option));
    if (verb == kWill && !theirs) sendAll(Negotiation(kDont, option));
}

void TcpSerialPort::onSubnegotiation(const std::vector<std::uint8_t>& sub) {
    if (sub.size() < 2 || sub[0] != rfc2217::kComPort || sub[1] < rfc2217::kServerOffset) return;
    const std::size_t command = sub[1] - rfc2217::kServerOffset;
    if (command < answers_.size())
        answers_[command] = std::vector<std::uint8_t>(sub.begin() + 2, sub.end());
}

void TcpSerialPort::close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    input_.clear();
    decoder_.reset();
}

void TcpSerialPort::takeIn() {
    if (fd_ < 0 || lost_) return;
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                if (telnet())
                    decoder_.feed(buffer[i]);
                else
                    input_.push_back(buffer[i]);
            }
            if (static_cast<std::size_t>(n) < sizeof buffer) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // The far side closed the connection (0) or reset it.
        markLost(n == 0 ? 0 : errno);
        return;
    }
}

bool TcpSerialPort::pollReadable(double deadline) {
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const timespec ts = ToTimespec(deadline - clock_.now());
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        if (r < 0 && errno == EINTR) continue;
        // A hang-up or error is read as such by takeIn().
        if (r > 0) return true;
        if (r < 0 || clock_.now() >= deadline) return false;
        // ppoll woke a little early for the clock: wait out the rest.
    }
}

int TcpSerialPort::bytesWaiting() {
    takeIn();
    return static_cast<int>(input_.size());
}

void TcpSerialPort::discardInput() {
    takeIn();
    input_.clear();
    // The server may hold bytes from the device that have not come yet.
    if (fd_ >= 0 && !lost_ && telnet())
        sendAll(rfc2217::ComPortCommand(rfc2217::kPurgeData, {rfc2217::kPurgeReceived}));
}

bool TcpSerialPort::writeByte(std::uint8_t byte) {
    if (fd_ < 0 || lost_) return false;
    std::vector<std::uint8_t> bytes;
    if (telnet())
        rfc2217::AppendData(bytes, byte);
    else
        bytes.push_back(byte);
    return sendAll(bytes);
}

bool TcpSerialPort::sendAll(const std::vector<std::uint8_t>& bytes) {
    if (fd_ < 0 || lost_) return false;
    std::size_t done = 0;
    // A full send buffer is waited out no longer than a byte's answer.
    const double deadline = clock_.now() + 1.0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            const timespec ts = ToTimespec(deadline - clock_.now());
            if (::ppoll(&p, 1, &ts, nullptr) > 0) continue;
            if (clock_.now() < deadline) continue;
            qCWarning(lcLink, "%s: the connection takes no more bytes", address_.text().c_str());
            return false;
        }
        markLost(n < 0 ? errno : EPIPE);
        return false;
    }
    return true;
}

int TcpSerialPort::readByte() {
    if (input_.empty()) takeIn();
    if (input_.empty()) return -1;
    const int b = input_.front();
    input_.pop_front();
    return b;
}

bool TcpSerialPort::waitForByte(double deadline) {
    if (fd_ < 0) {
        clock_.pause(deadline - clock_.now());
        return false;
    }
    for (;;) {
        if (!input_.empty()) return true;
        if (lost_) return false;
        if (!pollReadable(deadline)) return false;
        takeIn();
    }
}

void TcpSerialPort::markLost(int err) {
    if (lost_) return;
    lost_ = true;
    lostError_ = err;
    qCWarning(lcLink, "%s: the connection is gone", address_.text().c_str());
}

bool TcpSerialPort::lost(PortError* why) const {
    if (!lost_) return false;
    if (why != nullptr) {
        *why = {lostError_ != 0 ? lostError_ : ECONNRESET, address_.text(),
                "The connection to " + address_.text() +
                    " was closed (the device server, or the network to it, went away)." +
                    (lostError_ != 0 ? std::string(" ") + std::strerror(lostError_) + "." : "")};
    }
    return true;
}

}  // namespace voran
