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

namespace velmora {

void MainWindow::buildPerform()
{
    ledMidiOut_ = new widgets::led(statusBar());
    ledMidiOut_->setObjectName(QStringLiteral("ledMidiOut"));
    ledMidiOut_->setToolTip(tr("Midi Out"));
    statusBar()->addPermanentWidget(ledMidiOut_);
    notes_->onLed = [this](bool lit) { ledMidiOut_->setActive(lit); };

    ccmap_ =
        std::make_unique<perform::ControllerMap>(view_->editing(), midi_.routing().learnPending);
    ccmap_->initPatchControls = [this] { view_->initPatchControls(); };
    ccmap_->initMatrixControls = [this] { view_->initMatrixControls(); };
    ccmap_->toggleBus = [this](int bus) { view_->matrix()->bus(bus)->toggle(); };
    ccmap_->onError = [this](const QString& text) { errors_.report(text); };
    // A right click on a parameter caption or a bus switch assigns a controller.
    view_->context().captionMenu = [this](int control) {
        perform::handleTag(*ccmap_, control, this);
    };

    keys_ = new perform::KeyboardWindow(midi_.output(), sender_, this);
    keys_->onLed = [this](bool lit) { notes_->led(lit); };
    keys_->onMessage = [this](const QString& text) { errors_.report(text); };

    // The sequencer asks for its files through the librarian's dialogs.
    seq_ = new perform::SequencerWindow(
        midi_.output(), [this] { return sender_.channel(); }, settings_.sequencePath, this);
    seq_->onHelp = [this](int topic) { showHelpTopic(topic); };
    const auto ask = [this](bool save) {
        return
            [this, save](const perform::SequencerWindow::FileRequest& r) -> std::optional<QString> {
                const library::FileRequest request{QString(), r.folder, r.fileName,
                                                   r.filter,  0,        r.defaultSuffix};
                const auto choice = save ? dialogs_->save(request) : dialogs_->open(request);
                return choice ? std::optional<QString>(choice->path) : std::nullopt;
            };
    };
    seq_->onOpenDialog = ask(false);
    seq_->onSaveDialog = ask(true);

    const std::pair<const char*, std::function<void()>> commands[] = {
        {"aSequencer",
         [this] { seq_->openForPatch(view_->editing(), [this] { view_->initPatchControls(); }); }},
        {"aViewMap", [this] { perform::ControllerMapDialog(*ccmap_, this).exec(); }},
        {"aKeyboard",
         [this] {
             keys_->show();
             keys_->raise();
             keys_->activateWindow();
         }},
        {"aSetNote",
         [this] {
             perform::NoteDialog dialog(midi_.output(), sender_.channel(), settings_.note, this);
             dialog.onLed = [this](bool lit) { notes_->led(lit); };
             dialog.onMessage = [this](const QString& text) { errors_.report(text); };
             dialog.exec();
         }},
        {"aSetChord",
         [this] {
             perform::ChordDialog dialog(midi_.output(), sender_.channel(), settings_.chord1,
                                         settings_.chord2, settings_.chord3, this);
             dialog.onLed = [this](bool lit) { notes_->led(lit); };
             dialog.onMessage = [this](const QString& text) { errors_.report(text); };
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
