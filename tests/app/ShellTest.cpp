// The small pieces of the application shell: where files live, one running
// copy, the help window and the about box.
#include "AppPaths.h"
#include "HelpBrowser.h"
#include "SingleInstance.h"
#include "TempDir.h"
#include "TfrmAbout.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora;
using velmora::test::TempDir;

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TEST(AppPaths, FilesStayBesideThePortableProgramOnly)
{
    TempDir dir;
    const QString program = Q(dir.Path("velmora"));
    QDir().mkpath(program);
    AppPaths::SetProgramFolderForTests(program);
    EXPECT_EQ(AppPaths::WritableFile("velmora.ini"), program + "/velmora.ini");
    EXPECT_EQ(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList{}); // no probe left

    // Read-only files: the writable folder, beside the program, then the data folder.
    QDir().mkpath(Q(dir.Path("share/velmora")));
    dir.Write("share/velmora/default.syx", {0xF0});
    EXPECT_EQ(AppPaths::ReadableFile("default.syx"),
              QDir::cleanPath(Q(dir.Path("share/velmora/default.syx"))));
    dir.Write("velmora/default.syx", {0xF0});
    EXPECT_EQ(AppPaths::ReadableFile("default.syx"), program + "/default.syx");

    // A program folder that cannot hold files (here: its parent is a file,
    // which binds root too): the per-user configuration folder.
    dir.Write("file", {1});
    qputenv("XDG_CONFIG_HOME", dir.Path("config").c_str());
    AppPaths::SetProgramFolderForTests(Q(dir.Path("file/bin")));
    const QString writable = AppPaths::WritableFolder();
    EXPECT_TRUE(writable.startsWith(Q(dir.Path("config")))) << writable.toStdString();
    EXPECT_TRUE(QDir(writable).exists());
    EXPECT_EQ(AppPaths::ReadableFile("trackgen.ini"), writable + "/trackgen.ini");

    // An installed program (bin/ with share/velmora/ beside it) writes to the
    // per-user folder although its folder is writable here, and reads its
    // data from share/velmora.
    const QString installed = Q(dir.Path("usr/bin"));
    QDir().mkpath(installed);
    QDir().mkpath(Q(dir.Path("usr/share/velmora")));
    dir.Write("usr/share/velmora/default.syx", {0xF0});
    AppPaths::SetProgramFolderForTests(installed);
    EXPECT_EQ(AppPaths::WritableFolder(), writable);
    EXPECT_EQ(AppPaths::ReadableFile("default.syx"),
              QDir::cleanPath(Q(dir.Path("usr/share/velmora/default.syx"))));
    EXPECT_EQ(QDir(installed).entryList(QDir::Files | QDir::Hidden), QStringList{});
    AppPaths::SetProgramFolderForTests({});
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SingleInstance, TheSecondCopyRaisesTheFirstAndGivesWay)
{
    const QString name = QStringLiteral("velmora-test-%1").arg(QCoreApplication::applicationPid());
    int raised = 0;
    QStringList opened;
    {
        SingleInstance first(name);
        first.OnRaise = [&] { ++raised; };
        first.OnOpen = [&](const QString& path) { opened << path; };
        ASSERT_TRUE(first.TryBecomeFirst());
        SingleInstance second(name);
        EXPECT_FALSE(second.TryBecomeFirst());
        EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));
        // A copy started with files hands them over.
        SingleInstance third(name);
        EXPECT_FALSE(third.TryBecomeFirst({"/tmp/lead.syx", "/tmp/Ä b.vms"}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 5000));
        EXPECT_EQ(opened, (QStringList{"/tmp/lead.syx", "/tmp/\u00c4 b.vms"}));
    }
    // The first copy is gone: the next one becomes first.
    SingleInstance next(name);
    EXPECT_TRUE(next.TryBecomeFirst());
}

TEST(HelpBrowser, OpensEveryTopicAndFindsPages)
{
    HelpBrowser help;
    EXPECT_EQ(help.Topics(), (std::vector<int>{1, 1001, 1010, 1011, 1012, 1013, 1014, 1015, 1017,
                                               1018, 1019, 1020, 1021}));
    help.ShowTopic(1017);
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.CurrentTopic(), 1017);
    for (const char* keys : {"Ctrl+D", "Ctrl+U", "Ctrl+H", "Ctrl+Q", "F1"})
        EXPECT_TRUE(help.CurrentText().contains(keys)) << keys;
    help.ShowTopic(4242);
    EXPECT_EQ(help.CurrentTopic(), 1);

    auto* back = help.findChild<QPushButton*>("btnBack");
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(help.CurrentTopic(), 1017);
    QTest::mouseClick(help.findChild<QPushButton*>("btnForward"), Qt::LeftButton);
    EXPECT_EQ(help.CurrentTopic(), 1);

    help.ShowSearch();
    auto* search = help.findChild<QLineEdit*>("edSearch");
    QTest::keyClicks(search, "mute step");
    auto* list = help.findChild<QListWidget*>("lbTopics");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Sequencer");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(help.CurrentTopic(), 1019);
    EXPECT_TRUE(help.Search("no such words here").empty());
}

TEST(AboutBox, ShowsTheVersionAndBuild)
{
    TfrmAbout about;
    const QString version = about.findChild<QLabel*>("lblVersion")->text();
    EXPECT_TRUE(
        QRegularExpression("^Version \\d+\\.\\d+\\.\\d+  Build \\d+$").match(version).hasMatch())
        << version.toStdString();
    EXPECT_FALSE(about.findChild<QLabel*>("imgIcon")->pixmap().isNull());
}
