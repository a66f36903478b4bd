// MidiInput: one MIDI input device. The backend's thread stores each
// message in a fixed ring (SysEx bytes in buffers taken when the device
// opened) and posts a notification; on the user-interface thread the
// component then calls its input handler once for every stored message, and the
// handler takes it with takeEvent.
#pragma once

#include "midi/EventRing.h"
#include "midi/MidiDevices.h"
#include "midi/MidiEvent.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velmora::midi {

class MidiInput : public QObject
{
public:
    enum class DeviceState
    {
        Open = 0,
        Closed = 1,
        Creating = 2,
    };
    using Handler = std::function<void(MidiInput& sender)>;

    // Selects device 0 when there is one.
    explicit MidiInput(const MidiDevices& devices, QObject* parent = nullptr);
    ~MidiInput() override; // closes an open device

    int deviceID() const { return deviceId_; }
    // Raises MidiInputError while open ("Change to deviceID while device was
    // open") or for a number that is no device ("Invalid device ID").
    void setDeviceID(int device);
    const std::string& productName() const { return productName_; }
    // Selects the first device of that exact name; raises when open or when
    // no device has it ("MIDI Input Device <name> not installed ").
    void setProductName(const std::string& name);
    int numDevs() const { return devices_.inputCount(); }

    int capacity() const { return capacity_; }
    void setCapacity(int entries);
    int sysexBufferSize() const { return sysexBufferSize_; }
    void setSysexBufferSize(int bytes);
    int sysexBufferCount() const { return sysexBufferCount_; }
    void setSysexBufferCount(int count);
    // Drops every message but SysEx in the backend's thread; may change at any time.
    bool sysexOnly() const { return sysexOnly_.load(); }
    void setSysexOnly(bool only) { sysexOnly_.store(only); }

    DeviceState state() const { return state_; }
    bool isOpen() const { return state_ == DeviceState::Open; }
    // The text of the last failure, "" when there was none.
    const std::string& lastError() const { return lastError_; }

    void setOnMidiInput(Handler handler) { onMidiInput_ = std::move(handler); }
    void setOnOverflow(Handler handler) { onOverflow_ = std::move(handler); }

    // Allocates the ring and the SysEx buffers and opens the port. Does not
    // start input. False (with lastError set) when the port cannot be opened.
    bool open();
    // Messages are stored from now on. Raises MidiInputError on failure.
    void start();
    void close();

    // The oldest stored message, or none when closed or empty.
    std::optional<MidiEvent> takeEvent();
    int pendingCount() const;

    // Messages lost because the ring or every SysEx buffer was full.
    std::uint64_t lostCount() const { return lost_.load(); }

private:
    void store(std::span<const std::uint8_t> message, std::uint32_t timeMs); // backend thread
    bool storeSysexPiece(std::span<const std::uint8_t> piece, std::uint32_t timeMs);
    void notify();
    void notifyOverflow();
    void deliver();
    void refuseWhileOpen(const char* what) const;

    const MidiDevices& devices_;
    int deviceId_ = -1;
    std::string productName_;
    int capacity_ = 1024;
    int sysexBufferSize_ = 4096;
    int sysexBufferCount_ = 16;
    std::atomic<bool> sysexOnly_{false};
    DeviceState state_ = DeviceState::Creating;
    std::string lastError_;
    Handler onMidiInput_;
    Handler onOverflow_;

    std::unique_ptr<EventRing> ring_;
    std::unique_ptr<SysexPool> pool_;
    std::unique_ptr<MidiInputPort> port_;
    // Set while a notification is on its way, so a burst posts one event;
    // `deliver` still calls the handler once per stored message.
    std::atomic<bool> notifyPosted_{false};
    std::atomic<bool> overflowPosted_{false};
    std::atomic<std::uint64_t> lost_{0};
};

} // namespace velmora::midi
