#include "library/LibraryFileCommands.h"

#include "library/SysexFiles.h"
#include "library/SysexLoad.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

namespace velmora::library {
namespace {

// The dialogs' filters and the captions, in the user's language.
QString saveFilter()
{
    return QCoreApplication::translate("LibraryFileCommands", "SysEx File (*.syx)");
}
QString openPatchFilters()
{
    return QCoreApplication::translate("LibraryFileCommands",
                                       "SysEx Files (*.syx *.mid);;Velmora Patch Files (*.vmp)");
}
QString openBankFilters()
{
    return QCoreApplication::translate("LibraryFileCommands",
                                       "SysEx Files (*.syx *.mid);;Velmora Bank Files (*.vmb)");
}
QString exportSplitFilter()
{
    return QCoreApplication::translate("LibraryFileCommands", "SysEx (*.syx)");
}
QString importSplitFilter()
{
    return QCoreApplication::translate("LibraryFileCommands", "SysEx Files (*.syx *.mid)");
}
QString mainCaption(const QString& file)
{
    return QCoreApplication::translate("LibraryFileCommands", "%1 - Velmora").arg(file);
}
QString bankCaption(const QString& file)
{
    return QCoreApplication::translate("LibraryFileCommands", "%1 - Bank Manager").arg(file);
}

const QString kAnySyx = QStringLiteral("*.syx");
const QString kSuffix = QStringLiteral("syx");
// The open dialogs' second filter: the raw formats.
constexpr int kRawFilter = 1;

bool hasSuffix(const QString& path, const char* suffix)
{
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

std::filesystem::path toPath(const QString& name)
{
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

QString folderOf(const QString& name)
{
    return QString::fromStdString(folderPart(name.toStdString()));
}

QString fileOf(const QString& name)
{
    return QString::fromStdString(filePart(name.toStdString()));
}

void refresh(LibraryContext& context)
{
    emit context.flagsChanged();
}

void showError(LibraryContext& context, const std::string& message)
{
    context.errors.report(QString::fromStdString(message));
}

// ".syx" appended as the save commands do; when that names a file the save
// dialog did not ask about, the user is asked now. Empty when declined.
QString syxName(LibraryContext& context, const QString& chosen)
{
    const QString name = QString::fromStdString(withSyxExtension(chosen.toStdString()));
    if (name != chosen && QFileInfo::exists(name) && !context.dialogs.confirmReplace(name))
        return {};
    return name;
}

bool write(LibraryContext& context, const QString& name, std::span<const Byte> bytes)
{
    if (const auto error = writeFileAtomically(toPath(name), bytes)) {
        showError(context, *error);
        return false;
    }
    return true;
}

// The loaded value, or nothing after the message was shown.
template <typename T> std::optional<T> take(LibraryContext& context, const Loaded<T>& loaded)
{
    if (const auto error = std::get_if<std::string>(&loaded)) {
        showError(context, *error);
        return std::nullopt;
    }
    return std::get<T>(loaded);
}

FileRequest request(const QString& caption, const QString& folder, const QString& fileName,
                    const QString& filters, int filterIndex, const QString& suffix = {})
{
    return {caption, folder, fileName, filters, filterIndex, suffix};
}

bool isEntry(std::optional<int> entry)
{
    return !entry || (*entry >= 0 && *entry < int(kBankPatchCount));
}

bool isSplit(int split)
{
    return split >= 0 && split < int(kSplitCount);
}

} // namespace

LibraryFileCommands::LibraryFileCommands(LibraryContext& context) : context_(context) {}

void LibraryFileCommands::savePatch(std::optional<int> entry)
{
    if (!isEntry(entry)) {
        refresh(context_);
        return;
    }
    const auto choice = context_.dialogs.save(
        request(QCoreApplication::translate("LibraryFileCommands", "Save Patch"),
                context_.patchFolder, QString(), saveFilter(), 0, kSuffix));
    const QString name = choice ? syxName(context_, choice->path) : QString();
    if (name.isEmpty()) {
        refresh(context_);
        return;
    }
    const PatchBuffer& source =
        entry ? context_.records.bank[*entry] : context_.records.currentPatch;
    // After a cancelled number dialog patchNumber is -1; the file then
    // carries patch number 0 rather than not being written at all.
    if (write(context_, name, patchSysex(recordOf(source), context_.flags.patchNumber))) {
        context_.patchFolder = folderOf(name);
        emit context_.mainCaptionChanged(mainCaption(fileOf(name)));
    }
    refresh(context_);
}

void LibraryFileCommands::openPatch(std::optional<int> entry)
{
    const auto choice = isEntry(entry)
                            ? context_.dialogs.open(request(
                                  QCoreApplication::translate("LibraryFileCommands", "Open Patch"),
                                  context_.patchFolder, QString(), openPatchFilters(), openFilter_))
                            : std::nullopt;
    if (choice) {
        openFilter_ = choice->filterIndex;
        const bool raw = choice->filterIndex == kRawFilter || hasSuffix(choice->path, "vmp");
        if (entry) {
            openEntry(choice->path, *entry, raw);
        } else if (openAny(choice->path, raw)) {
            // The editor's Open follows what the file holds, as a file named
            // on the command line does: a bank chosen here opens as a bank
            // rather than as its first patch and a note. Either way the next
            // Open starts in this folder.
            context_.patchFolder = folderOf(choice->path);
        }
    }
    refresh(context_);
}

void LibraryFileCommands::openFile(const QString& path)
{
    openAny(path, hasSuffix(path, "vmp"));
    refresh(context_);
}

bool LibraryFileCommands::openAny(const QString& path, bool rawPatch)
{
    SynthRecords& records = context_.records;
    if (hasSuffix(path, "vmb")) {
        if (!openRawBank(path))
            return false;
        context_.bankFolder = folderOf(path);
        emit context_.bankManagerWanted();
        return true;
    }
    if (rawPatch) {
        // The raw file carries the 135th byte too.
        const auto patch = take(context_, readPatchFile(toPath(path)));
        if (!patch)
            return false;
        records.currentPatch = *patch;
        records.compareData = *patch;
    } else {
        SysexLoad load(context_, toPath(path), fileOf(path));
        if (!load.read())
            return false;
        if (load.patchCount() > 1) {
            const auto filled = load.intoBank();
            if (!filled)
                return false;
            context_.bankFolder = folderOf(path);
            showBank(path, *filled);
            emit context_.bankManagerWanted();
            return true;
        }
        const auto record = load.firstPatch(std::nullopt, true);
        if (!record)
            return false;
        // A SysEx message holds bytes 0..133; the 135th byte stays as it was.
        std::ranges::copy(*record, records.currentPatch.begin());
        std::ranges::copy(*record, records.compareData.begin());
    }
    context_.patchFolder = folderOf(path);
    context_.flags.patchLoaded = true;
    emit context_.mainCaptionChanged(mainCaption(fileOf(path)));
    emit context_.patchChanged();
    emit context_.patchSendRequested();
    emit context_.testNoteRequested(false);
    return true;
}

std::optional<std::pair<QString, PatchRecord>> LibraryFileCommands::pickPatch()
{
    const auto choice = context_.dialogs.open(
        request(QCoreApplication::translate("LibraryFileCommands", "Merge With"),
                context_.patchFolder, QString(), openPatchFilters(), openFilter_));
    if (!choice)
        return std::nullopt;
    PatchRecord record{};
    if (choice->filterIndex == kRawFilter || hasSuffix(choice->path, "vmp")) {
        const auto patch = take(context_, readPatchFile(toPath(choice->path)));
        if (!patch)
            return std::nullopt;
        std::copy_n(patch->begin(), kPatchRecordSize, record.begin());
    } else {
        SysexLoad load(context_, toPath(choice->path), fileOf(choice->path));
        const auto first = load.read() ? load.firstPatch(std::nullopt, false) : std::nullopt;
        if (!first)
            return std::nullopt;
        record = *first;
    }
    context_.patchFolder = folderOf(choice->path);
    return std::pair{fileOf(choice->path), record};
}

void LibraryFileCommands::openEntry(const QString& path, int entry, bool raw)
{
    PatchBuffer& target = context_.records.bank[static_cast<std::size_t>(entry)];
    if (raw) {
        const auto patch = take(context_, readPatchFile(toPath(path)));
        if (!patch)
            return;
        target = *patch;
    } else {
        SysexLoad load(context_, toPath(path), fileOf(path));
        const auto record = load.read() ? load.firstPatch(entry, false) : std::nullopt;
        if (!record)
            return;
        std::ranges::copy(*record, target.begin());
    }
    context_.patchFolder = folderOf(path);
    showBank(path, {{entry}, {}}, false);
}

bool LibraryFileCommands::openRawBank(const QString& path)
{
    const auto whole = take(context_, readBankFile(toPath(path)));
    if (!whole)
        return false;
    context_.records.bank = *whole;
    QList<int> all;
    for (int k = 0; k < int(kBankPatchCount); ++k)
        all << k;
    showBank(path, {all, {}});
    return true;
}

void LibraryFileCommands::showBank(const QString& path, const SysexLoad::Filled& filled,
                                   bool caption)
{
    const bool entries = !filled.entries.isEmpty();
    if (entries)
        context_.flags.bankLoaded = true;
    emit context_.recordsFilled(filled.entries, filled.splits);
    emit context_.bankChanged();
    if (entries && caption)
        emit context_.bankCaptionChanged(bankCaption(fileOf(path)));
}

void LibraryFileCommands::saveBank()
{
    const auto choice = context_.dialogs.save(
        request(QCoreApplication::translate("LibraryFileCommands", "Save Bank"),
                context_.bankFolder, kAnySyx, saveFilter(), 0, kSuffix));
    const QString name = choice ? syxName(context_, choice->path) : QString();
    if (!name.isEmpty() && write(context_, name, bankSysex(context_.records.bank))) {
        context_.bankFolder = folderOf(name);
        emit context_.bankCaptionChanged(bankCaption(fileOf(name)));
    }
    refresh(context_);
}

void LibraryFileCommands::openBank()
{
    const auto choice = context_.dialogs.open(
        request(QCoreApplication::translate("LibraryFileCommands", "Open Bank"),
                context_.bankFolder, kAnySyx, openBankFilters(), openFilter_));
    if (choice) {
        openFilter_ = choice->filterIndex;
        // The folder is remembered even when the file then fails to load.
        context_.bankFolder = folderOf(choice->path);
        if (choice->filterIndex == kRawFilter || hasSuffix(choice->path, "vmb")) {
            openRawBank(choice->path);
        } else {
            // Whatever number of patches the file holds goes into the bank,
            // a single one too: this is the bank's command.
            SysexLoad load(context_, toPath(choice->path), fileOf(choice->path));
            if (load.read())
                if (const auto filled = load.intoBank())
                    showBank(choice->path, *filled);
        }
    }
    refresh(context_);
}

void LibraryFileCommands::exportSplit(int split)
{
    if (!isSplit(split)) {
        refresh(context_);
        return;
    }
    const std::vector<Byte> bytes = splitSysex(context_.records.splits[split], split);
    const QString proposed = QStringLiteral("Split%1").arg(split, 2, 10, QLatin1Char('0'));
    const auto choice = context_.dialogs.save(
        request(QCoreApplication::translate("LibraryFileCommands", "Export Split"),
                context_.splitFolder, proposed, exportSplitFilter(), 0, kSuffix));
    if (choice) {
        // A name typed without an extension gets ".syx", as the dialog does.
        QString name = choice->path;
        if (QFileInfo(name).suffix().isEmpty())
            name = syxName(context_, name);
        if (!name.isEmpty()) {
            context_.splitFolder = folderOf(name);
            if (write(context_, name, bytes))
                emit context_.mainCaptionChanged(mainCaption(fileOf(name)));
        }
    }
    refresh(context_);
}

void LibraryFileCommands::importSplit(int split)
{
    const auto choice =
        isSplit(split) ? context_.dialogs.open(request(
                             QCoreApplication::translate("LibraryFileCommands", "Import Split"),
                             context_.splitFolder, kAnySyx, importSplitFilter(), openFilter_))
                       : std::nullopt;
    if (choice) {
        openFilter_ = choice->filterIndex;
        context_.splitFolder = folderOf(choice->path);
        SysexLoad load(context_, toPath(choice->path), fileOf(choice->path));
        if (load.read() && load.intoSplit(split)) {
            emit context_.recordsFilled({}, {split});
            emit context_.bankChanged();
        }
    }
    refresh(context_);
}

} // namespace velmora::library
