#include "velmora-syx/LibraryCommand.h"

#include "collection/CollectionFiles.h"
#include "collection/PatchCollection.h"
#include "velmora-syx/SyxCommand.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iomanip>
#include <memory>

namespace velmora::syx {

namespace {

using collection::PatchCollection;

struct LibraryOptions
{
    std::string command;
    std::string library;
    std::string search;
    bool searchGiven = false;
    bool json = false;
    std::vector<std::string> files;
};

std::string text(const QString& s)
{
    return s.toStdString();
}

QString qtext(const std::string& s)
{
    return QString::fromStdString(s);
}

std::unique_ptr<PatchCollection> openLibrary(const LibraryOptions& options, std::ostream& err)
{
    const QString path =
        options.library.empty() ? collection::defaultCollectionPath() : qtext(options.library);
    auto opened = PatchCollection::open(path);
    if (auto* failure = std::get_if<PatchCollection::OpenFailure>(&opened)) {
        err << "velmora-syx library: " << text(failure->message) << '\n';
        return nullptr;
    }
    auto library = std::move(std::get<std::unique_ptr<PatchCollection>>(opened));
    if (!library->movedAside().isEmpty())
        err << "velmora-syx library: the library file " << text(QDir::toNativeSeparators(path))
            << " was damaged; it was moved aside to "
            << text(QDir::toNativeSeparators(library->movedAside()))
            << " and a new library was started\n";
    return library;
}

collection::Query queryOf(const LibraryOptions& options)
{
    collection::Query query;
    query.text = qtext(options.search);
    return query;
}

int runImport(const LibraryOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.files.empty()) {
        err << "velmora-syx library import: name at least one file or folder\n";
        return kExitUsage;
    }
    auto library = openLibrary(options, err);
    if (!library)
        return kExitBadData;
    QStringList paths;
    for (const std::string& file : options.files)
        paths << qtext(file);
    bool announced = false;
    const auto progress = [&](const QString& phase, int done, int total) {
        // Said once before the patches go in, so that a long import shows
        // what it is doing.
        if (!announced && phase == QStringLiteral("Adding to the library")) {
            err << "velmora-syx library: adding " << total << (total == 1 ? " patch" : " patches")
                << " to " << text(QDir::toNativeSeparators(library->path())) << '\n'
                << std::flush;
            announced = true;
        }
        (void)done;
        return true;
    };
    const collection::ImportResult result = collection::importPaths(*library, paths, progress);
    for (const collection::FileProblem& problem : result.problems)
        err << text(problem.file) << ": " << text(problem.message) << '\n';
    if (!result.error.isEmpty()) {
        err << "velmora-syx library: nothing was imported: " << text(result.error) << '\n';
        return kExitBadData;
    }
    out << text(result.summary.sentence()) << " (" << result.files
        << (result.files == 1 ? " file)\n" : " files)\n");
    return result.problems.empty() ? kExitOk : kExitBadData;
}

int runList(const LibraryOptions& options, std::ostream& out, std::ostream& err)
{
    if (!options.files.empty()) {
        err << "velmora-syx library list: unexpected argument " << options.files.front() << '\n';
        return kExitUsage;
    }
    auto library = openLibrary(options, err);
    if (!library)
        return kExitBadData;
    const auto ids = library->search(queryOf(options));
    if (!library->lastError().isEmpty()) {
        err << "velmora-syx library: " << text(library->lastError()) << '\n';
        return kExitBadData;
    }
    const auto rows = library->rows(ids);
    if (options.json) {
        QJsonArray patches;
        for (const collection::PatchRow& row : rows) {
            QJsonObject patch;
            patch[QStringLiteral("id")] = static_cast<qint64>(row.id);
            patch[QStringLiteral("name")] = row.name;
            patch[QStringLiteral("model")] = collection::modelText(row.model);
            patch[QStringLiteral("source")] = row.source;
            patch[QStringLiteral("added")] = row.added.toUTC().toString(Qt::ISODate);
            patch[QStringLiteral("favourite")] = row.favourite;
            patch[QStringLiteral("tags")] = QJsonArray::fromStringList(row.tags);
            patch[QStringLiteral("comment")] = row.comment;
            patch[QStringLiteral("aliases")] = row.aliases;
            patches.append(patch);
        }
        QJsonObject document;
        document[QStringLiteral("library")] = QDir::toNativeSeparators(library->path());
        document[QStringLiteral("count")] = static_cast<int>(rows.size());
        document[QStringLiteral("patches")] = patches;
        out << QJsonDocument(document).toJson(QJsonDocument::Compact).toStdString() << '\n';
        return kExitOk;
    }
    out << "      id  name        model        added             source\n";
    for (const collection::PatchRow& row : rows)
        out << std::setw(8) << row.id << "  " << std::left << std::setw(10) << text(row.name)
            << "  " << std::setw(11) << text(collection::modelText(row.model)) << "  "
            << text(row.added.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))) << "  "
            << text(row.source) << std::right << '\n';
    out << rows.size() << (rows.size() == 1 ? " patch" : " patches");
    if (options.searchGiven)
        out << " match \"" << options.search << "\"";
    out << " (" << library->count() << " in the library)\n";
    return kExitOk;
}

int runExport(const LibraryOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.files.size() != 1) {
        err << "velmora-syx library export: name one file to write\n";
        return kExitUsage;
    }
    auto library = openLibrary(options, err);
    if (!library)
        return kExitBadData;
    const auto ids = library->search(queryOf(options));
    if (ids.empty()) {
        err << "velmora-syx library export: "
            << (options.searchGiven ? "no patch matches \"" + options.search + "\""
                                    : std::string("the library has no patches"))
            << "; nothing was written\n";
        return kExitBadData;
    }
    const QString file = qtext(options.files.front());
    const bool bank = ids.size() <= kBankPatchCount;
    const QString error = bank ? collection::exportBank(*library, ids, file)
                               : collection::exportMessages(*library, ids, file);
    if (!error.isEmpty()) {
        err << "velmora-syx library export: " << text(error) << '\n';
        return kExitBadData;
    }
    if (bank)
        out << "wrote a bank of " << ids.size() << (ids.size() == 1 ? " patch" : " patches")
            << " to " << options.files.front() << '\n';
    else
        out << "wrote " << ids.size() << " patch messages to " << options.files.front()
            << " (more than a bank's 100: one file of single patches, not a bank)\n";
    return kExitOk;
}

} // namespace

int runLibrary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    LibraryOptions options;
    if (args.size() < 2) {
        err << "velmora-syx library: name import, list or export\n" << kUsage;
        return kExitUsage;
    }
    options.command = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--library" || arg == "--search") {
            if (i + 1 >= args.size()) {
                err << "velmora-syx library: " << arg
                    << (arg == "--library" ? " needs a file\n" : " needs a text\n");
                return kExitUsage;
            }
            (arg == "--library" ? options.library : options.search) = args[++i];
            options.searchGiven = options.searchGiven || arg == "--search";
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "velmora-syx library: unknown option " << arg << "\n" << kUsage;
            return kExitUsage;
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.command == "import")
        return runImport(options, out, err);
    if (options.command == "list")
        return runList(options, out, err);
    if (options.command == "export")
        return runExport(options, out, err);
    err << "velmora-syx library: unknown command " << options.command << "\n" << kUsage;
    return kExitUsage;
}

} // namespace velmora::syx
