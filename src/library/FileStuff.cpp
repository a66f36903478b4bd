#include "FileStuff.h"

#include "SysexFiles.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <type_traits>

namespace velmora::library {
namespace {

const QString kSaveFilter = QStringLiteral("SysEx File (*.syx)");
const QString kOpenPatchFilters =
    QStringLiteral("SysEx Files (*.syx);;Velmora Patch Files (*.vmp)");
const QString kOpenBankFilters = QStringLiteral("SysEx Files (*.syx);;Velmora Bank Files (*.vmb)");
const QString kExportSplitFilter = QStringLiteral("SysEx (*.syx)");
const QString kImportSplitFilter = QStringLiteral("SysEx Files (*.syx)");
const QString kAnySyx = QStringLiteral("*.syx");
const QString kSuffix = QStringLiteral("syx");
// The open dialogs' second filter: the raw formats.
constexpr int kRawFilter = 1;

std::filesystem::path ToPath(const QString& name)
{
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

QString FolderOf(const QString& name)
{
    return QString::fromStdString(FolderPart(name.toStdString()));
}

QString FileOf(const QString& name)
{
    return QString::fromStdString(FilePart(name.toStdString()));
}

template <typename... Args>
void Call(const std::function<void(Args...)>& callback, std::type_identity_t<Args>... args)
{
    if (callback)
        callback(args...);
}

void Refresh(LibraryContext& context)
{
    Call(context.enableButtons);
}

void ShowError(LibraryContext& context, const std::string& message)
{
    Call(context.showError, QString::fromStdString(message));
}

// ".syx" appended as the save commands do; when that names a file the save
// dialog did not ask about, the user is asked now. Empty when declined.
QString SyxName(LibraryContext& context, const QString& chosen)
{
    const QString name = QString::fromStdString(WithSyxExtension(chosen.toStdString()));
    if (name != chosen && QFileInfo::exists(name) && !context.dialogs.ConfirmReplace(name))
        return {};
    return name;
}

bool Write(LibraryContext& context, const QString& name, std::span<const Byte> bytes)
{
    if (const auto error = WriteFileAtomically(ToPath(name), bytes)) {
        ShowError(context, *error);
        return false;
    }
    return true;
}

// The loaded value, or nothing after the message was shown.
template <typename T> std::optional<T> Take(LibraryContext& context, const Loaded<T>& loaded)
{
    if (const auto error = std::get_if<std::string>(&loaded)) {
        ShowError(context, *error);
        return std::nullopt;
    }
    return std::get<T>(loaded);
}

FileRequest Request(const QString& caption, const QString& folder, const QString& fileName,
                    const QString& filters, int filterIndex, const QString& suffix = {})
{
    return {caption, folder, fileName, filters, filterIndex, suffix};
}

bool IsEntry(std::optional<int> entry)
{
    return !entry || (*entry >= 0 && *entry < int(kBankPatchCount));
}

bool IsSplit(int split)
{
    return split >= 0 && split < int(kSplitCount);
}

} // namespace

FileStuff::FileStuff(LibraryContext& context) : context_(context) {}

void FileStuff::SavePatch(std::optional<int> entry)
{
    if (!IsEntry(entry)) {
        Refresh(context_);
        return;
    }
    const auto choice = context_.dialogs.Save(Request(
        QStringLiteral("Save Patch"), context_.patchFolder, QString(), kSaveFilter, 0, kSuffix));
    const QString name = choice ? SyxName(context_, choice->path) : QString();
    if (name.isEmpty()) {
        Refresh(context_);
        return;
    }
    const PatchBuffer& source =
        entry ? context_.records.Bank[*entry] : context_.records.CurrentPatch;
    // After a cancelled number dialog PatchNumber is -1; the file then
    // carries patch number 0 rather than not being written at all.
    if (Write(context_, name, PatchSysex(RecordOf(source), context_.flags.PatchNumber))) {
        context_.patchFolder = FolderOf(name);
        Call(context_.setMainCaption, FileOf(name) + " - Velmora");
    }
    Refresh(context_);
}

void FileStuff::OpenPatch(std::optional<int> entry)
{
    const auto choice =
        IsEntry(entry)
            ? context_.dialogs.Open(Request(QStringLiteral("Open Patch"), context_.patchFolder,
                                            QString(), kOpenPatchFilters, openFilter_))
            : std::nullopt;
    if (!choice) {
        Refresh(context_);
        return;
    }
    openFilter_ = choice->filterIndex;
    SynthRecords& records = context_.records;
    PatchBuffer& target = entry ? records.Bank[*entry] : records.CurrentPatch;
    if (choice->filterIndex == kRawFilter) {
        // The raw file carries the 135th byte too.
        const auto patch = Take(context_, ReadPatchFile(ToPath(choice->path)));
        if (!patch) {
            Refresh(context_);
            return;
        }
        target = *patch;
        if (!entry)
            records.CompareData = *patch;
    } else {
        // A SysEx message holds bytes 0..133; the 135th byte stays as it was.
        const auto record = Take(context_, ReadPatchSysex(ToPath(choice->path)));
        if (!record) {
            Refresh(context_);
            return;
        }
        std::copy(record->begin(), record->end(), target.begin());
        if (!entry)
            std::copy(record->begin(), record->end(), records.CompareData.begin());
    }
    context_.patchFolder = FolderOf(choice->path);
    if (entry) {
        context_.flags.BankLoaded = true;
        Call(context_.updateBankGrid);
    } else {
        context_.flags.PatchLoaded = true;
        Call(context_.setMainCaption, FileOf(choice->path) + " - Velmora");
        Call(context_.initControls);
        Call(context_.sendPatch);
        Call(context_.playNote, false);
    }
    Refresh(context_);
}

void FileStuff::SaveBank()
{
    const auto choice = context_.dialogs.Save(Request(
        QStringLiteral("Save Bank"), context_.bankFolder, kAnySyx, kSaveFilter, 0, kSuffix));
    const QString name = choice ? SyxName(context_, choice->path) : QString();
    if (!name.isEmpty() && Write(context_, name, BankSysex(context_.records.Bank))) {
        context_.bankFolder = FolderOf(name);
        Call(context_.setBankCaption, FileOf(name) + " - Bank Manager");
    }
    Refresh(context_);
}

void FileStuff::OpenBank()
{
    const auto choice = context_.dialogs.Open(Request(
        QStringLiteral("Open Bank"), context_.bankFolder, kAnySyx, kOpenBankFilters, openFilter_));
    if (choice) {
        openFilter_ = choice->filterIndex;
        // The folder is remembered even when the file then fails to load.
        context_.bankFolder = FolderOf(choice->path);
        auto& bank = context_.records.Bank;
        bool loaded = false;
        if (choice->filterIndex == kRawFilter) {
            if (const auto whole = Take(context_, ReadBankFile(ToPath(choice->path)))) {
                bank = *whole;
                loaded = true;
            }
        } else if (const auto records = Take(context_, ReadBankSysex(ToPath(choice->path)))) {
            for (std::size_t k = 0; k < kBankPatchCount; ++k)
                std::copy((*records)[k].begin(), (*records)[k].end(), bank[k].begin());
            loaded = true;
        }
        if (loaded) {
            context_.flags.BankLoaded = true;
            Call(context_.updateBankGrid);
            Call(context_.setBankCaption, FileOf(choice->path) + " - Bank Manager");
        }
    }
    Refresh(context_);
}

void FileStuff::ExportSplit(int split)
{
    if (!IsSplit(split)) {
        Refresh(context_);
        return;
    }
    const std::vector<Byte> bytes = SplitSysex(context_.records.Splits[split], split);
    const QString proposed = QStringLiteral("Split%1").arg(split, 2, 10, QLatin1Char('0'));
    const auto choice =
        context_.dialogs.Save(Request(QStringLiteral("Export Split"), context_.splitFolder,
                                      proposed, kExportSplitFilter, 0, kSuffix));
    if (choice) {
        // A name typed without an extension gets ".syx", as the dialog does.
        QString name = choice->path;
        if (QFileInfo(name).suffix().isEmpty())
            name = SyxName(context_, name);
        if (!name.isEmpty()) {
            context_.splitFolder = FolderOf(name);
            if (Write(context_, name, bytes))
                Call(context_.setMainCaption, FileOf(name) + " - Velmora");
        }
    }
    Refresh(context_);
}

void FileStuff::ImportSplit(int split)
{
    const auto choice =
        IsSplit(split)
            ? context_.dialogs.Open(Request(QStringLiteral("Import Split"), context_.splitFolder,
                                            kAnySyx, kImportSplitFilter, openFilter_))
            : std::nullopt;
    if (choice) {
        openFilter_ = choice->filterIndex;
        context_.splitFolder = FolderOf(choice->path);
        if (const auto record = Take(context_, ReadSplitSysex(ToPath(choice->path)))) {
            context_.records.Splits[split] = *record;
            Call(context_.updateBankGrid);
        }
    }
    Refresh(context_);
}

} // namespace velmora::library
