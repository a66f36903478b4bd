// TMidiInput: one MIDI input device. The backend's thread stores each
// message in a fixed ring (SysEx bytes in buffers taken when the device
// opened) and posts a notification; on the user-interface thread the
// component then calls OnMidiInput once for every stored message, and the
// handler takes it with TakeEvent.
#pragma once

#include "EventRing.h"
#include "MidiDevices.h"
#include "MidiEvent.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velmora::midi {

class TMidiInput : public QObject
{
public:
    enum class DeviceState
    {
        Open = 0,
        Closed = 1,
        Creating = 2,
    };
    using Handler = std::function<void(TMidiInput& sender)>;

    // Selects device 0 when there is one.
    explicit TMidiInput(const MidiDevices& devices, QObject* parent = nullptr);
    ~TMidiInput() override; // closes an open device

    int DeviceID() const { return deviceId_; }
    // Raises EMidiInputError while open ("Change to DeviceID while device was
    // open") or for a number that is no device ("Invalid device ID").
    void SetDeviceID(int device);
    const std::string& ProductName() const { return productName_; }
    // Selects the first device of that exact name; raises when open or when
    // no device has it ("MIDI Input Device <name> not installed ").
    void SetProductName(const std::string& name);
    int NumDevs() const { return devices_.InputCount(); }

    int Capacity() const { return capacity_; }
    void SetCapacity(int entries);
    int SysexBufferSize() const { return sysexBufferSize_; }
    void SetSysexBufferSize(int bytes);
    int SysexBufferCount() const { return sysexBufferCount_; }
    void SetSysexBufferCount(int count);
    // Drops every message but SysEx in the backend's thread; may change at any time.
    bool SysexOnly() const { return sysexOnly_.load(); }
    void SetSysexOnly(bool only) { sysexOnly_.store(only); }

    DeviceState State() const { return state_; }
    bool IsOpen() const { return state_ == DeviceState::Open; }
    // The text of the last failure, "" when there was none.
    const std::string& LastError() const { return lastError_; }

    void SetOnMidiInput(Handler handler) { onMidiInput_ = std::move(handler); }
    void SetOnOverflow(Handler handler) { onOverflow_ = std::move(handler); }

    // Allocates the ring and the SysEx buffers and opens the port. Does not
    // start input. False (with LastError set) when the port cannot be opened.
    bool Open();
    // Messages are stored from now on. Raises EMidiInputError on failure.
    void Start();
    void Close();

    // The oldest stored message, or none when closed or empty.
    std::optional<TMyMidiEvent> TakeEvent();
    int PendingCount() const;

    // Messages lost because the ring or every SysEx buffer was full.
    std::uint64_t LostCount() const { return lost_.load(); }

private:
    void Store(std::span<const std::uint8_t> message, std::uint32_t timeMs); // backend thread
    bool StoreSysexPiece(std::span<const std::uint8_t> piece, std::uint32_t timeMs);
    void Notify();
    void NotifyOverflow();
    void Deliver();
    void RefuseWhileOpen(const char* what) const;

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
    // Deliver still calls the handler once per stored message.
    std::atomic<bool> notifyPosted_{false};
    std::atomic<bool> overflowPosted_{false};
    std::atomic<std::uint64_t> lost_{0};
};

} // namespace velmora::midi
