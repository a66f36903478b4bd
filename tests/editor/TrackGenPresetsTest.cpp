#include "editor/TrackGenPresets.h"
#include "editor/PresetNameDialog.h"
#include "support/TempDir.h"
#include "support/WidgetTesting.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace velmora::editor {
namespace {

using Curve = TrackGenPresets::Curve;

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

TEST(TrackGenPresets, ReadsSectionsInFileOrder)
{
    test::TempDir dir;
    TrackGenPresets presets(QString::fromStdString(dir.path("trackgen.ini")));
    presets.read();
    EXPECT_EQ(presets.count(), 0);

    writeText(dir.path("trackgen.ini"), "[Zeta]\nPoint 1=10\n\n[Alpha]\nPoint 1=0\nPoint 2=300\n"
                                        "Point 3=0x10\nPoint 4=63\nPoint 5=-1\n");
    presets.read();
    EXPECT_EQ(presets.names(), QStringList({"Zeta", "Alpha"}));
    EXPECT_EQ(presets.points(0), (Curve{10, 31, 31, 31, 31}));
    EXPECT_EQ(presets.points(1), (Curve{0, 44, 16, 63, 255}));
}

TEST(TrackGenPresets, SaveKeepsPlaceAndDeleteRereads)
{
    test::TempDir dir;
    const std::string path = dir.path("trackgen.ini");
    writeText(path, "[One]\nPoint 1=1\n[Two]\nPoint 1=2\n[Three]\nPoint 1=3\n");
    TrackGenPresets presets(QString::fromStdString(path));
    presets.read();

    EXPECT_EQ(presets.save("Two", {5, 6, 7, 8, 9}), std::nullopt);
    EXPECT_EQ(presets.names(), QStringList({"One", "Two", "Three"}));
    EXPECT_EQ(presets.points(1), (Curve{5, 6, 7, 8, 9}));
    EXPECT_EQ(presets.save(" New ", {63, 0, 63, 0, 63}), std::nullopt);
    EXPECT_EQ(presets.names(), QStringList({"One", "Two", "Three", "New"}));
    // A blank name writes nothing.
    EXPECT_EQ(presets.save("  ", {1, 1, 1, 1, 1}), std::nullopt);
    EXPECT_EQ(presets.count(), 4);

    EXPECT_EQ(presets.remove("One"), std::nullopt);
    EXPECT_EQ(presets.names(), QStringList({"Two", "Three", "New"}));
    // Another program removed a section meanwhile: the table follows the file.
    writeText(path, "[Three]\nPoint 1=3\n");
    EXPECT_EQ(presets.remove("Two"), std::nullopt);
    EXPECT_EQ(presets.names(), QStringList({"Three"}));
}

TEST(TrackGenPresets, UnwritableFileLeavesTheTableAsItWas)
{
    test::TempDir dir;
    // Root writes into read-only folders; a folder that is a regular file
    // stops everyone.
    const bool root = geteuid() == 0;
    const std::string folder = root ? dir.path("plain-file") : dir.path("locked");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/trackgen.ini";
    writeText(path, "[Kept]\nPoint 1=7\n");
    TrackGenPresets presets(QString::fromStdString(path));
    presets.read();
    if (root) {
        std::filesystem::remove_all(folder);
        writeText(folder, "");
    } else {
        chmod(folder.c_str(), 0555);
    }

    const auto message = presets.save("Other", {1, 2, 3, 4, 5});
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(message, "Unable to write to " + QString::fromStdString(path));
    EXPECT_EQ(presets.names(), QStringList({"Kept"}));
    EXPECT_EQ(presets.points(0), (Curve{7, 31, 31, 31, 31}));
}

// Found by fuzzing: a nameless section ("[]") after a preset kept no header
// when the file was saved, so its points joined that preset.
TEST(TrackGenPresets, SavingKeepsANamelessSectionOutOfThePresetBefore)
{
    test::TempDir dir;
    const std::string path = dir.path("trackgen.ini");
    writeText(path, "[One]\nPoint 1=1\n[]\nPoint 2=2\n");
    TrackGenPresets presets(QString::fromStdString(path));
    presets.read();
    EXPECT_EQ(presets.names(), QStringList({"One"}));
    ASSERT_EQ(presets.save("Two", {5, 6, 7, 8, 9}), std::nullopt);
    EXPECT_EQ(presets.names(), QStringList({"One", "Two"}));
    EXPECT_EQ(presets.points(0), (Curve{1, 31, 31, 31, 31}));
    ASSERT_EQ(presets.remove("Two"), std::nullopt);
    EXPECT_EQ(presets.points(0), (Curve{1, 31, 31, 31, 31}));
}

// The page test flips and mirrors a curve; here a point beyond the range.
TEST(TrackGenPresets, FlipKeepsPointsInRange)
{
    EXPECT_EQ(TrackGenPresets::flip({200, 64, 0, 0, 0}), (Curve{0, 0, 63, 63, 63}));
}

QPushButton* button(QWidget& dialog, const QString& text)
{
    for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

TEST(PresetNameDialog, AsksForANameBeforeClosing)
{
    PresetNameDialog dialog("");
    EXPECT_EQ(dialog.windowTitle(), "Save Preset As");
    auto* edit = dialog.findChild<QLineEdit*>("eName");
    ASSERT_TRUE(edit);
    dialog.open();

    QString shown;
    velmora::test::whenShown<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    QTest::keyClicks(edit, "   ");
    QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    EXPECT_EQ(shown, "Please enter a name for the preset.");
    EXPECT_TRUE(dialog.isVisible());

    edit->clear();
    QTest::keyClicks(edit, "Slow rise and a very long tail");
    EXPECT_EQ(edit->text().size(), 20);
    QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), "Slow rise and a very");

    PresetNameDialog cancelled("Soft");
    cancelled.open();
    EXPECT_EQ(cancelled.name(), "Soft");
    QTest::keyClick(&cancelled, Qt::Key_Escape);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

} // namespace
} // namespace velmora::editor
