// The patch library's store: imports of real-shaped files counted and
// deduplicated, names kept as aliases, search and filters, exports byte for
// byte, and the files it refuses or moves aside.
#include "app/AppPaths.h"
#include "collection/CollectionFiles.h"
#include "collection/PatchCollection.h"
#include "protocol/PatchName.h"
#include "support/MidiFiles.h"
#include "support/TempDir.h"

#include "CollectionData.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

using collection::ImportResult;
using collection::PatchCollection;
using collection::PatchId;
using collection::PatchModel;
using collection::Query;
using collection::SortColumn;

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

class Collection : public ::testing::Test
{
protected:
    Collection() : library_(openCollection(dir_.path("library.sqlite"))) {}

    ImportResult import(const std::vector<std::string>& paths)
    {
        QStringList list;
        for (const std::string& p : paths)
            list << q(p);
        return collection::importPaths(*library_, list);
    }
    std::vector<PatchId> byName(const QString& text, bool includeHidden = false)
    {
        Query query;
        query.text = text;
        query.includeHidden = includeHidden;
        return library_->search(query);
    }
    std::vector<QString> names(const std::vector<PatchId>& ids)
    {
        std::vector<QString> result;
        for (const auto& row : library_->rows(ids))
            result.push_back(row.name);
        return result;
    }
    // Every patch in the order it was added.
    std::vector<PatchId> inOrderAdded()
    {
        Query query;
        query.sort = SortColumn::Added;
        query.includeHidden = true;
        return library_->search(query);
    }

    TempDir dir_;
    std::unique_ptr<PatchCollection> library_;
};

TEST_F(Collection, BankCaptureAndMidiFileOfTheSamePatchesStoreEachOnce)
{
    ASSERT_TRUE(library_);
    const std::string bank = dir_.write("brass.syx", bankFile(0));
    const Bytes capture = requestAllCapture(0, 1);
    const std::string syx = dir_.write("download.syx", capture);
    const std::string mid = dir_.write("download.mid", midiFileOf(capture, 1, true));

    ImportResult first = import({bank});
    EXPECT_TRUE(first.problems.empty());
    EXPECT_EQ(first.summary.sentence(), "100 patches read: 100 new, 0 already in the library");
    EXPECT_EQ(library_->count(), 100);

    // The download names every patch "BNK1: nn": known content, and no
    // placeholder becomes an alias.
    ImportResult again = import({syx, mid});
    EXPECT_TRUE(again.problems.empty()) << again.problems.front().message.toStdString();
    EXPECT_EQ(again.files, 2);
    EXPECT_EQ(again.summary.sentence(), "200 patches read: 0 new, 200 already in the library");
    EXPECT_EQ(library_->count(), 100);
    const PatchId five = *library_->find(demoRecord(5));
    EXPECT_TRUE(library_->aliases(five).empty());

    // The placeholder name is resolved from the library.
    const auto known = library_->knownName(placeholderNamed(demoRecord(5), 1, 5));
    ASSERT_TRUE(known);
    EXPECT_EQ(known->id, five);
    EXPECT_EQ(known->name, "DEMO 005");
    EXPECT_FALSE(library_->knownName(demoRecord(7777)));

    // The same content under another name and file adds that as an alias,
    // once however often the file is read.
    library::Bank renamed = demoBank(0);
    std::copy_n("HORNS 5 ", 8, renamed[5].begin());
    const std::string other = dir_.write("other.syx", library::bankSysex(renamed));
    EXPECT_EQ(import({other}).summary.known, 100);
    EXPECT_EQ(import({other}).summary.known, 100);
    const auto aliases = library_->aliases(five);
    ASSERT_EQ(aliases.size(), 1u);
    EXPECT_EQ(aliases[0].name, "HORNS 5");
    EXPECT_EQ(aliases[0].source, QFileInfo(q(other)).absoluteFilePath());
    EXPECT_EQ(library_->row(five)->aliases, 1);
    EXPECT_EQ(library_->row(five)->name, "DEMO 005");
}

TEST_F(Collection, ModelIsToldByGlobalRecordAndNames)
{
    // A download into an empty library: Matrix-1000 by its global record;
    // twice in one import counts the second copy as known.
    const Bytes capture = requestAllCapture(200, 0);
    const std::string syx = dir_.write("download.syx", capture);
    Bytes twice = capture;
    twice.insert(twice.end(), capture.begin(), capture.end());
    const std::string doubled = dir_.write("twice.syx", twice);
    ImportResult result = import({doubled});
    EXPECT_EQ(result.summary.sentence(), "200 patches read: 100 new, 100 already in the library");
    Query m1000;
    m1000.model = PatchModel::Matrix1000;
    EXPECT_EQ(library_->search(m1000).size(), 100u);
    EXPECT_EQ(library_->row(library_->search(m1000).front())->name, "BNK0: 00");

    // 6-bit name bytes: a Matrix-6 patch, its name shown raised; a byte no
    // name can show is '?'; the bytes are kept as read.
    PatchRecord six = demoRecord(300);
    const Byte sixName[8] = {0x02, 0x12, 0x01, 0x13, 0x13, 0x20, 0x7F, 0x20}; // "BRASS ?"
    std::copy_n(sixName, 8, six.begin());
    const auto message = patchToMemory(3, six);
    const std::string sixFile = dir_.write("m6.syx", Bytes(message.begin(), message.end()));
    EXPECT_EQ(import({sixFile}).summary.added, 1);
    const PatchId id = *library_->find(six);
    EXPECT_EQ(library_->row(id)->name, "BRASS ?");
    EXPECT_EQ(library_->row(id)->model, PatchModel::Matrix6);
    EXPECT_EQ(*library_->record(id), six);
}

TEST_F(Collection, FoldersAreSearchedThroughAndBadFilesReported)
{
    namespace fs = std::filesystem;
    fs::create_directories(dir_.dir() / "in" / "sub");
    dir_.write("in/a.syx", bankFile(0));
    dir_.write("in/sub/b.MID", midiFileOf(bankFile(100), 0, false));
    dir_.write("in/sub/c.vmb", demo::demoRawBank(200));
    dir_.write("in/notes.txt", {'h', 'i'});
    Bytes broken = bankFile(300);
    broken[6 + 20] ^= 0x01; // a data nibble of the first patch changed
    dir_.write("in/broken.syx", broken);
    dir_.write("in/short.vmp", Bytes(40, 0));
    fs::create_directory_symlink(dir_.dir() / "in", dir_.dir() / "in" / "sub" / "loop");

    const QStringList files = collection::importFiles({q(dir_.path("in"))});
    ASSERT_EQ(files.size(), 5) << files.join(u' ').toStdString();
    EXPECT_TRUE(files[0].endsWith("a.syx"));
    EXPECT_TRUE(files[1].endsWith("broken.syx"));

    ImportResult result = import({dir_.path("in"), dir_.path("missing")});
    EXPECT_EQ(result.summary.sentence(), "399 patches read: 399 new, 0 already in the library");
    ASSERT_EQ(result.problems.size(), 3u);
    EXPECT_TRUE(result.problems[0].file.endsWith("missing"));
    EXPECT_EQ(result.problems[1].message, "1 patch with a wrong checksum was left out.");
    EXPECT_EQ(result.problems[2].message.toStdString(),
              "short.vmp is too short for a Velmora patch file (.vmp): 135 bytes expected, 40 "
              "found.");
}

TEST_F(Collection, CancelledImportKeepsNothing)
{
    const std::string bank = dir_.write("a.syx", bankFile(0));
    int calls = 0;
    const auto result =
        collection::importPaths(*library_, {q(bank)}, [&](const QString& phase, int done, int) {
            ++calls;
            return !(phase == "Adding to the library" && done > 0);
        });
    EXPECT_TRUE(result.summary.cancelled);
    EXPECT_GT(calls, 1);
    EXPECT_EQ(library_->count(), 0);
    EXPECT_TRUE(result.error.isEmpty());
}

TEST_F(Collection, SearchMatchesNameTagsAndCommentAndFilters)
{
    import({dir_.write("a.syx", bankFile(0)), dir_.write("b.syx", requestAllCapture(500, 1))});
    ASSERT_EQ(library_->count(), 200);
    EXPECT_EQ(byName("demo 00").size(), 10u);
    EXPECT_EQ(names(byName("DeMo 01")).front(), "DEMO 010");

    const PatchId a = *library_->find(demoRecord(42));
    const PatchId b = *library_->find(demoRecord(501));
    ASSERT_TRUE(library_->setTags(a, {"Brass", " warm  ", "brass", ""}));
    ASSERT_TRUE(library_->setTags(b, {"Pad"}));
    ASSERT_TRUE(library_->setComment(b, QStringLiteral("Ann's Größe pad")));
    EXPECT_EQ(library_->row(a)->tags, (QStringList{"Brass", "warm"}));
    EXPECT_EQ(library_->allTags(), (QStringList{"Brass", "Pad", "warm"}));
    EXPECT_EQ(byName("WARM"), std::vector<PatchId>{a});
    EXPECT_EQ(byName("größe"), std::vector<PatchId>{b});

    Query tagged;
    tagged.tag = "brass";
    EXPECT_EQ(library_->search(tagged), std::vector<PatchId>{a});

    Query m1000;
    m1000.model = PatchModel::Matrix1000;
    m1000.text = "bnk1: 0";
    EXPECT_EQ(library_->search(m1000).size(), 10u);

    const PatchId both[] = {a, b};
    ASSERT_TRUE(library_->setFavourite(both, true));
    Query favourites;
    favourites.favouritesOnly = true;
    favourites.sort = SortColumn::Name;
    favourites.descending = true;
    EXPECT_EQ(library_->search(favourites), (std::vector<PatchId>{a, b})); // DEMO 042, BNK1: 01

    const PatchId hide[] = {a};
    ASSERT_TRUE(library_->setHidden(hide, true));
    EXPECT_TRUE(byName("warm").empty());
    EXPECT_EQ(byName("warm", true), std::vector<PatchId>{a});
    EXPECT_EQ(library_->count(false), 199);

    ASSERT_TRUE(library_->remove(both));
    EXPECT_EQ(library_->count(), 198);
    EXPECT_FALSE(library_->row(a));
    EXPECT_TRUE(library_->allTags().isEmpty());
}

TEST_F(Collection, RenameKeepsOldNameAndPlaceholdersGetNamesRecorded)
{
    import({dir_.write("dl.syx", requestAllCapture(0, 0))});
    const PatchRecord arrived = placeholderNamed(demoRecord(3), 0, 3);
    const PatchId id = *library_->find(arrived);
    EXPECT_FALSE(library_->knownName(arrived)); // nothing but the placeholder

    ASSERT_TRUE(library_->rename(id, QStringLiteral("Soft Strings")));
    EXPECT_EQ(library_->row(id)->name, "Soft Strings");
    const auto record = library_->record(id);
    EXPECT_EQ(patchNameOf(*record), "SOFT STR");
    EXPECT_TRUE(std::equal(record->begin() + 8, record->end(), arrived.begin() + 8));
    ASSERT_EQ(library_->aliases(id).size(), 1u);
    EXPECT_EQ(library_->aliases(id)[0].name, "BNK0: 03");
    EXPECT_EQ(library_->knownName(arrived)->name, "Soft Strings");
    EXPECT_EQ(byName("soft"), std::vector<PatchId>{id});

    // A name given in the editor to a patch the library does not have.
    const PatchRecord fresh = demoRecord(9000);
    ASSERT_TRUE(library_->recordName(fresh, QStringLiteral("Glass Bell"),
                                     QStringLiteral("Velmora editor")));
    const auto named = library_->knownName(placeholderNamed(fresh, 1, 0));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->name, "Glass Bell");
    EXPECT_EQ(named->source, "Velmora editor");
    EXPECT_EQ(patchNameOf(*library_->record(named->id)), "GLASS BE");
}

TEST_F(Collection, ExportGivesTheImportedBytesBack)
{
    // Odd name bytes (lower case, a 6-bit byte, DEL) survive.
    library::Bank bank = demoBank(0);
    bank[10][0] = 'b';
    bank[11][2] = 0x05;
    bank[12][7] = 0x7F;
    const Bytes file = library::bankSysex(bank);
    import({dir_.write("bank.syx", file)});
    const auto ids = inOrderAdded();
    ASSERT_EQ(ids.size(), 100u);
    ASSERT_TRUE(collection::exportBank(*library_, ids, q(dir_.path("out.syx"))).isEmpty());
    EXPECT_EQ(dir_.read("out.syx"), file);
    EXPECT_FALSE(collection::exportBank(*library_, {}, q(dir_.path("none.syx"))).isEmpty());

    // Single files named after the patches, safe and unique.
    ASSERT_TRUE(library_->rename(ids[1], QStringLiteral("A/B: C")));
    ASSERT_TRUE(library_->rename(ids[2], QStringLiteral("A/B: C")));
    const PatchId three[] = {ids[0], ids[1], ids[2]};
    std::filesystem::create_directories(dir_.dir() / "singles");
    dir_.write("singles/DEMO 000.syx", {0xF0, 0xF7}); // there already: kept
    const auto singles = collection::exportSingles(*library_, three, q(dir_.path("singles")));
    ASSERT_TRUE(singles.error.isEmpty()) << singles.error.toStdString();
    ASSERT_EQ(singles.written.size(), 3);
    EXPECT_TRUE(singles.written[0].endsWith("/DEMO 000 (2).syx"));
    EXPECT_TRUE(singles.written[1].endsWith("/A_B_ C.syx"));
    EXPECT_TRUE(singles.written[2].endsWith("/A_B_ C (2).syx"));
    const auto one = library::patchSysex(*library_->record(ids[0]), 0);
    EXPECT_EQ(dir_.read("singles/DEMO 000 (2).syx"), Bytes(one.begin(), one.end()));
    EXPECT_EQ(dir_.read("singles/DEMO 000.syx"), (Bytes{0xF0, 0xF7}));
}

TEST_F(Collection, SimilarPatchesAreThoseDifferingInFewBytes)
{
    import({dir_.write("a.syx", bankFile(0))});
    PatchRecord near = demoRecord(0);
    near[20] ^= 0x01;
    near[30] ^= 0x01;
    std::copy_n("NEAR    ", 8, near.begin());
    PatchRecord nearer = demoRecord(0);
    nearer[40] ^= 0x02;
    const collection::IncomingPatch incoming[] = {{near, "x", PatchModel::Either},
                                                  {nearer, "x", PatchModel::Either}};
    library_->add(incoming);
    const PatchId base = *library_->find(demoRecord(0));
    const auto similar = library_->similar(base, 4);
    ASSERT_EQ(similar.size(), 2u);
    EXPECT_EQ(similar[0].id, *library_->find(nearer));
    EXPECT_EQ(similar[0].differences, 1);
    EXPECT_EQ(similar[1].differences, 2);
}

int import(PatchCollection& library, const std::string& file)
{
    return collection::importPaths(library, {q(file)}).summary.added;
}

class CollectionFile : public ::testing::Test
{
protected:
    std::string path() const { return dir_.path("library.sqlite"); }
    TempDir dir_;
};

TEST_F(CollectionFile, DamagedFileIsMovedAsideAndANewOneStarted)
{
    const Bytes junk(5000, 0x5A);
    dir_.write("library.sqlite", junk);
    dir_.write("library.sqlite-wal", {1, 2, 3});
    auto library = openCollection(path());
    ASSERT_TRUE(library);
    const QString aside = library->movedAside();
    EXPECT_TRUE(aside.startsWith(q(path()) + ".damaged-")) << aside.toStdString();
    EXPECT_EQ(dir_.read(QFileInfo(aside).fileName().toStdString()), junk);
    EXPECT_TRUE(QFile::exists(aside + "-wal"));
    EXPECT_EQ(library->count(), 0);
    EXPECT_EQ(import(*library, dir_.write("a.syx", bankFile(0))), 100);
    library.reset();

    // A database whose pages were overwritten fails its check the same way;
    // the name of the first file moved aside is not reused.
    {
        QFile file(q(path()));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(4096 + 100);
        file.write(QByteArray(20000, '\x33'));
    }
    library = openCollection(path());
    ASSERT_TRUE(library);
    EXPECT_FALSE(library->movedAside().isEmpty());
    EXPECT_NE(library->movedAside(), aside);
    EXPECT_EQ(library->count(), 0);
}

TEST_F(CollectionFile, NewerSchemaIsRefusedAndTheFileLeftUntouched)
{
    {
        auto library = openCollection(path());
        ASSERT_TRUE(library);
        import(*library, dir_.write("a.syx", bankFile(0)));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
        db.setDatabaseName(q(path()));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("PRAGMA user_version = 7");
        QSqlQuery(db).exec("PRAGMA journal_mode = DELETE");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    const Bytes before = dir_.read("library.sqlite");
    const auto opened = PatchCollection::open(q(path()));
    ASSERT_TRUE(std::holds_alternative<PatchCollection::OpenFailure>(opened));
    EXPECT_TRUE(std::get<PatchCollection::OpenFailure>(opened).message.contains("newer Velmora"));
    EXPECT_EQ(dir_.read("library.sqlite"), before);
    EXPECT_FALSE(QFile::exists(q(path()) + "-wal"));
}

TEST_F(CollectionFile, OpensAndReadsWhileAnotherConnectionWrites)
{
    {
        auto library = openCollection(path());
        ASSERT_TRUE(library);
        import(*library, dir_.write("a.syx", bankFile(0)));
    }
    // Another program in the middle of a long import: it holds the write
    // lock. Opening and searching must not wait for it (it may take longer
    // than the busy timeout).
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "writer");
        writer.setDatabaseName(q(path()));
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(QSqlQuery(writer).exec("BEGIN IMMEDIATE"));
        ASSERT_TRUE(QSqlQuery(writer).exec("UPDATE patches SET comment = 'busy'"));
        auto library = openCollection(path());
        ASSERT_TRUE(library);
        EXPECT_EQ(library->search({}).size(), 100u);
        EXPECT_EQ(library->row(library->search({}).front())->comment, "");
        QSqlQuery(writer).exec("ROLLBACK");
        writer.close();
    }
    QSqlDatabase::removeDatabase("writer");
}

TEST_F(CollectionFile, ProgramAndCommandLineShareOneFile)
{
    // Portable: beside the program, whichever executable asks.
    AppPaths::setProgramFolderForTests(q(dir_.path("portable")));
    std::filesystem::create_directories(dir_.dir() / "portable");
    EXPECT_EQ(collection::defaultCollectionPath(), q(dir_.path("portable/library.sqlite")));

    // Installed (".../bin" with "../share/velmora"): Velmora's per-user data
    // folder, made when missing, not one named after the executable.
    std::filesystem::create_directories(dir_.dir() / "usr" / "bin");
    std::filesystem::create_directories(dir_.dir() / "usr" / "share" / "velmora");
    AppPaths::setProgramFolderForTests(q(dir_.path("usr/bin")));
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir_.path("data").c_str());
    EXPECT_EQ(collection::defaultCollectionPath(), q(dir_.path("data/Velmora/library.sqlite")));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.dir() / "data" / "Velmora"));
    if (dataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);
    AppPaths::setProgramFolderForTests({});
}

} // namespace
} // namespace velmora::test
