// Opening a port and telling, later, that it is still there.
#include "midi/rtmidi/PortPresence.h"

#include "midi/MidiBackend.h"
#include "midi/rtmidi/RtMidiReport.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmora::midi::rtmidi {

// How often ports that can only be checked by listing are checked.
constexpr auto kListingCheckInterval = std::chrono::milliseconds(100);
// How long an open waits for JACK to put the new connection into effect, so
// that the first message sent is not lost. The server does so at the start of
// its next cycle, normally within milliseconds; a loaded machine without
// realtime scheduling can hold it up much longer, and then the open returns
// anyway and the connection is looked for again at each send.
constexpr auto kJackConnectWait = std::chrono::seconds(1);

#if defined(__linux__)
class JackPresence final : public Presence
{
public:
    // `before`: Velmora's ports that were connected to it before this open
    // (other open ports of this program or of another Velmora).
    JackPresence(std::shared_ptr<JackWatch> watch, std::string portName, std::string ourPortName,
                 std::vector<std::string> before)
        : watch_(std::move(watch)), portName_(std::move(portName)),
          ourPortName_(std::move(ourPortName)), before_(std::move(before))
    {}

    bool present() override
    {
        if (peer_.empty() && !findPeer()) {
            // The server has not put the connection into effect yet.
            return watch_->hasPort(portName_);
        }
        return watch_->connectedTo(portName_, peer_);
    }

    // Our new connection to the port, once the server shows it.
    bool findPeer()
    {
        for (auto& peer : watch_->ownConnections(portName_, ourPortName_)) {
            if (std::find(before_.begin(), before_.end(), peer) == before_.end()) {
                peer_ = std::move(peer);
                return true;
            }
        }
        return false;
    }

private:
    std::shared_ptr<JackWatch> watch_;
    std::string portName_;
    std::string ourPortName_;
    std::vector<std::string> before_;
    std::string peer_; // our own port connected to it; empty until found
};

class AlsaPresence final : public Presence
{
public:
    AlsaPresence(std::shared_ptr<AlsaWatch> watch, int client, int port, bool weSendToIt)
        : watch_(std::move(watch)), client_(client), port_(port), weSendToIt_(weSendToIt)
    {}
    bool present() override { return watch_->subscribed(client_, port_, weSendToIt_); }

private:
    std::shared_ptr<AlsaWatch> watch_;
    int client_;
    int port_;
    bool weSendToIt_;
};
#endif

// For APIs without a cheap lookup: list the ports again, now and then.
class ListingPresence final : public Presence
{
public:
    ListingPresence(RtMidi& midi, std::string portName)
        : midi_(midi), portName_(std::move(portName)), checkedAt_(Clock::now())
    {}
    bool present() override
    {
        const auto now = Clock::now();
        if (now - checkedAt_ >= kListingCheckInterval) {
            checkedAt_ = now;
            const auto names = rtMidiPortNames(midi_);
            present_ = std::find(names.begin(), names.end(), portName_) != names.end();
        }
        return present_;
    }

private:
    RtMidi& midi_;
    std::string portName_;
    Clock::time_point checkedAt_;
    bool present_ = true;
};

static void openRtMidiPort(RtMidi& midi, const PortEntry& entry, int index, const char* ourName)
{
    const auto failure = checked([&] { midi.openPort(static_cast<unsigned>(index), ourName); });
    if (failure || !midi.isPortOpen()) {
        throw MidiBackendError("The MIDI port " + quoted(entry.displayName) +
                               " could not be opened; another program may be using it. (" +
                               failure.value_or("no reason given") + ")");
    }
}

std::unique_ptr<Presence> connect(const ApiAccess& access, RtMidi& midi, const PortEntry& entry,
                                  int index, const char* ourName, bool weSendToIt)
{
#if defined(__linux__)
    if (access.jack != nullptr) {
        // RtMidi makes the connection but does not check it: find it among
        // the port's connections, once the server has put it into effect.
        auto presence = std::make_unique<JackPresence>(
            access.jack, entry.rtName, ourName, access.jack->ownConnections(entry.rtName, ourName));
        openRtMidiPort(midi, entry, index, ourName);
        const auto giveUp = Clock::now() + kJackConnectWait;
        while (!presence->findPeer()) {
            if (!access.jack->hasPort(entry.rtName)) {
                throw MidiBackendError(goneText(entry.displayName));
            }
            if (Clock::now() > giveUp) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return presence;
    }
#endif
    openRtMidiPort(midi, entry, index, ourName);
    std::unique_ptr<Presence> presence;
#if defined(__linux__)
    if (access.alsa != nullptr) {
        if (const auto address = alsaAddress(entry.rtName)) {
            presence = std::make_unique<AlsaPresence>(access.alsa, address->first, address->second,
                                                      weSendToIt);
        }
    }
#else
    (void)access;
    (void)weSendToIt;
#endif
    if (presence == nullptr) {
        presence = std::make_unique<ListingPresence>(midi, entry.rtName);
    }
    if (!presence->present()) {
        throw MidiBackendError(goneText(entry.displayName));
    }
    return presence;
}

} // namespace velmora::midi::rtmidi
