// MidiOutput: the MIDI output device. Short messages go out as the few
// bytes their status calls for; long messages (SysEx) whole. Onmidioutput is
// called on the user-interface thread after each long message went out.
#pragma once

#include "midi/MidiDevices.h"
#include "midi/MidiEvent.h"
#include "protocol/MidiSink.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace velmora::midi {

class MidiOutput : public QObject, public velmora::MidiSink
{
public:
    enum class DeviceState
    {
        Open = 0,
        Closed = 1,
    };
    using Handler = std::function<void(MidiOutput& sender)>;

    // -1 stands for the default output: the first device.
    static constexpr int kDefaultDevice = -1;

    explicit MidiOutput(const MidiDevices& devices, QObject* parent = nullptr);
    ~MidiOutput() override;

    int deviceID() const { return deviceId_; }
    // Raises MidiOutputError while open or for a number that is no device.
    void setDeviceID(int device);
    const std::string& productName() const { return productName_; }
    // Raises "MIDI output Device <name> not installed" when no device has it.
    void setProductName(const std::string& name);
    int numDevs() const { return devices_.outputCount(); }

    DeviceState state() const { return state_; }
    bool isOpen() const override { return state_ == DeviceState::Open; }
    const std::string& lastError() const { return lastError_; }
    void setOnMidiOutput(Handler handler) { onMidiOutput_ = std::move(handler); }

    // False (with lastError set) when the port cannot be opened.
    bool open();
    bool close();

    // Raise MidiOutputError when the output is not open or the port failed
    // (for example because it vanished); the device stays open so the user
    // can see the error and choose another port.
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void sendLong(std::span<const std::uint8_t> bytes) override;
    void sendEvent(const MidiEvent& event);

private:
    void send(std::span<const std::uint8_t> bytes);

    const MidiDevices& devices_;
    int deviceId_ = kDefaultDevice;
    std::string productName_;
    DeviceState state_ = DeviceState::Closed;
    std::string lastError_;
    Handler onMidiOutput_;
    std::unique_ptr<MidiOutputPort> port_;
};

} // namespace velmora::midi
