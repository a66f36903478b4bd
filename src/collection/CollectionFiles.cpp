#include "collection/CollectionFiles.h"

#include "library/SysexFiles.h"
#include "protocol/PatchName.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <set>

namespace velmora::collection {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const QString& path)
{
    return fs::path(path.toStdU16String());
}

QString textOf(const fs::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

QString suffixOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower();
}

// Every file with an import extension under `folder`, links followed; a
// folder already visited (a link back up the tree) is not entered again.
void collectFolder(const fs::path& folder, std::set<fs::path>& visited, QStringList& files)
{
    std::error_code ec;
    const fs::path canonical = fs::canonical(folder, ec);
    if (ec || !visited.insert(canonical).second)
        return;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        if (fs::is_directory(entry, ec))
            collectFolder(entry, visited, files);
        else if (fs::is_regular_file(entry, ec) && hasImportExtension(textOf(entry)))
            files << textOf(entry);
    }
}

// What a record's name says of its instrument: 6-bit bytes are a
// Matrix-6's, the placeholder a Matrix-1000's.
PatchModel modelOfName(const PatchRecord& record)
{
    const auto name = std::span<const Byte>(record).first(kPatchNameLength);
    if (std::any_of(name.begin(), name.end(), [](Byte b) { return b < 32; }))
        return PatchModel::Matrix6;
    if (isPlaceholderName(name))
        return PatchModel::Matrix1000;
    return PatchModel::Either;
}

PatchRecord recordOfBuffer(const PatchBuffer& buffer)
{
    PatchRecord record{};
    std::copy_n(buffer.begin(), kPatchRecordSize, record.begin());
    return record;
}

QString plural(int count, const char* one, const char* many)
{
    return count == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(count);
}

std::vector<PatchRecord> recordsOf(const PatchCollection& collection, std::span<const PatchId> ids,
                                   QString& error)
{
    std::vector<PatchRecord> records;
    records.reserve(ids.size());
    for (PatchId id : ids) {
        auto record = collection.record(id);
        if (!record) {
            error = QStringLiteral("A patch chosen for export is no longer in the library.");
            return {};
        }
        records.push_back(*record);
    }
    return records;
}

QString writeBytes(const QString& file, const std::vector<Byte>& bytes)
{
    if (auto failure = library::writeFileAtomically(pathOf(file), bytes))
        return QString::fromStdString(*failure);
    return {};
}

} // namespace

bool hasImportExtension(const QString& path)
{
    static const QStringList extensions = {QStringLiteral("syx"), QStringLiteral("mid"),
                                           QStringLiteral("midi"), QStringLiteral("vmp"),
                                           QStringLiteral("vmb")};
    return extensions.contains(suffixOf(path));
}

QStringList importFiles(const QStringList& paths)
{
    QStringList files;
    std::set<fs::path> visited;
    for (const QString& path : paths) {
        std::error_code ec;
        const fs::path p = pathOf(path);
        if (fs::is_directory(p, ec))
            collectFolder(p, visited, files);
        else if (fs::exists(p, ec))
            files << path;
    }
    // A file named twice, or named and found in a folder, is read once.
    QStringList unique;
    std::set<fs::path> seen;
    for (const QString& file : files) {
        std::error_code ec;
        fs::path canonical = fs::canonical(pathOf(file), ec);
        if (ec)
            canonical = pathOf(file);
        if (seen.insert(canonical).second)
            unique << file;
    }
    return unique;
}

FilePatches readImportFile(const QString& path)
{
    FilePatches result;
    const QString source = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QString suffix = suffixOf(path);
    const auto add = [&](const PatchRecord& record, PatchModel fileModel) {
        const PatchModel model = fileModel != PatchModel::Either ? fileModel : modelOfName(record);
        result.patches.push_back({record, source, model});
    };

    if (suffix == QStringLiteral("vmp")) {
        auto loaded = library::readPatchFile(pathOf(path));
        if (auto* error = std::get_if<std::string>(&loaded))
            result.error = QString::fromStdString(*error);
        else
            add(recordOfBuffer(std::get<PatchBuffer>(loaded)), PatchModel::Either);
        return result;
    }
    if (suffix == QStringLiteral("vmb")) {
        auto loaded = library::readBankFile(pathOf(path));
        if (auto* error = std::get_if<std::string>(&loaded)) {
            result.error = QString::fromStdString(*error);
            return result;
        }
        for (const PatchBuffer& buffer : std::get<library::Bank>(loaded))
            add(recordOfBuffer(buffer), PatchModel::Either);
        return result;
    }

    auto loaded = library::readSysexFile(pathOf(path));
    if (auto* error = std::get_if<std::string>(&loaded)) {
        result.error = QString::fromStdString(*error);
        return result;
    }
    const library::SysexFile& file = std::get<library::SysexFile>(loaded);
    PatchModel fileModel = PatchModel::Either;
    if (file.contents.global)
        fileModel = file.contents.global->kind == SysexKind::Master6 ? PatchModel::Matrix6
                                                                     : PatchModel::Matrix1000;
    for (const ReadMessage& message : file.contents.patches) {
        PatchRecord record{};
        if (unpackBlock(message.bytes(file.data), record) != UnpackStatus::Ok) {
            ++result.badChecksums;
            continue;
        }
        add(record, fileModel);
    }
    return result;
}

ImportResult importPaths(PatchCollection& collection, const QStringList& paths,
                         const ImportProgress& progress)
{
    ImportResult result;
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path))
            result.problems.push_back(
                {path, QStringLiteral("There is no file or folder by that name.")});
    }
    const QString reading = QStringLiteral("Reading files");
    const QStringList files = importFiles(paths);
    const int total = static_cast<int>(files.size());
    std::vector<IncomingPatch> patches;
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(reading, i, total)) {
            result.summary.cancelled = true;
            return result;
        }
        FilePatches read = readImportFile(files[i]);
        ++result.files;
        const QString shown = QDir::toNativeSeparators(files[i]);
        if (!read.error.isEmpty()) {
            result.problems.push_back({shown, read.error});
            continue;
        }
        if (read.badChecksums > 0)
            result.problems.push_back(
                {shown, plural(read.badChecksums, "1 patch with a wrong checksum was left out.",
                               "%1 patches with a wrong checksum were left out.")});
        else if (read.patches.empty())
            result.problems.push_back({shown, QStringLiteral("There are no patches in it.")});
        patches.insert(patches.end(), std::make_move_iterator(read.patches.begin()),
                       std::make_move_iterator(read.patches.end()));
    }
    if (progress && !progress(reading, total, total)) {
        result.summary.cancelled = true;
        return result;
    }
    const QString adding = QStringLiteral("Adding to the library");
    AddProgress addProgress;
    if (progress)
        addProgress = [&](int done, int all) { return progress(adding, done, all); };
    result.summary = collection.add(patches, addProgress);
    if (result.summary.cancelled)
        result.error = collection.lastError();
    return result;
}

QString exportBank(const PatchCollection& collection, std::span<const PatchId> ids,
                   const QString& file)
{
    if (ids.size() > kBankPatchCount)
        return QStringLiteral("A bank holds at most 100 patches; %1 were chosen.").arg(ids.size());
    if (ids.empty())
        return QStringLiteral("No patches were chosen for the bank.");
    QString error;
    const auto records = recordsOf(collection, ids, error);
    if (!error.isEmpty())
        return error;
    std::vector<Byte> bytes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto message = library::patchSysex(records[i], static_cast<int>(i));
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return writeBytes(file, bytes);
}

QString exportMessages(const PatchCollection& collection, std::span<const PatchId> ids,
                       const QString& file)
{
    if (ids.empty())
        return QStringLiteral("No patches were chosen.");
    QString error;
    const auto records = recordsOf(collection, ids, error);
    if (!error.isEmpty())
        return error;
    std::vector<Byte> bytes;
    bytes.reserve(records.size() * kPatchMessageSize);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto message = library::patchSysex(records[i], static_cast<int>(i % kBankPatchCount));
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return writeBytes(file, bytes);
}

QString safeFileName(const QString& name)
{
    QString safe;
    for (QChar c : name) {
        const bool forbidden = c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c);
        safe += forbidden ? QChar(u'_') : c;
    }
    safe = safe.trimmed();
    while (safe.endsWith(u'.') || safe.endsWith(u' '))
        safe.chop(1);
    while (safe.startsWith(u'.'))
        safe.remove(0, 1);
    return safe.isEmpty() ? QStringLiteral("Patch") : safe;
}

SinglesResult exportSingles(const PatchCollection& collection, std::span<const PatchId> ids,
                            const QString& folder)
{
    SinglesResult result;
    if (!QDir().mkpath(folder)) {
        result.error =
            QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    const QDir dir(folder);
    QStringList taken; // in lower case: names differing only in case clash on some systems
    for (PatchId id : ids) {
        const auto row = collection.row(id);
        const auto record = collection.record(id);
        if (!row || !record) {
            result.error = QStringLiteral("A patch chosen for export is no longer in the library.");
            return result;
        }
        const QString stem = safeFileName(row->name);
        QString name = stem + QStringLiteral(".syx");
        for (int n = 2; taken.contains(name.toLower()) || dir.exists(name); ++n)
            name = QStringLiteral("%1 (%2).syx").arg(stem).arg(n);
        taken << name.toLower();
        const QString file = dir.filePath(name);
        const QString error = writeBytes(file, library::patchSysex(*record, 0));
        if (!error.isEmpty()) {
            result.error = error;
            return result;
        }
        result.written << file;
    }
    return result;
}

} // namespace velmora::collection
