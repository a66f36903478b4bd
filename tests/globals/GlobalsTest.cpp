// The global controls: the bytes a move of each bar writes and sends, and what
// a refresh from a received record shows (it never writes or sends).
#include "globals/GlobalControls.h"
#include "support/RecordingSink.h"
#include "support/WidgetTesting.h"

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora::globals {
namespace {

using Bytes = test::RecordingSink::Bytes;
using test::child;

void press(QSlider* bar, Qt::Key key, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(bar, key);
}

class GlobalsTest : public ::testing::Test
{
protected:
    void SetUp() override { controls.show(); }

    test::RecordingSink sink;
    GlobalControls::GlobalRecord record{};
    int channel = 0;
    GlobalControls controls{record, sink, [this] { return channel; }};
};

TEST_F(GlobalsTest, EachBarWritesAndSendsItsParameter)
{
    press(child<QSlider>(controls, "tbTRANSPOSE"), Qt::Key_Left, 12);
    EXPECT_EQ(record[34], 0xF4);
    EXPECT_EQ(child<QLabel>(controls, "lblTranspose")->text(), "-12");
    ASSERT_EQ(sink.sent.size(), 12u);
    EXPECT_EQ(sink.sent.back(), (Bytes{0xB0, 0x64, 0x02, 0x65, 0x00, 0x06, 0x34}));

    channel = 5;
    press(child<QSlider>(controls, "tbBEND"), Qt::Key_Right, 11);
    EXPECT_EQ(record[164], 12);
    EXPECT_EQ(sink.sent.back(), (Bytes{0xB5, 0x64, 0x00, 0x65, 0x00, 0x06, 12}));
    QTest::keyClick(child<QSlider>(controls, "tbTUNE"), Qt::Key_Home);
    EXPECT_EQ(record[8], 0xE1);
    EXPECT_EQ(sink.sent.back(), (Bytes{0xB5, 0x64, 0x01, 0x65, 0x00, 0x06, 33}));
    QTest::keyClick(child<QSlider>(controls, "tbTUNE"), Qt::Key_End);
    EXPECT_EQ(record[8], 31);
    EXPECT_EQ(sink.sent.back(), (Bytes{0xB5, 0x64, 0x01, 0x65, 0x00, 0x06, 95}));

    // A closed output: the record is written all the same.
    sink.open = false;
    sink.sent.clear();
    press(child<QSlider>(controls, "tbTRANSPOSE"), Qt::Key_Right, 3);
    EXPECT_EQ(record[34], 0xF7);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(GlobalsTest, AMatrix6MasterRecordShowsAndWritesNoBendRange)
{
    // Byte 164 of a Matrix-6 master record is entry 28 of a table (28 in a
    // unit's dump), not the bend range.
    record[164] = 28;
    controls.setModel(SynthModel::Matrix6);
    auto* bend = child<QSlider>(controls, "tbBEND");
    EXPECT_FALSE(bend->isEnabled());
    EXPECT_EQ(child<QLabel>(controls, "lblBendRange")->text(), "");
    bend->setValue(bend->value() + 5); // even a move from code does nothing
    EXPECT_EQ(record[164], 28);
    EXPECT_TRUE(sink.sent.empty());

    controls.setModel(SynthModel::Matrix1000);
    EXPECT_TRUE(bend->isEnabled());
    EXPECT_EQ(child<QLabel>(controls, "lblBendRange")->text(), "24");
}

TEST_F(GlobalsTest, ShowingARecordClampsAndNeverWritesOrSends)
{
    // The empty record the window was made with: bend range 0 shows as 1.
    EXPECT_EQ(child<QLabel>(controls, "lblBendRange")->text(), "1");
    EXPECT_EQ(record, GlobalControls::GlobalRecord{});

    record[8] = 0xF6;
    record[34] = 0x80;  // -128
    record[100] = 0x5A; // bytes the program does not show stay as well
    const GlobalControls::GlobalRecord received = record;
    controls.initGlobalControls();
    EXPECT_EQ(child<QLabel>(controls, "lblMasterTUne")->text(), "-10");
    EXPECT_EQ(child<QLabel>(controls, "lblTranspose")->text(), "-24");
    EXPECT_EQ(record, received);

    record[8] = 0x28;
    record[34] = 0x40; // +64 as two's complement: the top of the bar
    record[164] = 0x7F;
    const GlobalControls::GlobalRecord second = record;
    controls.initGlobalControls();
    EXPECT_EQ(child<QSlider>(controls, "tbTUNE")->value(), 31);
    EXPECT_EQ(child<QSlider>(controls, "tbTRANSPOSE")->value(), 24);
    EXPECT_EQ(child<QLabel>(controls, "lblBendRange")->text(), "24");
    EXPECT_EQ(record, second);
    EXPECT_TRUE(sink.sent.empty());

    // The user's move is what writes.
    QTest::keyClick(child<QSlider>(controls, "tbBEND"), Qt::Key_Left);
    EXPECT_EQ(record[164], 23);
    EXPECT_EQ(sink.sent.size(), 1u);
}

} // namespace
} // namespace velmora::globals
