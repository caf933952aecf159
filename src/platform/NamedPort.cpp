#include "platform/NamedPort.h"

#include <utility>

#include "platform/PortMap.h"

namespace voran {

NamedPort::NamedPort(IClock& clock, std::string programFolder, IDevicePort& device)
    : folder_(std::move(programFolder)), device_(device), network_(clock) {}

PortName NamedPort::target() const {
    if (name_ && name_->kind != PortName::Kind::Number) return *name_;
    const int number = name_ ? name_->number : port_;
    if (const auto mapped = MappedPort(folder_, number)) return *mapped;
    PortName n;
    n.number = number;
    return n;
}

bool NamedPort::setSettings(const std::string& settings, PortError* error) {
    if (!face().setSettings(settings, error)) return false;
    settings_ = settings;
    return true;
}

bool NamedPort::open(PortError* error) {
    const PortName t = target();
    ISerialPort* chosen = &device_;
    if (t.network()) {
        network_.setAddress(t);
        chosen = &network_;
    } else {
        device_.setDevicePath(t.kind == PortName::Kind::Device ? t.device : std::string());
    }
    if (active_ != nullptr && active_ != chosen) active_->close();
    active_ = chosen;
    if (chosen->isOpen()) return true;
    chosen->setPortNumber(t.kind == PortName::Kind::Number ? t.number : port_);
    return chosen->setSettings(settings_, error) && chosen->open(error);
}

}  // namespace voran
