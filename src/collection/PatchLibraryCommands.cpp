// The library window's commands: its menus, the table's popup and what
// each command does.
#include "app/ProgressDialog.h"
#include "collection/CollectionFiles.h"
#include "collection/PatchLibraryWindow.h"
#include "collection/PatchTableModel.h"
#include "library/PatchMime.h"
#include "widgets/MenuActions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>

namespace velmora::collection {

QAction* PatchLibraryWindow::command(QMenu* menu, const char* name, const QString& caption,
                                     const QKeySequence& shortcut,
                                     void (PatchLibraryWindow::*handler)())
{
    QAction* action = widgets::addMenuAction(*this, menu, name, caption, shortcut);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void PatchLibraryWindow::buildCommands()
{
    using QKS = QKeySequence;
    using W = PatchLibraryWindow;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    command(file, "aLibraryImportFiles", tr("&Import Files..."), QKS("Ctrl+O"), &W::importFiles);
    command(file, "aLibraryImportFolder", tr("Import &Folder..."), QKS("Ctrl+Shift+O"),
            &W::importFolder);
    file->addSeparator();
    QAction* exportPatches = command(file, "aLibraryExportPatches", tr("&Export as Patch Files..."),
                                     QKS("Ctrl+E"), &W::exportPatchFiles);
    QAction* exportBank = command(file, "aLibraryExportBank", tr("Export as &Bank File..."),
                                  QKS("Ctrl+Shift+E"), &W::exportBankFile);
    file->addSeparator();
    connect(widgets::addMenuAction(*this, file, "aLibraryClose", tr("&Close"), QKS("Ctrl+W")),
            &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Patch"));
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("pmLibrary"));
    const auto both = [&](const char* name, const QString& caption, const QKS& shortcut,
                          void (W::*handler)()) {
        QAction* action = command(edit, name, caption, shortcut, handler);
        popup_->addAction(action);
        return action;
    };
    command(edit, "aLibrarySearch", tr("&Search"), QKS::Find, &W::focusSearch);
    QAction* open =
        both("aLibraryOpen", tr("&Open in Editor"), QKS(Qt::Key_Return), &W::openInEditor);
    // Enter opens the row only where the table has the focus; in the search
    // box it goes on to the first patch found.
    open->setShortcuts({QKS(Qt::Key_Return), QKS(Qt::Key_Enter)});
    open->setShortcutContext(Qt::WidgetShortcut);
    table_->addAction(open);
    both("aLibraryCopy", tr("&Copy"), QKS::Copy, &W::copySelection);
    edit->addSeparator();
    popup_->addSeparator();
    both("aLibraryFavourite", tr("&Favourite"), QKS("Ctrl+D"), &W::toggleFavourite);
    both("aLibraryHide", tr("&Hide / Unhide"), QKS("Ctrl+H"), &W::toggleHidden);
    both("aLibraryRename", tr("&Rename..."), QKS(Qt::Key_F2), &W::renamePatch);
    both("aLibraryTags", tr("&Tags..."), QKS("Ctrl+T"), &W::editTags);
    both("aLibraryComment", tr("Co&mment..."), QKS("Ctrl+M"), &W::editComment);
    edit->addSeparator();
    popup_->addSeparator();
    both("aLibrarySimilar", tr("Show &Similar"), QKS("Ctrl+Shift+S"), &W::showSimilar);
    both("aLibraryShowAll", tr("Show &All"), QKS("Ctrl+Shift+A"), &W::showAll);
    edit->addSeparator();
    popup_->addSeparator();
    both("aLibraryDelete", tr("&Delete from Library"), QKS::Delete, &W::deletePatches);
    // The popup offers the File menu's exports and imports too.
    popup_->addSeparator();
    popup_->addActions({exportPatches, exportBank});
    popup_->addSeparator();
    popup_->addActions({findChild<QAction*>(QStringLiteral("aLibraryImportFiles")),
                        findChild<QAction*>(QStringLiteral("aLibraryImportFolder"))});
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = table_->indexAt(at);
        if (index.isValid() && !table_->selectionModel()->isRowSelected(index.row()))
            table_->selectRow(index.row());
        popup_->exec(table_->viewport()->mapToGlobal(at));
    });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(widgets::addMenuAction(*this, help, "aLibraryHelp", tr("Patch Library &Help"),
                                   QKS(Qt::Key_F1)),
            &QAction::triggered, this, [this] { emit helpRequested(kHelpTopic); });
    enableCommands();
}

void PatchLibraryWindow::enableCommands()
{
    const std::size_t selected = table_->selectionModel()->selectedRows().size();
    const auto enable = [this](const char* name, bool on) {
        if (auto* action = findChild<QAction*>(QLatin1String(name)))
            action->setEnabled(on);
    };
    for (const char* name : {"aLibraryExportPatches", "aLibraryExportBank", "aLibraryCopy",
                             "aLibraryFavourite", "aLibraryHide", "aLibraryDelete"})
        enable(name, selected > 0);
    for (const char* name :
         {"aLibraryOpen", "aLibraryRename", "aLibraryTags", "aLibraryComment", "aLibrarySimilar"})
        enable(name, selected == 1);
    enable("aLibraryShowAll", model_->listsSimilar());
}

bool PatchLibraryWindow::changed(bool ok)
{
    if (!ok)
        dialogs_->inform(tr("The library could not be changed: %1").arg(collection_.lastError()));
    model_->refresh();
    return ok;
}

void PatchLibraryWindow::importFiles()
{
    const QStringList files = dialogs_->importFiles(folder_);
    if (files.isEmpty())
        return;
    folder_ = QFileInfo(files.front()).absolutePath();
    importPaths(files);
}

void PatchLibraryWindow::importFolder()
{
    const QString folder = dialogs_->importFolder(folder_);
    if (folder.isEmpty())
        return;
    folder_ = folder;
    importPaths({folder});
}

AddSummary PatchLibraryWindow::importPaths(const QStringList& paths)
{
    ProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("dlgLibraryImport"));
    progress.setCancellable(true);
    // Nothing else in the window is touched while the import runs.
    progress.setWindowModality(Qt::WindowModal);
    bool cancelled = false;
    connect(&progress, &ProgressDialog::cancelRequested, this, [&cancelled] { cancelled = true; });
    progress.start(tr("Importing..."), 1);
    QString shownPhase;
    int shownTotal = -1;
    const ImportResult result =
        collection::importPaths(collection_, paths, [&](const QString& phase, int done, int total) {
            if (phase != shownPhase || total != shownTotal) {
                shownPhase = phase;
                shownTotal = total;
                progress.setPhase(phase);
                progress.start(tr("Importing..."), std::max(1, total));
            }
            progress.setPosition(done);
            // Cancel is heard here, between files and between patches.
            QCoreApplication::processEvents();
            return !cancelled;
        });
    progress.close();

    QString sentence;
    if (!result.error.isEmpty())
        sentence = tr("Nothing was added: %1").arg(result.error);
    else if (result.summary.cancelled)
        sentence = tr("Import cancelled: nothing was added");
    else
        sentence = result.summary.sentence();
    if (!result.problems.empty()) {
        QStringList lines;
        for (const FileProblem& problem : result.problems)
            lines << tr("%1: %2").arg(problem.file, problem.message);
        sentence += tr(" (%n file(s) with problems)", nullptr, int(result.problems.size()));
        dialogs_->inform(
            tr("Some files gave no patches or not all of them:\n\n%1").arg(lines.join(u'\n')));
    }
    showSummary(sentence);
    refreshResults();
    return result.summary;
}

void PatchLibraryWindow::exportPatchFiles()
{
    const auto ids = selectedIds();
    if (ids.empty())
        return;
    const QString folder = dialogs_->exportFolder(folder_);
    if (folder.isEmpty())
        return;
    folder_ = folder;
    const SinglesResult result = exportSingles(collection_, ids, folder);
    if (!result.error.isEmpty())
        dialogs_->inform(result.error);
    showSummary(tr("%n patch file(s) written to %1", nullptr, int(result.written.size()))
                    .arg(QDir::toNativeSeparators(folder)));
}

void PatchLibraryWindow::exportBankFile()
{
    const auto ids = selectedIds();
    if (ids.empty())
        return;
    if (ids.size() > std::size_t(kBankSize)) {
        dialogs_->inform(tr("A bank holds %1 patches and %2 are selected: select at most %1.")
                             .arg(kBankSize)
                             .arg(ids.size()));
        return;
    }
    const QString path = dialogs_->exportBankFile(folder_);
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    // In the table's order, as patches 0, 1, 2...
    if (const QString error = exportBank(collection_, ids, path); !error.isEmpty()) {
        dialogs_->inform(error);
        return;
    }
    showSummary(tr("%1 written to the bank file %2")
                    .arg(patches(ids.size()), QDir::toNativeSeparators(path)));
}

void PatchLibraryWindow::copySelection()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    QApplication::clipboard()->setMimeData(library::patchMimeData(model_->patches(rows)));
    showSummary(tr("%1 copied").arg(patches(rows.size())));
}

void PatchLibraryWindow::openInEditor()
{
    const auto rows = selectedRows();
    const int row = rows.size() == 1 ? rows.front() : table_->currentIndex().row();
    const auto patches = model_->patches({row});
    if (!patches.empty())
        emit openRequested(patches.front().record, patches.front().name);
}

void PatchLibraryWindow::toggleFavourite()
{
    const auto ids = selectedIds();
    if (ids.empty())
        return;
    const auto first = model_->rowAt(selectedRows().front());
    if (!first)
        return;
    // All of them become what the first was not.
    changed(collection_.setFavourite(ids, !first->favourite));
    if (favourites_->isChecked())
        search();
}

void PatchLibraryWindow::toggleHidden()
{
    const auto ids = selectedIds();
    if (ids.empty())
        return;
    const auto first = model_->rowAt(selectedRows().front());
    if (!first)
        return;
    const bool hide = !first->hidden;
    if (changed(collection_.setHidden(ids, hide)))
        showSummary(hide ? tr("%1 hidden").arg(patches(ids.size()))
                         : tr("%1 shown again").arg(patches(ids.size())));
    search();
}

void PatchLibraryWindow::renamePatch()
{
    const auto row = model_->rowAt(table_->currentIndex().row());
    if (!row)
        return;
    const auto name = dialogs_->askText(tr("Rename"), tr("Name:"), row->name);
    if (!name || name->trimmed().isEmpty() || *name == row->name)
        return;
    changed(collection_.rename(row->id, name->trimmed()));
}

void PatchLibraryWindow::editTags()
{
    const auto row = model_->rowAt(table_->currentIndex().row());
    if (!row)
        return;
    const auto typed = dialogs_->askText(tr("Tags"), tr("Tags, separated by commas:"),
                                         row->tags.join(QStringLiteral(", ")));
    if (!typed)
        return;
    QStringList tags;
    for (const QString& tag : typed->split(u',', Qt::SkipEmptyParts))
        if (const QString clean = tag.trimmed(); !clean.isEmpty() && !tags.contains(clean))
            tags << clean;
    if (changed(collection_.setTags(row->id, tags)))
        fillTags();
}

void PatchLibraryWindow::editComment()
{
    const auto row = model_->rowAt(table_->currentIndex().row());
    if (!row)
        return;
    const auto comment = dialogs_->askText(tr("Comment"), tr("Comment:"), row->comment);
    if (comment)
        changed(collection_.setComment(row->id, comment->trimmed()));
}

void PatchLibraryWindow::showSimilar()
{
    const auto row = model_->rowAt(table_->currentIndex().row());
    if (!row)
        return;
    // The patch itself first, then the others closest first.
    std::vector<PatchId> ids{row->id};
    std::vector<int> differences{0};
    for (const SimilarPatch& similar : collection_.similar(row->id)) {
        ids.push_back(similar.id);
        differences.push_back(similar.differences);
    }
    const bool found = ids.size() > 1;
    model_->setIds(std::move(ids), std::move(differences));
    table_->selectRow(0);
    showAll_->show();
    showCounts();
    enableCommands();
    showSummary(found ? tr("Patches like %1, closest first").arg(row->name)
                      : tr("No patch differs from %1 in only a few values").arg(row->name));
}

void PatchLibraryWindow::showAll()
{
    search();
    statusBar()->clearMessage();
}

void PatchLibraryWindow::deletePatches()
{
    const auto ids = selectedIds();
    if (ids.empty())
        return;
    const auto first = model_->rowAt(selectedRows().front());
    const QString question =
        ids.size() == 1 && first
            ? tr("Delete %1 from the library? Its names and sources go with it.").arg(first->name)
            : tr("Delete %n patches from the library? Their names and sources go with them.",
                 nullptr, int(ids.size()));
    if (!dialogs_->askYesNo(question))
        return;
    if (changed(collection_.remove(ids)))
        showSummary(tr("%1 deleted from the library").arg(patches(ids.size())));
    refreshResults();
}

} // namespace velmora::collection
