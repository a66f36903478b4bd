// The bank manager: the bank of 100 patches and the table of 50 splits in two
// grids, with the commands that move patches between the bank, the editor,
// files and the instrument. It is created at start, hidden, and lives until
// the end; closing it only hides it. Its records and flags are the main
// window's (through the library context); transfers go through the transfer
// engine, the bank select of the selector straight to the output.
#pragma once

#include "library/BankEdits.h"
#include "library/LibraryContext.h"
#include "library/PatchMime.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QMenu;
class QModelIndex;
class QTableView;

namespace velmora {
class MidiSink;
class Transfers;
} // namespace velmora

namespace velmora::library {

class BankHistory;
class BankTableModel;
class LibraryFileCommands;

class BankManagerWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `context.flags` must be the transfer engine's flags, so that the bank
    // choice of an upload and the bank selector are one value. The window
    // follows the context's bankChanged (showRecords) and bankCaptionChanged
    // (setCaption); a failed command goes to its error reporter. `output` is
    // the instrument's output (bank select).
    BankManagerWindow(LibraryContext& context, LibraryFileCommands& files, Transfers& transfers,
                      MidiSink& output, QWidget* parent = nullptr);

    // What the transfer engine shows here. Names are raw bytes, one per
    // character.
    void setBankCell(int index, const std::string& name);
    void setSplitCell(int index, const std::string& name);
    void setCaption(const QString& caption);
    // The transfer engine closed its progress window (a part of a transfer
    // ended): a bank download whose splits have arrived becomes one step of
    // the history once the receive is over.
    void receiveEnded();
    // The bank upload dialog ("Send As"): bank 0 or 1, nothing when cancelled.
    std::optional<int> askUploadBank();

    // Menu state, selector and split grid from the flags and the model.
    void updateGrid();
    // Every cell that holds something shows its name from the records
    // again, then updateGrid (what follows when the file commands changed
    // the bank or the split table).
    void showRecords();
    // The bank to zeros, every cell "<empty> ", bankLoaded off, the caption
    // "Bank Manager". The split table stays.
    void clearBank();

    int selectedEntry() const { return selected_; }
    int selectedSplit() const { return selectedSplit_; }
    QAction* action(const QString& objectName) const;

    // The bank manager's history (Edit > Undo, Redo).
    BankHistory& history() { return *history_; }
    // Runs `change` (a command of another window that may change the bank or
    // the split table, such as the split editor or the main window's Open);
    // what it changed becomes the step `name`.
    void recordStep(const QString& name, const std::function<void()>& change);
    void undo();
    void redo();

    // Commands.
    void newBank();
    void openFromFile();
    void saveToFile();
    void downloadBank();
    void uploadBank();
    void copyEntry();
    void pasteEntry();
    void renameEntry();
    void openEntry();
    void saveEntry();
    void bankToEditor();
    void editorToBank();
    void importSplit();
    void exportSplit();
    void selectBank(int index);
    // Patches dropped or pasted from another window: they fill the entries
    // from `entry` on, as many as fit, as one step. The number placed.
    int placePatches(int entry, const std::vector<NamedPatch>& patches);
    // Where the bank came from: the file it was opened from or saved to,
    // else "" (a download, or entries put in one by one).
    QString bankFile() const;

signals:
    // A whole bank went to the instrument (0 or 1; 0 on a Matrix-6).
    void bankUploaded(int bank);
    // The editor is to come to the front and take the focus (after bank to
    // editor).
    void editorWanted();
    // The split editor for split 0..49 (a double click once splits arrived).
    void splitEditRequested(int split);
    // A help topic by its number.
    void helpRequested(int topic);
    // File > Add Bank to Library.
    void addToLibraryRequested();
    // The user gave bank entry `entry` a new name (the patch library keeps it).
    void entryRenamed(int entry);

protected:
    void changeEvent(QEvent* event) override;
    // Patches dragged over the bank grid land on the cell under the mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildGrids();
    // One grid's selection (into `selected`), double click (`open`) and
    // right click (the menu in `popup`, on the cell under the mouse).
    void wireGrid(QTableView* grid, const BankTableModel* model, int& selected,
                  void (BankManagerWindow::*open)(const QModelIndex&),
                  QMenu* BankManagerWindow::*popup);
    void openEntryInEditor(const QModelIndex& cell);
    void openSplitEditor(const QModelIndex& cell);
    // Runs a file command that reads into the bank or the split table; the
    // cells it filled show their names from then on.
    void fileCommand(const QString& step, const std::function<void()>& command);
    // Starts a step; a finished download still open becomes its own step first.
    void beginStep(const QString& name);
    // A download's step ends once nothing is being received any more.
    void settleDownload();

    LibraryContext& context_;
    BankTableModel* bankModel_ = nullptr;
    BankTableModel* splitModel_ = nullptr;
    QTableView* bankGrid_ = nullptr;
    QTableView* splitGrid_ = nullptr;
    QComboBox* bankSelector_ = nullptr;
    LibraryFileCommands& files_;
    Transfers& transfers_;
    MidiSink& output_;
    QMenu* popup_ = nullptr;
    QMenu* splitPopup_ = nullptr;
    BankHistory* history_ = nullptr;
    // A bank download's step is open; its splits have begun to arrive.
    bool downloading_ = false;
    bool splitsArrived_ = false;
    PatchRecord clipboard_{};
    bool grew_ = false;
    int selected_ = 0;
    int selectedSplit_ = 0;
};

} // namespace velmora::library
