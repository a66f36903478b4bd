// The controller map: scaling and applying controller values to the current
// patch, relearning, the map file (a damaged one included), and the dialogs,
// reached through a right click in the real editor. A first controller learned
// and turning the cutoff and a bus amount is tried end to end over JACK
// (tests/e2e/ControllerKnobTest.cpp).
#include "perform/ControllerMap.h"
#include "editor/BusGroup.h"
#include "editor/ControlRows.h"
#include "editor/MatrixPage.h"
#include "editor/PatchEditorView.h"
#include "editor/TrackGenPresets.h"
#include "perform/AssignControllerDialog.h"
#include "perform/ControllerMapDialog.h"
#include "protocol/Messages.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"
#include "support/WidgetTesting.h"
#include "widgets/LampButton.h"
#include "widgets/Tag.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmora::perform {
namespace {

using test::child;
using test::whenShown;

using Bytes = test::RecordingSink::Bytes;

class ControllerMapTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sender.onMidiSendPatch = [this](const ParameterSender::Shown& shown) {
            ++wholePatches;
            if (shown)
                shown();
        };
        QObject::connect(&map, &ControllerMap::patchEdited, [this] { ++patchRefreshes; });
        QObject::connect(&map, &ControllerMap::matrixEdited, [this] { ++matrixRefreshes; });
    }

    // Maps `controller` to `control`, turns it to `value`; what went out.
    std::vector<Bytes> turn(int control, int controller, int value)
    {
        map.assign(control, controller);
        sink.sent.clear();
        map.handleController(controller, value);
        return sink.sent;
    }

    test::RecordingSink sink;
    PatchBuffer patch{};
    ParameterSender sender{sink, patch};
    editor::PatchEditing editing{patch, sender};
    bool learnPending = false;
    ControllerMap map{editing, learnPending};
    int wholePatches = 0;
    int patchRefreshes = 0;
    int matrixRefreshes = 0;
};

TEST_F(ControllerMapTest, ControllerValuesAreScaledToTheirParameter)
{
    // Dco Mix runs reversed: 0 gives 63, 127 gives 0.
    EXPECT_EQ(turn(6, 20, 0), (std::vector<Bytes>{parameterEdit(20, 63)}));
    EXPECT_EQ(patch[20], 63);
    EXPECT_EQ(turn(6, 20, 127), (std::vector<Bytes>{parameterEdit(20, 0)}));
    // DCO 2 Detune: 0 gives -32 (E0 in the record), 64 gives 0.
    turn(42, 21, 0);
    EXPECT_EQ(patch[19], 0xE0);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{parameterEdit(12, toSevenBit(12, 0xE0))}));
    turn(42, 21, 64);
    EXPECT_EQ(patch[19], 0);
    // Retrigger in quarters, the rest in halves.
    EXPECT_EQ(ControllerMap::scale(44, 127), 31);
    EXPECT_EQ(ControllerMap::scale(1, 127), 63);
    // Amounts: 126 and 127 both give 63, 0 gives -63, sent as 65.
    EXPECT_EQ(turn(46, 23, 0), (std::vector<Bytes>{parameterEdit(1, 65)}));
    EXPECT_EQ(patch[86], signedToByte(-63));
    turn(46, 23, 126);
    EXPECT_EQ(patch[86], 63);
    EXPECT_TRUE(turn(46, 23, 127).empty()) << "the same value is sent once only";
    EXPECT_EQ(patchRefreshes, 6);

    // "VCA 2 Amplitude by Envelope 2" goes as the whole patch.
    turn(62, 24, 0);
    EXPECT_EQ(patch[93], signedToByte(-63));
    EXPECT_EQ(wholePatches, 1);
    // A bus without a source keeps the amount and sends nothing.
    EXPECT_TRUE(turn(72, 31, 127).empty());
    EXPECT_EQ(patch[busOffset(3) + 1], 63);
    EXPECT_EQ(matrixRefreshes, 1);
    // An unmapped controller does nothing.
    sink.sent.clear();
    map.handleController(99, 64);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(ControllerMapTest, Relearning)
{
    map.assign(43, 30);
    map.setLearnTarget(43);
    EXPECT_EQ(map.handleLearning(20), "VCF Cutoff Frequency is now mapped to CC #20");
    // Another parameter cannot take it; learning is over all the same.
    map.setLearnTarget(8);
    map.requestLearning();
    EXPECT_EQ(map.handleLearning(20),
              "CC #20 is already mapped to VCF Cutoff Frequency. Please try another one");
    EXPECT_FALSE(learnPending);
    EXPECT_EQ(map.entry(8), 0);
    // Its own controller again: no message.
    map.setLearnTarget(43);
    EXPECT_EQ(map.handleLearning(20), "");
    // The controller it had before serves another parameter.
    map.setLearnTarget(8);
    EXPECT_EQ(map.handleLearning(30), "VCF Resonance is now mapped to CC #30");
}

TEST_F(ControllerMapTest, TheMapFile)
{
    test::TempDir dir;
    const QString path = QString::fromStdString(dir.path("ccmap.dat"));
    EXPECT_EQ(map.readMapFile(path), "") << "a missing file is an empty map";
    map.assign(0, 12);
    map.assign(89, 120);
    Bytes bytes = dir.read("ccmap.dat");
    ASSERT_EQ(bytes.size(), 91u);
    EXPECT_EQ(bytes[0], 12);
    EXPECT_EQ(bytes[89], 120);

    // Short, out of range, twice the same controller, an unused index:
    // what is valid is read, the rest left empty, and the user is told.
    Bytes damaged{0, 15, 121, 5, 15, 255};
    damaged.resize(40, 0);
    damaged[39] = 33;
    dir.write("ccmap.dat", damaged);
    const QString warning = map.readMapFile(path);
    EXPECT_TRUE(warning.contains("shorter than 91 bytes")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("4 of its entries")) << warning.toStdString();
    EXPECT_EQ(map.entry(1), 15);
    EXPECT_EQ(map.entry(39), 33);
    for (int i : {0, 2, 3, 4, 5, 89})
        EXPECT_EQ(map.entry(i), 0) << i;
    EXPECT_FALSE(map.isFree(15));
    EXPECT_TRUE(map.isFree(12));
    damaged.resize(91, 0);
    damaged[40] = 50; // "<not used>"
    dir.write("ccmap.dat", damaged);
    EXPECT_TRUE(map.readMapFile(path).contains("5 of its entries"));

    // A failed write keeps the old file and says why.
    QString error;
    QObject::connect(&map, &ControllerMap::errorOccurred,
                     [&](const QString& text) { error = text; });
    map.setFile(QString::fromStdString(dir.path("missing/ccmap.dat")));
    map.assign(7, 40);
    EXPECT_TRUE(error.startsWith("The controller map")) << error.toStdString();
}

// The editor wired as the main window wires it: a right click on a caption or
// a bus switch opens the assignment, and a controller moves what it drives.
TEST_F(ControllerMapTest, WiredToTheEditor)
{
    test::TempDir dir;
    editor::TrackGenPresets presets(QString::fromStdString(dir.path("trackgen.ini")));
    editor::PatchEditorView view(patch, sender, presets);
    QObject::connect(&view.context(), &editor::EditorContext::captionMenuRequested,
                     [&](int control) { handleTag(map, control, &view); });
    QObject::connect(&map, &ControllerMap::patchEdited, [&] { view.initPatchControls(); });
    QObject::connect(&map, &ControllerMap::matrixEdited, [&] { view.initMatrixControls(); });
    QObject::connect(&map, &ControllerMap::busToggleRequested,
                     [&](int bus) { view.matrix()->bus(bus)->toggle(); });
    view.show();
    const auto rightClick = [&](int control) {
        for (auto* caption : view.findChildren<editor::TagCaption*>())
            if (widgets::tagOf(caption) == control)
                return QTest::mouseClick(caption, Qt::RightButton);
        ADD_FAILURE() << "no caption for " << control;
    };

    map.assign(8, 13);
    map.assign(43, 20);
    whenShown<AssignControllerDialog>([](AssignControllerDialog& dialog) {
        EXPECT_EQ(child<QLabel>(dialog, "lblParaName")->text(), "VCF Cutoff Frequency");
        // 0, then 12, its own 20 and the free ones; 13 is taken.
        auto* cbCC = child<QComboBox>(dialog, "cbCC");
        EXPECT_EQ(cbCC->itemText(1), "12");
        EXPECT_EQ(cbCC->itemText(2), "14");
        EXPECT_EQ(cbCC->currentText(), "20");
        EXPECT_EQ(cbCC->count(), 1 + 109 - 1);
        cbCC->setCurrentText("74");
        QTest::mouseClick(child<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
    });
    rightClick(43);
    EXPECT_EQ(map.entry(43), 74);
    EXPECT_TRUE(map.isFree(20));
    EXPECT_EQ(map.learnTarget(), 43);
    map.handleController(74, 100);
    EXPECT_EQ(view.findChild<QScrollBar*>("sbVCFfreq")->value(), 127 - 100);

    // Clear frees the resonance's controller; Learn Mode waits for one.
    whenShown<AssignControllerDialog>([](AssignControllerDialog& dialog) {
        QTest::mouseClick(child<QPushButton>(dialog, "ClearBtn"), Qt::LeftButton);
    });
    rightClick(8);
    EXPECT_EQ(map.entry(8), 0);
    EXPECT_TRUE(map.isFree(13));
    whenShown<AssignControllerDialog>([](AssignControllerDialog& dialog) {
        QTest::mouseClick(child<QPushButton>(dialog, "LearnBtn"), Qt::LeftButton);
    });
    rightClick(8);
    EXPECT_TRUE(learnPending);
    ControllerMapDialog viewer(map);
    auto* sgMap = child<QTableWidget>(viewer, "sgMap");
    ASSERT_EQ(sgMap->rowCount(), 1);
    EXPECT_EQ(sgMap->item(0, 0)->text(), "VCF Cutoff Frequency");
    EXPECT_EQ(sgMap->item(0, 1)->text(), "74");

    // A switch flips on a non-zero value only (a button's release is 0).
    view.setCurrentIndex(2);
    whenShown<AssignControllerDialog>([](AssignControllerDialog& dialog) {
        child<QComboBox>(dialog, "cbCC")->setCurrentText("64");
        QTest::mouseClick(child<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(view.matrix()->bus(3)->busSwitch(), Qt::RightButton);
    map.handleController(64, 127);
    map.handleController(64, 0);
    EXPECT_TRUE(view.matrix()->bus(3)->busSwitch()->isChecked());
}

} // namespace
} // namespace velmora::perform
