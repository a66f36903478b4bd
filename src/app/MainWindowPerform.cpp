// The main window's performance side: the controller map and learning, the
// keyboard window, Set Note and Set Chord, the sequencer and the MIDI-out
// lamp.
#include "app/MainWindow.h"

#include "app/AppPaths.h"
#include "app/HelpBrowser.h"
#include "editor/BusGroup.h"
#include "editor/MatrixPage.h"
#include "editor/PatchEditorView.h"
#include "perform/AssignControllerDialog.h"
#include "perform/ChordDialog.h"
#include "perform/ControllerMap.h"
#include "perform/ControllerMapDialog.h"
#include "perform/KeyboardWindow.h"
#include "perform/NoteDialog.h"
#include "perform/NotePlayer.h"
#include "perform/SequencerWindow.h"
#include "widgets/Led.h"

#include <QAction>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

namespace velmora {

void MainWindow::buildPerform()
{
    ledMidiOut_ = new widgets::Led(statusBar());
    ledMidiOut_->setObjectName(QStringLiteral("ledMidiOut"));
    ledMidiOut_->setToolTip(tr("Midi Out"));
    statusBar()->addPermanentWidget(ledMidiOut_);
    connect(notes_, &perform::NotePlayer::ledChanged, ledMidiOut_, &widgets::Led::setActive);
    // Each live edit lights the lamp as it actually goes out, for a moment.
    auto* flash = new QTimer(this);
    flash->setSingleShot(true);
    flash->setInterval(80);
    connect(flash, &QTimer::timeout, notes_, [this] { notes_->led(false); });
    pacer_.onSent = [this, flash](std::span<const Byte>) {
        if (!flash->isActive())
            notes_->led(true);
        flash->start();
    };

    ccmap_ =
        std::make_unique<perform::ControllerMap>(view_->editing(), midi_.routing().learnPending);
    connect(ccmap_.get(), &perform::ControllerMap::patchEdited, view_,
            &editor::PatchEditorView::initPatchControls);
    connect(ccmap_.get(), &perform::ControllerMap::matrixEdited, view_,
            &editor::PatchEditorView::initMatrixControls);
    // An amount of a bus that is off goes into the record without a send.
    connect(ccmap_.get(), &perform::ControllerMap::matrixEdited, this,
            [this] { recordStep(tr("Edit")); });
    connect(ccmap_.get(), &perform::ControllerMap::busToggleRequested, this,
            [this](int bus) { view_->matrix()->bus(bus)->toggle(); });
    connect(ccmap_.get(), &perform::ControllerMap::errorOccurred, &errors_, &ErrorReporter::report);
    // A right click on a parameter caption or a bus switch assigns a controller.
    connect(&view_->context(), &editor::EditorContext::captionMenuRequested, this,
            [this](int control) { perform::handleTag(*ccmap_, control, this); });

    // Every note source sends through the note player's output, so that none
    // ends a key another one still holds.
    keys_ = new perform::KeyboardWindow(notes_->noteOutput(), sender_, this);
    connect(keys_, &perform::KeyboardWindow::ledChanged, notes_, &perform::NotePlayer::led);
    connect(keys_, &perform::KeyboardWindow::errorOccurred, &errors_, &ErrorReporter::report);

    // The sequencer asks for its files through the librarian's dialogs.
    seq_ = new perform::SequencerWindow(notes_->noteOutput(), settings_.sequencePath, this);
    connect(seq_, &perform::SequencerWindow::helpRequested, this, &MainWindow::showHelpTopic);
    seq_->setFileDialogs(dialogs_.get());

    const std::pair<const char*, std::function<void()>> commands[] = {
        {"aSequencer",
         [this] {
             seq_->openForPatch(view_->editing(), [this] { view_->initPatchControls(); });
             // The sequencer sets the multi-trigger bits of the patch.
             recordStep(tr("Multi Triggers"));
         }},
        {"aViewMap", [this] { perform::ControllerMapDialog(*ccmap_, this).exec(); }},
        {"aKeyboard",
         [this] {
             keys_->show();
             keys_->raise();
             keys_->activateWindow();
         }},
        {"aSetNote",
         [this] {
             perform::NoteDialog dialog(notes_->noteOutput(), sender_.channel(), settings_.note,
                                        this);
             connect(&dialog, &perform::NoteDialog::ledChanged, notes_, &perform::NotePlayer::led);
             connect(&dialog, &perform::NoteDialog::errorOccurred, &errors_,
                     &ErrorReporter::report);
             dialog.exec();
         }},
        {"aSetChord",
         [this] {
             perform::ChordDialog dialog(notes_->noteOutput(), sender_.channel(), settings_.chord1,
                                         settings_.chord2, settings_.chord3, this);
             connect(&dialog, &perform::ChordDialog::ledChanged, notes_, &perform::NotePlayer::led);
             connect(&dialog, &perform::ChordDialog::errorOccurred, &errors_,
                     &ErrorReporter::report);
             dialog.exec();
         }},
    };
    for (const auto& [name, command] : commands) {
        QAction* item = action(QLatin1String(name));
        item->setEnabled(true);
        connect(item, &QAction::triggered, this, [this, command] { errors_.run(command); });
    }
}

void MainWindow::readControllerMap()
{
    const QString warning =
        ccmap_->readMapFile(AppPaths::writableFile(QStringLiteral("ccmap.dat")));
    if (!warning.isEmpty())
        QMessageBox::warning(this, tr("Velmora"), warning);
}

void MainWindow::learnController(int controller)
{
    if (!ccmap_)
        return;
    const QString text = ccmap_->handleLearning(controller);
    if (!text.isEmpty())
        QMessageBox::information(this, tr("Velmora"), text);
}

void MainWindow::mapController(int controller, int value)
{
    if (ccmap_)
        ccmap_->handleController(controller, value);
}

} // namespace velmora
