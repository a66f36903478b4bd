#include "midi/MidiSetup.h"

#include "midi/VirtualBackend.h"

#include "common/ErrorReporter.h"

#include <QCoreApplication>

#include <algorithm>
#include <exception>

#include "protocol/Messages.h"

namespace velmora::midi {

MidiSetup::MidiSetup(const MidiDevices& devices, MidiRouter::Targets targets)
    : devices_(devices), out_(devices), in_(devices), in2_(devices),
      router_(routing_, out_, std::move(targets))
{
    // Until the settings give the instrument input its buffers (the SysEx
    // setup), it holds the longest dump (479 bytes) and a bank answer that
    // comes all at once; the keyboard input needs little.
    in_.setSysexBufferSize(512);
    in_.setSysexBufferCount(128);
    in2_.setSysexBufferSize(512);
    in2_.setSysexBufferCount(4);
    in_.setOnMidiInput([this](MidiInput& sender) { midiGetAll(sender); });
    in2_.setOnMidiInput([this](MidiInput& sender) { midiGetPort2(sender); });
    in_.setOnOverflow([this](MidiInput&) { reportOverflow(); });
}

void MidiSetup::reportOverflow()
{
    if (reportingOverflow_ || errors_ == nullptr)
        return;
    reportingOverflow_ = true;
    errors_->report(QCoreApplication::translate("MidiSetup", kOverflowText));
    reportingOverflow_ = false;
}

void MidiSetup::initMidiControls()
{
    inputNames_ = devices_.inputNames();
    outputNames_ = devices_.outputNames();
    if (!inputNames_.empty())
        in_.setDeviceID(0);
    if (!outputNames_.empty())
        out_.setDeviceID(0);
}

bool MidiSetup::openAndStart(MidiInput& input)
{
    if (!input.open())
        return false;
    try {
        input.start();
    } catch (const MidiInputError&) {
        input.close();
        return false;
    }
    return true;
}

bool MidiSetup::onlyVirtualPorts() const
{
    const auto isVirtual = [](const std::string& name) {
        return name == VirtualBackend::kPortName;
    };
    return std::all_of(inputNames_.begin(), inputNames_.end(), isVirtual) &&
           std::all_of(outputNames_.begin(), outputNames_.end(), isVirtual);
}

std::optional<std::string> MidiSetup::openAtStartup()
{
    if (devices_.inputCount() == 0 || !openAndStart(in_))
        return QCoreApplication::translate("MidiSetup", "Cannot find a Midi In port").toStdString();
    if (devices_.inputCount() > 0 && secondInput_ != kNoDevice) {
        // The second input opens the device the settings selected on it; a
        // keyboard input that cannot be opened is simply left closed.
        try {
            openAndStart(in2_);
        } catch (const MidiInputError&) {
        }
    }
    if (devices_.outputCount() == 0 || !out_.open())
        return QCoreApplication::translate("MidiSetup", "Cannot find a Midi Out port")
            .toStdString();
    return std::nullopt;
}

void MidiSetup::changeInPort(int device)
{
    in_.close();
    in_.setDeviceID(device);
    if (!in_.open())
        throw MidiInputError(in_.lastError());
    in_.start();
}

void MidiSetup::changeOutPort(int device)
{
    out_.close();
    out_.setDeviceID(device);
    if (!out_.open())
        throw MidiOutputError(out_.lastError());
}

std::vector<std::string> MidiSetup::secondInputNames() const
{
    std::vector<std::string> names{kNoInputName};
    for (int d = 0; d < devices_.inputCount(); ++d) {
        if (d != in_.deviceID())
            names.push_back(devices_.inputName(d));
    }
    return names;
}

int MidiSetup::secondInputPosition() const
{
    if (secondInput_ == kNoDevice)
        return 0;
    const auto names = secondInputNames();
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (secondInput_ < devices_.inputCount() && names[i] == devices_.inputName(secondInput_))
            return static_cast<int>(i);
    }
    return 0;
}

void MidiSetup::changeInPort2(int position)
{
    in2_.close();
    if (position <= 0) {
        secondInput_ = kNoDevice;
        return;
    }
    in2_.setProductName(secondInputNames().at(static_cast<std::size_t>(position)));
    secondInput_ = in2_.deviceID();
    if (!in2_.open())
        throw MidiInputError(in2_.lastError());
    in2_.start();
}

bool MidiSetup::applySysexBuffers(int size, int count)
{
    if (!in_.isOpen())
        return false;
    in_.close();
    in_.setSysexBufferCount(count);
    in_.setSysexBufferSize(size);
    if (!in_.open())
        throw MidiInputError(in_.lastError());
    in_.start();
    return true;
}

void MidiSetup::allNotesOff(std::uint8_t note, const std::array<std::uint8_t, 3>& chord)
{
    if (!out_.isOpen())
        return;
    for (const ShortMessage& m : velmora::allNotesOff(routing_.instrumentChannel, note, chord))
        out_.sendShort(m.status, m.data1, m.data2);
}

void MidiSetup::route(MidiInput& sender, void (MidiRouter::*handler)(const MidiEvent&))
{
    const auto event = sender.takeEvent();
    if (!event)
        return;
    if (errors_ != nullptr) {
        errors_->run([&] { (router_.*handler)(*event); });
        return;
    }
    try {
        (router_.*handler)(*event);
    } catch (const std::exception&) {
        // Nobody to tell: the message is dropped and the input goes on.
    }
}

void MidiSetup::midiGetAll(MidiInput& sender)
{
    route(sender, &MidiRouter::routeInstrumentInput);
}

void MidiSetup::midiGetPort2(MidiInput& sender)
{
    route(sender, &MidiRouter::routeKeyboardInput);
}

} // namespace velmora::midi
