// Standard MIDI Files as patch collections are passed around: the SysEx of a
// .syx file as events of one track.
#pragma once

#include "protocol/PatchRecord.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::test {

// A Standard MIDI File with one track: each message as an F0 event, or
// split into an F0 packet and F7 continuations as some librarians write it.
inline std::vector<Byte> midiFileOf(const std::vector<Byte>& syx, int format, bool packets)
{
    auto quantity = [](std::vector<Byte>& out, std::size_t value) {
        std::vector<Byte> bytes{static_cast<Byte>(value & 0x7F)};
        while ((value >>= 7) > 0)
            bytes.insert(bytes.begin(), static_cast<Byte>(0x80 | (value & 0x7F)));
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    std::vector<Byte> track{0x00, 0xFF, 0x03, 0x04, 'M', 'a', 't', 'x'}; // a track name
    track.insert(track.end(), {0x00, 0xC0, 0x05});                       // a program change
    std::size_t at = 0;
    while (at < syx.size()) {
        const auto end = std::find(syx.begin() + static_cast<std::ptrdiff_t>(at), syx.end(), 0xF7);
        const std::vector<Byte> message(syx.begin() + static_cast<std::ptrdiff_t>(at), end + 1);
        at += message.size();
        const std::size_t first =
            packets ? std::min<std::size_t>(100, message.size()) : message.size();
        track.push_back(0x10);
        track.push_back(0xF0);
        quantity(track, first - 1);
        track.insert(track.end(), message.begin() + 1,
                     message.begin() + static_cast<std::ptrdiff_t>(first));
        if (first < message.size()) {
            track.push_back(0x05);
            track.push_back(0xF7);
            quantity(track, message.size() - first);
            track.insert(track.end(), message.begin() + static_cast<std::ptrdiff_t>(first),
                         message.end());
        }
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<Byte> file{'M',  'T',
                           'h',  'd',
                           0,    0,
                           0,    6,
                           0,    static_cast<Byte>(format),
                           0,    static_cast<Byte>(format == 1 ? 2 : 1),
                           0x01, 0xE0};
    if (format == 1)
        file.insert(file.end(),
                    {'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00}); // tempo track
    const auto size = static_cast<std::uint32_t>(track.size());
    file.insert(file.end(),
                {'M', 'T', 'r', 'k', static_cast<Byte>(size >> 24), static_cast<Byte>(size >> 16),
                 static_cast<Byte>(size >> 8), static_cast<Byte>(size)});
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace velmora::test
