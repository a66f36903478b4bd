#include "library/LibraryFileCommands.h"

#include "library/SysexFiles.h"

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
                                       "SysEx Files (*.syx);;Velmora Patch Files (*.vmp)");
}
QString openBankFilters()
{
    return QCoreApplication::translate("LibraryFileCommands",
                                       "SysEx Files (*.syx);;Velmora Bank Files (*.vmb)");
}
QString exportSplitFilter()
{
    return QCoreApplication::translate("LibraryFileCommands", "SysEx (*.syx)");
}
QString importSplitFilter()
{
    return QCoreApplication::translate("LibraryFileCommands", "SysEx Files (*.syx)");
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
    if (!choice) {
        refresh(context_);
        return;
    }
    openFilter_ = choice->filterIndex;
    SynthRecords& records = context_.records;
    PatchBuffer& target = entry ? records.bank[*entry] : records.currentPatch;
    if (choice->filterIndex == kRawFilter) {
        // The raw file carries the 135th byte too.
        const auto patch = take(context_, readPatchFile(toPath(choice->path)));
        if (!patch) {
            refresh(context_);
            return;
        }
        target = *patch;
        if (!entry)
            records.compareData = *patch;
    } else {
        // A SysEx message holds bytes 0..133; the 135th byte stays as it was.
        const auto record = take(context_, readPatchSysex(toPath(choice->path)));
        if (!record) {
            refresh(context_);
            return;
        }
        std::copy(record->begin(), record->end(), target.begin());
        if (!entry)
            std::copy(record->begin(), record->end(), records.compareData.begin());
    }
    context_.patchFolder = folderOf(choice->path);
    if (entry) {
        context_.flags.bankLoaded = true;
        emit context_.bankChanged();
    } else {
        context_.flags.patchLoaded = true;
        emit context_.mainCaptionChanged(mainCaption(fileOf(choice->path)));
        emit context_.patchChanged();
        emit context_.patchSendRequested();
        emit context_.testNoteRequested(false);
    }
    refresh(context_);
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
        auto& bank = context_.records.bank;
        bool loaded = false;
        if (choice->filterIndex == kRawFilter) {
            if (const auto whole = take(context_, readBankFile(toPath(choice->path)))) {
                bank = *whole;
                loaded = true;
            }
        } else if (const auto records = take(context_, readBankSysex(toPath(choice->path)))) {
            for (std::size_t k = 0; k < kBankPatchCount; ++k)
                std::copy((*records)[k].begin(), (*records)[k].end(), bank[k].begin());
            loaded = true;
        }
        if (loaded) {
            context_.flags.bankLoaded = true;
            emit context_.bankChanged();
            emit context_.bankCaptionChanged(bankCaption(fileOf(choice->path)));
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
        if (const auto record = take(context_, readSplitSysex(toPath(choice->path)))) {
            context_.records.splits[split] = *record;
            emit context_.bankChanged();
        }
    }
    refresh(context_);
}

} // namespace velmora::library
