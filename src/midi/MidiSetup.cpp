#include "MidiSetup.h"

#include "VirtualBackend.h"

#include <algorithm>

#include "Messages.h"

namespace velmora::midi {

MidiSetup::MidiSetup(const MidiDevices& devices, MidiRouter::Targets targets)
    : devices_(devices), out_(devices), in_(devices), in2_(devices),
      router_(routing_, out_, std::move(targets))
{
    // Until the settings give the instrument input its buffers (the SysEx
    // setup), it holds the longest dump (479 bytes) and a bank answer that
    // comes all at once; the keyboard input needs little.
    in_.SetSysexBufferSize(512);
    in_.SetSysexBufferCount(128);
    in2_.SetSysexBufferSize(512);
    in2_.SetSysexBufferCount(4);
    in_.SetOnMidiInput([this](TMidiInput& sender) { MidiGetAll(sender); });
    in2_.SetOnMidiInput([this](TMidiInput& sender) { MidiGetPort2(sender); });
    in_.SetOnOverflow([this](TMidiInput&) { ReportOverflow(); });
}

void MidiSetup::ReportOverflow()
{
    if (reportingOverflow_ || !OnError)
        return;
    reportingOverflow_ = true;
    OnError(kOverflowText);
    reportingOverflow_ = false;
}

void MidiSetup::InitMidiControls()
{
    inputNames_ = devices_.InputNames();
    outputNames_ = devices_.OutputNames();
    if (!inputNames_.empty())
        in_.SetDeviceID(0);
    if (!outputNames_.empty())
        out_.SetDeviceID(0);
}

bool MidiSetup::OpenAndStart(TMidiInput& input)
{
    if (!input.Open())
        return false;
    try {
        input.Start();
    } catch (const EMidiInputError&) {
        input.Close();
        return false;
    }
    return true;
}

bool MidiSetup::OnlyVirtualPorts() const
{
    const auto isVirtual = [](const std::string& name) {
        return name == VirtualBackend::kPortName;
    };
    return std::all_of(inputNames_.begin(), inputNames_.end(), isVirtual) &&
           std::all_of(outputNames_.begin(), outputNames_.end(), isVirtual);
}

std::optional<std::string> MidiSetup::OpenAtStartup()
{
    if (devices_.InputCount() == 0 || !OpenAndStart(in_))
        return "Cannot find a Midi In port";
    if (devices_.InputCount() > 0 && secondInput_ != kNoDevice) {
        // The second input opens the device the settings selected on it; a
        // keyboard input that cannot be opened is simply left closed.
        try {
            OpenAndStart(in2_);
        } catch (const EMidiInputError&) {
        }
    }
    if (devices_.OutputCount() == 0 || !out_.Open())
        return "Cannot find a Midi Out port";
    return std::nullopt;
}

void MidiSetup::ChangeInPort(int device)
{
    in_.Close();
    in_.SetDeviceID(device);
    if (!in_.Open())
        throw EMidiInputError(in_.LastError());
    in_.Start();
}

void MidiSetup::ChangeOutPort(int device)
{
    out_.Close();
    out_.SetDeviceID(device);
    if (!out_.Open())
        throw EmidioutputError(out_.LastError());
}

std::vector<std::string> MidiSetup::SecondInputNames() const
{
    std::vector<std::string> names{kNoInputName};
    for (int d = 0; d < devices_.InputCount(); ++d) {
        if (d != in_.DeviceID())
            names.push_back(devices_.InputName(d));
    }
    return names;
}

int MidiSetup::SecondInputPosition() const
{
    if (secondInput_ == kNoDevice)
        return 0;
    const auto names = SecondInputNames();
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (secondInput_ < devices_.InputCount() && names[i] == devices_.InputName(secondInput_))
            return static_cast<int>(i);
    }
    return 0;
}

void MidiSetup::ChangeInPort2(int position)
{
    in2_.Close();
    if (position <= 0) {
        secondInput_ = kNoDevice;
        return;
    }
    in2_.SetProductName(SecondInputNames().at(static_cast<std::size_t>(position)));
    secondInput_ = in2_.DeviceID();
    if (!in2_.Open())
        throw EMidiInputError(in2_.LastError());
    in2_.Start();
}

bool MidiSetup::ApplySysexBuffers(int size, int count)
{
    if (!in_.IsOpen())
        return false;
    in_.Close();
    in_.SetSysexBufferCount(count);
    in_.SetSysexBufferSize(size);
    if (!in_.Open())
        throw EMidiInputError(in_.LastError());
    in_.Start();
    return true;
}

void MidiSetup::AllNotesOff(std::uint8_t note, const std::array<std::uint8_t, 3>& chord)
{
    if (!out_.IsOpen())
        return;
    for (const ShortMessage& m : velmora::AllNotesOff(routing_.instrumentChannel, note, chord))
        out_.SendShort(m.status, m.data1, m.data2);
}

void MidiSetup::Guard(const std::function<void()>& route)
{
    try {
        route();
    } catch (const std::exception& e) {
        if (OnError)
            OnError(e.what());
    }
}

void MidiSetup::MidiGetAll(TMidiInput& sender)
{
    if (auto event = sender.TakeEvent())
        Guard([&] { router_.RouteInstrumentInput(*event); });
}

void MidiSetup::MidiGetPort2(TMidiInput& sender)
{
    if (auto event = sender.TakeEvent())
        Guard([&] { router_.RouteKeyboardInput(*event); });
}

} // namespace velmora::midi
