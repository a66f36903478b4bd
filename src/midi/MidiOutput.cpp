#include "midi/MidiOutput.h"

#include <QMetaObject>

namespace velmora::midi {
namespace {

constexpr const char* kDefaultName = "Default MIDI Out";

} // namespace

MidiOutput::MidiOutput(const MidiDevices& devices, QObject* parent)
    : QObject(parent), devices_(devices), productName_(kDefaultName)
{}

MidiOutput::~MidiOutput()
{
    close();
}

void MidiOutput::setDeviceID(int device)
{
    if (isOpen())
        throw MidiOutputError("Change to DeviceID while device was open");
    if (device >= numDevs() || device < kDefaultDevice)
        throw MidiOutputError("Invalid device ID");
    deviceId_ = device;
    productName_ = device == kDefaultDevice ? kDefaultName : devices_.outputName(device);
}

void MidiOutput::setProductName(const std::string& name)
{
    if (isOpen())
        throw MidiOutputError("Change to ProductName while device was open");
    if (name == kDefaultName) {
        setDeviceID(kDefaultDevice);
        return;
    }
    for (int device = 0; device < numDevs(); ++device) {
        if (devices_.outputName(device) == name) {
            setDeviceID(device);
            return;
        }
    }
    throw MidiOutputError("MIDI output Device " + name + " not installed");
}

bool MidiOutput::open()
{
    if (isOpen())
        return true;
    const int device = deviceId_ == kDefaultDevice ? 0 : deviceId_;
    if (device >= numDevs()) {
        lastError_ = "Invalid device ID";
        return false;
    }
    try {
        port_ = devices_.openOutput(device);
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return false;
    }
    lastError_.clear();
    state_ = DeviceState::Open;
    return true;
}

bool MidiOutput::close()
{
    if (!isOpen())
        return false;
    port_.reset();
    state_ = DeviceState::Closed;
    return true;
}

void MidiOutput::send(std::span<const std::uint8_t> bytes)
{
    if (!isOpen())
        throw MidiOutputError("MIDI Output device not open");
    try {
        port_->send(bytes);
    } catch (const std::exception& e) {
        lastError_ = e.what();
        throw MidiOutputError(lastError_);
    }
}

void MidiOutput::sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::uint8_t bytes[] = {status, data1, data2};
    const int length = shortMessageLength(status);
    if (length == 0)
        return; // not a message of its own: nothing a driver would send either
    send(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
}

void MidiOutput::sendLong(std::span<const std::uint8_t> bytes)
{
    send(bytes);
    if (onMidiOutput_) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (onMidiOutput_)
                    onMidiOutput_(*this);
            },
            Qt::QueuedConnection);
    }
}

void MidiOutput::sendEvent(const MidiEvent& event)
{
    if (!isOpen())
        throw MidiOutputError("MIDI Output device not open");
    if (event.isSysex())
        sendLong(event.sysexData);
    else
        sendShort(event.status, event.data1, event.data2);
}

} // namespace velmora::midi
