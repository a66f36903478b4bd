#include "collection/PatchCollection.h"

#include "app/AppPaths.h"
#include "protocol/PatchName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>

namespace velmora::collection {

namespace {

// The schema this program writes. A file with a higher user_version comes
// from a newer program and is refused untouched.
constexpr int kSchemaVersion = 1;
// A writer waits this long for another connection's transaction.
constexpr int kBusyTimeoutMs = 10000;

constexpr std::size_t kContentOffset = kPatchNameLength;
constexpr std::size_t kContentSize = kPatchRecordSize - kPatchNameLength;

// SQLite's result codes that say the file is no database or a damaged one.
const QString kNotADatabase = QStringLiteral("26");
const QString kCorrupt = QStringLiteral("11");

// The patches table holds what is shown and searched, narrow so that a
// search scans little; the record bytes live in their own table. The search
// column is the name, tags and comment in lower case, matched with instr().
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS patches ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " name_key TEXT NOT NULL,"
    " name_source TEXT NOT NULL,"
    " model INTEGER NOT NULL,"
    " source TEXT NOT NULL,"
    " added INTEGER NOT NULL,"
    " favourite INTEGER NOT NULL DEFAULT 0,"
    " hidden INTEGER NOT NULL DEFAULT 0,"
    " tags TEXT NOT NULL DEFAULT '',"
    " comment TEXT NOT NULL DEFAULT '',"
    " search TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS records ("
    " patch INTEGER PRIMARY KEY,"
    " content BLOB NOT NULL UNIQUE,"
    " record BLOB NOT NULL)",
    "CREATE TABLE IF NOT EXISTS aliases ("
    " id INTEGER PRIMARY KEY,"
    " patch INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " source TEXT NOT NULL,"
    " added INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS aliases_by_patch ON aliases(patch)",
    "CREATE TABLE IF NOT EXISTS tags ("
    " patch INTEGER NOT NULL,"
    " tag TEXT NOT NULL COLLATE NOCASE,"
    " PRIMARY KEY (patch, tag)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS tags_by_tag ON tags(tag)",
    // One index per sort order, holding the columns a search filters on, so
    // that a search reads the index alone, already in order.
    "CREATE INDEX IF NOT EXISTS patches_by_name"
    " ON patches(name_key, id, search, hidden, favourite, model)",
    "CREATE INDEX IF NOT EXISTS patches_by_model"
    " ON patches(model, name_key, id, search, hidden, favourite)",
    "CREATE INDEX IF NOT EXISTS patches_by_source ON patches(source, name_key, id)",
    "CREATE INDEX IF NOT EXISTS patches_by_added ON patches(added, id)",
    "CREATE INDEX IF NOT EXISTS patches_by_favourite ON patches(favourite, name_key, id)",
};

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("velmora-collection-%1").arg(++counter);
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QByteArray contentOf(std::span<const Byte, kPatchRecordSize> record)
{
    return QByteArray(reinterpret_cast<const char*>(record.data() + kContentOffset),
                      static_cast<qsizetype>(kContentSize));
}

QByteArray bytesOf(std::span<const Byte> bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// The name a record's bytes show: 6-bit Matrix-6 bytes raised, bytes no
// name can show as '?', trailing blanks trimmed.
QString displayName(std::span<const Byte, kPatchRecordSize> record)
{
    std::array<Byte, kPatchNameLength> name{};
    std::copy_n(record.begin(), kPatchNameLength, name.begin());
    raiseMatrix6Name(name);
    QString text;
    for (Byte b : name)
        text += (b >= 32 && b < 127) ? QChar(b) : QChar(u'?');
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

bool isPlaceholder(std::span<const Byte, kPatchRecordSize> record)
{
    return isPlaceholderName(record.first(kPatchNameLength));
}

bool isPlaceholderText(const QString& name)
{
    const QByteArray latin = name.toLatin1();
    if (latin.size() != static_cast<qsizetype>(kPatchNameLength))
        return false;
    return isPlaceholderName(
        std::span<const Byte>(reinterpret_cast<const Byte*>(latin.data()), kPatchNameLength));
}

QString searchText(const QString& name, const QStringList& tags, const QString& comment)
{
    return (name + u'\n' + tags.join(u'\n') + u'\n' + comment).toLower();
}

QStringList cleanTags(const QStringList& tags)
{
    QStringList clean;
    for (const QString& tag : tags) {
        const QString t = tag.simplified();
        if (!t.isEmpty() && !clean.contains(t, Qt::CaseInsensitive))
            clean << t;
    }
    return clean;
}

QStringList splitTags(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

QString idList(std::span<const PatchId> ids)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(ids.size()));
    for (PatchId id : ids)
        list << QString::number(id);
    return list.join(u',');
}

} // namespace

QString modelText(PatchModel model)
{
    switch (model) {
    case PatchModel::Matrix1000:
        return QStringLiteral("Matrix-1000");
    case PatchModel::Matrix6:
        return QStringLiteral("Matrix-6");
    case PatchModel::Either:
        break;
    }
    return QStringLiteral("Either");
}

QString AddSummary::sentence() const
{
    QString text =
        read == 1 ? QStringLiteral("1 patch read") : QStringLiteral("%1 patches read").arg(read);
    if (cancelled)
        return text + QStringLiteral(": nothing was added");
    text += QStringLiteral(": %1 new, %2 already in the library").arg(added).arg(known);
    return text;
}

struct PatchCollection::Impl
{
    QString path;
    QString connection;
    QString movedAside;
    QString lastError;
    QSqlDatabase db;

    ~Impl()
    {
        if (db.isValid()) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
        }
    }

    bool fail(const QSqlQuery& query, const QString& what)
    {
        lastError = QStringLiteral("%1: %2").arg(what, query.lastError().text());
        return false;
    }
    bool exec(QSqlQuery& query, const QString& what)
    {
        if (query.exec())
            return true;
        return fail(query, what);
    }
    bool exec(const QString& sql)
    {
        QSqlQuery query(db);
        if (query.exec(sql))
            return true;
        return fail(query, sql);
    }

    bool begin() { return exec(QStringLiteral("BEGIN IMMEDIATE")); }
    bool commit()
    {
        if (exec(QStringLiteral("COMMIT")))
            return true;
        rollback();
        return false;
    }
    void rollback()
    {
        QSqlQuery query(db);
        query.exec(QStringLiteral("ROLLBACK"));
    }

    std::optional<PatchId> findContent(const QByteArray& content)
    {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT patch FROM records WHERE content = ?"));
        query.addBindValue(content);
        if (exec(query, QStringLiteral("Looking up a patch")) && query.next())
            return query.value(0).toLongLong();
        return std::nullopt;
    }

    bool addAlias(PatchId id, const QString& name, const QString& source, qint64 when)
    {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO aliases (patch, name, source, added) "
                                     "VALUES (?, ?, ?, ?)"));
        query.addBindValue(static_cast<qint64>(id));
        query.addBindValue(name);
        query.addBindValue(source);
        query.addBindValue(when);
        return exec(query, QStringLiteral("Adding a name"));
    }

    bool updateSearch(PatchId id)
    {
        QSqlQuery read(db);
        read.prepare(QStringLiteral("SELECT name, tags, comment FROM patches WHERE id = ?"));
        read.addBindValue(static_cast<qint64>(id));
        if (!exec(read, QStringLiteral("Reading a patch")) || !read.next())
            return false;
        QSqlQuery write(db);
        write.prepare(QStringLiteral("UPDATE patches SET search = ? WHERE id = ?"));
        write.addBindValue(searchText(read.value(0).toString(), splitTags(read.value(1).toString()),
                                      read.value(2).toString()));
        write.addBindValue(static_cast<qint64>(id));
        return exec(write, QStringLiteral("Updating a patch"));
    }

    // Gives `id` a new name (its bytes the name as the instrument holds it);
    // the old name stays as an alias. Inside a transaction.
    bool renameIn(PatchId id, const QString& name, const QString& nameSource)
    {
        QSqlQuery read(db);
        read.prepare(QStringLiteral("SELECT p.name, p.name_source, r.record FROM patches p "
                                    "JOIN records r ON r.patch = p.id WHERE p.id = ?"));
        read.addBindValue(static_cast<qint64>(id));
        if (!exec(read, QStringLiteral("Reading a patch")))
            return false;
        if (!read.next()) {
            lastError = QStringLiteral("The patch is no longer in the library.");
            return false;
        }
        const QString oldName = read.value(0).toString();
        const QString oldSource = read.value(1).toString();
        QByteArray record = read.value(2).toByteArray();
        read.finish();
        if (oldName == name)
            return true;
        const std::string bytes = normaliseName(name.toStdU32String());
        if (record.size() == static_cast<qsizetype>(kPatchRecordSize))
            std::memcpy(record.data(), bytes.data(), kPatchNameLength);
        if (!addAlias(id, oldName, oldSource, nowMs()))
            return false;
        QSqlQuery write(db);
        write.prepare(QStringLiteral("UPDATE patches SET name = ?, name_key = ?, name_source = ? "
                                     "WHERE id = ?"));
        write.addBindValue(name);
        write.addBindValue(name.toLower());
        write.addBindValue(nameSource);
        write.addBindValue(static_cast<qint64>(id));
        if (!exec(write, QStringLiteral("Renaming a patch")))
            return false;
        QSqlQuery bytesWrite(db);
        bytesWrite.prepare(QStringLiteral("UPDATE records SET record = ? WHERE patch = ?"));
        bytesWrite.addBindValue(record);
        bytesWrite.addBindValue(static_cast<qint64>(id));
        return exec(bytesWrite, QStringLiteral("Renaming a patch")) && updateSearch(id);
    }

    std::optional<PatchId> insertPatch(std::span<const Byte, kPatchRecordSize> record,
                                       const QString& name, const QString& source, PatchModel model,
                                       qint64 when)
    {
        QSqlQuery insert(db);
        insert.prepare(
            QStringLiteral("INSERT INTO patches (name, name_key, name_source, model, source, "
                           "added, search) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        insert.addBindValue(name);
        insert.addBindValue(name.toLower());
        insert.addBindValue(source);
        insert.addBindValue(static_cast<int>(model));
        insert.addBindValue(source);
        insert.addBindValue(when);
        insert.addBindValue(searchText(name, {}, {}));
        if (!exec(insert, QStringLiteral("Adding a patch")))
            return std::nullopt;
        const PatchId id = insert.lastInsertId().toLongLong();
        QSqlQuery bytes(db);
        bytes.prepare(
            QStringLiteral("INSERT INTO records (patch, content, record) VALUES (?, ?, ?)"));
        bytes.addBindValue(static_cast<qint64>(id));
        bytes.addBindValue(contentOf(record));
        bytes.addBindValue(bytesOf(record));
        if (!exec(bytes, QStringLiteral("Adding a patch")))
            return std::nullopt;
        return id;
    }

    template <typename Body> bool inTransaction(Body body)
    {
        lastError.clear();
        if (!begin())
            return false;
        if (!body()) {
            rollback();
            return false;
        }
        return commit();
    }
};

PatchCollection::PatchCollection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PatchCollection::~PatchCollection() = default;

namespace {

enum class FileCheck
{
    Usable,   // absent, empty or a database of this schema or an older one
    Newer,    // from a newer program
    Damaged,  // no database, or one that fails its check
    Unusable, // cannot be read now (locked, no permission): left alone
};

struct CheckResult
{
    FileCheck state = FileCheck::Usable;
    QString message;
};

bool isDamageCode(const QSqlError& error)
{
    return error.nativeErrorCode() == kNotADatabase || error.nativeErrorCode() == kCorrupt;
}

// Looks at an existing file through a read-only connection, so that nothing
// is written to a file that will be refused.
CheckResult checkFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.size() == 0)
        return {};
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {FileCheck::Unusable,
                    QStringLiteral("The patch library %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString())};
        if (file.read(16) != QByteArray("SQLite format 3\0", 16))
            return {FileCheck::Damaged, {}};
    }
    const QString name = connectionName();
    CheckResult result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!db.open()) {
            result = {FileCheck::Unusable,
                      QStringLiteral("The patch library %1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(path), db.lastError().text())};
        } else {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
                result = isDamageCode(query.lastError())
                             ? CheckResult{FileCheck::Damaged, {}}
                             : CheckResult{FileCheck::Unusable,
                                           QStringLiteral("The patch library %1 cannot be read: %2")
                                               .arg(QDir::toNativeSeparators(path),
                                                    query.lastError().text())};
            } else if (const int version = query.value(0).toInt(); version > kSchemaVersion) {
                result = {FileCheck::Newer,
                          QStringLiteral("The patch library %1 was written by a newer Velmora "
                                         "(library version %2; this one reads up to %3). It "
                                         "was left as it is: use the newer Velmora with it.")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(version)
                              .arg(kSchemaVersion)};
            } else {
                query.finish();
                if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next()) {
                    result =
                        isDamageCode(query.lastError())
                            ? CheckResult{FileCheck::Damaged, {}}
                            : CheckResult{FileCheck::Unusable,
                                          QStringLiteral("The patch library %1 cannot be read: %2")
                                              .arg(QDir::toNativeSeparators(path),
                                                   query.lastError().text())};
                } else if (query.value(0).toString() != QStringLiteral("ok")) {
                    result = {FileCheck::Damaged, {}};
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

// "library.sqlite.damaged-20261207-153000", with "-2", "-3" ... when taken.
QString freeAsideName(const QString& path)
{
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral("-wal")) ||
                    QFileInfo::exists(name + QStringLiteral("-shm"));
         ++n)
        name = stem + QStringLiteral("-%1").arg(n);
    return name;
}

} // namespace

std::variant<std::unique_ptr<PatchCollection>, PatchCollection::OpenFailure>
PatchCollection::open(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return OpenFailure{QStringLiteral("The folder of the patch library %1 cannot be made.")
                               .arg(QDir::toNativeSeparators(info.absolutePath()))};

    auto impl = std::make_unique<Impl>();
    impl->path = path;
    const CheckResult check = checkFile(path);
    if (check.state == FileCheck::Newer || check.state == FileCheck::Unusable)
        return OpenFailure{check.message};
    if (check.state == FileCheck::Damaged) {
        const QString aside = freeAsideName(path);
        if (!QFile::rename(path, aside))
            return OpenFailure{QStringLiteral("The patch library %1 is damaged and could not be "
                                              "moved aside to %2.")
                                   .arg(shown, QDir::toNativeSeparators(aside))};
        for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFileInfo::exists(path + suffix))
                QFile::rename(path + suffix, aside + suffix);
        }
        impl->movedAside = aside;
    }

    impl->connection = connectionName();
    impl->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl->connection);
    if (!impl->db.isValid())
        return OpenFailure{QStringLiteral("The patch library cannot be opened: Qt's SQLite "
                                          "driver is missing (Debian package libqt6sql6-sqlite).")};
    impl->db.setDatabaseName(path);
    impl->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!impl->db.open())
        return OpenFailure{QStringLiteral("The patch library %1 cannot be opened: %2")
                               .arg(shown, impl->db.lastError().text())};

    const auto setUp = [&]() -> bool {
        if (!impl->exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs)))
            return false;
        {
            QSqlQuery mode(impl->db);
            if (!mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
                return impl->fail(mode, QStringLiteral("Setting the journal"));
        }
        if (!impl->exec(QStringLiteral("PRAGMA synchronous = NORMAL")))
            return false;
        return impl->inTransaction([&] {
            QSqlQuery version(impl->db);
            if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
                return impl->fail(version, QStringLiteral("Reading the library version"));
            const int found = version.value(0).toInt();
            version.finish();
            if (found > kSchemaVersion) { // written by a newer program since the check
                impl->lastError =
                    QStringLiteral("The patch library %1 was written by a newer Velmora.")
                        .arg(shown);
                return false;
            }
            if (found == kSchemaVersion)
                return true;
            for (const char* sql : kSchema) {
                if (!impl->exec(QString::fromLatin1(sql)))
                    return false;
            }
            return impl->exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        });
    };
    if (!setUp())
        return OpenFailure{
            QStringLiteral("The patch library %1 cannot be used: %2").arg(shown, impl->lastError)};
    impl->lastError.clear();
    return std::unique_ptr<PatchCollection>(new PatchCollection(std::move(impl)));
}

QString PatchCollection::path() const
{
    return impl_->path;
}

QString PatchCollection::movedAside() const
{
    return impl_->movedAside;
}

QString PatchCollection::lastError() const
{
    return impl_->lastError;
}

AddSummary PatchCollection::add(std::span<const IncomingPatch> patches, const AddProgress& progress)
{
    Impl& d = *impl_;
    AddSummary summary;
    summary.read = static_cast<int>(patches.size());
    const int total = summary.read;
    const qint64 when = nowMs();
    bool cancelled = false;

    const bool ok = d.inTransaction([&] {
        QSqlQuery find(d.db);
        find.prepare(QStringLiteral("SELECT patch FROM records WHERE content = ?"));
        QSqlQuery haveAlias(d.db);
        haveAlias.prepare(QStringLiteral(
            "SELECT 1 FROM patches WHERE id = ? AND name = ? AND source = ? "
            "UNION ALL SELECT 1 FROM aliases WHERE patch = ? AND name = ? AND source = ?"));
        int done = 0;
        for (const IncomingPatch& patch : patches) {
            if (progress && done % 100 == 0 && !progress(done, total)) {
                cancelled = true;
                return false;
            }
            ++done;
            const std::span<const Byte, kPatchRecordSize> record(patch.record);
            find.bindValue(0, contentOf(record));
            if (!d.exec(find, QStringLiteral("Looking up a patch")))
                return false;
            if (find.next()) {
                const PatchId id = find.value(0).toLongLong();
                find.finish();
                ++summary.known;
                if (isPlaceholder(record))
                    continue;
                const QString name = displayName(record);
                for (int half = 0; half < 2; ++half) {
                    haveAlias.bindValue(3 * half, static_cast<qint64>(id));
                    haveAlias.bindValue(3 * half + 1, name);
                    haveAlias.bindValue(3 * half + 2, patch.source);
                }
                if (!d.exec(haveAlias, QStringLiteral("Looking up a name")))
                    return false;
                const bool known = haveAlias.next();
                haveAlias.finish();
                if (!known && !d.addAlias(id, name, patch.source, when))
                    return false;
                continue;
            }
            find.finish();
            if (!d.insertPatch(record, displayName(record), patch.source, patch.model, when))
                return false;
            ++summary.added;
        }
        if (progress && !progress(total, total)) {
            cancelled = true;
            return false;
        }
        return true;
    });
    if (!ok) {
        if (cancelled)
            d.lastError.clear();
        summary.cancelled = true;
        summary.added = 0;
        summary.known = 0;
    }
    return summary;
}

int PatchCollection::count(bool includeHidden) const
{
    QSqlQuery query(impl_->db);
    if (!query.exec(includeHidden
                        ? QStringLiteral("SELECT count(*) FROM patches")
                        : QStringLiteral("SELECT count(*) FROM patches WHERE hidden = 0")) ||
        !query.next()) {
        impl_->fail(query, QStringLiteral("Counting the patches"));
        return 0;
    }
    impl_->lastError.clear();
    return query.value(0).toInt();
}

std::vector<PatchId> PatchCollection::search(const Query& q) const
{
    QStringList where;
    const QString text = q.text.trimmed().toLower();
    if (!text.isEmpty())
        where << QStringLiteral("instr(search, :text) > 0");
    if (!q.includeHidden)
        where << QStringLiteral("hidden = 0");
    if (q.favouritesOnly)
        where << QStringLiteral("favourite = 1");
    if (q.model)
        where << QStringLiteral("model = :model");
    if (!q.tag.trimmed().isEmpty())
        where << QStringLiteral("id IN (SELECT patch FROM tags WHERE tag = :tag)");

    const QString dir = q.descending ? QStringLiteral(" DESC") : QString();
    QString order;
    switch (q.sort) {
    case SortColumn::Name:
        order = QStringLiteral("name_key%1, id%1").arg(dir);
        break;
    case SortColumn::Model:
        order = QStringLiteral("model%1, name_key%1, id%1").arg(dir);
        break;
    case SortColumn::Source:
        order = QStringLiteral("source%1, name_key%1, id%1").arg(dir);
        break;
    case SortColumn::Added:
        order = QStringLiteral("added%1, id%1").arg(dir);
        break;
    case SortColumn::Favourite:
        order = QStringLiteral("favourite%1, name_key%1, id%1").arg(dir);
        break;
    }
    QString sql = QStringLiteral("SELECT id FROM patches");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + order;

    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    query.prepare(sql);
    if (!text.isEmpty())
        query.bindValue(QStringLiteral(":text"), text);
    if (q.model)
        query.bindValue(QStringLiteral(":model"), static_cast<int>(*q.model));
    if (!q.tag.trimmed().isEmpty())
        query.bindValue(QStringLiteral(":tag"), q.tag.simplified());
    std::vector<PatchId> ids;
    if (!impl_->exec(query, QStringLiteral("Searching the library")))
        return ids;
    while (query.next())
        ids.push_back(query.value(0).toLongLong());
    impl_->lastError.clear();
    return ids;
}

std::vector<PatchRow> PatchCollection::rows(std::span<const PatchId> ids) const
{
    std::vector<PatchRow> result;
    if (ids.empty())
        return result;
    std::unordered_map<PatchId, PatchRow> found;
    found.reserve(ids.size());
    // In slices, so that no statement grows past SQLite's limits.
    constexpr std::size_t kSlice = 500;
    for (std::size_t at = 0; at < ids.size(); at += kSlice) {
        const auto slice = ids.subspan(at, std::min(kSlice, ids.size() - at));
        QSqlQuery query(impl_->db);
        query.setForwardOnly(true);
        const QString sql =
            QStringLiteral("SELECT p.id, p.name, p.model, p.source, p.added, p.favourite, "
                           "p.hidden, p.tags, p.comment, "
                           "(SELECT count(*) FROM aliases a WHERE a.patch = p.id) "
                           "FROM patches p WHERE p.id IN (%1)")
                .arg(idList(slice));
        if (!query.exec(sql)) {
            impl_->fail(query, QStringLiteral("Reading patches"));
            return result;
        }
        while (query.next()) {
            PatchRow row;
            row.id = query.value(0).toLongLong();
            row.name = query.value(1).toString();
            row.model = static_cast<PatchModel>(query.value(2).toInt());
            row.source = query.value(3).toString();
            row.added = QDateTime::fromMSecsSinceEpoch(query.value(4).toLongLong());
            row.favourite = query.value(5).toBool();
            row.hidden = query.value(6).toBool();
            row.tags = splitTags(query.value(7).toString());
            row.comment = query.value(8).toString();
            row.aliases = query.value(9).toInt();
            found.emplace(row.id, std::move(row));
        }
    }
    result.reserve(ids.size());
    for (PatchId id : ids) {
        if (auto it = found.find(id); it != found.end())
            result.push_back(it->second);
    }
    impl_->lastError.clear();
    return result;
}

std::optional<PatchRow> PatchCollection::row(PatchId id) const
{
    const PatchId one[] = {id};
    auto found = rows(one);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

std::optional<PatchRecord> PatchCollection::record(PatchId id) const
{
    QSqlQuery query(impl_->db);
    query.prepare(QStringLiteral("SELECT record FROM records WHERE patch = ?"));
    query.addBindValue(static_cast<qint64>(id));
    if (!impl_->exec(query, QStringLiteral("Reading a patch")) || !query.next())
        return std::nullopt;
    const QByteArray bytes = query.value(0).toByteArray();
    if (bytes.size() != static_cast<qsizetype>(kPatchRecordSize))
        return std::nullopt;
    PatchRecord record{};
    std::memcpy(record.data(), bytes.constData(), kPatchRecordSize);
    impl_->lastError.clear();
    return record;
}

std::vector<Alias> PatchCollection::aliases(PatchId id) const
{
    std::vector<Alias> result;
    QSqlQuery query(impl_->db);
    query.prepare(QStringLiteral(
        "SELECT name, source, added FROM aliases WHERE patch = ? ORDER BY added, id"));
    query.addBindValue(static_cast<qint64>(id));
    if (!impl_->exec(query, QStringLiteral("Reading the names of a patch")))
        return result;
    while (query.next())
        result.push_back({query.value(0).toString(), query.value(1).toString(),
                          QDateTime::fromMSecsSinceEpoch(query.value(2).toLongLong())});
    impl_->lastError.clear();
    return result;
}

QStringList PatchCollection::allTags() const
{
    QStringList tags;
    QSqlQuery query(impl_->db);
    if (!query.exec(QStringLiteral("SELECT DISTINCT tag FROM tags ORDER BY tag"))) {
        impl_->fail(query, QStringLiteral("Reading the tags"));
        return tags;
    }
    while (query.next())
        tags << query.value(0).toString();
    impl_->lastError.clear();
    return tags;
}

bool PatchCollection::setFavourite(std::span<const PatchId> ids, bool favourite)
{
    return impl_->inTransaction([&] {
        return impl_->exec(QStringLiteral("UPDATE patches SET favourite = %1 WHERE id IN (%2)")
                               .arg(favourite ? 1 : 0)
                               .arg(idList(ids)));
    });
}

bool PatchCollection::setHidden(std::span<const PatchId> ids, bool hidden)
{
    return impl_->inTransaction([&] {
        return impl_->exec(QStringLiteral("UPDATE patches SET hidden = %1 WHERE id IN (%2)")
                               .arg(hidden ? 1 : 0)
                               .arg(idList(ids)));
    });
}

bool PatchCollection::rename(PatchId id, const QString& name)
{
    const QString clean = name.simplified();
    if (clean.isEmpty()) {
        impl_->lastError = QStringLiteral("A patch needs a name.");
        return false;
    }
    return impl_->inTransaction(
        [&] { return impl_->renameIn(id, clean, QStringLiteral("renamed in the library")); });
}

bool PatchCollection::setTags(PatchId id, const QStringList& tags)
{
    const QStringList clean = cleanTags(tags);
    return impl_->inTransaction([&] {
        QSqlQuery remove(impl_->db);
        remove.prepare(QStringLiteral("DELETE FROM tags WHERE patch = ?"));
        remove.addBindValue(static_cast<qint64>(id));
        if (!impl_->exec(remove, QStringLiteral("Changing the tags")))
            return false;
        for (const QString& tag : clean) {
            QSqlQuery insert(impl_->db);
            insert.prepare(QStringLiteral("INSERT INTO tags (patch, tag) VALUES (?, ?)"));
            insert.addBindValue(static_cast<qint64>(id));
            insert.addBindValue(tag);
            if (!impl_->exec(insert, QStringLiteral("Changing the tags")))
                return false;
        }
        QSqlQuery update(impl_->db);
        update.prepare(QStringLiteral("UPDATE patches SET tags = ? WHERE id = ?"));
        update.addBindValue(clean.join(u'\n'));
        update.addBindValue(static_cast<qint64>(id));
        return impl_->exec(update, QStringLiteral("Changing the tags")) && impl_->updateSearch(id);
    });
}

bool PatchCollection::setComment(PatchId id, const QString& comment)
{
    return impl_->inTransaction([&] {
        QSqlQuery update(impl_->db);
        update.prepare(QStringLiteral("UPDATE patches SET comment = ? WHERE id = ?"));
        update.addBindValue(comment);
        update.addBindValue(static_cast<qint64>(id));
        return impl_->exec(update, QStringLiteral("Changing the comment")) &&
               impl_->updateSearch(id);
    });
}

bool PatchCollection::remove(std::span<const PatchId> ids)
{
    const QString list = idList(ids);
    return impl_->inTransaction([&] {
        return impl_->exec(QStringLiteral("DELETE FROM aliases WHERE patch IN (%1)").arg(list)) &&
               impl_->exec(QStringLiteral("DELETE FROM tags WHERE patch IN (%1)").arg(list)) &&
               impl_->exec(QStringLiteral("DELETE FROM records WHERE patch IN (%1)").arg(list)) &&
               impl_->exec(QStringLiteral("DELETE FROM patches WHERE id IN (%1)").arg(list));
    });
}

std::optional<PatchId> PatchCollection::find(std::span<const Byte, kPatchRecordSize> record) const
{
    impl_->lastError.clear();
    return impl_->findContent(contentOf(record));
}

std::optional<KnownName>
PatchCollection::knownName(std::span<const Byte, kPatchRecordSize> record) const
{
    const auto id = find(record);
    if (!id)
        return std::nullopt;
    QSqlQuery query(impl_->db);
    query.prepare(QStringLiteral("SELECT name, name_source FROM patches WHERE id = ?"));
    query.addBindValue(static_cast<qint64>(*id));
    if (!impl_->exec(query, QStringLiteral("Reading a patch")) || !query.next())
        return std::nullopt;
    const QString name = query.value(0).toString();
    if (!isPlaceholderText(name))
        return KnownName{*id, name, query.value(1).toString()};
    query.finish();
    QSqlQuery alias(impl_->db);
    alias.prepare(QStringLiteral(
        "SELECT name, source FROM aliases WHERE patch = ? ORDER BY added DESC, id DESC"));
    alias.addBindValue(static_cast<qint64>(*id));
    if (!impl_->exec(alias, QStringLiteral("Reading the names of a patch")))
        return std::nullopt;
    while (alias.next()) {
        const QString aliasName = alias.value(0).toString();
        if (!isPlaceholderText(aliasName) && !aliasName.isEmpty())
            return KnownName{*id, aliasName, alias.value(1).toString()};
    }
    return std::nullopt;
}

bool PatchCollection::recordName(std::span<const Byte, kPatchRecordSize> record,
                                 const QString& name, const QString& source)
{
    const QString clean = name.simplified();
    if (clean.isEmpty()) {
        impl_->lastError = QStringLiteral("A patch needs a name.");
        return false;
    }
    return impl_->inTransaction([&] {
        const auto id = impl_->findContent(contentOf(record));
        if (id)
            return impl_->renameIn(*id, clean, source);
        if (!impl_->lastError.isEmpty())
            return false;
        PatchRecord named{};
        std::copy(record.begin(), record.end(), named.begin());
        const std::string bytes = normaliseName(clean.toStdU32String());
        std::copy_n(bytes.begin(), kPatchNameLength, named.begin());
        PatchModel model = PatchModel::Either;
        return impl_->insertPatch(named, clean, source, model, nowMs()).has_value();
    });
}

std::vector<SimilarPatch> PatchCollection::similar(PatchId id, int maxDifferences,
                                                   std::size_t limit) const
{
    std::vector<SimilarPatch> result;
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT content FROM records WHERE patch = ?"));
    query.addBindValue(static_cast<qint64>(id));
    if (!impl_->exec(query, QStringLiteral("Reading a patch")) || !query.next())
        return result;
    const QByteArray reference = query.value(0).toByteArray();
    query.finish();
    if (reference.size() != static_cast<qsizetype>(kContentSize))
        return result;
    QSqlQuery all(impl_->db);
    all.setForwardOnly(true);
    if (!all.exec(QStringLiteral("SELECT patch, content FROM records"))) {
        impl_->fail(all, QStringLiteral("Reading the patches"));
        return result;
    }
    while (all.next()) {
        const PatchId other = all.value(0).toLongLong();
        if (other == id)
            continue;
        const QByteArray content = all.value(1).toByteArray();
        if (content.size() != reference.size())
            continue;
        int differences = 0;
        for (qsizetype i = 0; i < content.size() && differences <= maxDifferences; ++i)
            differences += content[i] != reference[i] ? 1 : 0;
        if (differences <= maxDifferences)
            result.push_back({other, differences});
    }
    std::sort(result.begin(), result.end(), [](const SimilarPatch& a, const SimilarPatch& b) {
        return a.differences != b.differences ? a.differences < b.differences : a.id < b.id;
    });
    if (result.size() > limit)
        result.resize(limit);
    impl_->lastError.clear();
    return result;
}

QString defaultCollectionPath()
{
    return AppPaths::dataFile(QStringLiteral("library.sqlite"));
}

} // namespace velmora::collection
