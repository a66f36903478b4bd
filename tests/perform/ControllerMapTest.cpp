// The controller map: scaling and applying controller values to the current
// patch, relearning, the map file (a damaged one included), and the dialogs,
// reached through a right click in the real editor. A first controller learned
// and turning the cutoff and a bus amount is tried end to end over JACK
// (tests/e2e/ControllerKnobTest.cpp).
#include "ControllerMap.h"
#include "BusGroup.h"
#include "ControlRows.h"
#include "MatrixPage.h"
#include "Messages.h"
#include "PatchEditorView.h"
#include "RecordingSink.h"
#include "TIACheckControl.h"
#include "Tag.h"
#include "TempDir.h"
#include "TfrmAssignCC.h"
#include "TfrmViewMap.h"
#include "TrackGenPresets.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmora::perform {
namespace {

using Bytes = test::RecordingSink::Bytes;

class ControllerMapTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sender.OnMidiSendPatch = [this] { ++wholePatches; };
        map.InitPatchControls = [this] { ++patchRefreshes; };
        map.InitMatrixControls = [this] { ++matrixRefreshes; };
    }

    // Maps `controller` to `control`, turns it to `value`; what went out.
    std::vector<Bytes> Turn(int control, int controller, int value)
    {
        map.Assign(control, controller);
        sink.sent.clear();
        map.HandleController(controller, value);
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
    EXPECT_EQ(Turn(6, 20, 0), (std::vector<Bytes>{ParameterEdit(20, 63)}));
    EXPECT_EQ(patch[20], 63);
    EXPECT_EQ(Turn(6, 20, 127), (std::vector<Bytes>{ParameterEdit(20, 0)}));
    // DCO 2 Detune: 0 gives -32 (E0 in the record), 64 gives 0.
    Turn(42, 21, 0);
    EXPECT_EQ(patch[19], 0xE0);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{ParameterEdit(12, ToSevenBit(12, 0xE0))}));
    Turn(42, 21, 64);
    EXPECT_EQ(patch[19], 0);
    // Retrigger in quarters, the rest in halves.
    EXPECT_EQ(ControllerMap::Scale(44, 127), 31);
    EXPECT_EQ(ControllerMap::Scale(1, 127), 63);
    // Amounts: 126 and 127 both give 63, 0 gives -63, sent as 65.
    EXPECT_EQ(Turn(46, 23, 0), (std::vector<Bytes>{ParameterEdit(1, 65)}));
    EXPECT_EQ(patch[86], SignedToByte(-63));
    Turn(46, 23, 126);
    EXPECT_EQ(patch[86], 63);
    EXPECT_TRUE(Turn(46, 23, 127).empty()) << "the same value is sent once only";
    EXPECT_EQ(patchRefreshes, 6);

    // "VCA 2 Amplitude by Envelope 2" goes as the whole patch.
    Turn(62, 24, 0);
    EXPECT_EQ(patch[93], SignedToByte(-63));
    EXPECT_EQ(wholePatches, 1);
    // A bus without a source keeps the amount and sends nothing.
    EXPECT_TRUE(Turn(72, 31, 127).empty());
    EXPECT_EQ(patch[BusOffset(3) + 1], 63);
    EXPECT_EQ(matrixRefreshes, 1);
    // An unmapped controller does nothing.
    sink.sent.clear();
    map.HandleController(99, 64);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(ControllerMapTest, Relearning)
{
    map.Assign(43, 30);
    map.SetLearnTarget(43);
    EXPECT_EQ(map.HandleLearning(20), "VCF Cutoff Frequency is now mapped to CC #20");
    // Another parameter cannot take it; learning is over all the same.
    map.SetLearnTarget(8);
    map.RequestLearning();
    EXPECT_EQ(map.HandleLearning(20),
              "CC #20 is already mapped to VCF Cutoff Frequency. Please try another one");
    EXPECT_FALSE(learnPending);
    EXPECT_EQ(map.Entry(8), 0);
    // Its own controller again: no message.
    map.SetLearnTarget(43);
    EXPECT_EQ(map.HandleLearning(20), "");
    // The controller it had before serves another parameter.
    map.SetLearnTarget(8);
    EXPECT_EQ(map.HandleLearning(30), "VCF Resonance is now mapped to CC #30");
}

TEST_F(ControllerMapTest, TheMapFile)
{
    test::TempDir dir;
    const QString path = QString::fromStdString(dir.Path("ccmap.dat"));
    EXPECT_EQ(map.ReadMapFile(path), "") << "a missing file is an empty map";
    map.Assign(0, 12);
    map.Assign(89, 120);
    Bytes bytes = dir.Read("ccmap.dat");
    ASSERT_EQ(bytes.size(), 91u);
    EXPECT_EQ(bytes[0], 12);
    EXPECT_EQ(bytes[89], 120);

    // Short, out of range, twice the same controller, an unused index:
    // what is valid is read, the rest left empty, and the user is told.
    Bytes damaged{0, 15, 121, 5, 15, 255};
    damaged.resize(40, 0);
    damaged[39] = 33;
    dir.Write("ccmap.dat", damaged);
    const QString warning = map.ReadMapFile(path);
    EXPECT_TRUE(warning.contains("shorter than 91 bytes")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("4 of its entries")) << warning.toStdString();
    EXPECT_EQ(map.Entry(1), 15);
    EXPECT_EQ(map.Entry(39), 33);
    for (int i : {0, 2, 3, 4, 5, 89})
        EXPECT_EQ(map.Entry(i), 0) << i;
    EXPECT_FALSE(map.IsFree(15));
    EXPECT_TRUE(map.IsFree(12));
    damaged.resize(91, 0);
    damaged[40] = 50; // "<not used>"
    dir.Write("ccmap.dat", damaged);
    EXPECT_TRUE(map.ReadMapFile(path).contains("5 of its entries"));

    // A failed write keeps the old file and says why.
    QString error;
    map.OnError = [&](const QString& text) { error = text; };
    map.SetFile(QString::fromStdString(dir.Path("missing/ccmap.dat")));
    map.Assign(7, 40);
    EXPECT_TRUE(error.startsWith("The controller map")) << error.toStdString();
}

// Runs `act` on the dialog once it is shown modally.
template <typename Dialog, typename Act> void WhenShown(Act act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// The editor wired as the main window wires it: a right click on a caption or
// a bus switch opens the assignment, and a controller moves what it drives.
TEST_F(ControllerMapTest, WiredToTheEditor)
{
    test::TempDir dir;
    editor::TrackGenPresets presets(QString::fromStdString(dir.Path("trackgen.ini")));
    editor::PatchEditorView view(patch, sender, presets);
    view.Context().captionMenu = [&](int control) { HandleTag(map, control, &view); };
    map.InitPatchControls = [&] { view.InitPatchControls(); };
    map.InitMatrixControls = [&] { view.InitMatrixControls(); };
    map.ToggleBus = [&](int bus) { view.Matrix()->Bus(bus)->Toggle(); };
    view.show();
    const auto rightClick = [&](int control) {
        for (auto* caption : view.findChildren<editor::TagCaption*>())
            if (widgets::TagOf(caption) == control)
                return QTest::mouseClick(caption, Qt::RightButton);
        ADD_FAILURE() << "no caption for " << control;
    };

    map.Assign(8, 13);
    map.Assign(43, 20);
    WhenShown<TfrmAssignCC>([](TfrmAssignCC& dialog) {
        EXPECT_EQ(dialog.lblParaName->text(), "VCF Cutoff Frequency");
        // 0, then 12, its own 20 and the free ones; 13 is taken.
        EXPECT_EQ(dialog.cbCC->itemText(1), "12");
        EXPECT_EQ(dialog.cbCC->itemText(2), "14");
        EXPECT_EQ(dialog.cbCC->currentText(), "20");
        EXPECT_EQ(dialog.cbCC->count(), 1 + 109 - 1);
        dialog.cbCC->setCurrentText("74");
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    });
    rightClick(43);
    EXPECT_EQ(map.Entry(43), 74);
    EXPECT_TRUE(map.IsFree(20));
    EXPECT_EQ(map.LearnTarget(), 43);
    map.HandleController(74, 100);
    EXPECT_EQ(view.findChild<QScrollBar*>("sbVCFfreq")->value(), 127 - 100);

    // Clear frees the resonance's controller; Learn Mode waits for one.
    WhenShown<TfrmAssignCC>(
        [](TfrmAssignCC& dialog) { QTest::mouseClick(dialog.ClearBtn, Qt::LeftButton); });
    rightClick(8);
    EXPECT_EQ(map.Entry(8), 0);
    EXPECT_TRUE(map.IsFree(13));
    WhenShown<TfrmAssignCC>(
        [](TfrmAssignCC& dialog) { QTest::mouseClick(dialog.LearnBtn, Qt::LeftButton); });
    rightClick(8);
    EXPECT_TRUE(learnPending);
    TfrmViewMap viewer(map);
    ASSERT_EQ(viewer.sgMap->rowCount(), 1);
    EXPECT_EQ(viewer.sgMap->item(0, 0)->text(), "VCF Cutoff Frequency");
    EXPECT_EQ(viewer.sgMap->item(0, 1)->text(), "74");

    // A switch flips on a non-zero value only (a button's release is 0).
    view.setCurrentIndex(2);
    WhenShown<TfrmAssignCC>([](TfrmAssignCC& dialog) {
        dialog.cbCC->setCurrentText("64");
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(view.Matrix()->Bus(3)->Switch(), Qt::RightButton);
    map.HandleController(64, 127);
    map.HandleController(64, 0);
    EXPECT_TRUE(view.Matrix()->Bus(3)->Switch()->isChecked());
}

} // namespace
} // namespace velmora::perform
