// The bank manager's commands: the File menu, the grid popups, double clicks
// and the bank selector.
#include "library/BankHistory.h"
#include "library/BankManagerWindow.h"
#include "library/BankTableModel.h"
#include "library/LibraryFileCommands.h"
#include "library/RenamePatchDialog.h"
#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "protocol/PatchName.h"
#include "protocol/Transfers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>

namespace velmora::library {
void BankManagerWindow::newBank()
{
    beginStep(tr("New Bank"));
    clearBank();
    history_->end();
    bankSelector_->setCurrentIndex(-1);
    // The instrument still has its bank selected, so the selector shows it again.
    updateGrid();
    emit context_.flagsChanged();
}

void BankManagerWindow::openFromFile()
{
    fileCommand(tr("Open Bank"), [this] { files_.openBank(); });
}

void BankManagerWindow::saveToFile()
{
    context_.errors.run([this] { files_.saveBank(); });
}

void BankManagerWindow::downloadBank()
{
    if (!output_.isOpen())
        return;
    // The answer arrives message by message; the step takes the bank as it
    // is now and ends when the receive is over (receiveEnded). A download
    // that fails leaves the bank as it was, so its step, if any, only puts
    // back what the grid showed.
    settleDownload();
    if (!downloading_) {
        history_->begin(tr("Download Bank"));
        downloading_ = true;
    }
    splitsArrived_ = false;
    if (!context_.errors.run([this] { transfers_.startBankDownload(); }))
        settleDownload(); // the request did not go out: no answer is coming
    updateGrid();
    emit context_.flagsChanged();
}

void BankManagerWindow::uploadBank()
{
    // The transfer asks for the user bank (askUploadBank) and records it.
    const bool sent = context_.errors.run([this] { transfers_.sendBank(); });
    updateGrid();
    if (sent && transfers_.flags().bankChoice >= 0 && transfers_.flags().bankLoaded &&
        output_.isOpen())
        emit bankUploaded(transfers_.flags().bankChoice);
}

void BankManagerWindow::copyEntry()
{
    copyPatch(context_.records.bank, selected_, clipboard_);
    action(QStringLiteral("pmiPaste"))->setEnabled(true);
    // On the clipboard too, so the latest Copy pastes, this window's or the
    // library's.
    QApplication::clipboard()->setMimeData(
        patchMimeData({{clipboard_, bankModel_->indexOf(selected_).data().toString().trimmed()}}));
}

int BankManagerWindow::placePatches(int entry, const std::vector<NamedPatch>& patches)
{
    if (entry < 0 || entry >= int(kBankPatchCount) || patches.empty())
        return 0;
    const int count = std::min(int(patches.size()), int(kBankPatchCount) - entry);
    beginStep(tr("Paste"));
    for (int k = 0; k < count; ++k) {
        const PatchRecord& record = patches[static_cast<std::size_t>(k)].record;
        pastePatch(record, context_.records.bank, entry + k);
        setBankCell(entry + k, patchNameOf(record));
    }
    context_.flags.bankLoaded = true;
    updateGrid();
    history_->end();
    emit context_.flagsChanged();
    return count;
}

void BankManagerWindow::pasteEntry()
{
    const auto copied = patchesOf(QApplication::clipboard()->mimeData());
    if (!copied.empty()) {
        placePatches(selected_, copied);
        return;
    }
    beginStep(tr("Paste"));
    pastePatch(clipboard_, context_.records.bank, selected_);
    setBankCell(selected_, patchNameOf(clipboard_));
    context_.flags.bankLoaded = true;
    updateGrid();
    history_->end();
}

void BankManagerWindow::renameEntry()
{
    RenamePatchDialog dialog(bankModel_->indexOf(selected_).data().toString(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.edited())
        return;
    const std::string name = dialog.name();
    beginStep(tr("Rename"));
    writeName(context_.records.bank[static_cast<std::size_t>(selected_)], name);
    setBankCell(selected_, name);
    history_->end();
    emit entryRenamed(selected_);
}

void BankManagerWindow::openEntry()
{
    // A loaded patch sets bankLoaded; a cancelled dialog leaves it as it was.
    fileCommand(tr("Open Patch"), [this] { files_.openPatch(selected_); });
}

void BankManagerWindow::saveEntry()
{
    context_.errors.run([this] { files_.savePatch(selected_); });
}

void BankManagerWindow::openEntryInEditor(const QModelIndex& cell)
{
    selected_ = bankModel_->entryAt(cell);
    bankToEditor();
}

void BankManagerWindow::bankToEditor()
{
    SynthRecords& records = context_.records;
    records.currentPatch = records.bank[static_cast<std::size_t>(selected_)];
    context_.flags.patchLoaded = true;
    emit context_.patchChanged();
    emit context_.patchSendRequested();
    emit context_.mainCaptionChanged(
        tr("%1 - Velmora").arg(bankModel_->indexOf(selected_).data().toString()));
    emit context_.flagsChanged();
    lower();
    emit editorWanted();
    // The auto-play note; the player knows the switch and the output state.
    emit context_.testNoteRequested(false);
}

void BankManagerWindow::editorToBank()
{
    if (!context_.flags.patchLoaded)
        return;
    SynthRecords& records = context_.records;
    beginStep(tr("Editor to Bank"));
    records.bank[static_cast<std::size_t>(selected_)] = records.currentPatch;
    setBankCell(selected_, patchNameOf(records.currentPatch));
    context_.flags.bankLoaded = true;
    updateGrid();
    history_->end();
    emit context_.flagsChanged();
}

void BankManagerWindow::importSplit()
{
    fileCommand(tr("Import Split"), [this] { files_.importSplit(selectedSplit_); });
}

void BankManagerWindow::exportSplit()
{
    context_.errors.run([this] { files_.exportSplit(selectedSplit_); });
}

void BankManagerWindow::openSplitEditor(const QModelIndex& cell)
{
    selectedSplit_ = splitModel_->entryAt(cell);
    if (context_.flags.splitsReceived)
        emit splitEditRequested(selectedSplit_);
}

void BankManagerWindow::selectBank(int index)
{
    bool sent = false;
    if (output_.isOpen() && index >= 0) {
        context_.errors.run([&] {
            const Message message = bankSelect(static_cast<Byte>(index));
            output_.sendLong(message);
            sent = true;
        });
    }
    if (sent)
        context_.flags.bankChoice = index;
    else
        updateGrid(); // the selector goes back to the bank the instrument has
}

} // namespace velmora::library
