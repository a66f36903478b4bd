// Whether the notes in a log of MIDI messages, as the instrument received
// them, are paired: every note-on is ended by a later note-off on its channel
// and key, no key is struck again while it sounds, and no note-off comes for
// a key that does not sound. Other messages are passed over.
#pragma once

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace velmora::test {

struct NoteCheck
{
    std::vector<std::string> faults;             // in the order of the log
    std::map<std::pair<int, int>, int> sounding; // channel and key still on, at which message

    bool clean() const { return faults.empty() && sounding.empty(); }
    bool sounds(int channel, int key) const { return sounding.contains({channel, key}); }
    std::string describe() const
    {
        std::ostringstream text;
        for (const std::string& fault : faults)
            text << fault << '\n';
        for (const auto& [note, at] : sounding)
            text << "message " << at << ": note-on ch " << note.first + 1 << " key " << note.second
                 << " never ended\n";
        return text.str();
    }
};

inline NoteCheck checkNotes(const std::vector<std::vector<std::uint8_t>>& log)
{
    NoteCheck check;
    for (std::size_t at = 0; at < log.size(); ++at) {
        const std::vector<std::uint8_t>& m = log[at];
        if (m.size() != 3 || ((m[0] & 0xF0) != 0x80 && (m[0] & 0xF0) != 0x90))
            continue;
        const std::pair<int, int> note{m[0] & 0x0F, m[1]};
        const bool on = (m[0] & 0xF0) == 0x90 && m[2] > 0;
        const auto describe = [&](const char* what) {
            std::ostringstream text;
            text << "message " << at << ": " << what << " ch " << note.first + 1 << " key "
                 << note.second;
            check.faults.push_back(text.str());
        };
        if (on && !check.sounding.emplace(note, static_cast<int>(at)).second)
            describe("note-on for a key that already sounds,");
        else if (!on && check.sounding.erase(note) == 0)
            describe("note-off for a key that does not sound,");
    }
    return check;
}

} // namespace velmora::test
