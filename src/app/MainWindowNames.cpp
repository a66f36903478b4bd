// Names that survive the Matrix-1000. The unit keeps no names: every patch
// it sends is called "BNKb: nn". When such a patch arrives, its content is
// looked up in the patch library and the library's name takes the place of
// the placeholder, so the editor's caption, the bank manager and the files
// saved from them carry it. The unit discards the name bytes of what it is
// sent, so the name (held in the instrument's character set) costs nothing
// there. A name the user gives a bank entry is recorded in the library.
#include "app/MainWindow.h"

#include "collection/PatchCollection.h"
#include "library/BankManagerWindow.h"
#include "protocol/PatchName.h"

#include <QFileInfo>
#include <QStatusBar>

namespace velmora {

void MainWindow::buildNames()
{
    host_.setNameLookup([this](std::span<const Byte, kPatchRecordSize> record, int entry) {
        return libraryName(record, entry);
    });
    connect(bank_, &library::BankManagerWindow::entryRenamed, this, &MainWindow::recordRename);
}

std::optional<std::string> MainWindow::libraryName(std::span<const Byte, kPatchRecordSize> record,
                                                   int entry)
{
    // A download does not start a library the user never made, and a
    // library that failed to open is not asked again for every entry.
    if (namesUnavailable_ ||
        (!collection_ && !QFileInfo::exists(collection::defaultCollectionPath())))
        return std::nullopt;
    collection::PatchCollection* library = patchCollection();
    if (!library) {
        namesUnavailable_ = true;
        return std::nullopt;
    }
    const auto known = library->knownName(record);
    if (!known)
        return std::nullopt;
    const QString sent = QString::fromLatin1(patchNameOf(record)).trimmed();
    const QString from = QFileInfo(known->source).fileName().isEmpty()
                             ? known->source
                             : QFileInfo(known->source).fileName();
    if (entry < 0) {
        statusBar()->showMessage(
            tr("Name \"%1\" from the Patch Library (%2): the Matrix-1000 sent \"%3\".")
                .arg(known->name, from, sent));
    } else {
        // Entries of one answer arrive in ascending order: a lower one
        // begins another download.
        namesFound_ = entry <= lastNamedEntry_ ? 1 : namesFound_ + 1;
        lastNamedEntry_ = entry;
        bank_->statusBar()->showMessage(
            namesFound_ == 1 ? tr("1 name from the Patch Library: the Matrix-1000 keeps none.")
                             : tr("%1 names from the Patch Library: the Matrix-1000 keeps none.")
                                   .arg(namesFound_));
    }
    return known->name.toLatin1().toStdString();
}

void MainWindow::recordRename(int entry)
{
    collection::PatchCollection* library = patchCollection();
    if (!library)
        return;
    const auto& patch = records_.bank.at(static_cast<std::size_t>(entry));
    const QString name = QString::fromLatin1(patchNameOf(recordOf(patch))).trimmed();
    if (!library->recordName(recordOf(patch), name, tr("Velmora Bank Manager")))
        showError(library->lastError());
}

} // namespace velmora
