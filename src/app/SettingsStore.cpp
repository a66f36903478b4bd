#include "app/SettingsStore.h"

#include "midi/MidiSetup.h"

#include <QCoreApplication>

namespace velmora {
namespace {

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

// A device setting that cannot be applied (a port that is not plugged in
// today, a number beyond the installed ports) does not stop start-up: the
// device stays on the port it had (the stored number's, or the first), and
// the user is told which port is used instead. The program stays usable
// and the user can pick the port in the MIDI setup.
template <typename Error, typename Device, typename Apply>
void tryApply(Device& device, const char* label, Apply apply, QStringList& warnings)
{
    try {
        apply();
    } catch (const Error& error) {
        warnings << QCoreApplication::translate("SettingsStore", "%1: %2 - using \"%3\".")
                        .arg(latin(label), QString::fromStdString(error.what()).trimmed(),
                             QString::fromStdString(device.productName()));
    }
}

// Number first, then name, so an installed name wins over a stored number.
template <typename Error, typename Device>
void selectDevice(Device& device, const char* label, int& number, QString& name,
                  QStringList& warnings)
{
    if (device.numDevs() == 0)
        return; // start-up reports the missing port
    tryApply<Error>(
        device, label, [&] { device.setDeviceID(number); }, warnings);
    if (!name.isEmpty())
        tryApply<Error>(
            device, label, [&] { device.setProductName(name.toStdString()); }, warnings);
    number = device.deviceID();
    name = QString::fromStdString(device.productName());
}

} // namespace

QStringList applyDeviceSettings(midi::MidiSetup& midi, Settings& settings)
{
    QStringList warnings;
    midi::MidiInput& in = midi.input();
    selectDevice<midi::MidiInputError>(in, "Matrix Midi In", settings.in1, settings.device1,
                                       warnings);

    // The second input takes the stored number only when it is another port
    // than the first input's; the setting itself stays as stored.
    midi::MidiInput& in2 = midi.input2();
    midi.setSecondInputDevice(settings.in2);
    if (in2.numDevs() > 0) {
        const bool used = settings.in2 != Settings::kNoSecondInput;
        // Warnings about a keyboard input that is switched off would only puzzle.
        QStringList ignored;
        QStringList& told = used ? warnings : ignored;
        const char* label = "Keyboard / Controller Midi In";
        if (used && settings.in2 != in.deviceID())
            tryApply<midi::MidiInputError>(
                in2, label, [&] { in2.setDeviceID(settings.in2); }, told);
        if (!settings.device2.isEmpty())
            tryApply<midi::MidiInputError>(
                in2, label, [&] { in2.setProductName(settings.device2.toStdString()); }, told);
        settings.device2 = QString::fromStdString(in2.productName());
    }

    selectDevice<midi::MidiOutputError>(midi.output(), "Matrix Midi Out", settings.out,
                                        settings.deviceOut, warnings);

    midi::RoutingSettings& routing = midi.routing();
    routing.instrumentChannel = settings.channel;
    routing.keyboardChannel = settings.channel2;
    routing.thruMode = settings.thruMode;
    routing.ccMappingOn = settings.ccMapping;
    tryApply<midi::MidiInputError>(
        in, "Matrix Midi In",
        [&] {
            in.setSysexBufferCount(settings.bufferCount);
            in.setSysexBufferSize(settings.bufferSize);
        },
        warnings);
    return warnings;
}

void takeDeviceSettings(midi::MidiSetup& midi, Settings& settings)
{
    const midi::MidiInput& in = midi.input();
    settings.in1 = in.deviceID();
    settings.device1 = QString::fromStdString(in.productName());
    settings.in2 = midi.secondInputDevice();
    settings.device2 = QString::fromStdString(midi.input2().productName());
    settings.out = midi.output().deviceID();
    settings.deviceOut = QString::fromStdString(midi.output().productName());
    const midi::RoutingSettings& routing = midi.routing();
    settings.channel = routing.instrumentChannel;
    settings.channel2 = routing.keyboardChannel;
    settings.thruMode = routing.thruMode;
    settings.ccMapping = routing.ccMappingOn;
    settings.bufferCount = in.sysexBufferCount();
    settings.bufferSize = in.sysexBufferSize();
}

} // namespace velmora
