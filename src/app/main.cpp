// Velmora: editor and librarian for the Matrix-1000 and Matrix-6.
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "midi/MidiDevices.h"
#include "midi/VirtualBackend.h"
#include "widgets/PanelStyle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    velmora::widgets::applyPanelStyle(app);

    QCommandLineParser options;
    options.setApplicationDescription(QCoreApplication::translate(
        "main", "Editor and librarian for the Matrix-1000 and Matrix-6"));
    options.addHelpOption();
    const QCommandLineOption exitAfterStart(
        QStringLiteral("exit-after-start"),
        QCoreApplication::translate(
            "main", "Quit once the main window is shown and the initial patch is loaded."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QCoreApplication::translate(
            "main", "Save the main window as a PNG file after start-up, then quit."),
        QCoreApplication::translate("main", "FILE"));
    options.addOption(exitAfterStart);
    options.addOption(screenshot);
    options.addPositionalArgument(
        QStringLiteral("files"),
        QCoreApplication::translate(
            "main", "Patch or bank files (.syx, .vmp, .vmb) or a sequence (.vms) to open."),
        QCoreApplication::translate("main", "[files...]"));
    options.process(app);
    QStringList files;
    for (const QString& file : options.positionalArguments())
        files << QFileInfo(file).absoluteFilePath();

    // One copy per user: a second one brings the first to the front and
    // hands it the files it was given.
    velmora::SingleInstance instance;
    if (!instance.tryBecomeFirst(files)) {
        if (files.isEmpty())
            velmora::SingleInstance::showAlreadyRunning();
        return 0;
    }

    // Real ports first, then the built-in virtual instrument, so a machine
    // without MIDI hardware still has an instrument to talk to.
    velmora::midi::MidiDevices devices;
    devices.addBackend(velmora::midi::createRtMidiBackend());
    devices.addBackend(std::make_unique<velmora::midi::VirtualBackend>(
        velmora::SynthModel::Matrix1000, velmora::PacedLink::Pace::CableSpeed));

    velmora::MainWindow main(devices);
    QObject::connect(&instance, &velmora::SingleInstance::raiseRequested, &main,
                     [&main] { velmora::SingleInstance::raise(main); });
    QObject::connect(&instance, &velmora::SingleInstance::openRequested, &main,
                     &velmora::MainWindow::openFile);
    if (!main.startUp())
        return 1;
    // A fixed window in the middle of the desktop.
    main.adjustSize();
    if (const QScreen* screen = main.screen())
        main.move(screen->availableGeometry().center() - main.rect().center());
    main.show();
    for (const QString& file : files)
        main.openFile(file);

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
