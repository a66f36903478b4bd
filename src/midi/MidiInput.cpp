#include "MidiInput.h"

#include <QMetaObject>

#include <algorithm>
#include <cstring>

namespace velmora::midi {

TMidiInput::TMidiInput(const MidiDevices& devices, QObject* parent)
    : QObject(parent), devices_(devices)
{
    // With no input at all there is nothing to select; opening then fails and
    // the caller reports the missing port in its own words.
    if (devices_.InputCount() > 0)
        SetDeviceID(0);
    state_ = DeviceState::Closed;
}

TMidiInput::~TMidiInput()
{
    Close();
}

void TMidiInput::RefuseWhileOpen(const char* what) const
{
    if (IsOpen())
        throw EMidiInputError(std::string("Change to ") + what + " while device was open");
}

void TMidiInput::SetDeviceID(int device)
{
    RefuseWhileOpen("DeviceID");
    if (device < 0 || device >= NumDevs())
        throw EMidiInputError("Invalid device ID");
    deviceId_ = device;
    productName_ = devices_.InputName(device);
}

void TMidiInput::SetProductName(const std::string& name)
{
    RefuseWhileOpen("ProductName");
    for (int device = 0; device < NumDevs(); ++device) {
        if (devices_.InputName(device) == name) {
            SetDeviceID(device);
            return;
        }
    }
    throw EMidiInputError("MIDI Input Device " + name + " not installed ");
}

void TMidiInput::SetCapacity(int entries)
{
    RefuseWhileOpen("Capacity");
    capacity_ = std::max(entries, 1);
}

void TMidiInput::SetSysexBufferSize(int bytes)
{
    RefuseWhileOpen("SysexBufferSize");
    sysexBufferSize_ = std::max(bytes, 1);
}

void TMidiInput::SetSysexBufferCount(int count)
{
    RefuseWhileOpen("SysexBuffercount");
    sysexBufferCount_ = std::max(count, 1);
}

bool TMidiInput::Open()
{
    if (IsOpen())
        return true;
    if (deviceId_ < 0) {
        lastError_ = "Invalid device ID";
        return false;
    }
    ring_ = std::make_unique<EventRing>(static_cast<std::size_t>(capacity_));
    pool_ = std::make_unique<SysexPool>(static_cast<std::size_t>(sysexBufferCount_),
                                        static_cast<std::size_t>(sysexBufferSize_));
    try {
        port_ = devices_.OpenInput(
            deviceId_, [this](std::span<const std::uint8_t> m, std::uint32_t t) { Store(m, t); });
    } catch (const std::exception& e) {
        lastError_ = e.what();
        ring_.reset();
        pool_.reset();
        return false;
    }
    lastError_.clear();
    state_ = DeviceState::Open;
    return true;
}

void TMidiInput::Start()
{
    if (!IsOpen())
        return;
    try {
        port_->Start();
    } catch (const std::exception& e) {
        lastError_ = e.what();
        throw EMidiInputError(lastError_);
    }
}

void TMidiInput::Close()
{
    if (!IsOpen())
        return;
    state_ = DeviceState::Closed;
    // Destroying the port guarantees that the backend calls Store no more.
    port_.reset();
    ring_.reset();
    pool_.reset();
    notifyPosted_ = false;
    overflowPosted_ = false;
}

int TMidiInput::PendingCount() const
{
    return IsOpen() ? static_cast<int>(ring_->Count()) : 0;
}

std::optional<TMyMidiEvent> TMidiInput::TakeEvent()
{
    if (!IsOpen())
        return std::nullopt;
    const RingEntry* entry = ring_->Peek();
    if (!entry)
        return std::nullopt;
    TMyMidiEvent event;
    event.TimeStamp = entry->timeStamp;
    if (entry->sysexBuffer >= 0) {
        const std::size_t length = pool_->Length(entry->sysexBuffer);
        const std::uint8_t* data = std::as_const(*pool_).Data(entry->sysexBuffer);
        event.Status = 0xF0;
        event.SysexSize = static_cast<std::uint16_t>(length);
        event.SysexData.assign(data, data + length);
        pool_->Release();
    } else {
        event.Status = static_cast<std::uint8_t>(entry->shortMessage);
        event.Data1 = static_cast<std::uint8_t>(entry->shortMessage >> 8);
        event.Data2 = static_cast<std::uint8_t>(entry->shortMessage >> 16);
    }
    ring_->Remove();
    return event;
}

// Runs on the backend's thread: no allocation, no blocking.
void TMidiInput::Store(std::span<const std::uint8_t> message, std::uint32_t timeMs)
{
    if (message.empty())
        return;
    const std::uint8_t status = message[0];
    if (status == 0xF8 || status == 0xFE)
        return; // timing clock and active sensing
    if (status == 0xF0) {
        // A message longer than one buffer arrives in buffer-sized pieces, as
        // a driver hands it over; the pieces are of no dump length and so are
        // ignored by the dump handlers.
        const std::size_t size = pool_->BufferSize();
        for (std::size_t at = 0; at < message.size(); at += size) {
            if (!StoreSysexPiece(message.subspan(at, std::min(size, message.size() - at)), timeMs))
                return;
        }
        return;
    }
    const int length = ShortMessageLength(status);
    if (length == 0 || sysexOnly_.load(std::memory_order_relaxed))
        return; // a stray data byte or F7, or short messages are not wanted
    std::uint32_t packed = status;
    for (int i = 1; i < length && i < static_cast<int>(message.size()); ++i)
        packed |= static_cast<std::uint32_t>(message[static_cast<std::size_t>(i)]) << (8 * i);
    if (!ring_->Put({timeMs, packed, -1})) {
        NotifyOverflow();
        return;
    }
    Notify();
}

bool TMidiInput::StoreSysexPiece(std::span<const std::uint8_t> piece, std::uint32_t timeMs)
{
    const int buffer = ring_->Full() ? -1 : pool_->Acquire();
    if (buffer < 0) {
        NotifyOverflow();
        return false;
    }
    std::memcpy(pool_->Data(buffer), piece.data(), piece.size());
    pool_->SetLength(buffer, piece.size());
    pool_->Commit();
    ring_->Put({timeMs, 0, buffer}); // cannot fail: only this thread adds entries
    Notify();
    return true;
}

void TMidiInput::Notify()
{
    if (!notifyPosted_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void TMidiInput::NotifyOverflow()
{
    lost_.fetch_add(1, std::memory_order_relaxed);
    if (!overflowPosted_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                overflowPosted_ = false;
                if (onOverflow_ && IsOpen())
                    onOverflow_(*this);
            },
            Qt::QueuedConnection);
    }
}

void TMidiInput::Deliver()
{
    notifyPosted_ = false;
    // One handler call per message stored so far; later ones post anew.
    for (int n = PendingCount(); n > 0 && onMidiInput_ && IsOpen() && PendingCount() > 0; --n)
        onMidiInput_(*this);
}

} // namespace velmora::midi
