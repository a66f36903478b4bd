// The main window's menus and the small commands of the shell.
#include "TfrmMain.h"

#include "HelpBrowser.h"
#include "PatchEditorView.h"
#include "TfrmAbout.h"
#include "TfrmLCD.h"
#include "TfrmMidi.h"
#include "TfrmSysex.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

namespace velmora {

QAction* TfrmMain::AddAction(QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    action->setToolTip(hint);
    // Commands that belong to windows still to come stay visible but disabled.
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

void TfrmMain::Wire(const char* name, void (TfrmMain::*handler)())
{
    QAction* action = Action(QLatin1String(name));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, handler);
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
    AddAction(file, "aExit", "E&xit", QKS("Ctrl+X"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddAction(edit, "aInit", "&Initialize", QKS("Ctrl+I"), "Load default.vmp");
    AddAction(edit, "aCompare", "&Compare", {}, "Compare patch edits to original");
    edit->addSeparator();
    AddAction(edit, "aRandom", "&Randomize", QKS("Ctrl+R"), "Mutate the current patch");
    AddAction(edit, "aMutate", "&Mutate", QKS("Ctrl+M"));

    QMenu* play = menuBar()->addMenu(QStringLiteral("&Play"));
    AddAction(play, "aNotesOff", "&All Notes Off", QKS("Ctrl+A"));
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
    AddAction(setup, "aHideMenu", "&Hide Menu", QKS("Ctrl+H"));
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
    // Switching the model changes only the messages, never the stored data.
    connect(m1000, &QAction::triggered, this, [this] { ApplyModel(Model::Matrix1000); });
    connect(m6, &QAction::triggered, this, [this] { ApplyModel(Model::Matrix6); });
    AddAction(setup, "aMidiSetup", "&Midi...");
    AddAction(setup, "aBuffer", "&SysEx...", {}, "Set SysEx buffer count and size");
    AddAction(setup, "aSetMutator", "M&utate...");
    setup->addSeparator();
    AddAction(setup, "aAutoPlay", "&Auto Play")->setCheckable(true);
    AddAction(setup, "aThru", "&Thru Mode")->setCheckable(true);
    AddAction(setup, "aMap", "&CC Mapping")->setCheckable(true);
    AddAction(setup, "aViewMap", "&View CC Map", QKS("Ctrl+V"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddAction(help, "aHelp", "&Help", QKS("F1"));
    AddAction(help, "aShortcuts", "&Keyboard Shortcuts");
    AddAction(help, "aAbout", "&About...", {}, "View program info");
    help->addSeparator();
    AddAction(help, "aHomepage", "Velmora &Website");

    menus_ = {file, edit, play, setup, help};

    Wire("aExit", &TfrmMain::aExitExecute);
    Wire("aNotesOff", &TfrmMain::aNotesOffExecute);
    Wire("aHideMenu", &TfrmMain::aHideMenuExecute);
    Wire("aSpy", &TfrmMain::aSpyExecute);
    Wire("aMidiSetup", &TfrmMain::aMidiSetupExecute);
    Wire("aBuffer", &TfrmMain::aBufferExecute);
    Wire("aAutoPlay", &TfrmMain::aAutoPlayExecute);
    Wire("aThru", &TfrmMain::aThruExecute);
    Wire("aMap", &TfrmMain::aMapExecute);
    Wire("aHelp", &TfrmMain::aHelpExecute);
    Wire("aShortcuts", &TfrmMain::aShortcutsExecute);
    Wire("aAbout", &TfrmMain::aAboutExecute);
    Wire("aHomepage", &TfrmMain::aHomepageExecute);
    QAction* download = Action(QStringLiteral("aDownload"));
    download->setEnabled(true);
    connect(download, &QAction::triggered, this,
            [this] { Guard([this] { transfers_.Download(); }); });
    connect(Action(QStringLiteral("aUpload")), &QAction::triggered, this,
            [this] { Guard([this] { transfers_.StorePatch(); }); });
}

void TfrmMain::SetModelMenu(Model model)
{
    Action(QStringLiteral("miMatrix1000"))->setChecked(model == Model::Matrix1000);
    Action(QStringLiteral("miMatrix6"))->setChecked(model == Model::Matrix6);
}

void TfrmMain::aExitExecute()
{
    // Exit ends the program the way closing the window does, so the
    // settings changed during the run are kept.
    close();
}

void TfrmMain::aMidiSetupExecute()
{
    midi::TfrmMidi dialog(midi_, this);
    dialog.exec();
    ApplyChannel();
}

void TfrmMain::aBufferExecute()
{
    midi::TfrmSysex dialog(midi_, this);
    dialog.exec();
}

void TfrmMain::aThruExecute()
{
    midi_.Routing().thruMode = !midi_.Routing().thruMode;
    ShowSwitches();
}

void TfrmMain::aAutoPlayExecute()
{
    settings_.autoPlay = !settings_.autoPlay;
    ShowSwitches();
}

void TfrmMain::aMapExecute()
{
    midi_.Routing().ccMappingOn = !midi_.Routing().ccMappingOn;
    ShowSwitches();
}

void TfrmMain::ShowSwitches()
{
    Action(QStringLiteral("aThru"))->setChecked(midi_.Routing().thruMode);
    Action(QStringLiteral("aAutoPlay"))->setChecked(settings_.autoPlay);
    Action(QStringLiteral("aMap"))->setChecked(midi_.Routing().ccMappingOn);
    Action(QStringLiteral("aViewMap"))->setEnabled(midi_.Routing().ccMappingOn);
}

void TfrmMain::aNotesOffExecute()
{
    const std::array<std::uint8_t, 3> chord{static_cast<std::uint8_t>(settings_.chord1),
                                            static_cast<std::uint8_t>(settings_.chord2),
                                            static_cast<std::uint8_t>(settings_.chord3)};
    Guard([this, &chord] { midi_.AllNotesOff(static_cast<std::uint8_t>(settings_.note), chord); });
}

void TfrmMain::aHideMenuExecute()
{
    const bool visible = menus_.front()->menuAction()->isVisible();
    for (QMenu* menu : menus_)
        menu->menuAction()->setVisible(!visible);
}

void TfrmMain::aSpyExecute()
{
    lcd_->setVisible(!lcd_->isVisible());
}

void TfrmMain::aHelpExecute()
{
    // The topic of the page in view, with the search ready.
    Help().ShowTopic(view_->HelpContext());
    Help().ShowSearch();
}

void TfrmMain::aShortcutsExecute()
{
    constexpr int kShortcutsTopic = 1017;
    Help().ShowTopic(kShortcutsTopic);
}

void TfrmMain::aAboutExecute()
{
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::aHomepageExecute()
{
    OpenHomePage();
}

} // namespace velmora
