#include "app/MainWindow.h"

#include "app/AppPaths.h"
#include "app/HelpBrowser.h"
#include "app/LegacySettings.h"
#include "app/SettingsStore.h"
#include "collection/PatchCollection.h"
#include "collection/PatchLibraryWindow.h"
#include "common/ErrorReporter.h"
#include "editor/ParameterDisplayWindow.h"
#include "editor/PatchEditorView.h"
#include "editor/PatchPage2.h"
#include "globals/GlobalControls.h"
#include "library/EditCommands.h"
#include "library/LibraryFileCommands.h"
#include "perform/ControllerMap.h"
#include "perform/KeyboardWindow.h"
#include "perform/NotePlayer.h"
#include "perform/SequencerWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

namespace velmora {
namespace {

const QString kSettingsFile = QStringLiteral("velmora.ini");

} // namespace

MainWindow::MainWindow(const midi::MidiDevices& devices, QWidget* parent)
    : MainWindow(devices, createPlatformLegacySettings(), parent)
{}

MainWindow::MainWindow(const midi::MidiDevices& devices, std::unique_ptr<LegacySettings> legacy,
                       QWidget* parent)
    : QMainWindow(parent),
      midi_(devices, midi::MidiRouter::Targets{
                         [this](const midi::MidiEvent& event) {
                             takeDetectionAnswer(event.sysexData);
                             if (sysexTap_ && sysexTap_(event.sysexData))
                                 return;
                             transfers_.handleSysex(event.sysexData);
                         },
                         [this](int controller) { learnController(controller); },
                         [this](int controller, int value) { mapController(controller, value); }}),
      pacer_(
          midi_.output(), [] { return OutputPacer::Clock::now(); },
          [this](OutputPacer::Clock::time_point at) { wakePacerAt(at); }),
      host_(*this), transfers_(records_, pacer_, host_), sender_(pacer_, records_.currentPatch),
      legacy_(std::move(legacy)), presets_(AppPaths::writableFile(QStringLiteral("trackgen.ini")))
{
    setWindowTitle(tr("Velmora"));
    setObjectName(QStringLiteral("frmMain"));
    sender_.onSend6Patch = [this](ParameterSender::Shown shown) {
        transfers_.send6Patch(std::move(shown));
    };
    sender_.onMidiSendPatch = [this](ParameterSender::Shown shown) {
        transfers_.midiSendPatch(std::move(shown));
    };
    paceTimer_ = new QTimer(this);
    paceTimer_->setSingleShot(true);
    paceTimer_->setTimerType(Qt::PreciseTimer);
    connect(paceTimer_, &QTimer::timeout, this, [this] { errors_.run([this] { pacer_.wake(); }); });
    transfers_.setPacer(&pacer_);
    sender_.setPacer(&pacer_);
    connect(&errors_, &ErrorReporter::errorReported, this, &MainWindow::showError);
    midi_.setErrorReporter(&errors_);
    connect(&host_, &WindowTransferHost::cancelRequested, this,
            [this] { transfers_.cancelReceive(); });
    connect(&host_, &WindowTransferHost::flagsChanged, this, &MainWindow::enableButtons);
    // A receive that hears nothing for a while must end with a message.
    auto* stallWatch = new QTimer(this);
    connect(stallWatch, &QTimer::timeout, this, [this] { transfers_.checkStall(); });
    stallWatch->start(500);

    view_ = new editor::PatchEditorView(records_.currentPatch, sender_, presets_, this);
    setCentralWidget(view_);
    connect(&host_, &WindowTransferHost::patchChanged, view_,
            &editor::PatchEditorView::initControls);
    lcd_ = new editor::ParameterDisplayWindow(this);
    sender_.onParameterShown = [this](int parameter, int value) {
        lcd_->showParameter(parameter, value);
    };
    sender_.onMatrixShown = [this](int bus, int amount) { lcd_->showBus(bus, amount); };
    notes_ = new perform::NotePlayer(pacer_, this);
    connect(notes_, &perform::NotePlayer::errorOccurred, this,
            [this](const QString& text) { QMessageBox::information(this, tr("Velmora"), text); });
    buildHistory();
    buildMenus();
    buildLibrary();
    buildNames();
    buildPerform();
    buildGlobalSettings();
    buildCollection();
    wireHistory();
    statusBar()->setSizeGripEnabled(false);
    // A fixed window: single border, no maximise.
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

MainWindow::~MainWindow()
{
    // The history goes with the window's children, after this body: its
    // stack, cleared on the way, must not reach into the window by then.
    history_->stack().disconnect(this);
    // The library window works on the collection, which goes before the
    // window's children do.
    delete libraryWindow_;
}

void MainWindow::wakePacerAt(OutputPacer::Clock::time_point at)
{
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(at - OutputPacer::Clock::now());
    paceTimer_->start(static_cast<int>(std::max<std::int64_t>(0, wait.count())));
}

bool MainWindow::startUp()
{
    midi_.initMidiControls();
    loadSettings();
    if (const auto fatal = midi_.openAtStartup()) {
        QMessageBox::critical(this, tr("Velmora"), QString::fromStdString(*fatal));
        return false;
    }
    applyChannel();
    if (midi_.onlyVirtualPorts()) {
        // A label rather than a message: menu hints pass over it and it stays.
        auto* hint =
            new QLabel(QCoreApplication::translate("MidiSetup", midi::MidiSetup::kOnlyVirtualText),
                       statusBar());
        hint->setObjectName(QStringLiteral("lblNoInterface"));
        statusBar()->addWidget(hint);
    }
    view_->initControls();
    watchStartupAnswer();
    errors_.run([this] { transfers_.requestGlobals(); });
    readControllerMap();
    loadInitPatch();
    view_->setCurrentIndex(0);
    view_->page2()->readTrackGenPresets();
    enableButtons();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    return true;
}

void MainWindow::loadSettings()
{
    const SettingsReadResult read =
        readSettings(AppPaths::writableFile(kSettingsFile), *legacy_, settings_);
    QStringList warnings = applyDeviceSettings(midi_, settings_);
    if (!read.warning.isEmpty())
        warnings.prepend(read.warning);
    showSwitches();
    applyPauses();
    applyModel(settings_.model == Settings::kMatrix6 ? SynthModel::Matrix6
                                                     : SynthModel::Matrix1000);
    if (!warnings.isEmpty())
        QMessageBox::warning(this, tr("Velmora"), warnings.join(u'\n'));
}

void MainWindow::saveSettings()
{
    takeDeviceSettings(midi_, settings_);
    if (const auto error = writeSettings(AppPaths::writableFile(kSettingsFile), settings_))
        errors_.report(*error);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        // The sequencer, a key held on the keyboard window and the notes
        // still sounding end before the output closes under them.
        if (seq_->playing())
            seq_->stopSeq();
        keys_->endNotes();
        notes_->endAll();
        finishGlobalSettings();
        // The last edit reaches the instrument before the port closes.
        errors_.run([this] { pacer_.settle([this](auto pause) { host_.pause(pause); }); });
        if (midi_.outputOpen())
            midi_.output().close();
        if (midi_.inputOpen())
            midi_.input().close();
        if (midi_.input2Open())
            midi_.input2().close();
        saveSettings();
    }
    event->accept();
    QMainWindow::closeEvent(event);
}

void MainWindow::loadInitPatch()
{
    if (const auto message =
            commands_->loadInitPatch(AppPaths::readableFile(QStringLiteral("default.syx"))))
        QMessageBox::information(this, tr("Velmora"), *message);
}

void MainWindow::applyModel(SynthModel model)
{
    settings_.model = model == SynthModel::Matrix6 ? Settings::kMatrix6 : Settings::kMatrix1000;
    transfers_.setModel(model);
    sender_.setModel(model);
    globals_->setModel(model);
    setModelMenu(model);
    showModelMismatch();
}

void MainWindow::applyChannel()
{
    const int channel = midi_.routing().instrumentChannel;
    transfers_.setChannel(channel);
    sender_.setChannel(channel);
    notes_->setChannel(channel);
    seq_->setChannel(channel);
}

void MainWindow::enableButtons()
{
    const TransferFlags& flags = transfers_.flags();
    for (const char* name :
         {"aSave", "aUpload", "aRandom", "aCompare", "aMutate", "aMerge", "aAddToLibrary"})
        action(QLatin1String(name))->setEnabled(flags.patchLoaded);
    action(QStringLiteral("aInit"))->setEnabled(flags.initPatchAvailable);
}

void MainWindow::showError(const QString& text)
{
    // Over the dialog the user is working in, if any.
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox::critical(modal != nullptr ? modal : this, tr("Velmora"), text);
}

HelpBrowser& MainWindow::help()
{
    if (!help_)
        help_ = new HelpBrowser(this);
    return *help_;
}

void MainWindow::showHelpTopic(int topic)
{
    help().showTopic(topic);
}

} // namespace velmora
