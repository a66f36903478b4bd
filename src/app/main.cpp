// Velmora: editor and librarian for the Matrix-1000 and Matrix-6.
#include "MidiDevices.h"
#include "TfrmMain.h"
#include "VirtualBackend.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));

    // Real ports first, then the built-in virtual instrument, so a machine
    // without MIDI hardware still has an instrument to talk to.
    velmora::midi::MidiDevices devices;
    devices.AddBackend(velmora::midi::CreateRtMidiBackend());
    devices.AddBackend(std::make_unique<velmora::midi::VirtualBackend>(
        velmora::Model::Matrix1000, velmora::PacedLink::Pace::CableSpeed));

    velmora::TfrmMain main(devices);
    if (!main.FormCreate())
        return 1;
    main.show();
    return QApplication::exec();
}
