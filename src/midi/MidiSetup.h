// The program's three MIDI devices and their settings: the instrument's
// output and input and an optional keyboard / controller input. Opens them at
// start-up, changes ports, channels and SysEx buffers for the setup dialogs,
// and hands every incoming message to the router.
#pragma once

#include "MidiDevices.h"
#include "MidiInput.h"
#include "MidiOutput.h"
#include "MidiRouter.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::midi {

class MidiSetup
{
public:
    static constexpr int kNoDevice = -1;
    static constexpr const char* kNoInputName = "<none>";

    MidiSetup(const MidiDevices& devices, MidiRouter::Targets targets);

    // The name lists, in device order; both devices select device 0.
    void InitMidiControls();
    const std::vector<std::string>& InputNames() const { return inputNames_; }
    const std::vector<std::string>& OutputNames() const { return outputNames_; }

    // True when the only ports are the built-in virtual instrument's: no
    // MIDI interface is connected, or none the system offers.
    bool OnlyVirtualPorts() const;
    // What the program tells the user then.
    static constexpr const char* kOnlyVirtualText =
        "No MIDI interface found: Velmora is talking to its built-in virtual Matrix-1000. "
        "Connect your instrument and choose its ports under Setup > Midi.";

    // Opens the main input (started), the second input when one is chosen,
    // and the output. Returns the message that must end the program when the
    // main input or the output cannot be opened.
    std::optional<std::string> OpenAtStartup();

    // Port changes of the setup dialog. Each closes the device, selects the
    // chosen one and opens it again; a failure raises the device's error and
    // leaves it closed.
    void ChangeInPort(int device);
    void ChangeOutPort(int device);
    // 0 is "<none>"; 1.. are SecondInputNames()[position].
    void ChangeInPort2(int position);
    // "<none>", then every input name except the one the main input uses.
    std::vector<std::string> SecondInputNames() const;
    // Position of the second input in SecondInputNames(), 0 when none.
    int SecondInputPosition() const;

    // SysEx setup: rebuilds the main input's buffers, only while it is open.
    // Returns whether the values were applied.
    bool ApplySysexBuffers(int size, int count);

    // Note off for the note and the chord notes, then controllers 123 and 121
    // on the instrument channel; only when the output is open.
    void AllNotesOff(std::uint8_t note, const std::array<std::uint8_t, 3>& chord);

    TMidiOutput& Output() { return out_; }
    TMidiInput& Input() { return in_; }
    TMidiInput& Input2() { return in2_; }
    RoutingSettings& Routing() { return routing_; }

    bool InputOpen() const { return in_.IsOpen(); }
    bool Input2Open() const { return in2_.IsOpen(); }
    bool OutputOpen() const { return out_.IsOpen(); }
    int SecondInputDevice() const { return secondInput_; }
    void SetSecondInputDevice(int device) { secondInput_ = device; }

    // Failures while routing (a vanished output, say) go here, so a message
    // that cannot be passed on never ends the program. So does the main
    // input's overflow: what it lost cannot be had again, and the user can
    // give it more buffers.
    std::function<void(const std::string& text)> OnError;
    static constexpr const char* kOverflowText =
        "Velmora's MIDI input could not keep up with the instrument and lost part of what it "
        "sent. Give it more SysEx buffers under Setup > SysEx and try again.";

    // The two input handlers: one event each.
    void MidiGetAll(TMidiInput& sender);
    void MidiGetPort2(TMidiInput& sender);

private:
    bool OpenAndStart(TMidiInput& input);
    void Guard(const std::function<void()>& route);
    void ReportOverflow();

    const MidiDevices& devices_;
    TMidiOutput out_;
    TMidiInput in_;
    TMidiInput in2_;
    RoutingSettings routing_;
    MidiRouter router_;
    int secondInput_ = kNoDevice;
    bool reportingOverflow_ = false; // one message at a time while a burst overflows
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
};

} // namespace velmora::midi
