// The main window's performance side: the controller map and learning, the
// keyboard window, Set Note and Set Chord, the sequencer and the MIDI-out
// lamp.
#include "TfrmMain.h"

#include "AppPaths.h"
#include "BusGroup.h"
#include "ControllerMap.h"
#include "HelpBrowser.h"
#include "MatrixPage.h"
#include "NotePlayer.h"
#include "PatchEditorView.h"
#include "TVrLed.h"
#include "TfrmAssignCC.h"
#include "TfrmChord.h"
#include "TfrmKeys.h"
#include "TfrmNoteValue.h"
#include "TfrmSeq.h"
#include "TfrmViewMap.h"

#include <QAction>
#include <QMessageBox>
#include <QStatusBar>

namespace velmora {

void TfrmMain::BuildPerform()
{
    ledMidiOut_ = new widgets::TVrLed(statusBar());
    ledMidiOut_->setObjectName(QStringLiteral("ledMidiOut"));
    ledMidiOut_->setToolTip(QStringLiteral("Midi Out"));
    statusBar()->addPermanentWidget(ledMidiOut_);
    notes_->OnLed = [this](bool lit) { ledMidiOut_->SetActive(lit); };

    ccmap_ =
        std::make_unique<perform::ControllerMap>(view_->Editing(), midi_.Routing().learnPending);
    ccmap_->InitPatchControls = [this] { view_->InitPatchControls(); };
    ccmap_->InitMatrixControls = [this] { view_->InitMatrixControls(); };
    ccmap_->ToggleBus = [this](int bus) { view_->Matrix()->Bus(bus)->Toggle(); };
    ccmap_->OnError = [this](const QString& text) { ShowError(text); };
    // A right click on a parameter caption or a bus switch assigns a controller.
    view_->Context().captionMenu = [this](int control) {
        perform::HandleTag(*ccmap_, control, this);
    };

    keys_ = new perform::TfrmKeys(midi_.Output(), sender_, this);
    keys_->OnLed = [this](bool lit) { notes_->Led(lit); };
    keys_->OnMessage = [this](const QString& text) { ShowError(text); };

    // The sequencer asks for its files through the librarian's dialogs.
    seq_ = new perform::TfrmSeq(
        midi_.Output(), [this] { return sender_.Channel(); }, settings_.sequencePath, this);
    seq_->OnHelp = [this](int topic) { Help().ShowTopic(topic); };
    const auto ask = [this](bool save) {
        return [this, save](const perform::TfrmSeq::FileRequest& r) -> std::optional<QString> {
            const library::FileRequest request{QString(), r.folder, r.fileName,
                                               r.filter,  0,        r.defaultSuffix};
            const auto choice = save ? dialogs_->Save(request) : dialogs_->Open(request);
            return choice ? std::optional<QString>(choice->path) : std::nullopt;
        };
    };
    seq_->OnOpenDialog = ask(false);
    seq_->OnSaveDialog = ask(true);

    const std::pair<const char*, std::function<void()>> commands[] = {
        {"aSequencer",
         [this] { seq_->OpenForPatch(view_->Editing(), [this] { view_->InitPatchControls(); }); }},
        {"aViewMap", [this] { perform::TfrmViewMap(*ccmap_, this).exec(); }},
        {"aKeyboard",
         [this] {
             keys_->show();
             keys_->raise();
             keys_->activateWindow();
         }},
        {"aSetNote",
         [this] {
             perform::TfrmNoteValue dialog(midi_.Output(), sender_.Channel(), settings_.note, this);
             dialog.OnLed = [this](bool lit) { notes_->Led(lit); };
             dialog.OnMessage = [this](const QString& text) { ShowError(text); };
             dialog.exec();
         }},
        {"aSetChord",
         [this] {
             perform::TfrmChord dialog(midi_.Output(), sender_.Channel(), settings_.chord1,
                                       settings_.chord2, settings_.chord3, this);
             dialog.OnLed = [this](bool lit) { notes_->Led(lit); };
             dialog.OnMessage = [this](const QString& text) { ShowError(text); };
             dialog.exec();
         }},
    };
    for (const auto& [name, command] : commands) {
        QAction* action = Action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, command] { Guard(command); });
    }
}

void TfrmMain::ReadControllerMap()
{
    const QString warning =
        ccmap_->ReadMapFile(AppPaths::WritableFile(QStringLiteral("ccmap.dat")));
    if (!warning.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Velmora"), warning);
}

void TfrmMain::LearnController(int controller)
{
    if (!ccmap_)
        return;
    const QString text = ccmap_->HandleLearning(controller);
    if (!text.isEmpty())
        QMessageBox::information(this, QStringLiteral("Velmora"), text);
}

void TfrmMain::MapController(int controller, int value)
{
    if (ccmap_)
        ccmap_->HandleController(controller, value);
}

} // namespace velmora
