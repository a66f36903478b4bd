// velmora-syx library run as the user runs it: a child process on the same
// database the program may have open, killed in the middle of an import, or
// pointed at a file it must refuse.
#include "collection/CollectionFiles.h"
#include "collection/PatchCollection.h"
#include "support/TempDir.h"

#include "CollectionData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

using collection::PatchCollection;

struct ToolRun
{
    int exit = -1;
    QString out;
    QString err;
};

ToolRun syx(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VELMORA_SYX_PATH), args);
    ToolRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "velmora-syx did not finish";
        return run;
    }
    run.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class LibraryTool : public ::testing::Test
{
protected:
    QString library() const { return QString::fromStdString(dir_.path("library.sqlite")); }
    // `count` bank files of distinct patches in a folder of their own.
    QString bankFolder(const std::string& name, int count, std::uint32_t firstSeed)
    {
        std::filesystem::create_directories(dir_.dir() / name);
        for (int k = 0; k < count; ++k)
            dir_.write(name + "/bank" + std::to_string(k) + ".syx",
                       bankFile(firstSeed + static_cast<std::uint32_t>(k) * 100));
        return QString::fromStdString(dir_.path(name));
    }
    TempDir dir_;
};

TEST_F(LibraryTool, ImportsWhileTheProgramHoldsTheLibraryOpen)
{
    // The window's connection, in the middle of reading: a read transaction
    // that stays open while the child writes.
    auto window = openCollection(library().toStdString());
    ASSERT_TRUE(window);
    const QString folder = bankFolder("banks", 5, 0);
    {
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "reader");
        reader.setDatabaseName(library());
        ASSERT_TRUE(reader.open());
        QSqlQuery read(reader);
        ASSERT_TRUE(read.exec("BEGIN"));
        ASSERT_TRUE(read.exec("SELECT id FROM patches"));
        EXPECT_EQ(window->count(), 0);
        EXPECT_TRUE(window->search({}).empty());

        const ToolRun run = syx({"library", "import", "--library", library(), folder});
        EXPECT_EQ(run.exit, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "500 patches read: 500 new, 0 already in the library (5 files)\n");
        EXPECT_FALSE(run.err.contains("locked")) << run.err.toStdString();

        const ToolRun list =
            syx({"library", "list", "--library", library(), "--search", "demo 04", "--json"});
        EXPECT_EQ(list.exit, 0) << list.err.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(list.out.toUtf8()).object();
        EXPECT_EQ(json["count"].toInt(), 10);
        EXPECT_EQ(json["patches"].toArray().first().toObject()["name"].toString(), "DEMO 040");
        read.finish();
        QSqlQuery(reader).exec("COMMIT");
        reader.close();
    }
    QSqlDatabase::removeDatabase("reader");
    // The window's searches see what the command line added.
    EXPECT_EQ(window->count(), 500);
    EXPECT_EQ(window->search({}).size(), 500u);

    // And the window writes while the command line reads.
    const collection::PatchId ids[] = {window->search({}).front()};
    ASSERT_TRUE(window->setFavourite(ids, true));
    const ToolRun text = syx({"library", "list", "--library", library(), "--search", "DEMO 499"});
    EXPECT_EQ(text.exit, 0);
    EXPECT_TRUE(text.out.endsWith("1 patch match \"DEMO 499\" (500 in the library)\n"))
        << text.out.toStdString();
}

TEST_F(LibraryTool, ExportWritesABankOrAllMessages)
{
    const std::string bank = dir_.write("bank.syx", bankFile(0));
    ASSERT_EQ(syx({"library", "import", "--library", library(), QString::fromStdString(bank),
                   bankFolder("more", 2, 1300)})
                  .exit,
              0);
    const ToolRun one = syx({"library", "export", "--library", library(), "--search", "demo 0",
                             QString::fromStdString(dir_.path("zero.syx"))});
    EXPECT_EQ(one.exit, 0) << one.err.toStdString();
    EXPECT_TRUE(one.out.startsWith("wrote a bank of 100 patches")) << one.out.toStdString();
    // DEMO 000..099 sorted by name are the bank file's patches in order.
    EXPECT_EQ(dir_.read("zero.syx"), dir_.read("bank.syx"));

    const ToolRun all = syx({"library", "export", "--library", library(),
                             QString::fromStdString(dir_.path("all.syx"))});
    EXPECT_EQ(all.exit, 0);
    EXPECT_TRUE(all.out.contains("wrote 300 patch messages")) << all.out.toStdString();
    EXPECT_EQ(dir_.read("all.syx").size(), 300u * 275u);

    const ToolRun none = syx({"library", "export", "--library", library(), "--search", "nothing",
                              QString::fromStdString(dir_.path("none.syx"))});
    EXPECT_EQ(none.exit, 1);
    EXPECT_TRUE(none.err.contains("no patch matches \"nothing\""));
    EXPECT_EQ(syx({"library", "export", "--library", library()}).exit, 2);
}

TEST_F(LibraryTool, RefusesANewerLibraryAndSaysWhy)
{
    {
        auto created = openCollection(library().toStdString());
        ASSERT_TRUE(created);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
        db.setDatabaseName(library());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("PRAGMA user_version = 9");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    const Bytes before = dir_.read("library.sqlite");
    const ToolRun run = syx({"library", "import", "--library", library(),
                             QString::fromStdString(dir_.write("a.syx", bankFile(0)))});
    EXPECT_EQ(run.exit, 1);
    EXPECT_TRUE(run.err.contains("written by a newer Velmora")) << run.err.toStdString();
    EXPECT_EQ(dir_.read("library.sqlite"), before);
}

TEST_F(LibraryTool, KilledImportLeavesTheLibraryAsItWas)
{
    ASSERT_EQ(syx({"library", "import", "--library", library(),
                   QString::fromStdString(dir_.write("first.syx", bankFile(0)))})
                  .exit,
              0);
    const QString folder = bankFolder("big", 300, 100000); // 30,000 patches

    QProcess process;
    process.setReadChannel(QProcess::StandardError); // where it says it is adding
    process.start(QStringLiteral(VELMORA_SYX_PATH),
                  {"library", "import", "--library", library(), folder});
    QString err;
    const auto announced = [&] {
        const auto at = err.indexOf("adding");
        return at >= 0 && err.indexOf('\n', at) > at;
    };
    while (!announced() && process.waitForReadyRead(30000))
        err += QString::fromUtf8(process.readAllStandardError());
    ASSERT_TRUE(err.contains("adding 30000 patches")) << err.toStdString();
    QThread::msleep(150); // well into the transaction: 30,000 patches take seconds
    process.kill();       // SIGKILL: no chance to clean up
    process.waitForFinished();
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);

    // Opened first as the program opens it after the crash (its check reads
    // the file without writing), then checked whole.
    auto after = openCollection(library().toStdString());
    ASSERT_TRUE(after);
    EXPECT_EQ(integrityOf(library().toStdString()), "ok");
    EXPECT_EQ(after->count(), 100); // nothing of the killed import
    EXPECT_EQ(after->search({}).size(), 100u);
    EXPECT_TRUE(after->movedAside().isEmpty());
}

} // namespace
} // namespace velmora::test
