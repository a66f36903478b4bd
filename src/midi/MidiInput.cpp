#include "midi/MidiInput.h"

#include <QMetaObject>

#include <algorithm>
#include <cstring>

namespace velmora::midi {

MidiInput::MidiInput(const MidiDevices& devices, QObject* parent)
    : QObject(parent), devices_(devices)
{
    // With no input at all there is nothing to select; opening then fails and
    // the caller reports the missing port in its own words.
    if (devices_.inputCount() > 0)
        setDeviceID(0);
    state_ = DeviceState::Closed;
}

MidiInput::~MidiInput()
{
    close();
}

void MidiInput::refuseWhileOpen(const char* what) const
{
    if (isOpen())
        throw MidiInputError(std::string("Change to ") + what + " while device was open");
}

void MidiInput::setDeviceID(int device)
{
    refuseWhileOpen("DeviceID");
    if (device < 0 || device >= numDevs())
        throw MidiInputError("Invalid device ID");
    deviceId_ = device;
    productName_ = devices_.inputName(device);
}

void MidiInput::setProductName(const std::string& name)
{
    refuseWhileOpen("ProductName");
    for (int device = 0; device < numDevs(); ++device) {
        if (devices_.inputName(device) == name) {
            setDeviceID(device);
            return;
        }
    }
    throw MidiInputError("MIDI Input Device " + name + " not installed ");
}

void MidiInput::setCapacity(int entries)
{
    refuseWhileOpen("Capacity");
    capacity_ = std::max(entries, 1);
}

void MidiInput::setSysexBufferSize(int bytes)
{
    refuseWhileOpen("SysexBufferSize");
    sysexBufferSize_ = std::max(bytes, 1);
}

void MidiInput::setSysexBufferCount(int count)
{
    refuseWhileOpen("SysexBuffercount");
    sysexBufferCount_ = std::max(count, 1);
}

bool MidiInput::open()
{
    if (isOpen())
        return true;
    if (deviceId_ < 0) {
        lastError_ = "Invalid device ID";
        return false;
    }
    ring_ = std::make_unique<EventRing>(static_cast<std::size_t>(capacity_));
    pool_ = std::make_unique<SysexPool>(static_cast<std::size_t>(sysexBufferCount_),
                                        static_cast<std::size_t>(sysexBufferSize_));
    try {
        port_ = devices_.openInput(
            deviceId_, [this](std::span<const std::uint8_t> m, std::uint32_t t) { store(m, t); });
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

void MidiInput::start()
{
    if (!isOpen())
        return;
    try {
        port_->start();
    } catch (const std::exception& e) {
        lastError_ = e.what();
        throw MidiInputError(lastError_);
    }
}

void MidiInput::close()
{
    if (!isOpen())
        return;
    state_ = DeviceState::Closed;
    // Destroying the port guarantees that the backend calls `store` no more.
    port_.reset();
    ring_.reset();
    pool_.reset();
    notifyPosted_ = false;
    overflowPosted_ = false;
}

int MidiInput::pendingCount() const
{
    return isOpen() ? static_cast<int>(ring_->count()) : 0;
}

std::optional<MidiEvent> MidiInput::takeEvent()
{
    if (!isOpen())
        return std::nullopt;
    const RingEntry* entry = ring_->peek();
    if (!entry)
        return std::nullopt;
    MidiEvent event;
    event.timeStamp = entry->timeStamp;
    if (entry->sysexBuffer >= 0) {
        const std::size_t length = pool_->length(entry->sysexBuffer);
        const std::uint8_t* data = std::as_const(*pool_).data(entry->sysexBuffer);
        event.status = 0xF0;
        event.sysexSize = static_cast<std::uint16_t>(length);
        event.sysexData.assign(data, data + length);
        pool_->release();
    } else {
        event.status = static_cast<std::uint8_t>(entry->shortMessage);
        event.data1 = static_cast<std::uint8_t>(entry->shortMessage >> 8);
        event.data2 = static_cast<std::uint8_t>(entry->shortMessage >> 16);
    }
    ring_->remove();
    return event;
}

// Runs on the backend's thread: no allocation, no blocking.
void MidiInput::store(std::span<const std::uint8_t> message, std::uint32_t timeMs)
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
        const std::size_t size = pool_->bufferSize();
        for (std::size_t at = 0; at < message.size(); at += size) {
            if (!storeSysexPiece(message.subspan(at, std::min(size, message.size() - at)), timeMs))
                return;
        }
        return;
    }
    const int length = shortMessageLength(status);
    if (length == 0 || sysexOnly_.load(std::memory_order_relaxed))
        return; // a stray data byte or F7, or short messages are not wanted
    std::uint32_t packed = status;
    for (int i = 1; i < length && i < static_cast<int>(message.size()); ++i)
        packed |= static_cast<std::uint32_t>(message[static_cast<std::size_t>(i)]) << (8 * i);
    if (!ring_->put({timeMs, packed, -1})) {
        notifyOverflow();
        return;
    }
    notify();
}

bool MidiInput::storeSysexPiece(std::span<const std::uint8_t> piece, std::uint32_t timeMs)
{
    const int buffer = ring_->full() ? -1 : pool_->acquire();
    if (buffer < 0) {
        notifyOverflow();
        return false;
    }
    std::memcpy(pool_->data(buffer), piece.data(), piece.size());
    pool_->setLength(buffer, piece.size());
    pool_->commit();
    ring_->put({timeMs, 0, buffer}); // cannot fail: only this thread adds entries
    notify();
    return true;
}

void MidiInput::notify()
{
    if (!notifyPosted_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::QueuedConnection);
}

void MidiInput::notifyOverflow()
{
    lost_.fetch_add(1, std::memory_order_relaxed);
    if (!overflowPosted_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                overflowPosted_ = false;
                if (onOverflow_ && isOpen())
                    onOverflow_(*this);
            },
            Qt::QueuedConnection);
    }
}

void MidiInput::deliver()
{
    notifyPosted_ = false;
    // One handler call per message stored so far; later ones post anew.
    for (int n = pendingCount(); n > 0 && onMidiInput_ && isOpen() && pendingCount() > 0; --n)
        onMidiInput_(*this);
}

} // namespace velmora::midi
