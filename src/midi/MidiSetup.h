// The program's three MIDI devices and their settings: the instrument's
// output and input and an optional keyboard / controller input. Opens them at
// start-up, changes ports, channels and SysEx buffers for the setup dialogs,
// and hands every incoming message to the router.
#pragma once

#include "midi/MidiDevices.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/MidiRouter.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
class ErrorReporter;
} // namespace velmora

namespace velmora::midi {

class MidiSetup
{
public:
    static constexpr int kNoDevice = -1;
    static constexpr const char* kNoInputName = "<none>";

    MidiSetup(const MidiDevices& devices, MidiRouter::Targets targets);

    // The name lists, in device order; both devices select device 0.
    void initMidiControls();
    const std::vector<std::string>& inputNames() const { return inputNames_; }
    const std::vector<std::string>& outputNames() const { return outputNames_; }

    // True when the only ports are the built-in virtual instrument's: no
    // MIDI interface is connected, or none the system offers.
    bool onlyVirtualPorts() const;
    // What the program tells the user then.
    static constexpr const char* kOnlyVirtualText = QT_TRANSLATE_NOOP(
        "MidiSetup",
        "No MIDI interface found: Velmora is talking to its built-in virtual Matrix-1000. "
        "Connect your instrument and choose its ports under Setup > Midi.");

    // Opens the main input (started), the second input when one is chosen,
    // and the output. Returns the message that must end the program when the
    // main input or the output cannot be opened.
    std::optional<std::string> openAtStartup();

    // Port changes of the setup dialog. Each closes the device, selects the
    // chosen one and opens it again; a failure raises the device's error and
    // leaves it closed.
    void changeInPort(int device);
    void changeOutPort(int device);
    // 0 is "<none>"; 1.. are secondInputNames()[position].
    void changeInPort2(int position);
    // "<none>", then every input name except the one the main input uses.
    std::vector<std::string> secondInputNames() const;
    // Position of the second input in secondInputNames(), 0 when none.
    int secondInputPosition() const;

    // SysEx setup: rebuilds the main input's buffers, only while it is open.
    // Returns whether the values were applied.
    bool applySysexBuffers(int size, int count);

    // Note off for the note and the chord notes, then controllers 123 and 121
    // on the instrument channel; only when the output is open.
    void allNotesOff(std::uint8_t note, const std::array<std::uint8_t, 3>& chord);

    MidiOutput& output() { return out_; }
    MidiInput& input() { return in_; }
    MidiInput& input2() { return in2_; }
    RoutingSettings& routing() { return routing_; }

    bool inputOpen() const { return in_.isOpen(); }
    bool input2Open() const { return in2_.isOpen(); }
    bool outputOpen() const { return out_.isOpen(); }
    int secondInputDevice() const { return secondInput_; }
    void setSecondInputDevice(int device) { secondInput_ = device; }

    // Failures while routing (a vanished output, say) are reported here, so
    // a message that cannot be passed on never ends the program. So is the
    // main input's overflow: what it lost cannot be had again, and the user
    // can give it more buffers. Without a reporter they are dropped.
    void setErrorReporter(ErrorReporter* errors) { errors_ = errors; }
    static constexpr const char* kOverflowText = QT_TRANSLATE_NOOP(
        "MidiSetup",
        "Velmora's MIDI input could not keep up with the instrument and lost part of what it "
        "sent. Give it more SysEx buffers under Setup > SysEx and try again.");

    // The two input handlers: one event each.
    void midiGetAll(MidiInput& sender);
    void midiGetPort2(MidiInput& sender);

private:
    bool openAndStart(MidiInput& input);
    void route(MidiInput& sender, void (MidiRouter::*handler)(const MidiEvent&));
    void reportOverflow();

    const MidiDevices& devices_;
    MidiOutput out_;
    MidiInput in_;
    MidiInput in2_;
    RoutingSettings routing_;
    MidiRouter router_;
    ErrorReporter* errors_ = nullptr;
    int secondInput_ = kNoDevice;
    bool reportingOverflow_ = false; // one message at a time while a burst overflows
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
};

} // namespace velmora::midi
