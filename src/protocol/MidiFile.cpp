#include "protocol/MidiFile.h"

#include <cstdint>
#include <optional>

namespace velmora {
namespace {

constexpr std::size_t kChunkHeader = 8;

std::uint32_t bigEndian(std::span<const Byte> data, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | data[at + i];
    return value;
}

bool hasTag(std::span<const Byte> data, std::size_t at, const char (&tag)[5])
{
    if (at + 4 > data.size())
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (data[at + i] != static_cast<Byte>(tag[i]))
            return false;
    return true;
}

// Reads one track's events; false when the track ends in the middle of one.
class TrackReader
{
public:
    TrackReader(std::span<const Byte> track, std::vector<Byte>& out) : track_(track), out_(out) {}

    bool read()
    {
        Byte running = 0;
        while (at_ < track_.size()) {
            if (!quantity())
                return false; // delta time
            if (at_ >= track_.size())
                return false;
            Byte status = track_[at_];
            if (status < 0x80) {
                if (running == 0)
                    return false; // data without a status
                status = running;
            } else {
                ++at_;
            }
            if (status == 0xFF) {
                if (at_ >= track_.size())
                    return false;
                ++at_; // meta type
                if (!skipBlock())
                    return false;
            } else if (status == 0xF0 || status == 0xF7) {
                running = 0;
                if (!sysex(status))
                    return false;
            } else if (status >= 0xF0) {
                return false; // no other system message belongs in a file
            } else {
                running = status;
                const std::size_t size = (status & 0xE0) == 0xC0 ? 1 : 2;
                if (at_ + size > track_.size())
                    return false;
                at_ += size;
            }
        }
        return true;
    }

private:
    std::optional<std::uint32_t> quantity()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at_ >= track_.size())
                return std::nullopt;
            const Byte b = track_[at_++];
            value = (value << 7) | (b & 0x7F);
            if (b < 0x80)
                return value;
        }
        return std::nullopt;
    }

    bool skipBlock()
    {
        const auto length = quantity();
        if (!length || *length > track_.size() - at_)
            return false;
        at_ += *length;
        return true;
    }

    bool sysex(Byte status)
    {
        const auto length = quantity();
        if (!length || *length > track_.size() - at_)
            return false;
        const auto bytes = track_.subspan(at_, *length);
        at_ += *length;
        // An F7 event continues an open message, or else carries bytes to
        // send as they are (which may themselves be whole messages): either
        // way its bytes follow what came before.
        if (status == 0xF0)
            out_.push_back(0xF0);
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        return true;
    }

    std::span<const Byte> track_;
    std::vector<Byte>& out_;
    std::size_t at_ = 0;
};

} // namespace

bool isMidiFile(std::span<const Byte> data)
{
    return hasTag(data, 0, "MThd");
}

MidiFileSysex sysexFromMidiFile(std::span<const Byte> data)
{
    MidiFileSysex result;
    if (!isMidiFile(data) || data.size() < kChunkHeader + 6) {
        result.error = "is not a Standard MIDI File";
        return result;
    }
    const std::uint32_t headerLength = bigEndian(data, 4, 4);
    const std::uint32_t format = bigEndian(data, 8, 2);
    if (headerLength < 6 || format > 1) {
        result.error = format == 2 ? "is a MIDI file of format 2, which holds no SysEx collection"
                                   : "has a damaged MIDI file header";
        return result;
    }
    std::size_t at = kChunkHeader + headerLength;
    bool cut = at > data.size();
    while (!cut && at + kChunkHeader <= data.size()) {
        const std::uint32_t length = bigEndian(data, at + 4, 4);
        const std::size_t body = at + kChunkHeader;
        const std::size_t available = data.size() - body;
        const bool whole = length <= available;
        if (hasTag(data, at, "MTrk")) {
            TrackReader reader(data.subspan(body, whole ? length : available), result.messages);
            cut = !reader.read() || !whole;
        } else {
            cut = !whole; // another chunk: skipped
        }
        at = body + (whole ? length : available);
    }
    if (cut && result.messages.empty())
        result.error = "is a MIDI file cut short before any SysEx";
    return result;
}

} // namespace velmora
