// Setup > Global Settings: the window that edits the instrument's global
// record, and what it reaches of the main window (the SysEx tap, the
// output, the records, the instrument channel).
#include "app/MainWindow.h"

#include "globals/GlobalSettingsWindow.h"

#include <QAction>
#include <QEventLoop>
#include <QTimer>

namespace velmora {

void MainWindow::buildGlobalSettings()
{
    globals::GlobalSettingsLink link;
    link.setTap = [this](globals::SysexTap tap) { return setSysexTap(std::move(tap)); };
    link.busy = [this] {
        if (transfers_.receiving())
            return tr("Velmora is receiving from the instrument.");
        if (sysexTapSet())
            return tr("Another check is reading from the instrument.");
        return QString();
    };
    link.send = [this](const std::vector<Byte>& message) {
        if (!midi_.outputOpen())
            return false;
        return errors_.run([this, &message] { pacer_.sendLong(message); });
    };
    link.writePause = [this] { return globalWritePause(); };
    link.recordRead = [this](std::span<const Byte> record) {
        std::ranges::copy(record.first(std::min(record.size(), records_.global.size())),
                          records_.global.begin());
        transfers_.flags().globalReceived = true;
        host_.refreshGlobals();
    };
    link.followChannel = [this](int channel) {
        midi_.routing().instrumentChannel = channel;
        applyChannel();
    };
    link.dialogs = dialogs_.get();
    link.folder = settings_.bankPath;
    globalSettings_ = new globals::GlobalSettingsWindow(std::move(link), this);
    connect(globalSettings_, &globals::GlobalSettingsWindow::helpRequested, this,
            &MainWindow::showHelpTopic);
    wire("aGlobalSettings", &MainWindow::showGlobalSettings);
}

void MainWindow::showGlobalSettings()
{
    globalSettings_->open();
}

void MainWindow::finishGlobalSettings()
{
    if (!globalSettings_ || !globalSettings_->working())
        return;
    // A global setting changed just before Quit still reaches the instrument
    // and is read back, rather than dying with the ports; an instrument that
    // does not answer holds Quit up no longer than this.
    constexpr std::chrono::seconds kLongest{8};
    QEventLoop loop;
    connect(globalSettings_, &globals::GlobalSettingsWindow::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kLongest, &loop, &QEventLoop::quit);
    globalSettings_->sendWaitingEdits();
    if (globalSettings_->working())
        loop.exec();
}

} // namespace velmora
