#include "TfrmMain.h"

#include "TfrmAbout.h"
#include "TfrmMidi.h"
#include "TfrmSysex.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

namespace velmora {

TfrmMain::TfrmMain(const midi::MidiDevices& devices, QWidget* parent)
    : QMainWindow(parent),
      midi_(devices, midi::MidiRouter::Targets{[this](const midi::TMyMidiEvent& event) {
                                                   transfers_.HandleSysex(event.SysexData);
                                               },
                                               {},
                                               {}}),
      host_(*this), transfers_(records_, midi_.Output(), host_),
      sender_(midi_.Output(), records_.CurrentPatch)
{
    sender_.OnSend6Patch = [this] { transfers_.Send6Patch(); };
    sender_.OnMidiSendPatch = [this] { transfers_.MidiSendPatch(); };
    setWindowTitle(QStringLiteral("Velmora"));
    setObjectName(QStringLiteral("frmMain"));
    midi_.OnError = [this](const std::string& text) {
        QMessageBox::critical(this, QStringLiteral("Velmora"), QString::fromStdString(text));
    };
    host_.OnCancel = [this] { transfers_.CancelReceive(); };
    host_.OnEnableButtons = [this] { EnableButtons(); };
    // A receive that hears nothing for a while must end with a message.
    auto* stallWatch = new QTimer(this);
    connect(stallWatch, &QTimer::timeout, this, [this] { transfers_.CheckStall(); });
    stallWatch->start(500);
    BuildMenus();
    ports_ = new QLabel(this);
    ports_->setObjectName(QStringLiteral("lblPorts"));
    ports_->setMargin(24);
    setCentralWidget(ports_);
    statusBar();
}

TfrmMain::~TfrmMain() = default;

QAction* TfrmMain::AddAction(QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    action->setToolTip(hint);
    // Commands that are not wired up yet stay visible but disabled.
    action->setEnabled(false);
    menu->addAction(action);
    // Shortcuts belong to the window, so they work while the menu is hidden.
    addAction(action);
    return action;
}

QAction* TfrmMain::Action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void TfrmMain::BuildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddAction(file, "aOpen", "&Open...", QKS("Ctrl+O"), "Open a patch file from disk");
    AddAction(file, "aSave", "&Save...", QKS("Ctrl+S"), "Save the current patch to disk");
    file->addSeparator();
    AddAction(file, "aDownload", "&Download", QKS("Ctrl+D"), "Receive a patch from your Matrix");
    AddAction(file, "aUpload", "&Upload", QKS("Ctrl+U"), "Send a patch to your Matrix");
    file->addSeparator();
    AddAction(file, "aBankManager", "&Bank Manager...", QKS("Ctrl+B"));
    file->addSeparator();
    QAction* exit = AddAction(file, "aExit", "E&xit", QKS("Ctrl+X"));
    QAction* download = Action(QStringLiteral("aDownload"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddAction(edit, "aInit", "&Initialize", QKS("Ctrl+I"), "Load default.vmp");
    AddAction(edit, "aCompare", "&Compare", {}, "Compare patch edits to original");
    edit->addSeparator();
    AddAction(edit, "aRandom", "&Randomize", QKS("Ctrl+R"), "Mutate the current patch");
    AddAction(edit, "aMutate", "&Mutate", QKS("Ctrl+M"));

    QMenu* play = menuBar()->addMenu(QStringLiteral("&Play"));
    QAction* notesOff = AddAction(play, "aNotesOff", "&All Notes Off", QKS("Ctrl+A"));
    AddAction(play, "aChord", "&Chord", QKS("Ctrl+C"), "Play a chord ");
    AddAction(play, "aDrone", "&Long Note", QKS("Ctrl+L"));
    AddAction(play, "aNote", "&Note", QKS("Ctrl+N"), "Send Note On/Off");
    play->addSeparator();
    AddAction(play, "aKeyboard", "&Keyboard", QKS("Ctrl+K"));
    AddAction(play, "aSequencer", "&Sequencer", QKS("Ctrl+Q"));
    play->addSeparator();
    AddAction(play, "aSetNote", "Set Note...", {}, "Set Midi note value");
    AddAction(play, "aSetChord", "Set Chord...", {}, "Set Midi note values");

    QMenu* setup = menuBar()->addMenu(QStringLiteral("&Setup"));
    setup->setToolTip(QStringLiteral("Midi and program settings"));
    QAction* hideMenu = AddAction(setup, "aHideMenu", "&Hide Menu", QKS("Ctrl+H"));
    AddAction(setup, "aSpy", "&Parameter Display", QKS("Ctrl+P"));
    setup->addSeparator();
    QMenu* model = setup->addMenu(QStringLiteral("M&odel..."));
    model->setObjectName(QStringLiteral("miSetModel"));
    QAction* m1000 = model->addAction(QStringLiteral("Matrix-1000"));
    QAction* m6 = model->addAction(QStringLiteral("Matrix-6(R)"));
    m1000->setObjectName(QStringLiteral("miMatrix1000"));
    m6->setObjectName(QStringLiteral("miMatrix6"));
    for (QAction* item : {m1000, m6})
        item->setCheckable(true);
    m1000->setChecked(true);
    // Switching the model changes only the messages, never the stored data.
    connect(m1000, &QAction::triggered, this, [this, m1000, m6] {
        ApplyModel(Model::Matrix1000);
        m1000->setChecked(true);
        m6->setChecked(false);
    });
    connect(m6, &QAction::triggered, this, [this, m1000, m6] {
        ApplyModel(Model::Matrix6);
        m6->setChecked(true);
        m1000->setChecked(false);
    });
    QAction* midiSetup = AddAction(setup, "aMidiSetup", "&Midi...");
    QAction* buffer =
        AddAction(setup, "aBuffer", "&SysEx...", {}, "Set SysEx buffer count and size");
    AddAction(setup, "aSetMutator", "M&utate...");
    setup->addSeparator();
    AddAction(setup, "aAutoPlay", "&Auto Play")->setCheckable(true);
    QAction* thru = AddAction(setup, "aThru", "&Thru Mode");
    AddAction(setup, "aMap", "&CC Mapping")->setCheckable(true);
    AddAction(setup, "aViewMap", "&View CC Map", QKS("Ctrl+V"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddAction(help, "aHelp", "&Help", QKS("F1"));
    AddAction(help, "aShortcuts", "&Keyboard Shortcuts");
    QAction* about = AddAction(help, "aAbout", "&About...", {}, "View program info");
    help->addSeparator();
    AddAction(help, "aHomepage", "Velmora &Website");

    menus_ = {file, edit, play, setup, help};

    thru->setCheckable(true);
    const std::pair<QAction*, void (TfrmMain::*)()> wired[] = {
        {exit, nullptr},
        {notesOff, &TfrmMain::aNotesOffExecute},
        {hideMenu, &TfrmMain::aHideMenuExecute},
        {midiSetup, &TfrmMain::aMidiSetupExecute},
        {buffer, &TfrmMain::aBufferExecute},
        {thru, &TfrmMain::aThruExecute},
        {about, &TfrmMain::aAboutExecute},
    };
    download->setEnabled(true);
    connect(download, &QAction::triggered, this,
            [this] { Guard([this] { transfers_.Download(); }); });
    connect(Action(QStringLiteral("aUpload")), &QAction::triggered, this,
            [this] { Guard([this] { transfers_.StorePatch(); }); });
    for (const auto& [action, handler] : wired) {
        action->setEnabled(true);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
    }
    connect(exit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);
}

bool TfrmMain::FormCreate()
{
    midi_.InitMidiControls();
    if (const auto fatal = midi_.OpenAtStartup()) {
        QMessageBox::critical(this, QStringLiteral("Velmora"), QString::fromStdString(*fatal));
        return false;
    }
    ApplyChannel();
    ShowPorts();
    Guard([this] { transfers_.RequestGlobals(); });
    EnableButtons();
    return true;
}

void TfrmMain::ApplyModel(Model model)
{
    transfers_.SetModel(model);
    sender_.SetModel(model);
}

void TfrmMain::ApplyChannel()
{
    transfers_.SetChannel(midi_.Routing().instrumentChannel);
    sender_.SetChannel(midi_.Routing().instrumentChannel);
}

void TfrmMain::EnableButtons()
{
    Action(QStringLiteral("aUpload"))->setEnabled(transfers_.Flags().PatchLoaded);
    // Until the editor pages exist, the window shows which patch it holds.
    ShowPorts();
}

void TfrmMain::Guard(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Velmora"), QString::fromStdString(e.what()));
    }
}

void TfrmMain::ShowPorts()
{
    const auto name = [](bool open, const std::string& product) {
        return open ? QString::fromStdString(product) : QStringLiteral("(closed)");
    };
    const auto& patch = records_.CurrentPatch;
    const QString current = transfers_.Flags().PatchLoaded
                                ? QString::fromLatin1(reinterpret_cast<const char*>(patch.data()),
                                                      static_cast<qsizetype>(kPatchNameLength))
                                : QStringLiteral("(none)");
    ports_->setText(QStringLiteral("Matrix Midi In:  %1\nMatrix Midi Out:  %2\n"
                                   "Keyboard / Controller Midi In:  %3\n\nCurrent patch:  %4")
                        .arg(name(midi_.InputOpen(), midi_.Input().ProductName()),
                             name(midi_.OutputOpen(), midi_.Output().ProductName()),
                             midi_.Input2Open()
                                 ? QString::fromStdString(midi_.Input2().ProductName())
                                 : QStringLiteral("<none>"),
                             current));
}

void TfrmMain::aMidiSetupExecute()
{
    midi::TfrmMidi dialog(midi_, this);
    dialog.exec();
    ApplyChannel();
    ShowPorts();
}

void TfrmMain::aBufferExecute()
{
    midi::TfrmSysex dialog(midi_, this);
    dialog.exec();
    ShowPorts();
}

void TfrmMain::aThruExecute()
{
    midi_.Routing().thruMode = !midi_.Routing().thruMode;
    Action(QStringLiteral("aThru"))->setChecked(midi_.Routing().thruMode);
}

void TfrmMain::aNotesOffExecute()
{
    Guard([this] { midi_.AllNotesOff(note_, chord_); });
}

void TfrmMain::aHideMenuExecute()
{
    const bool visible = menus_.front()->menuAction()->isVisible();
    for (QMenu* menu : menus_)
        menu->menuAction()->setVisible(!visible);
}

void TfrmMain::aAboutExecute()
{
    TfrmAbout about(this);
    about.exec();
}

} // namespace velmora
