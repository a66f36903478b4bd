// The main window's editor history: every change to the current patch is a
// step of Edit > Undo and Redo, whether a control made it, a command of the
// Edit or File menu, the bank manager or a download. Undo and Redo put the
// patch back, show it on every page and send it whole to the instrument.
#include "app/MainWindow.h"

#include "editor/PatchEditorView.h"
#include "editor/PatchHistory.h"
#include "library/EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QUndoStack>

namespace velmora {

using editor::PatchHistory;

void MainWindow::buildHistory()
{
    history_ = new PatchHistory(
        records_.currentPatch,
        [this](bool send) {
            view_->initControls();
            if (send)
                errors_.run([this] { transfers_.midiSendPatch(); });
        },
        this);
    // A slider held still for a while and dragged on is still one drag.
    history_->setGestureHeld([] { return QApplication::mouseButtons() != Qt::NoButton; });
    view_->editing().setObserver(
        [this](std::size_t offset, int which) { history_->recordEdit(offset, which); });
    connect(&host_, &WindowTransferHost::patchChanged, this,
            [this] { history_->record(tr("Download")); });
}

void MainWindow::addHistoryCommands(QMenu* edit)
{
    QUndoStack& stack = history_->stack();
    // Qt names the step in the text: "Undo VCF Cutoff Frequency".
    QAction* undo = stack.createUndoAction(this);
    undo->setObjectName(QStringLiteral("aUndo"));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction* redo = stack.createRedoAction(this);
    redo->setObjectName(QStringLiteral("aRedo"));
    redo->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    for (QAction* item : {undo, redo}) {
        edit->addAction(item);
        // The shortcuts work while the menu bar is hidden, as every command's do.
        addAction(item);
    }
    edit->addSeparator();
}

void MainWindow::wireHistory()
{
    QAction* again = action(QStringLiteral("aRandomizeAgain"));
    connect(again, &QAction::triggered, this, [this] {
        errors_.run([this] {
            history_->redraw([this](PatchHistory::Kind kind) {
                if (kind == PatchHistory::Kind::Mutate)
                    runStep(tr("Mutate"), kind,
                            [this] { commands_->mutate(settings_.mutate, settings_.locks); });
                else
                    runStep(tr("Randomize"), kind,
                            [this] { commands_->randomize(settings_.locks); });
            });
        });
    });
    connect(&history_->stack(), &QUndoStack::indexChanged, this,
            [this, again] { again->setEnabled(history_->lastIsDraw()); });
    // A command of the librarian changed the patch: the step is the command
    // running (Initialize, Randomize, Open...) or else the bank manager's.
    const auto recordCommand = [this] {
        if (pendingStep_)
            recordPending();
        else
            history_->record(tr("Bank to Editor"));
    };
    connect(library_.get(), &library::LibraryContext::patchChanged, this, recordCommand);
    connect(library_.get(), &library::LibraryContext::patchParametersChanged, this, recordCommand);
}

void MainWindow::runStep(const QString& name, PatchHistory::Kind kind,
                         const std::function<void()>& command,
                         std::function<PatchHistory::Side()> side)
{
    pendingStep_ = PendingStep{name, kind, std::move(side)};
    // Whatever the command changed is the step, even when it failed half way.
    const auto done = qScopeGuard([this] {
        recordPending();
        pendingStep_.reset();
    });
    command();
}

void MainWindow::recordPending()
{
    const PendingStep& step = *pendingStep_;
    history_->record(step.name, -1, step.kind, step.side ? step.side() : PatchHistory::Side{});
}

void MainWindow::compare()
{
    // Compare also switches what the next Compare does: its step puts that back too.
    const library::CompareState before = commands_->compareState();
    runStep(
        tr("Compare"), PatchHistory::Kind::Whole, [this] { commands_->compare(); },
        [this, before] {
            return [this, before, after = commands_->compareState()](bool undone) {
                commands_->setCompareState(undone ? before : after);
            };
        });
}

void MainWindow::recordStep(const QString& name)
{
    history_->record(name);
}

} // namespace velmora
