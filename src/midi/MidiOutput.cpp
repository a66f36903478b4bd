#include "MidiOutput.h"

#include <QMetaObject>

namespace velmora::midi {
namespace {

constexpr const char* kDefaultName = "Default MIDI Out";

} // namespace

TMidiOutput::TMidiOutput(const MidiDevices& devices, QObject* parent)
    : QObject(parent), devices_(devices), productName_(kDefaultName)
{}

TMidiOutput::~TMidiOutput()
{
    Close();
}

void TMidiOutput::SetDeviceID(int device)
{
    if (IsOpen())
        throw EmidioutputError("Change to DeviceID while device was open");
    if (device >= NumDevs() || device < kDefaultDevice)
        throw EmidioutputError("Invalid device ID");
    deviceId_ = device;
    productName_ = device == kDefaultDevice ? kDefaultName : devices_.OutputName(device);
}

void TMidiOutput::SetProductName(const std::string& name)
{
    if (IsOpen())
        throw EmidioutputError("Change to ProductName while device was open");
    if (name == kDefaultName) {
        SetDeviceID(kDefaultDevice);
        return;
    }
    for (int device = 0; device < NumDevs(); ++device) {
        if (devices_.OutputName(device) == name) {
            SetDeviceID(device);
            return;
        }
    }
    throw EmidioutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::Open()
{
    if (IsOpen())
        return true;
    const int device = deviceId_ == kDefaultDevice ? 0 : deviceId_;
    if (device >= NumDevs()) {
        lastError_ = "Invalid device ID";
        return false;
    }
    try {
        port_ = devices_.OpenOutput(device);
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return false;
    }
    lastError_.clear();
    state_ = DeviceState::Open;
    return true;
}

bool TMidiOutput::Close()
{
    if (!IsOpen())
        return false;
    port_.reset();
    state_ = DeviceState::Closed;
    return true;
}

void TMidiOutput::Send(std::span<const std::uint8_t> bytes)
{
    if (!IsOpen())
        throw EmidioutputError("MIDI Output device not open");
    try {
        port_->Send(bytes);
    } catch (const std::exception& e) {
        lastError_ = e.what();
        throw EmidioutputError(lastError_);
    }
}

void TMidiOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::uint8_t bytes[] = {status, data1, data2};
    const int length = ShortMessageLength(status);
    if (length == 0)
        return; // not a message of its own: nothing a driver would send either
    Send(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
}

void TMidiOutput::SendLong(std::span<const std::uint8_t> bytes)
{
    Send(bytes);
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

void TMidiOutput::SendEvent(const TMyMidiEvent& event)
{
    if (!IsOpen())
        throw EmidioutputError("MIDI Output device not open");
    if (event.IsSysex())
        SendLong(event.SysexData);
    else
        SendShort(event.Status, event.Data1, event.Data2);
}

} // namespace velmora::midi
