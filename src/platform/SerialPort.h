#pragma once

#include <cstdint>
#include <string>

namespace voran {

// What the platform said when a port could not be opened or set up. The
// number and source are the platform's own; the description is written for
// the operator (for instance telling that the user must be in the dialout
// group).
struct PortError {
    int number = 0;
    std::string source;
    std::string description;
};

// One RS-232 port, used a byte at a time. Deadlines are absolute times of the
// clock the port was built with (IClock::now()).
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // Settings text such as "9600,n,8,1".
    virtual bool setSettings(const std::string& settings, PortError* error) = 0;
    virtual std::string settings() const = 0;

    virtual bool open(PortError* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual int bytesWaiting() = 0;
    virtual void discardInput() = 0;
    virtual bool writeByte(std::uint8_t byte) = 0;
    // The next received byte, or -1 when none is waiting.
    virtual int readByte() = 0;
    // Blocks until at least one byte is waiting or the clock reaches the
    // deadline. Returns true when a byte is waiting.
    virtual bool waitForByte(double deadline) = 0;
    // Set once the device has hung up or failed (an adapter unplugged, the
    // far side of a pseudo-terminal closed): nothing can arrive until it is
    // opened again, so a wait ends at once. Cleared by open(). `why` tells
    // it in words for the operator.
    virtual bool lost(PortError* why = nullptr) const {
        (void)why;
        return false;
    }
};

// A port on a serial device of this machine. Port n opens the device the
// program folder gives that number, unless a device is named by its path.
class IDevicePort : public ISerialPort {
public:
    // The device to open from the next open() on, whatever the port number;
    // empty: the device of the port number again.
    virtual void setDevicePath(const std::string& path) = 0;
};

}  // namespace voran
