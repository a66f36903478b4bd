// TMidiOutput: the MIDI output device. Short messages go out as the few
// bytes their status calls for; long messages (SysEx) whole. Onmidioutput is
// called on the user-interface thread after each long message went out.
#pragma once

#include "MidiDevices.h"
#include "MidiEvent.h"
#include "MidiSink.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace velmora::midi {

class TMidiOutput : public QObject, public velmora::MidiSink
{
public:
    enum class DeviceState
    {
        Open = 0,
        Closed = 1,
    };
    using Handler = std::function<void(TMidiOutput& sender)>;

    // -1 stands for the default output: the first device.
    static constexpr int kDefaultDevice = -1;

    explicit TMidiOutput(const MidiDevices& devices, QObject* parent = nullptr);
    ~TMidiOutput() override;

    int DeviceID() const { return deviceId_; }
    // Raises EmidioutputError while open or for a number that is no device.
    void SetDeviceID(int device);
    const std::string& ProductName() const { return productName_; }
    // Raises "MIDI output Device <name> not installed" when no device has it.
    void SetProductName(const std::string& name);
    int NumDevs() const { return devices_.OutputCount(); }

    DeviceState State() const { return state_; }
    bool IsOpen() const override { return state_ == DeviceState::Open; }
    const std::string& LastError() const { return lastError_; }
    void SetOnMidiOutput(Handler handler) { onMidiOutput_ = std::move(handler); }

    // False (with LastError set) when the port cannot be opened.
    bool Open();
    bool Close();

    // Raise EmidioutputError when the output is not open or the port failed
    // (for example because it vanished); the device stays open so the user
    // can see the error and choose another port.
    void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void SendLong(std::span<const std::uint8_t> bytes) override;
    void SendEvent(const TMyMidiEvent& event);

private:
    void Send(std::span<const std::uint8_t> bytes);

    const MidiDevices& devices_;
    int deviceId_ = kDefaultDevice;
    std::string productName_;
    DeviceState state_ = DeviceState::Closed;
    std::string lastError_;
    Handler onMidiOutput_;
    std::unique_ptr<MidiOutputPort> port_;
};

} // namespace velmora::midi
