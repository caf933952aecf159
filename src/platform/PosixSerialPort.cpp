#include "platform/PosixSerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/Logging.h"
#include "platform/WaitTime.h"
#include "platform/Paths.h"

namespace voran {

namespace {

speed_t speedCode(int speed) {
    switch (speed) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

}  // namespace

PosixSerialPort::PosixSerialPort(IClock& clock, std::string programFolder)
    : clock_(clock), folder_(std::move(programFolder)) {}

PosixSerialPort::~PosixSerialPort() {
    close();
}

std::string PosixSerialPort::devicePath() const {
    return path_.empty() ? ComPortDevice(folder_, port_) : path_;
}

bool PosixSerialPort::setSettings(const std::string& settings, PortError* error) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed) {
        if (error)
            *error = {EINVAL, "PosixSerialPort",
                      "The port settings \"" + settings +
                          "\" cannot be used: expected speed,parity,data bits,stop bits such as "
                          "9600,n,8,1."};
        return false;
    }
    settingsText_ = settings;
    line_ = *parsed;
    return fd_ < 0 || applySettings(error);
}

// Words an operator can act on, for the errors a port open runs into.
PortError PosixSerialPort::failure(int err, const std::string& what) const {
    const std::string com = "COM" + std::to_string(port_);
    const std::string dev = device_.empty() ? devicePath() : device_;
    // A device named by its path is that device, whatever the port number.
    std::string where = path_.empty() ? com + " (" + dev : dev;
    std::string links;
    std::error_code ec;
    if (std::filesystem::is_symlink(dev, ec))
        links = "which links to " + std::filesystem::read_symlink(dev, ec).string();
    if (path_.empty())
        where += (links.empty() ? "" : ", " + links) + ")";
    else if (!links.empty())
        where += " (" + links + ")";
    PortError e{err, "PosixSerialPort", ""};
    switch (err) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            e.description =
                path_.empty()
                    ? "There is no such port: " + where +
                          " does not exist. Check the port number, or choose the serial device "
                          "for " +
                          com + " in Edit > Comm Port (or link " + folder_ + "/Support/" + com +
                          " to it, for example ln -s /dev/ttyUSB0 " + folder_ + "/Support/" + com +
                          ")."
                    : "There is no such port: " + where +
                          " does not exist. Check that the adapter is plugged in, and the name.";
            break;
        case EACCES:
        case EPERM:
            e.description = "Permission denied on " + where +
                            ". Your user must be in the 'dialout' group to use serial ports: run "
                            "'sudo usermod -aG dialout $USER', then log out and log in again.";
            break;
        case EBUSY:
        case EWOULDBLOCK:
            e.description = where +
                            " is in use by another program (or another copy of this one). Close "
                            "it, or choose another port.";
            break;
        case ENOTTY:
            e.description = where + " is not a serial port.";
            break;
        default:
            e.description = "Cannot " + what + " " + where + ": " + std::strerror(err) + ".";
    }
    return e;
}

bool PosixSerialPort::open(PortError* error) {
    if (fd_ >= 0) return true;
    lost_ = false;
    device_ = devicePath();
    const auto fail = [&](int err, const char* what) {
        const PortError e = failure(err, what);
        qCWarning(lcLink, "%s", e.description.c_str());
        if (error) *error = e;
        close();
        return false;
    };

    // Non-blocking, so that a modem line that never comes up cannot hang the
    // open; no controlling terminal.
    fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        fd_ = -1;
        return fail(err, "open");
    }
    // One user at a time: the lock for programs that honour locks, TIOCEXCL
    // for those that do not.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno, "lock");
    if (::ioctl(fd_, TIOCEXCL) != 0) return fail(errno, "reserve");
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(errno, "set up");
    if (!applySettings(error)) {
        close();
        return false;
    }

    // USB adapters hold replies back for milliseconds unless asked not to;
    // devices that cannot (a pseudo-terminal) refuse, which is fine.
    serial_struct ss{};
    if (::ioctl(fd_, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(fd_, TIOCSSERIAL, &ss) != 0)
            qCDebug(lcLink, "%s: low-latency mode refused", device_.c_str());
    }
    ::tcflush(fd_, TCIOFLUSH);
    qCDebug(lcLink, "COM%d opened: %s at %s", port_, device_.c_str(), settingsText_.c_str());
    return true;
}

bool PosixSerialPort::applySettings(PortError* error) {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        if (error) *error = failure(errno, "set up");
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= line_.dataBits == 7 ? CS7 : CS8;
    if (line_.parity != 'n') tio.c_cflag |= PARENB | (line_.parity == 'o' ? PARODD : 0);
    if (line_.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Reads never block: waiting is done in poll() against the deadline.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speedCode(line_.speed));
    ::cfsetospeed(&tio, speedCode(line_.speed));
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        if (error) *error = failure(errno, "set up");
        return false;
    }
    return true;
}

void PosixSerialPort::close() {
    if (fd_ < 0) return;
    // Give up the exclusive claim before the last close: a pseudo-terminal
    // keeps it as long as its other side stays open.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    lostDevice_ = device_;
    device_.clear();
}

int PosixSerialPort::bytesWaiting() {
    if (fd_ < 0) return 0;
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) return 0;
    return n;
}

void PosixSerialPort::discardInput() {
    if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

bool PosixSerialPort::writeByte(std::uint8_t byte) {
    if (fd_ < 0) return false;
    for (;;) {
        const ssize_t n = ::write(fd_, &byte, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

int PosixSerialPort::readByte() {
    if (fd_ < 0) return -1;
    std::uint8_t b = 0;
    for (;;) {
        const ssize_t n = ::read(fd_, &b, 1);
        if (n == 1) return b;
        if (n < 0 && errno == EINTR) continue;
        // Readable but nothing to read (end of file, or an error other than
        // "try again"): the device has gone away.
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) markLost(n == 0 ? 0 : errno);
        return -1;
    }
}

bool PosixSerialPort::waitForByte(double deadline) {
    if (fd_ < 0) {
        clock_.pause(deadline - clock_.now());
        return false;
    }
    for (;;) {
        const double left = deadline - clock_.now();
        pollfd p{fd_, POLLIN, 0};
        const timespec ts = ToTimespec(left);
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        // Data still waiting is read first, even beside a hang-up (which
        // also reports POLLIN, with nothing to read).
        const bool hungUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (r > 0 && (p.revents & POLLIN) && (!hungUp || bytesWaiting() > 0)) return true;
        if (r < 0 && errno == EINTR) continue;
        if (r > 0) {
            // Hung up or failed (the adapter unplugged, the far side of a
            // pseudo-terminal closed): nothing can arrive, so the wait ends at
            // once and the port says it is lost.
            markLost(p.revents & POLLHUP ? 0 : EIO);
            return false;
        }
        if (r < 0 || clock_.now() >= deadline) return false;
        // ppoll woke a little early for the clock: wait out the rest.
    }
}

void PosixSerialPort::markLost(int err) {
    if (lost_) return;
    lost_ = true;
    lostError_ = err;
    qCWarning(lcLink, "%s: the device is gone", device_.c_str());
}

bool PosixSerialPort::lost(PortError* why) const {
    if (!lost_) return false;
    if (why != nullptr) {
        const std::string device = fd_ >= 0 ? device_ : lostDevice_;
        *why = {lostError_ != 0 ? lostError_ : EIO, "COM" + std::to_string(port_),
                "The device " + device + " is gone (unplugged, or its other side closed)." +
                    (lostError_ != 0 ? std::string(" ") + std::strerror(lostError_) + "." : "")};
    }
    return true;
}

}  // namespace voran
