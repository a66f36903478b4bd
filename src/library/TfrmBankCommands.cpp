// The bank manager's commands: the File menu, the grid popups, double clicks
// and the bank selector.
#include "FileStuff.h"
#include "Messages.h"
#include "MidiSink.h"
#include "PatchName.h"
#include "TfrmBank.h"
#include "TfrmRenamePatch.h"
#include "Transfers.h"

#include <QAction>
#include <QComboBox>
#include <QTableWidget>

namespace velmora::library {
namespace {

void Call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

} // namespace

void TfrmBank::aNewExecute()
{
    ClearBank();
    cbBankSel->setCurrentIndex(-1);
    // The instrument still has its bank selected, so the selector shows it again.
    UpdateGrid();
    Call(context_.enableButtons);
}

void TfrmBank::aOpenExecute()
{
    FileCommand(Scope::WholeBank, [this] { files_.OpenBank(); });
}

void TfrmBank::aSaveExecute()
{
    Guard([this] { files_.SaveBank(); });
}

void TfrmBank::aDownloadExecute()
{
    if (!output_.IsOpen())
        return;
    Guard([this] { transfers_.StartBankDownload(); });
    UpdateGrid();
    Call(context_.enableButtons);
}

void TfrmBank::aUploadExecute()
{
    // The transfer asks for the user bank (AskUploadBank) and records it.
    Guard([this] { transfers_.SendBank(); });
    UpdateGrid();
}

void TfrmBank::pmiCopyClick()
{
    CopyPatch(context_.records.Bank, selected_, clipboard_);
    Action(QStringLiteral("pmiPaste"))->setEnabled(true);
}

void TfrmBank::pmiPasteClick()
{
    PastePatch(clipboard_, context_.records.Bank, selected_);
    SetBankCell(selected_, PatchNameOf(clipboard_));
    context_.flags.BankLoaded = true;
    UpdateGrid();
}

void TfrmBank::aRenameExecute()
{
    const GridCell cell = BankCellOf(selected_);
    TfrmRenamePatch dialog(gridBANK->item(cell.row, cell.column)->text(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.Edited())
        return;
    const std::string name = dialog.Name();
    WriteName(context_.records.Bank[static_cast<std::size_t>(selected_)], name);
    SetBankCell(selected_, name);
}

void TfrmBank::pmiOpenClick()
{
    // A loaded patch sets BankLoaded; a cancelled dialog leaves it as it was.
    FileCommand(Scope::OneEntry, [this] { files_.OpenPatch(selected_); });
}

void TfrmBank::pmiSaveClick()
{
    Guard([this] { files_.SavePatch(selected_); });
}

void TfrmBank::gridBANKDblClick(int row, int column)
{
    selected_ = BankEntryAt(column, row);
    pmiEditorClick();
}

void TfrmBank::pmiEditorClick()
{
    SynthRecords& records = context_.records;
    records.CurrentPatch = records.Bank[static_cast<std::size_t>(selected_)];
    context_.flags.PatchLoaded = true;
    Call(context_.initControls);
    Guard([this] { Call(context_.sendPatch); });
    const GridCell cell = BankCellOf(selected_);
    if (context_.setMainCaption)
        context_.setMainCaption(gridBANK->item(cell.row, cell.column)->text() +
                                QStringLiteral(" - Velmora"));
    Call(context_.enableButtons);
    lower();
    Call(OnShowEditor);
    // The auto-play note; the player knows the switch and the output state.
    if (context_.playNote)
        Guard([this] { context_.playNote(false); });
}

void TfrmBank::pmiEdit2BankClick()
{
    if (!context_.flags.PatchLoaded)
        return;
    SynthRecords& records = context_.records;
    records.Bank[static_cast<std::size_t>(selected_)] = records.CurrentPatch;
    SetBankCell(selected_, PatchNameOf(records.CurrentPatch));
    context_.flags.BankLoaded = true;
    UpdateGrid();
    Call(context_.enableButtons);
}

void TfrmBank::aImportSplitExecute()
{
    FileCommand(Scope::OneSplit, [this] { files_.ImportSplit(selectedSplit_); });
}

void TfrmBank::aExportSplitExecute()
{
    Guard([this] { files_.ExportSplit(selectedSplit_); });
}

void TfrmBank::SplitGridDblClick(int row, int column)
{
    selectedSplit_ = SplitAt(column, row);
    if (context_.flags.SplitsReceived && OnEditSplit)
        OnEditSplit(selectedSplit_);
}

void TfrmBank::cbBankSelChange(int index)
{
    bool sent = false;
    if (output_.IsOpen() && index >= 0) {
        Guard([&] {
            const Message message = BankSelect(static_cast<Byte>(index));
            output_.SendLong(message);
            sent = true;
        });
    }
    if (sent)
        context_.flags.BankChoice = index;
    else
        UpdateGrid(); // the selector goes back to the bank the instrument has
}

} // namespace velmora::library
