// The main window's menus and the small commands of the shell.
#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/HelpBrowser.h"
#include "editor/ParameterDisplayWindow.h"
#include "editor/PatchEditorView.h"
#include "midi/dialogs/MidiSetupDialog.h"
#include "midi/dialogs/SysexBuffersDialog.h"
#include "perform/KeyboardWindow.h"
#include "perform/NotePlayer.h"
#include "widgets/MenuActions.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

namespace velmora {

QAction* MainWindow::addCommand(QMenu* menu, const char* name, const QString& caption,
                                const QKeySequence& shortcut, const QString& hint)
{
    QAction* action = widgets::addMenuAction(*this, menu, name, caption, shortcut, hint);
    // A command is enabled once it is wired to what it does.
    action->setEnabled(false);
    return action;
}

QAction* MainWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void MainWindow::wire(const char* name, void (MainWindow::*handler)())
{
    QAction* item = action(QLatin1String(name));
    item->setEnabled(true);
    connect(item, &QAction::triggered, this, handler);
}

void MainWindow::buildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    addCommand(file, "aOpen", tr("&Open..."), QKS("Ctrl+O"), tr("Open a patch file from disk"));
    addCommand(file, "aSave", tr("&Save..."), QKS("Ctrl+S"), tr("Save the current patch to disk"));
    file->addSeparator();
    addCommand(file, "aDownload", tr("&Download"), QKS("Ctrl+D"),
               tr("Receive a patch from your Matrix"));
    addCommand(file, "aUpload", tr("&Upload"), QKS("Ctrl+U"), tr("Send a patch to your Matrix"));
    file->addSeparator();
    addCommand(file, "aBankManager", tr("&Bank Manager..."), QKS("Ctrl+B"));
    // Ctrl+L is the long note's (Play menu).
    addCommand(file, "aPatchLibrary", tr("Patch &Library..."), QKS("Ctrl+Shift+L"),
               tr("Every patch you own, searchable"));
    addCommand(file, "aAddToLibrary", tr("&Add to Library"), {},
               tr("Store the editor's patch in the patch library"));
    addCommand(file, "aBackUpInstrument", tr("Back Up &Instrument..."), {},
               tr("Save everything the instrument holds into one file"));
    addCommand(file, "aRestoreInstrument", tr("&Restore Instrument..."), {},
               tr("Write a backup's banks back into the instrument"));
    file->addSeparator();
    addCommand(file, "aExit", tr("E&xit"), QKS("Ctrl+X"));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    addHistoryCommands(edit);
    addCommand(edit, "aInit", tr("&Initialize"), QKS("Ctrl+I"), tr("Load default.vmp"));
    addCommand(edit, "aCompare", tr("&Compare"), {}, tr("Compare patch edits to original"));
    edit->addSeparator();
    addCommand(edit, "aRandom", tr("&Randomize"), QKS("Ctrl+R"), tr("Mutate the current patch"));
    addCommand(edit, "aRandomizeAgain", tr("Randomize &Again"), QKS("Ctrl+Shift+R"),
               tr("Take back the last Randomize or Mutate and draw anew"));
    addCommand(edit, "aMutate", tr("&Mutate"), QKS("Ctrl+M"));
    addCommand(edit, "aMerge", tr("Mer&ge..."), QKS("Ctrl+G"),
               tr("Move the current patch toward another one"));

    QMenu* play = menuBar()->addMenu(tr("&Play"));
    addCommand(play, "aNotesOff", tr("&All Notes Off"), QKS("Ctrl+A"));
    addCommand(play, "aChord", tr("&Chord"), QKS("Ctrl+C"), tr("Play a chord "));
    addCommand(play, "aDrone", tr("&Long Note"), QKS("Ctrl+L"));
    addCommand(play, "aNote", tr("&Note"), QKS("Ctrl+N"), tr("Send Note On/Off"));
    play->addSeparator();
    addCommand(play, "aKeyboard", tr("&Keyboard"), QKS("Ctrl+K"));
    addCommand(play, "aSequencer", tr("&Sequencer"), QKS("Ctrl+Q"));
    play->addSeparator();
    addCommand(play, "aSetNote", tr("Set Note..."), {}, tr("Set Midi note value"));
    addCommand(play, "aSetChord", tr("Set Chord..."), {}, tr("Set Midi note values"));

    QMenu* setup = menuBar()->addMenu(tr("&Setup"));
    setup->setToolTip(tr("Midi and program settings"));
    addCommand(setup, "aHideMenu", tr("&Hide Menu"), QKS("Ctrl+H"));
    addCommand(setup, "aSpy", tr("&Parameter Display"), QKS("Ctrl+P"));
    setup->addSeparator();
    QMenu* model = setup->addMenu(tr("M&odel..."));
    model->setObjectName(QStringLiteral("miSetModel"));
    QAction* m1000 = model->addAction(tr("Matrix-1000"));
    QAction* m6 = model->addAction(tr("Matrix-6(R)"));
    m1000->setObjectName(QStringLiteral("miMatrix1000"));
    m6->setObjectName(QStringLiteral("miMatrix6"));
    for (QAction* item : {m1000, m6})
        item->setCheckable(true);
    // Switching the model changes only the messages, never the stored data.
    connect(m1000, &QAction::triggered, this, [this] { applyModel(SynthModel::Matrix1000); });
    connect(m6, &QAction::triggered, this, [this] { applyModel(SynthModel::Matrix6); });
    addCommand(setup, "aMidiSetup", tr("&Midi..."));
    addCommand(setup, "aFindInstrument", tr("&Find Instrument"), {},
               tr("Ask the MIDI ports which instrument answers, and on which channel"));
    addCommand(setup, "aGlobalSettings", tr("&Global Settings"), {},
               tr("Edit the instrument's global settings"));
    addCommand(setup, "aBuffer", tr("&SysEx..."), {}, tr("Set SysEx buffer count and size"));
    addCommand(setup, "aSetMutator", tr("M&utate..."));
    addCommand(setup, "aTransferPauses", tr("Transfer &Pauses..."), {},
               tr("How long the instrument is given after each stored patch and global write"));
    setup->addSeparator();
    addCommand(setup, "aAutoPlay", tr("&Auto Play"))->setCheckable(true);
    addCommand(setup, "aRealTime", tr("&Real-time Sends"), {},
               tr("Send each step while a control moves; off, send when it is let go"))
        ->setCheckable(true);
    addCommand(setup, "aCheckUploads", tr("Chec&k Uploads"), {},
               tr("After an upload, read it back from the instrument and compare"))
        ->setCheckable(true);
    addCommand(setup, "aAddDownloads", tr("Add &Downloads to Library"), {},
               tr("Store every patch and bank received from the instrument in the library"))
        ->setCheckable(true);
    addCommand(setup, "aThru", tr("&Thru Mode"))->setCheckable(true);
    addCommand(setup, "aMap", tr("&CC Mapping"))->setCheckable(true);
    addCommand(setup, "aViewMap", tr("&View CC Map"), QKS("Ctrl+V"));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    addCommand(help, "aHelp", tr("&Help"), QKS("F1"));
    addCommand(help, "aShortcuts", tr("&Keyboard Shortcuts"));
    addCommand(help, "aAbout", tr("&About..."), {}, tr("View program info"));
    help->addSeparator();
    addCommand(help, "aHomepage", tr("Velmora &Website"));

    menus_ = {file, edit, play, setup, help};

    wire("aExit", &MainWindow::exitProgram);
    wire("aNotesOff", &MainWindow::sendAllNotesOff);
    wire("aHideMenu", &MainWindow::toggleMenuBar);
    wire("aSpy", &MainWindow::toggleParameterDisplay);
    wire("aMidiSetup", &MainWindow::showMidiSetup);
    wire("aFindInstrument", &MainWindow::findInstrument);
    wire("aBackUpInstrument", &MainWindow::backUpInstrument);
    wire("aRestoreInstrument", &MainWindow::restoreInstrument);
    wire("aBuffer", &MainWindow::showSysexBuffers);
    wire("aAutoPlay", &MainWindow::toggleAutoPlay);
    wire("aRealTime", &MainWindow::toggleRealTimeSends);
    wire("aCheckUploads", &MainWindow::toggleCheckUploads);
    wire("aTransferPauses", &MainWindow::showTransferPauses);
    wire("aThru", &MainWindow::toggleThru);
    wire("aMap", &MainWindow::toggleControllerMapping);
    wire("aHelp", &MainWindow::showHelp);
    wire("aShortcuts", &MainWindow::showShortcuts);
    wire("aAbout", &MainWindow::showAbout);
    wire("aHomepage", &MainWindow::openWebsite);
    QAction* download = action(QStringLiteral("aDownload"));
    download->setEnabled(true);
    connect(download, &QAction::triggered, this,
            [this] { errors_.run([this] { transfers_.download(); }); });
    connect(action(QStringLiteral("aUpload")), &QAction::triggered, this, &MainWindow::uploadPatch);
}

void MainWindow::setModelMenu(SynthModel model)
{
    action(QStringLiteral("miMatrix1000"))->setChecked(model == SynthModel::Matrix1000);
    action(QStringLiteral("miMatrix6"))->setChecked(model == SynthModel::Matrix6);
}

void MainWindow::exitProgram()
{
    // Exit ends the program the way closing the window does, so the
    // settings changed during the run are kept.
    close();
}

void MainWindow::showMidiSetup()
{
    midi::MidiSetupDialog dialog(midi_, errors_, this);
    dialog.exec();
    applyChannel();
}

void MainWindow::showSysexBuffers()
{
    midi::SysexBuffersDialog dialog(midi_, errors_, this);
    dialog.exec();
}

void MainWindow::toggleThru()
{
    midi_.routing().thruMode = !midi_.routing().thruMode;
    showSwitches();
}

void MainWindow::toggleAutoPlay()
{
    settings_.autoPlay = !settings_.autoPlay;
    showSwitches();
}

void MainWindow::toggleRealTimeSends()
{
    settings_.realTimeSends = !settings_.realTimeSends;
    showSwitches();
}

void MainWindow::toggleControllerMapping()
{
    midi_.routing().ccMappingOn = !midi_.routing().ccMappingOn;
    showSwitches();
}

void MainWindow::showSwitches()
{
    action(QStringLiteral("aThru"))->setChecked(midi_.routing().thruMode);
    action(QStringLiteral("aAutoPlay"))->setChecked(settings_.autoPlay);
    action(QStringLiteral("aRealTime"))->setChecked(settings_.realTimeSends);
    action(QStringLiteral("aCheckUploads"))->setChecked(settings_.checkUploads);
    action(QStringLiteral("aAddDownloads"))->setChecked(settings_.addDownloads);
    view_->setRealTimeSends(settings_.realTimeSends);
    action(QStringLiteral("aMap"))->setChecked(midi_.routing().ccMappingOn);
    action(QStringLiteral("aViewMap"))->setEnabled(midi_.routing().ccMappingOn);
}

void MainWindow::sendAllNotesOff()
{
    const std::array<std::uint8_t, 3> chord{static_cast<std::uint8_t>(settings_.chord1),
                                            static_cast<std::uint8_t>(settings_.chord2),
                                            static_cast<std::uint8_t>(settings_.chord3)};
    errors_.run([this, &chord] {
        // The notes Velmora holds end first, each on the channel and key it
        // sounds on, so none is left to a later timer or release.
        keys_->endNotes();
        notes_->endAll();
        midi_.allNotesOff(static_cast<std::uint8_t>(settings_.note), chord);
    });
}

void MainWindow::toggleMenuBar()
{
    const bool visible = menus_.front()->menuAction()->isVisible();
    for (QMenu* menu : menus_)
        menu->menuAction()->setVisible(!visible);
}

void MainWindow::toggleParameterDisplay()
{
    lcd_->setVisible(!lcd_->isVisible());
}

void MainWindow::showHelp()
{
    // The topic of the page in view, with the search ready.
    help().showTopic(view_->helpContext());
    help().showSearch();
}

void MainWindow::showShortcuts()
{
    constexpr int kShortcutsTopic = 1017;
    help().showTopic(kShortcutsTopic);
}

void MainWindow::showAbout()
{
    AboutDialog about(this);
    about.exec();
}

void MainWindow::openWebsite()
{
    openHomePage();
}

} // namespace velmora
