// The bank manager: the bank of 100 patches and the table of 50 splits in two
// grids, with the commands that move patches between the bank, the editor,
// files and the instrument. It is created at start, hidden, and lives until
// the end; closing it only hides it. Its records and flags are the main
// window's (through the library context); transfers go through the transfer
// engine, the bank select of the selector straight to the output.
#pragma once

#include "BankEdits.h"
#include "LibraryContext.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QMenu;
class QTableWidget;

namespace velmora {
class MidiSink;
class Transfers;
} // namespace velmora

namespace velmora::library {

class FileStuff;

class TfrmBank : public QMainWindow
{
    Q_OBJECT

public:
    // `context.flags` must be the transfer engine's flags, so that the bank
    // choice of an upload and the bank selector are one value. Its
    // `updateBankGrid` should call ShowRecords, its `setBankCaption`
    // SetCaption. `output` is the instrument's output (bank select).
    TfrmBank(LibraryContext& context, FileStuff& files, Transfers& transfers, MidiSink& output,
             QWidget* parent = nullptr);

    // The main window raises itself and takes the focus (after bank to editor).
    std::function<void()> OnShowEditor;
    // The split editor for split 0..49 (a double click once splits arrived).
    std::function<void(int split)> OnEditSplit;
    // A help topic by its number.
    std::function<void(int topic)> OnHelp;

    // What the transfer engine shows here. Names are raw bytes, one per
    // character.
    void SetBankCell(int index, const std::string& name);
    void SetSplitCell(int index, const std::string& name);
    void SetCaption(const QString& caption);
    // The bank upload dialog ("Send As"): bank 0 or 1, nothing when cancelled.
    std::optional<int> AskUploadBank();

    // Menu state, selector and split grid from the flags and the model.
    void UpdateGrid();
    // Every cell that was ever filled from the records again, then
    // UpdateGrid (what the file commands call when they changed the bank or
    // the split table).
    void ShowRecords();
    // The bank to zeros, every cell "<empty> ", BankLoaded off, the caption
    // "Bank Manager". The split table stays.
    void ClearBank();

    int SelectedEntry() const { return selected_; }
    int SelectedSplit() const { return selectedSplit_; }
    QAction* Action(const QString& objectName) const;

    // Commands.
    void aNewExecute();
    void aOpenExecute();
    void aSaveExecute();
    void aDownloadExecute();
    void aUploadExecute();
    void pmiCopyClick();
    void pmiPasteClick();
    void aRenameExecute();
    void pmiOpenClick();
    void pmiSaveClick();
    void pmiEditorClick();
    void pmiEdit2BankClick();
    void aImportSplitExecute();
    void aExportSplitExecute();
    void cbBankSelChange(int index);

    QTableWidget* gridBANK;
    QTableWidget* SplitGrid;
    QComboBox* cbBankSel;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildMenus();
    void BuildGrids();
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {});
    void ShowCell(int index, const std::string& name);
    void ShowSplitCell(int index, const std::string& name);
    void SelectEntry(int entry);
    void gridBANKDblClick(int row, int column);
    void SplitGridDblClick(int row, int column);
    // Runs a file command on the entries or splits given; those that it
    // changed show their names from then on.
    enum class Scope
    {
        WholeBank,
        OneEntry,
        OneSplit
    };
    void FileCommand(Scope scope, const std::function<void()>& command);
    // Runs a command that sends; a failed MIDI call is shown.
    void Guard(const std::function<void()>& command);

    LibraryContext& context_;
    FileStuff& files_;
    Transfers& transfers_;
    MidiSink& output_;
    QMenu* popup_ = nullptr;
    QMenu* splitPopup_ = nullptr;
    PatchRecord clipboard_{};
    // Entries and splits that hold something: the others read "<empty> ".
    std::array<bool, kBankPatchCount> filled_{};
    std::array<bool, kSplitCount> splitFilled_{};
    std::optional<Scope> running_;
    bool grew_ = false;
    int selected_ = 0;
    int selectedSplit_ = 0;
};

} // namespace velmora::library
