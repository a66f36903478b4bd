// The split editor driven through its real controls: what opening, each
// change, OK and Cancel send (byte for byte, with the pauses between), what
// they store, and that showing a split writes nothing.
#include "common/ErrorReporter.h"
#include "globals/SplitEditorDialog.h"
#include "support/RecordingSink.h"
#include "support/WidgetTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <numeric>

namespace velmora::globals {
namespace {

using Bytes = test::RecordingSink::Bytes;
using test::child;
constexpr int kSplit = 7;
constexpr int kChannel = 3;

const Bytes kModeOn{0xF0, 0x10, 0x02, 0x0D, 0x02, 0xF7};
const Bytes kModeOff{0xF0, 0x10, 0x02, 0x0D, 0x01, 0xF7};
// Stands for a 10 ms pause in the sent sequence.
const Bytes kPause{};

Bytes splitMessage(const SplitRecord& record)
{
    Bytes m{0xF0, 0x10, 0x06, 0x02, kSplit};
    for (Byte b : record) {
        m.push_back(b & 0x0F);
        m.push_back(b >> 4);
    }
    m.push_back(std::accumulate(record.begin(), record.end(), 0) & 0x7F);
    m.push_back(0xF7);
    return m;
}

class SplitEditorTest : public ::testing::Test
{
protected:
    SplitEditorTest()
    {
        for (std::size_t k = 0; k < bank.size(); ++k) {
            const std::string text = "PATCH " + std::to_string(10 + k % 90);
            std::copy(text.begin(), text.end(), bank[k].begin());
        }
    }

    // The dialog as the bank manager opens it, shown; mode-on sent.
    SplitEditorDialog& open()
    {
        dialog = std::make_unique<SplitEditorDialog>(entry, kSplit, bank, sink, kChannel, errors);
        dialog->session().setPause([this](std::chrono::milliseconds pause) {
            EXPECT_EQ(pause.count(), 10);
            sink.sent.push_back(kPause);
        });
        QObject::connect(dialog.get(), &SplitEditorDialog::splitStored,
                         [this](int split, const std::string& name) {
                             cell = {split, name};
                         });
        dialog->show();
        return *dialog;
    }

    test::RecordingSink sink;
    ErrorReporter errors;
    // "LEFTY ", two bytes not shown but carried, left limit 60, transpose -12,
    // MIDI on; right limit 72, transpose 5, MIDI off; balance -2, "4 / 2",
    // patches 42 and 3.
    SplitRecord entry{'L',  'E', 'F', 'T', 'Y', ' ',  0x55, 0x66, 60,
                      0xF4, 1,   72,  5,   0,   0xFE, 1,    42,   3};
    std::array<PatchBuffer, kBankPatchCount> bank{};
    std::unique_ptr<SplitEditorDialog> dialog;
    std::pair<int, std::string> cell{-1, ""};
};

TEST_F(SplitEditorTest, OpeningShowsTheSplitAndEntersSplitMode)
{
    const SplitRecord before = entry;
    SplitEditorDialog& d = open();
    EXPECT_EQ(child<QLineEdit>(d, "eName")->text(), "LEFTY ");
    EXPECT_EQ(child<QLabel>(d, "lblLeftTranspose")->text(), "-12");
    EXPECT_EQ(child<QLabel>(d, "lblLeftLimit")->text(), "60");
    EXPECT_EQ(child<QLabel>(d, "lblRightTranspose")->text(), "5");
    EXPECT_EQ(child<QLabel>(d, "lblBalance")->text(), "-2");
    EXPECT_TRUE(child<QCheckBox>(d, "cbLowerMidi")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(d, "cbUpperMidi")->isChecked());
    EXPECT_EQ(child<QComboBox>(d, "cbAlloc")->currentText(), "4 / 2");
    ASSERT_EQ(child<QComboBox>(d, "cbLower")->count(), 100);
    EXPECT_EQ(child<QComboBox>(d, "cbLower")->itemText(0), "0 - PATCH 10");
    EXPECT_EQ(child<QComboBox>(d, "cbLower")->currentText(), "42 - PATCH 52");
    EXPECT_EQ(child<QComboBox>(d, "cbUpper")->currentText(), "PATCH 13");
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{kModeOn, kPause, {0xC3, kSplit}}));
    EXPECT_EQ(entry, before);
    EXPECT_EQ(d.session().working(), before);
}

TEST_F(SplitEditorTest, OutOfRangeBytesAreShownClampedAndKept)
{
    entry[8] = 0xC8;  // limit above 127
    entry[12] = 0x40; // +64
    entry[14] = 0x80; // -128
    entry[15] = 9;
    entry[17] = 120;
    const SplitRecord before = entry;
    SplitEditorDialog& d = open();
    EXPECT_EQ(child<QSlider>(d, "tbLeftLimit")->value(), 127);
    EXPECT_EQ(child<QSlider>(d, "tbUpperTranspose")->value(), 24);
    EXPECT_EQ(child<QSlider>(d, "tbBalance")->value(), -31);
    EXPECT_EQ(child<QComboBox>(d, "cbAlloc")->currentIndex(), -1);
    EXPECT_EQ(child<QComboBox>(d, "cbUpper")->currentIndex(), -1);
    EXPECT_EQ(d.session().working(), before);
    EXPECT_EQ(sink.sent.size(), 3u);
}

TEST_F(SplitEditorTest, EveryChangeSendsTheWholeSplitAtOnce)
{
    SplitEditorDialog& d = open();
    sink.sent.clear();
    QTest::keyClick(child<QSlider>(d, "tbLowerTranspose"), Qt::Key_Left);
    SplitRecord expected = entry;
    expected[9] = 0xF3;
    EXPECT_EQ(d.session().working(), expected);
    EXPECT_EQ(child<QLabel>(d, "lblLeftTranspose")->text(), "-13");
    ASSERT_EQ(sink.sent.size(), 1u);
    EXPECT_EQ(sink.sent[0], splitMessage(expected)); // bytes 6 and 7 as received

    QTest::mouseClick(child<QCheckBox>(d, "cbUpperMidi"), Qt::LeftButton);
    expected[13] = 1;
    QTest::keyClick(child<QComboBox>(d, "cbAlloc"), Qt::Key_Down);
    expected[15] = 2;
    QTest::keyClick(child<QComboBox>(d, "cbLower"), Qt::Key_Up);
    expected[16] = 41;
    QTest::keyClick(child<QSlider>(d, "tbRightLimit"), Qt::Key_End);
    expected[11] = 127;
    EXPECT_EQ(sink.sent.size(), 5u);
    EXPECT_EQ(sink.sent.back(), splitMessage(expected));
    EXPECT_EQ(entry[9], 0xF4); // the table waits for OK
}

TEST_F(SplitEditorTest, CancelOrEscapeSendsTheBackupOnceAndLeavesSplitMode)
{
    const SplitRecord before = entry;
    for (const bool escape : {false, true}) {
        SplitEditorDialog& d = open();
        QTest::keyClick(child<QSlider>(d, "tbBalance"), Qt::Key_Right);
        QTest::mouseClick(child<QCheckBox>(d, "cbLowerMidi"), Qt::LeftButton);
        sink.sent.clear();
        if (escape)
            QTest::keyClick(child<QSlider>(d, "tbLeftLimit"), Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(d, "btnCancel"), Qt::LeftButton);
        EXPECT_EQ(sink.sent, (std::vector<Bytes>{splitMessage(before), kPause, kModeOff}));
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(entry, before);
        EXPECT_EQ(cell.first, -1);
        QTest::keyClick(child<QSlider>(d, "tbBalance"), Qt::Key_Escape); // once only
        EXPECT_EQ(sink.sent.size(), 3u);
    }
}

TEST_F(SplitEditorTest, OkStoresTheNameAndTheSplit)
{
    SplitEditorDialog& d = open();
    QTest::keyClick(child<QSlider>(d, "tbLeftLimit"), Qt::Key_Right);
    child<QLineEdit>(d, "eName")->setFocus();
    child<QLineEdit>(d, "eName")->selectAll();
    QTest::keyClicks(child<QLineEdit>(d, "eName"), "ab");
    sink.sent.clear();
    QTest::mouseClick(child<QPushButton>(d, "btnOK"), Qt::LeftButton);

    SplitRecord expected = d.session().working();
    EXPECT_EQ(std::string(expected.begin(), expected.begin() + 6), "AB    ");
    EXPECT_EQ(expected[8], 61);
    EXPECT_EQ(entry, expected);
    EXPECT_EQ(cell, std::make_pair(kSplit, std::string("AB    ")));
    EXPECT_EQ(child<QLineEdit>(d, "eName")->text(), "AB    ");
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{splitMessage(expected), kPause, kModeOff}));
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(SplitEditorTest, NameRuleWhenLeavingTheField)
{
    SplitEditorDialog& d = open();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    child<QLineEdit>(d, "eName")->setFocus();
    child<QLineEdit>(d, "eName")->clear();
    QTest::keyClicks(child<QLineEdit>(d, "eName"), "x~y1234");
    EXPECT_EQ(child<QLineEdit>(d, "eName")->text(), "x~y123");
    child<QComboBox>(d, "cbAlloc")->setFocus();
    EXPECT_EQ(child<QLineEdit>(d, "eName")->text(), "X Y123");
}

TEST_F(SplitEditorTest, ClosedOutputEditsAndStoresSilently)
{
    sink.open = false;
    SplitEditorDialog& d = open();
    QTest::keyClick(child<QSlider>(d, "tbUpperTranspose"), Qt::Key_Left);
    QTest::mouseClick(child<QPushButton>(d, "btnOK"), Qt::LeftButton);
    EXPECT_EQ(entry[12], 4);
    EXPECT_TRUE(sink.sent.empty());
}

} // namespace
} // namespace velmora::globals
