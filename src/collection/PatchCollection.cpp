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
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

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

// The patches table holds what is shown and searched; the record bytes live
// in their own table, the name bytes apart from the content the library
// knows a patch by. The search column is the name, tags and comment in lower
// case; searches run over a copy of it in memory (see SearchIndex).
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
    " name_bytes BLOB NOT NULL,"
    " content BLOB NOT NULL UNIQUE)",
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

// Text as it is compared: lower case, control characters made blanks (the
// search index is read with a control character between entries).
QString keyText(const QString& text)
{
    QString key = text.toLower();
    for (QChar& c : key) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = u' ';
    }
    return key;
}

QString searchText(const QString& name, const QStringList& tags, const QString& comment)
{
    return keyText(name) + u'\n' + keyText(tags.join(u'\t')) + u'\n' + keyText(comment);
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

// What a search looks at of every patch, held in memory: a search runs on
// every keystroke, and 100,000 rows through SQL and Qt take longer than a
// keystroke may. Loaded at the first search, kept up to date by this
// connection's own changes, and loaded again when another connection (the
// program's window, velmora-syx) changed the file, as PRAGMA data_version
// tells.
struct SearchEntry
{
    PatchId id = 0;
    std::string search; // UTF-8, lower case: name, tags, comment
    std::string nameKey;
    // The first eight bytes of nameKey, the first one highest: names of up
    // to eight bytes (all the instrument holds) sort by this alone.
    std::uint64_t namePrefix = 0;
    qint64 added = 0;
    int model = 0;
    bool favourite = false;
    bool hidden = false;
};

constexpr std::size_t kSortColumns = 5;

struct SearchIndex
{
    bool loaded = false;
    qint64 dataVersion = -1;
    std::vector<SearchEntry> entries;
    std::unordered_map<PatchId, std::size_t> at;
    // Per sort column, the entries in ascending order; empty until a search
    // asks for that order.
    std::array<std::vector<std::uint32_t>, kSortColumns> orders;
};

// The text columns as blobs: their UTF-8 bytes as stored, without a detour
// through QString.
const char* const kSearchColumns = "SELECT id, CAST(search AS BLOB), CAST(name_key AS BLOB), "
                                   "added, model, favourite, hidden FROM patches";

std::string stringOf(const QVariant& value)
{
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::uint64_t prefixOf(std::string_view key)
{
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

SearchEntry searchEntryOf(const QSqlQuery& query)
{
    SearchEntry e;
    e.id = query.value(0).toLongLong();
    e.search = stringOf(query.value(1));
    e.nameKey = stringOf(query.value(2));
    e.namePrefix = prefixOf(e.nameKey);
    e.added = query.value(3).toLongLong();
    e.model = query.value(4).toInt();
    e.favourite = query.value(5).toBool();
    e.hidden = query.value(6).toBool();
    return e;
}

bool sortsBefore(SortColumn sort, const SearchEntry& a, const SearchEntry& b)
{
    switch (sort) {
    case SortColumn::Name:
        break;
    case SortColumn::Model:
        if (a.model != b.model)
            return a.model < b.model;
        break;
    case SortColumn::Source: // sorted by the database (see Impl::order)
        break;
    case SortColumn::Added:
        return a.added != b.added ? a.added < b.added : a.id < b.id;
    case SortColumn::Favourite:
        if (a.favourite != b.favourite)
            return !a.favourite;
        break;
    }
    if (a.namePrefix != b.namePrefix)
        return a.namePrefix < b.namePrefix;
    if (int c = a.nameKey.compare(b.nameKey); c != 0)
        return c < 0;
    return a.id < b.id;
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
    SearchIndex index;

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
        read.prepare(QStringLiteral("SELECT p.name, p.name_source FROM patches p WHERE p.id = ?"));
        read.addBindValue(static_cast<qint64>(id));
        if (!exec(read, QStringLiteral("Reading a patch")))
            return false;
        if (!read.next()) {
            lastError = QStringLiteral("The patch is no longer in the library.");
            return false;
        }
        const QString oldName = read.value(0).toString();
        const QString oldSource = read.value(1).toString();
        read.finish();
        if (oldName == name)
            return true;
        const std::string bytes = normaliseName(name.toStdU32String());
        if (!addAlias(id, oldName, oldSource, nowMs()))
            return false;
        QSqlQuery write(db);
        write.prepare(QStringLiteral("UPDATE patches SET name = ?, name_key = ?, name_source = ? "
                                     "WHERE id = ?"));
        write.addBindValue(name);
        write.addBindValue(keyText(name));
        write.addBindValue(nameSource);
        write.addBindValue(static_cast<qint64>(id));
        if (!exec(write, QStringLiteral("Renaming a patch")))
            return false;
        QSqlQuery bytesWrite(db);
        bytesWrite.prepare(QStringLiteral("UPDATE records SET name_bytes = ? WHERE patch = ?"));
        bytesWrite.addBindValue(QByteArray(bytes.data(), static_cast<qsizetype>(kPatchNameLength)));
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
        insert.addBindValue(keyText(name));
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
            QStringLiteral("INSERT INTO records (patch, name_bytes, content) VALUES (?, ?, ?)"));
        bytes.addBindValue(static_cast<qint64>(id));
        bytes.addBindValue(bytesOf(record.first(kPatchNameLength)));
        bytes.addBindValue(contentOf(record));
        if (!exec(bytes, QStringLiteral("Adding a patch")))
            return std::nullopt;
        return id;
    }

    std::optional<qint64> dataVersion()
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next()) {
            fail(query, QStringLiteral("Reading the library"));
            return std::nullopt;
        }
        return query.value(0).toLongLong();
    }

    // The whole index in one row: every column's values joined into one
    // blob by SQLite, which takes a fraction of the time of 100,000 rows
    // fetched one by one through Qt. All aggregates of one query see the
    // rows in the same order. False when it did not come out whole.
    bool loadIndexAtOnce(SearchIndex& fresh)
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(
                QStringLiteral("SELECT count(*), CAST(group_concat(id) AS BLOB), "
                               "CAST(group_concat(added) AS BLOB), "
                               "CAST(group_concat(model + 4 * favourite + 8 * hidden) AS BLOB), "
                               "CAST(group_concat(search, char(30)) AS BLOB), "
                               "CAST(group_concat(name_key, char(30)) AS BLOB) FROM patches")) ||
            !query.next())
            return false;
        const auto count = static_cast<std::size_t>(query.value(0).toLongLong());
        fresh.entries.resize(count);
        fresh.at.reserve(count);
        if (count == 0)
            return true;
        const auto forEach = [&](int column, char separator, auto take) {
            const QByteArray blob = query.value(column).toByteArray();
            std::size_t i = 0;
            qsizetype from = 0;
            while (from <= blob.size() && i < count) {
                qsizetype to = blob.indexOf(separator, from);
                if (to < 0)
                    to = blob.size();
                take(fresh.entries[i++], std::string_view(blob.constData() + from,
                                                          static_cast<std::size_t>(to - from)));
                from = to + 1;
            }
            return i == count && from == blob.size() + 1;
        };
        const auto number = [](std::string_view text) {
            long long value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            return value;
        };
        const bool whole =
            forEach(1, ',', [&](SearchEntry& e, std::string_view t) { e.id = number(t); }) &&
            forEach(2, ',', [&](SearchEntry& e, std::string_view t) { e.added = number(t); }) &&
            forEach(3, ',',
                    [&](SearchEntry& e, std::string_view t) {
                        const auto bits = number(t);
                        e.model = static_cast<int>(bits & 3);
                        e.favourite = (bits & 4) != 0;
                        e.hidden = (bits & 8) != 0;
                    }) &&
            forEach(4, '\x1e', [&](SearchEntry& e, std::string_view t) { e.search = t; }) &&
            forEach(5, '\x1e', [&](SearchEntry& e, std::string_view t) {
                e.nameKey = t;
                e.namePrefix = prefixOf(t);
            });
        if (!whole)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            fresh.at.emplace(fresh.entries[i].id, i);
        return fresh.at.size() == count;
    }

    bool ensureIndex()
    {
        const auto version = dataVersion();
        if (!version)
            return false;
        if (index.loaded && *version == index.dataVersion)
            return true;
        SearchIndex fresh;
        if (!loadIndexAtOnce(fresh)) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (!query.exec(QString::fromLatin1(kSearchColumns)))
                return fail(query, QStringLiteral("Reading the library"));
            fresh = SearchIndex();
            while (query.next()) {
                fresh.at.emplace(query.value(0).toLongLong(), fresh.entries.size());
                fresh.entries.push_back(searchEntryOf(query));
            }
        }
        fresh.loaded = true;
        fresh.dataVersion = *version;
        index = std::move(fresh);
        return true;
    }

    // After this connection added or removed patches.
    void dropIndex() { index.loaded = false; }

    // After this connection changed some patches: their entries read again.
    void refreshIndex(std::span<const PatchId> ids)
    {
        if (!index.loaded)
            return;
        QStringList list;
        for (PatchId id : ids)
            list << QString::number(id);
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(kSearchColumns) +
                        QStringLiteral(" WHERE id IN (%1)").arg(list.join(u',')))) {
            dropIndex();
            return;
        }
        while (query.next()) {
            SearchEntry entry = searchEntryOf(query);
            const auto it = index.at.find(entry.id);
            if (it == index.at.end()) {
                dropIndex();
                return;
            }
            index.entries[it->second] = std::move(entry);
        }
        for (auto& order : index.orders)
            order.clear();
    }

    const std::vector<std::uint32_t>& order(SortColumn sort)
    {
        auto& order = index.orders[static_cast<std::size_t>(sort)];
        if (order.size() == index.entries.size())
            return order;
        if (sort == SortColumn::Source) {
            // The sources are long and rarely sorted by: kept out of memory.
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (query.exec(
                    QStringLiteral("SELECT id FROM patches ORDER BY source, name_key, id"))) {
                order.clear();
                while (query.next()) {
                    const auto it = index.at.find(query.value(0).toLongLong());
                    if (it != index.at.end())
                        order.push_back(static_cast<std::uint32_t>(it->second));
                }
                if (order.size() == index.entries.size())
                    return order;
            }
        }
        order.resize(index.entries.size());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return sortsBefore(sort, index.entries[a], index.entries[b]);
        });
        return order;
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

    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return OpenFailure{QStringLiteral("The patch library cannot be opened: Qt's SQLite "
                                          "driver is missing (Debian package libqt6sql6-sqlite).")};
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
        // A large import grows the write-ahead log; once its pages are back
        // in the database the log is cut to this size again.
        if (!impl->exec(QStringLiteral("PRAGMA synchronous = NORMAL")) ||
            !impl->exec(QStringLiteral("PRAGMA journal_size_limit = 8388608")))
            return false;
        // The version is read outside a transaction: a library of this
        // version opens without waiting for a writer (an import running in
        // the program, say); only a new file takes the write lock.
        const auto readVersion = [&]() -> std::optional<int> {
            QSqlQuery version(impl->db);
            if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
                impl->fail(version, QStringLiteral("Reading the library version"));
                return std::nullopt;
            }
            return version.value(0).toInt();
        };
        const auto checkVersion = [&](int found) {
            if (found <= kSchemaVersion)
                return true;
            impl->lastError = // written by a newer program since the check
                QStringLiteral("The patch library %1 was written by a newer Velmora.").arg(shown);
            return false;
        };
        const auto first = readVersion();
        if (!first || !checkVersion(*first))
            return false;
        if (*first == kSchemaVersion)
            return true;
        return impl->inTransaction([&] {
            const auto found = readVersion();
            if (!found || !checkVersion(*found))
                return false;
            if (*found == kSchemaVersion)
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
    } else if (summary.added > 0) {
        d.dropIndex();
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
    Impl& d = *impl_;
    std::vector<PatchId> ids;
    if (!d.ensureIndex())
        return ids;
    std::optional<std::unordered_set<PatchId>> tagged;
    if (const QString tag = q.tag.simplified(); !tag.isEmpty()) {
        QSqlQuery query(d.db);
        query.prepare(QStringLiteral("SELECT patch FROM tags WHERE tag = ?"));
        query.addBindValue(tag);
        if (!d.exec(query, QStringLiteral("Searching the library")))
            return ids;
        tagged.emplace();
        while (query.next())
            tagged->insert(query.value(0).toLongLong());
    }
    const std::string text = q.text.trimmed().toLower().toStdString();
    const int model = q.model ? static_cast<int>(*q.model) : -1;
    const auto& order = d.order(q.sort);
    const auto take = [&](std::uint32_t i) {
        const SearchEntry& e = d.index.entries[i];
        if ((e.hidden && !q.includeHidden) || (q.favouritesOnly && !e.favourite) ||
            (model >= 0 && e.model != model) || (tagged && !tagged->contains(e.id)) ||
            (!text.empty() && e.search.find(text) == std::string::npos))
            return;
        ids.push_back(e.id);
    };
    if (q.descending)
        std::for_each(order.rbegin(), order.rend(), take);
    else
        std::for_each(order.begin(), order.end(), take);
    d.lastError.clear();
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
    query.prepare(QStringLiteral("SELECT name_bytes, content FROM records WHERE patch = ?"));
    query.addBindValue(static_cast<qint64>(id));
    if (!impl_->exec(query, QStringLiteral("Reading a patch")) || !query.next())
        return std::nullopt;
    const QByteArray bytes = query.value(0).toByteArray() + query.value(1).toByteArray();
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
    const bool ok = impl_->inTransaction([&] {
        return impl_->exec(QStringLiteral("UPDATE patches SET favourite = %1 WHERE id IN (%2)")
                               .arg(favourite ? 1 : 0)
                               .arg(idList(ids)));
    });
    if (ok)
        impl_->refreshIndex(ids);
    return ok;
}

bool PatchCollection::setHidden(std::span<const PatchId> ids, bool hidden)
{
    const bool ok = impl_->inTransaction([&] {
        return impl_->exec(QStringLiteral("UPDATE patches SET hidden = %1 WHERE id IN (%2)")
                               .arg(hidden ? 1 : 0)
                               .arg(idList(ids)));
    });
    if (ok)
        impl_->refreshIndex(ids);
    return ok;
}

bool PatchCollection::rename(PatchId id, const QString& name)
{
    const QString clean = name.simplified();
    if (clean.isEmpty()) {
        impl_->lastError = QStringLiteral("A patch needs a name.");
        return false;
    }
    const bool ok = impl_->inTransaction(
        [&] { return impl_->renameIn(id, clean, QStringLiteral("renamed in the library")); });
    if (ok)
        impl_->refreshIndex(std::span(&id, 1));
    return ok;
}

bool PatchCollection::setTags(PatchId id, const QStringList& tags)
{
    const QStringList clean = cleanTags(tags);
    const bool ok = impl_->inTransaction([&] {
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
    if (ok)
        impl_->refreshIndex(std::span(&id, 1));
    return ok;
}

bool PatchCollection::setComment(PatchId id, const QString& comment)
{
    const bool ok = impl_->inTransaction([&] {
        QSqlQuery update(impl_->db);
        update.prepare(QStringLiteral("UPDATE patches SET comment = ? WHERE id = ?"));
        update.addBindValue(comment);
        update.addBindValue(static_cast<qint64>(id));
        return impl_->exec(update, QStringLiteral("Changing the comment")) &&
               impl_->updateSearch(id);
    });
    if (ok)
        impl_->refreshIndex(std::span(&id, 1));
    return ok;
}

bool PatchCollection::remove(std::span<const PatchId> ids)
{
    const QString list = idList(ids);
    impl_->dropIndex();
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
    impl_->dropIndex();
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
        return impl_->insertPatch(named, clean, source, PatchModel::Either, nowMs()).has_value();
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
