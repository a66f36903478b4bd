// Velmora: editor and librarian for the Matrix-1000 and Matrix-6.
#include "MidiDevices.h"
#include "PanelStyle.h"
#include "SingleInstance.h"
#include "TfrmMain.h"
#include "VirtualBackend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    velmora::widgets::ApplyPanelStyle(app);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Editor and librarian for the Matrix-1000 and Matrix-6"));
    options.addHelpOption();
    const QCommandLineOption exitAfterStart(
        QStringLiteral("exit-after-start"),
        QStringLiteral("Quit once the main window is shown and the initial patch is loaded."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the main window as a PNG file after start-up, then quit."),
        QStringLiteral("FILE"));
    options.addOption(exitAfterStart);
    options.addOption(screenshot);
    options.process(app);

    // One copy per user: a second one brings the first to the front.
    velmora::SingleInstance instance;
    if (!instance.TryBecomeFirst()) {
        velmora::SingleInstance::ShowAlreadyRunning();
        return 0;
    }

    // Real ports first, then the built-in virtual instrument, so a machine
    // without MIDI hardware still has an instrument to talk to.
    velmora::midi::MidiDevices devices;
    devices.AddBackend(velmora::midi::CreateRtMidiBackend());
    devices.AddBackend(std::make_unique<velmora::midi::VirtualBackend>(
        velmora::Model::Matrix1000, velmora::PacedLink::Pace::CableSpeed));

    velmora::TfrmMain main(devices);
    instance.OnRaise = [&main] {
        main.showNormal();
        main.raise();
        main.activateWindow();
    };
    if (!main.FormCreate())
        return 1;
    // A fixed window in the middle of the desktop.
    main.adjustSize();
    if (const QScreen* screen = main.screen())
        main.move(screen->availableGeometry().center() - main.rect().center());
    main.show();

    // For timing start-up and for pictures: leave without touching the
    // settings once the window is on screen.
    if (options.isSet(exitAfterStart) || options.isSet(screenshot)) {
        const QString file = options.value(screenshot);
        QTimer::singleShot(0, &main, [&main, file] {
            int status = 0;
            if (!file.isEmpty() && !main.grab().save(file, "PNG")) {
                std::fprintf(stderr, "velmora: cannot write the screenshot to %s\n",
                             qPrintable(file));
                status = 1;
            }
            QCoreApplication::exit(status);
        });
    }
    return QApplication::exec();
}
