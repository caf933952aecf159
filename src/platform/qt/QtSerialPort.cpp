#include "platform/qt/QtSerialPort.h"

#include <cmath>
#include <utility>

#include "platform/Paths.h"

namespace voran {

QtSerialPort::QtSerialPort(IClock& clock, std::string programFolder)
    : clock_(clock), folder_(std::move(programFolder)) {}

std::string QtSerialPort::deviceName() const {
    if (!path_.empty()) return path_;
#ifdef Q_OS_WIN
    return "COM" + std::to_string(port_);
#else
    return ComPortDevice(folder_, port_);
#endif
}

bool QtSerialPort::setSettings(const std::string& settings, PortError* error) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed) {
        if (error)
            *error = {QSerialPort::UnsupportedOperationError, "QtSerialPort",
                      "The port settings \"" + settings + "\" cannot be used."};
        return false;
    }
    settingsText_ = settings;
    line_ = *parsed;
    return !serial_.isOpen() || apply(error);
}

bool QtSerialPort::apply(PortError* error) {
    const bool ok =
        serial_.setBaudRate(line_.speed) &&
        serial_.setDataBits(line_.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8) &&
        serial_.setParity(line_.parity == 'e'   ? QSerialPort::EvenParity
                          : line_.parity == 'o' ? QSerialPort::OddParity
                                                : QSerialPort::NoParity) &&
        serial_.setStopBits(line_.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok && error)
        *error = {serial_.error(), "QtSerialPort", serial_.errorString().toStdString()};
    return ok;
}

bool QtSerialPort::open(PortError* error) {
    if (serial_.isOpen()) return true;
    lost_ = false;
    const std::string name = deviceName();
    serial_.setPortName(QString::fromStdString(name));
    if (!serial_.open(QIODevice::ReadWrite)) {
        const std::string com = "COM" + std::to_string(port_) + " (" + name + ")";
        PortError e{serial_.error(), "QtSerialPort", ""};
        switch (serial_.error()) {
            case QSerialPort::DeviceNotFoundError:
                e.description = "There is no such port: " + com + " does not exist.";
                break;
            case QSerialPort::PermissionError:
                e.description = "Permission denied on " + com +
                                ", or it is in use by another program. On Linux your user must "
                                "be in the 'dialout' group: run 'sudo usermod -aG dialout $USER', "
                                "then log out and log in again.";
                break;
            default:
                e.description =
                    "Cannot open " + com + ": " + serial_.errorString().toStdString() + ".";
        }
        if (error) *error = e;
        return false;
    }
    if (!apply(error)) {
        serial_.close();
        return false;
    }
    serial_.clear();
    return true;
}

void QtSerialPort::close() {
    if (serial_.isOpen()) serial_.close();
}

int QtSerialPort::bytesWaiting() {
    if (!serial_.isOpen()) return 0;
    if (serial_.bytesAvailable() == 0) serial_.waitForReadyRead(0);
    return static_cast<int>(serial_.bytesAvailable());
}

void QtSerialPort::discardInput() {
    if (!serial_.isOpen()) return;
    serial_.clear(QSerialPort::Input);
    serial_.readAll();
}

bool QtSerialPort::writeByte(std::uint8_t byte) {
    if (!serial_.isOpen()) return false;
    const char c = static_cast<char>(byte);
    if (serial_.write(&c, 1) != 1) return false;
    serial_.flush();  // out of Qt's buffer now, not at the next event loop
    return true;
}

int QtSerialPort::readByte() {
    char c = 0;
    if (!serial_.isOpen() || !serial_.getChar(&c)) return -1;
    return static_cast<unsigned char>(c);
}

bool QtSerialPort::waitForByte(double deadline) {
    if (!serial_.isOpen()) {
        clock_.pause(deadline - clock_.now());
        return false;
    }
    while (serial_.bytesAvailable() == 0) {
        const double left = deadline - clock_.now();
        if (left <= 0) return serial_.waitForReadyRead(0);
        const int ms = static_cast<int>(std::ceil(left * 1000));
        if (serial_.waitForReadyRead(ms)) continue;
        if (clock_.now() >= deadline) break;
        if (serial_.error() != QSerialPort::NoError &&
            serial_.error() != QSerialPort::TimeoutError) {
            // The device failed (unplugged, a hung-up pseudo-terminal):
            // nothing will come, so the wait ends at once and the port says
            // it is lost.
            lost_ = true;
            lostName_ = serial_.portName().toStdString();
            serial_.clearError();
            break;
        }
    }
    return serial_.bytesAvailable() > 0;
}

bool QtSerialPort::lost(PortError* why) const {
    if (!lost_) return false;
    if (why != nullptr)
        *why = {QSerialPort::ResourceError, "QtSerialPort",
                "The device " + lostName_ + " is gone (unplugged, or its other side closed)."};
    return true;
}

}  // namespace voran
