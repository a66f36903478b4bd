// The main window's side of the patch library: the collection opened on
// first use, its window, Add to Library for the editor's patch, the bank
// and downloads, a library patch auditioned on the instrument or opened in
// the editor, and patches dropped on the editor.
#include "app/MainWindow.h"

#include "collection/PatchCollection.h"
#include "collection/PatchLibraryWindow.h"
#include "common/ErrorReporter.h"
#include "library/BankManagerWindow.h"
#include "library/PatchMime.h"
#include "protocol/Messages.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>

#include <algorithm>

namespace velmora {

using collection::PatchCollection;
using collection::PatchLibraryWindow;
using collection::PatchModel;

namespace {

// The Matrix-6 plays a sent patch from this slot (as the editor's sends do).
constexpr Byte kWorkingSlot = 99;

} // namespace

void MainWindow::buildCollection()
{
    const auto wireCommand = [this](const char* name, std::function<void()> command) {
        QAction* item = action(QLatin1String(name));
        item->setEnabled(true);
        connect(item, &QAction::triggered, this, [this, command] { errors_.run(command); });
    };
    wireCommand("aPatchLibrary", [this] { showPatchLibrary(); });
    wireCommand("aAddToLibrary", [this] { addEditorToLibrary(); });
    wire("aAddDownloads", &MainWindow::toggleAddDownloads);
    connect(bank_, &library::BankManagerWindow::addToLibraryRequested, this,
            [this] { errors_.run([this] { addBankToLibrary(); }); });
    // The transfer engine shows a received patch before it marks it
    // loaded: the patch is stored once the engine is through with it.
    connect(
        &host_, &WindowTransferHost::patchChanged, this,
        [this] {
            if (settings_.addDownloads)
                errors_.run([this] { addDownloadedPatch(); });
        },
        Qt::QueuedConnection);
    connect(&host_, &WindowTransferHost::bankReceived, this, [this] {
        if (settings_.addDownloads)
            errors_.run([this] { addDownloadedBank(); });
    });
    setAcceptDrops(true);
}

PatchCollection* MainWindow::patchCollection()
{
    if (!collection_) {
        auto opened = PatchCollection::open(collection::defaultCollectionPath());
        if (auto* failure = std::get_if<PatchCollection::OpenFailure>(&opened)) {
            // Said once; asked again for the same reason (each download
            // asks for names), the status line says it.
            if (failure->message != openFailure_) {
                openFailure_ = failure->message;
                QMessageBox::warning(this, tr("Patch Library"), failure->message);
            } else {
                statusBar()->showMessage(failure->message);
            }
            return nullptr;
        }
        openFailure_.clear();
        collection_ = std::move(std::get<std::unique_ptr<PatchCollection>>(opened));
    }
    if (!movedAsideTold_ && !collection_->movedAside().isEmpty()) {
        movedAsideTold_ = true;
        QMessageBox::warning(
            this, tr("Patch Library"),
            tr("The patch library file was damaged. It was moved aside as\n%1\nand a new, empty "
               "library was started.")
                .arg(QDir::toNativeSeparators(collection_->movedAside())));
    }
    return collection_.get();
}

PatchLibraryWindow* MainWindow::showPatchLibrary()
{
    if (!libraryWindow_) {
        PatchCollection* opened = patchCollection();
        if (!opened)
            return nullptr;
        libraryWindow_ = new PatchLibraryWindow(*opened, this);
        connect(libraryWindow_, &PatchLibraryWindow::auditionRequested, this,
                [this](const PatchRecord& record) {
                    errors_.run([this, &record] { auditionPatch(record); });
                });
        connect(libraryWindow_, &PatchLibraryWindow::openRequested, this,
                [this](const PatchRecord& record, const QString& name) {
                    errors_.run([&] { openPatchRecord(record, name); });
                    raise();
                    activateWindow();
                });
        connect(libraryWindow_, &PatchLibraryWindow::helpRequested, this,
                &MainWindow::showHelpTopic);
    }
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
    return libraryWindow_;
}

void MainWindow::auditionPatch(const PatchRecord& record)
{
    if (!midi_.outputOpen())
        return;
    // The same messages the editor's whole-patch sends use, as a whole patch
    // of the pacer: while the cable is busy only the latest waits, so
    // walking through the table with the arrow keys never floods it.
    OutputPacer::Parts parts;
    if (transfers_.model() == SynthModel::Matrix1000) {
        parts.push_back({patchToEditBuffer(record), kEditPatchPause1000});
    } else {
        const auto pause =
            std::max(kEditPatchPause6, std::chrono::milliseconds(settings_.storePause));
        parts.push_back({patchToMemory(kWorkingSlot, record), pause});
        parts.push_back({programChange(sender_.channel(), kWorkingSlot), {}});
    }
    // The test note once the patch is in: a patch passed over for a newer
    // one is never heard.
    pacer_.sendWholePatch(std::move(parts), [this] { playTestNote(false); });
}

void MainWindow::openPatchRecord(const PatchRecord& record, const QString& name)
{
    runStep(tr("Open"), editor::PatchHistory::Kind::Whole, [this, &record, &name] {
        // A patch message's bytes; the 135th byte stays as it was.
        std::ranges::copy(record, records_.currentPatch.begin());
        std::ranges::copy(record, records_.compareData.begin());
        transfers_.flags().patchLoaded = true;
        emit library_->mainCaptionChanged(tr("%1 - Velmora").arg(name));
        emit library_->patchChanged();
        emit library_->patchSendRequested();
        emit library_->testNoteRequested(false);
        emit library_->flagsChanged();
    });
}

void MainWindow::addToLibrary(const std::vector<PatchRecord>& records, const QString& source,
                              int model)
{
    PatchCollection* opened = patchCollection();
    if (!opened || records.empty())
        return;
    std::vector<collection::IncomingPatch> incoming;
    incoming.reserve(records.size());
    for (const PatchRecord& record : records)
        incoming.push_back({record, source, static_cast<PatchModel>(model)});
    const collection::AddSummary summary = opened->add(incoming);
    if (summary.cancelled && !opened->lastError().isEmpty()) {
        errors_.report(
            tr("The patches could not be added to the library: %1").arg(opened->lastError()));
        return;
    }
    const QString sentence = summary.sentence();
    statusBar()->showMessage(sentence);
    if (libraryWindow_) {
        libraryWindow_->refreshResults();
        libraryWindow_->showSummary(sentence);
    }
    if (bank_->isVisible() && source != tr("Velmora editor"))
        bank_->statusBar()->showMessage(sentence);
}

namespace {

PatchRecord recordOfBuffer(const PatchBuffer& buffer)
{
    PatchRecord record{};
    std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
    return record;
}

} // namespace

void MainWindow::addEditorToLibrary()
{
    if (!transfers_.flags().patchLoaded)
        return;
    addToLibrary({recordOfBuffer(records_.currentPatch)}, tr("Velmora editor"),
                 static_cast<int>(PatchModel::Either));
}

void MainWindow::addBankToLibrary()
{
    if (!transfers_.flags().bankLoaded) {
        bank_->statusBar()->showMessage(tr("The bank is empty: nothing to add"));
        return;
    }
    std::vector<PatchRecord> records;
    for (const PatchBuffer& entry : records_.bank)
        records.push_back(recordOfBuffer(entry));
    const QString file = bank_->bankFile();
    const bool m1000 = transfers_.model() == SynthModel::Matrix1000;
    const QString source =
        !file.isEmpty() ? file
                        : (m1000 ? tr("Matrix-1000 bank download") : tr("Matrix-6 bank download"));
    addToLibrary(records, source,
                 static_cast<int>(file.isEmpty()
                                      ? (m1000 ? PatchModel::Matrix1000 : PatchModel::Matrix6)
                                      : PatchModel::Either));
}

void MainWindow::toggleAddDownloads()
{
    settings_.addDownloads = !settings_.addDownloads;
    showSwitches();
}

void MainWindow::addDownloadedPatch()
{
    if (!transfers_.flags().patchLoaded)
        return;
    const bool m1000 = transfers_.model() == SynthModel::Matrix1000;
    addToLibrary({recordOfBuffer(records_.currentPatch)},
                 m1000 ? tr("Matrix-1000 download") : tr("Matrix-6 download"),
                 static_cast<int>(m1000 ? PatchModel::Matrix1000 : PatchModel::Matrix6));
}

void MainWindow::addDownloadedBank()
{
    if (!transfers_.flags().bankLoaded)
        return;
    std::vector<PatchRecord> records;
    for (const PatchBuffer& entry : records_.bank)
        records.push_back(recordOfBuffer(entry));
    const bool m1000 = transfers_.model() == SynthModel::Matrix1000;
    addToLibrary(records, m1000 ? tr("Matrix-1000 bank download") : tr("Matrix-6 bank download"),
                 static_cast<int>(m1000 ? PatchModel::Matrix1000 : PatchModel::Matrix6));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (library::hasPatches(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (library::hasPatches(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const auto patches = library::patchesOf(event->mimeData());
    if (patches.empty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The first patch dropped opens, as Open opens the first of a file.
    errors_.run([&] { openPatchRecord(patches.front().record, patches.front().name); });
}

} // namespace velmora
