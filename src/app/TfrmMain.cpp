#include "TfrmMain.h"

#include "AppPaths.h"
#include "ControllerMap.h"
#include "EditCommands.h"
#include "FileStuff.h"
#include "HelpBrowser.h"
#include "LegacySettings.h"
#include "NotePlayer.h"
#include "PatchEditorView.h"
#include "PatchPage2.h"
#include "SettingsStore.h"
#include "TfrmLCD.h"
#include "TfrmSeq.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

namespace velmora {
namespace {

const QString kSettingsFile = QStringLiteral("velmora.ini");

} // namespace

TfrmMain::TfrmMain(const midi::MidiDevices& devices, QWidget* parent)
    : TfrmMain(devices, CreatePlatformLegacySettings(), parent)
{}

TfrmMain::TfrmMain(const midi::MidiDevices& devices, std::unique_ptr<LegacySettings> legacy,
                   QWidget* parent)
    : QMainWindow(parent),
      midi_(devices, midi::MidiRouter::Targets{
                         [this](const midi::TMyMidiEvent& event) {
                             transfers_.HandleSysex(event.SysexData);
                         },
                         [this](int controller) { LearnController(controller); },
                         [this](int controller, int value) { MapController(controller, value); }}),
      host_(*this), transfers_(records_, midi_.Output(), host_),
      sender_(midi_.Output(), records_.CurrentPatch), legacy_(std::move(legacy)),
      presets_(AppPaths::WritableFile(QStringLiteral("trackgen.ini")))
{
    setWindowTitle(QStringLiteral("Velmora"));
    setObjectName(QStringLiteral("frmMain"));
    sender_.OnSend6Patch = [this] { transfers_.Send6Patch(); };
    sender_.OnMidiSendPatch = [this] { transfers_.MidiSendPatch(); };
    midi_.OnError = [this](const std::string& text) { ShowError(QString::fromStdString(text)); };
    host_.OnCancel = [this] { transfers_.CancelReceive(); };
    host_.OnEnableButtons = [this] { EnableButtons(); };
    // A receive that hears nothing for a while must end with a message.
    auto* stallWatch = new QTimer(this);
    connect(stallWatch, &QTimer::timeout, this, [this] { transfers_.CheckStall(); });
    stallWatch->start(500);

    view_ = new editor::PatchEditorView(records_.CurrentPatch, sender_, presets_, this);
    setCentralWidget(view_);
    host_.OnInitControls = [this] { view_->InitControls(); };
    lcd_ = new editor::TfrmLCD(this);
    sender_.OnParameterShown = [this](int parameter, int value) {
        lcd_->ShowParameter(parameter, value);
    };
    sender_.OnMatrixShown = [this](int bus, int amount) { lcd_->ShowBus(bus, amount); };
    notes_ = new perform::NotePlayer(midi_.Output(), this);
    notes_->OnMessage = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Velmora"), text);
    };
    BuildMenus();
    BuildLibrary();
    BuildPerform();
    statusBar()->setSizeGripEnabled(false);
    // A fixed window: single border, no maximise.
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

TfrmMain::~TfrmMain() = default;

bool TfrmMain::FormCreate()
{
    midi_.InitMidiControls();
    ReadRegistry();
    if (const auto fatal = midi_.OpenAtStartup()) {
        QMessageBox::critical(this, QStringLiteral("Velmora"), QString::fromStdString(*fatal));
        return false;
    }
    ApplyChannel();
    if (midi_.OnlyVirtualPorts()) {
        // A label rather than a message: menu hints pass over it and it stays.
        auto* hint =
            new QLabel(QString::fromLatin1(midi::MidiSetup::kOnlyVirtualText), statusBar());
        hint->setObjectName(QStringLiteral("lblNoInterface"));
        statusBar()->addWidget(hint);
    }
    view_->InitControls();
    Guard([this] { transfers_.RequestGlobals(); });
    ReadControllerMap();
    LoadInitPatch();
    view_->setCurrentIndex(0);
    view_->Page2()->ReadTrackGenPresets();
    EnableButtons();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    return true;
}

void TfrmMain::ReadRegistry()
{
    const SettingsReadResult read =
        ReadSettings(AppPaths::WritableFile(kSettingsFile), *legacy_, settings_);
    QStringList warnings = ApplyDeviceSettings(midi_, settings_);
    if (!read.warning.isEmpty())
        warnings.prepend(read.warning);
    ShowSwitches();
    ApplyModel(settings_.model == Settings::kMatrix6 ? Model::Matrix6 : Model::Matrix1000);
    if (!warnings.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Velmora"), warnings.join(u'\n'));
}

void TfrmMain::WriteRegistry()
{
    TakeDeviceSettings(midi_, settings_);
    if (const auto error = WriteSettings(AppPaths::WritableFile(kSettingsFile), settings_))
        ShowError(*error);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        // The sequencer stops before the output closes under it.
        if (seq_->Playing())
            seq_->StopSeq();
        if (midi_.OutputOpen())
            midi_.Output().Close();
        if (midi_.InputOpen())
            midi_.Input().Close();
        if (midi_.Input2Open())
            midi_.Input2().Close();
        WriteRegistry();
    }
    event->accept();
    QMainWindow::closeEvent(event);
}

void TfrmMain::LoadInitPatch()
{
    if (const auto message =
            commands_->LoadInitPatch(AppPaths::ReadableFile(QStringLiteral("default.syx"))))
        QMessageBox::information(this, QStringLiteral("Velmora"), *message);
}

void TfrmMain::ApplyModel(Model model)
{
    settings_.model = model == Model::Matrix6 ? Settings::kMatrix6 : Settings::kMatrix1000;
    transfers_.SetModel(model);
    sender_.SetModel(model);
    SetModelMenu(model);
}

void TfrmMain::ApplyChannel()
{
    const int channel = midi_.Routing().instrumentChannel;
    transfers_.SetChannel(channel);
    sender_.SetChannel(channel);
    notes_->SetChannel(channel);
}

void TfrmMain::EnableButtons()
{
    const TransferFlags& flags = transfers_.Flags();
    for (const char* name : {"aSave", "aUpload", "aRandom", "aCompare", "aMutate"})
        Action(QLatin1String(name))->setEnabled(flags.PatchLoaded);
    Action(QStringLiteral("aInit"))->setEnabled(flags.InitPatchAvailable);
}

void TfrmMain::Guard(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
    }
}

void TfrmMain::ShowError(const QString& text)
{
    QMessageBox::critical(this, QStringLiteral("Velmora"), text);
}

HelpBrowser& TfrmMain::Help()
{
    if (!help_)
        help_ = new HelpBrowser(this);
    return *help_;
}

} // namespace velmora
