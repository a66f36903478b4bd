// The small pieces of the application shell: where files live, one running
// copy, the help window and the about box.
#include "app/AboutDialog.h"
#include "app/AppPaths.h"
#include "app/HelpBrowser.h"
#include "app/SingleInstance.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora;
using velmora::test::TempDir;

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TEST(AppPaths, FilesStayBesideThePortableProgramOnly)
{
    TempDir dir;
    const QString program = q(dir.path("velmora"));
    QDir().mkpath(program);
    AppPaths::setProgramFolderForTests(program);
    EXPECT_EQ(AppPaths::writableFile("velmora.ini"), program + "/velmora.ini");
    EXPECT_EQ(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList{}); // no probe left

    // Read-only files: the writable folder, beside the program, then the data folder.
    QDir().mkpath(q(dir.path("share/velmora")));
    dir.write("share/velmora/default.syx", {0xF0});
    EXPECT_EQ(AppPaths::readableFile("default.syx"),
              QDir::cleanPath(q(dir.path("share/velmora/default.syx"))));
    dir.write("velmora/default.syx", {0xF0});
    EXPECT_EQ(AppPaths::readableFile("default.syx"), program + "/default.syx");

    // A program folder that cannot hold files (here: its parent is a file,
    // which binds root too): the per-user configuration folder.
    dir.write("file", {1});
    qputenv("XDG_CONFIG_HOME", dir.path("config").c_str());
    AppPaths::setProgramFolderForTests(q(dir.path("file/bin")));
    const QString writable = AppPaths::writableFolder();
    EXPECT_TRUE(writable.startsWith(q(dir.path("config")))) << writable.toStdString();
    EXPECT_TRUE(QDir(writable).exists());
    EXPECT_EQ(AppPaths::readableFile("trackgen.ini"), writable + "/trackgen.ini");

    // An installed program (bin/ with share/velmora/ beside it) writes to the
    // per-user folder although its folder is writable here, and reads its
    // data from share/velmora.
    const QString installed = q(dir.path("usr/bin"));
    QDir().mkpath(installed);
    QDir().mkpath(q(dir.path("usr/share/velmora")));
    dir.write("usr/share/velmora/default.syx", {0xF0});
    AppPaths::setProgramFolderForTests(installed);
    EXPECT_EQ(AppPaths::writableFolder(), writable);
    EXPECT_EQ(AppPaths::readableFile("default.syx"),
              QDir::cleanPath(q(dir.path("usr/share/velmora/default.syx"))));
    EXPECT_EQ(QDir(installed).entryList(QDir::Files | QDir::Hidden), QStringList{});
    AppPaths::setProgramFolderForTests({});
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(AppPaths, SettingsElsewhereStillFindTheInitialPatch)
{
    // Settings in a folder of their own (VELMORA_HOME): the initial patch is
    // the program's data, found beside the real executable. Were it missing,
    // start-up would stop on a message box and never quit.
    TempDir home;
    QProcess velmora;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELMORA_HOME", q(home.path("")));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // No JACK server for it: it would open the first port it finds, which
    // may be another test's instrument.
    environment.insert("JACK_NO_START_SERVER", "1");
    environment.insert("JACK_DEFAULT_SERVER", "velmora-test-no-server");
    // A single-instance socket of its own, so no other copy is mistaken for it.
    QDir().mkpath(q(home.path("run")));
    environment.insert("TMPDIR", q(home.path("run")));
    environment.insert("XDG_RUNTIME_DIR", q(home.path("run")));
    velmora.setProcessEnvironment(environment);
    velmora.start(QStringLiteral(VELMORA_PATH), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(velmora.waitForFinished(30000)) << "Velmora did not quit after start-up";
    EXPECT_EQ(velmora.exitCode(), 0) << velmora.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(q(home.path("default.syx"))));
}

TEST(SingleInstance, TheSecondCopyRaisesTheFirstAndGivesWay)
{
    const QString name = QStringLiteral("velmora-test-%1").arg(QCoreApplication::applicationPid());
    int raised = 0;
    QStringList opened;
    {
        SingleInstance first(name);
        QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });
        QObject::connect(&first, &SingleInstance::openRequested,
                         [&](const QString& path) { opened << path; });
        ASSERT_TRUE(first.tryBecomeFirst());
        SingleInstance second(name);
        EXPECT_FALSE(second.tryBecomeFirst());
        EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));
        // A copy started with files hands them over.
        SingleInstance third(name);
        EXPECT_FALSE(third.tryBecomeFirst({"/tmp/lead.syx", "/tmp/Ä b.vms"}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 5000));
        EXPECT_EQ(opened, (QStringList{"/tmp/lead.syx", "/tmp/\u00c4 b.vms"}));
    }
    // The first copy is gone: the next one becomes first.
    SingleInstance next(name);
    EXPECT_TRUE(next.tryBecomeFirst());
}

TEST(HelpBrowser, OpensEveryTopicAndFindsPages)
{
    HelpBrowser help;
    EXPECT_EQ(help.topics(), (std::vector<int>{1, 1001, 1010, 1011, 1012, 1013, 1014, 1015, 1017,
                                               1018, 1019, 1020, 1021, 1030, 1031}));
    help.showTopic(1017);
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.currentTopic(), 1017);
    for (const char* keys : {"Ctrl+D", "Ctrl+U", "Ctrl+H", "Ctrl+Q", "F1"})
        EXPECT_TRUE(help.currentText().contains(keys)) << keys;
    help.showTopic(4242);
    EXPECT_EQ(help.currentTopic(), 1);

    auto* back = help.findChild<QPushButton*>("btnBack");
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(help.currentTopic(), 1017);
    QTest::mouseClick(help.findChild<QPushButton*>("btnForward"), Qt::LeftButton);
    EXPECT_EQ(help.currentTopic(), 1);

    help.showSearch();
    auto* search = help.findChild<QLineEdit*>("edSearch");
    QTest::keyClicks(search, "mute step");
    auto* list = help.findChild<QListWidget*>("lbTopics");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Sequencer");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(help.currentTopic(), 1019);
    EXPECT_TRUE(help.search("xyzzy plugh").empty());
}

TEST(AboutBox, ShowsTheVersionAndBuild)
{
    AboutDialog about;
    const QString version = about.findChild<QLabel*>("lblVersion")->text();
    EXPECT_TRUE(
        QRegularExpression("^Version \\d+\\.\\d+\\.\\d+  Build \\d+$").match(version).hasMatch())
        << version.toStdString();
    EXPECT_FALSE(about.findChild<QLabel*>("imgIcon")->pixmap().isNull());
}
