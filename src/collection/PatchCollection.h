// The patch library: every patch the user owns in one SQLite database,
// each stored once. A patch is known by its content, the 126 data bytes
// after the name; a second copy of the same content adds its name and
// source as an alias instead of a second patch. Both the program's window
// and velmora-syx open the same file: the database runs in WAL mode with a
// busy timeout, so one can read while the other writes and a writer waits
// for the other instead of failing.
//
// Every change is one transaction: an import that is cancelled, fails or is
// killed leaves the database as it was. The file carries a schema version;
// a file from a newer program is refused and never altered, and a file that
// is damaged is moved aside (its new name told) and a new one started.
//
// Qt Core and Qt SQL only: no widgets, so the command line uses it too. An
// object is used from the thread that opened it, as Qt's SQL connections
// must be; a second thread opens one of its own.
#pragma once

#include "protocol/PatchRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace velmora::collection {

using PatchId = std::int64_t;

// Which instrument a patch came from, as far as its source tells: a file
// with a Matrix-6 master record or 6-bit name bytes is a Matrix-6 one, a
// file with a Matrix-1000 global record or the Matrix-1000's "BNKb: nn"
// names a Matrix-1000 one; anything else is either. Stored as these numbers.
enum class PatchModel : int
{
    Either = 0,
    Matrix1000 = 1,
    Matrix6 = 2,
};
QString modelText(PatchModel model); // "Matrix-1000", "Matrix-6", "Either"

// A patch on its way in: its record as it stands (name bytes included),
// where it came from ("/home/ann/banks/brass.syx", "Matrix-1000 bank 2
// download", "Velmora editor") and its model.
struct IncomingPatch
{
    PatchRecord record{};
    QString source;
    PatchModel model = PatchModel::Either;
};

// One library patch as the window shows it.
struct PatchRow
{
    PatchId id = 0;
    QString name; // the library's name: shown, searched, saved in files
    PatchModel model = PatchModel::Either;
    QString source; // where it was first read from
    QDateTime added;
    bool favourite = false;
    bool hidden = false;
    QStringList tags;
    QString comment;
    int aliases = 0; // other names and sources the same content came under
};

struct Alias
{
    QString name;
    QString source;
    QDateTime added;
};

enum class SortColumn
{
    Name,
    Model,
    Source,
    Added,
    Favourite,
};

// What the window (or `library list --search`) asks for. `text` matches,
// without regard to case, anywhere in the name, the tags or the comment;
// every other field narrows further.
struct Query
{
    QString text;
    std::optional<PatchModel> model;
    bool favouritesOnly = false;
    QString tag; // empty: any
    bool includeHidden = false;
    SortColumn sort = SortColumn::Name;
    bool descending = false;
};

// How an import or an add went: "412 patches read: 380 new, 32 already in
// the library".
struct AddSummary
{
    int read = 0;           // patches offered
    int added = 0;          // new content
    int known = 0;          // content already there (or twice in this import)
    bool cancelled = false; // nothing of it was kept
    QString sentence() const;
};

// Progress of a long add: called now and then; returning false cancels it.
using AddProgress = std::function<bool(int done, int total)>;

// A patch that differs from another in few data bytes.
struct SimilarPatch
{
    PatchId id = 0;
    int differences = 0; // data bytes that differ (names never count)
};

// A name the library knows for a patch's content.
struct KnownName
{
    PatchId id = 0;
    QString name;   // never an instrument placeholder
    QString source; // where that name came from
};

class PatchCollection
{
public:
    // Why open() gave no collection: the message tells the user what
    // happened in plain words. A damaged file is not a failure: it is moved
    // aside and a new database started (see movedAside()).
    struct OpenFailure
    {
        QString message;
    };

    static std::variant<std::unique_ptr<PatchCollection>, OpenFailure> open(const QString& path);
    ~PatchCollection();
    PatchCollection(const PatchCollection&) = delete;
    PatchCollection& operator=(const PatchCollection&) = delete;

    QString path() const;
    // When the file found at open was damaged: the name it was moved to.
    QString movedAside() const;

    // Adds patches in one transaction. Content already stored adds the name
    // and source as an alias (an instrument placeholder name adds none).
    // Cancelled through `progress`, or failing, it keeps nothing. A failure
    // leaves the message in lastError() and returns a summary with
    // cancelled set.
    AddSummary add(std::span<const IncomingPatch> patches, const AddProgress& progress = {});

    int count(bool includeHidden = true) const;
    // The ids matching `query`, sorted as it asks: fast enough to run on
    // every keystroke over 100,000 patches. What it looks at is held in
    // memory (about 20 MB for 100,000 patches), read at the first search
    // and again after another connection changed the file.
    std::vector<PatchId> search(const Query& query) const;
    // The rows of `ids`, in that order (ids no longer there are left out).
    std::vector<PatchRow> rows(std::span<const PatchId> ids) const;
    std::optional<PatchRow> row(PatchId id) const;
    // The record with the library's name in its name bytes (the bytes as
    // first read when the name was never changed).
    std::optional<PatchRecord> record(PatchId id) const;
    std::vector<Alias> aliases(PatchId id) const;
    QStringList allTags() const;

    bool setFavourite(std::span<const PatchId> ids, bool favourite);
    bool setHidden(std::span<const PatchId> ids, bool hidden);
    // A new name: shown and saved from now on; the name bytes become the
    // name as the instrument can hold it; the old name stays as an alias.
    bool rename(PatchId id, const QString& name);
    bool setTags(PatchId id, const QStringList& tags);
    bool setComment(PatchId id, const QString& comment);
    bool remove(std::span<const PatchId> ids);

    // The id of the patch with this content, if stored.
    std::optional<PatchId> find(std::span<const Byte, kPatchRecordSize> record) const;
    // A real name for a record that arrived with a placeholder name: the
    // library name of its content, else the newest alias that is not a
    // placeholder; nothing when the content is unknown or has no real name.
    std::optional<KnownName> knownName(std::span<const Byte, kPatchRecordSize> record) const;
    // Records the name a user gave a patch in Velmora: its content gets the
    // name (added to the library from `source` when new).
    bool recordName(std::span<const Byte, kPatchRecordSize> record, const QString& name,
                    const QString& source);

    // The patches differing from `id` in at most `maxDifferences` data
    // bytes, closest first, at most `limit`.
    std::vector<SimilarPatch> similar(PatchId id, int maxDifferences = 8,
                                      std::size_t limit = 100) const;

    // The message of the last failed call, "" after a success.
    QString lastError() const;

private:
    struct Impl;
    explicit PatchCollection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The file the program and velmora-syx share: "library.sqlite" beside the
// program in a portable install, else in the per-user data folder.
QString defaultCollectionPath();

} // namespace velmora::collection
