// The Patch Library window: every patch of the collection in one table,
// searched as the user types and narrowed by model, favourites, tag and
// hidden. Selecting a row auditions the patch (the window asks; the main
// window sends it to the instrument's edit buffer without changing the
// editor's patch); a double click or Enter opens it in the editor. Patches
// are imported from files and folders (dropped on the window too), exported
// as patch files or a bank file, dragged or copied into the bank manager and
// the editor, and marked, renamed, tagged, commented, hidden and deleted.
#pragma once

#include "collection/LibraryDialogs.h"
#include "collection/PatchCollection.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace velmora::collection {

class PatchTableModel;

class PatchLibraryWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 1031;
    // A bank file holds at most this many patches.
    static constexpr int kBankSize = 100;

    explicit PatchLibraryWindow(PatchCollection& collection, QWidget* parent = nullptr);
    ~PatchLibraryWindow() override;

    // Tests answer the questions themselves.
    void setDialogs(std::unique_ptr<LibraryDialogs> dialogs) { dialogs_ = std::move(dialogs); }

    // Searches again with the query as the controls set it (after patches
    // were added from another window, say).
    void refreshResults();
    // Imports files and folders (folders with everything under them), with
    // progress and Cancel; the summary goes to the status line.
    AddSummary importPaths(const QStringList& paths);
    // A sentence for the status line ("3 patches read: ...").
    void showSummary(const QString& sentence);

    PatchTableModel& model() { return *model_; }
    QTableView& table() { return *table_; }
    Query query() const;
    // The selected rows in the table's order.
    std::vector<int> selectedRows() const;

signals:
    // A row was selected: the patch is to be heard.
    void auditionRequested(const velmora::PatchRecord& record);
    // Double click or Enter: the patch opens in the editor.
    void openRequested(const velmora::PatchRecord& record, const QString& name);
    void helpRequested(int topic);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Down in the search box goes on into the table.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "1 patch", "1,200 patches".
    static QString patches(std::size_t count);
    void buildControls();
    void buildCommands();
    QAction* command(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut, void (PatchLibraryWindow::*handler)());
    void search();
    void showCounts();
    void fillTags();
    void auditionCurrent();
    void enableCommands();
    // The ids of the selected rows, in the table's order.
    std::vector<PatchId> selectedIds() const;
    // Runs a change of the collection; false, with the message shown, when it failed.
    bool changed(bool ok);

    // Commands.
    void importFiles();
    void importFolder();
    void exportPatchFiles();
    void exportBankFile();
    void copySelection();
    void openInEditor();
    void toggleFavourite();
    void toggleHidden();
    void renamePatch();
    void editTags();
    void editComment();
    void showSimilar();
    void showAll();
    void deletePatches();
    void focusSearch();

    PatchCollection& collection_;
    std::unique_ptr<LibraryDialogs> dialogs_;
    PatchTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* search_ = nullptr;
    QComboBox* modelFilter_ = nullptr;
    QComboBox* tagFilter_ = nullptr;
    QCheckBox* favourites_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QPushButton* showAll_ = nullptr;
    QLabel* counts_ = nullptr;
    QMenu* popup_ = nullptr;
    SortColumn sort_ = SortColumn::Name;
    bool descending_ = false;
    PatchId auditioned_ = 0;
    // False while the table itself makes a row current: not the user's choice.
    bool choosing_ = true;
    QString folder_;
};

} // namespace velmora::collection
