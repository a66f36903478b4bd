// The matrix page driven through its real controls: what each bus edit
// writes into the patch and sends, what a refresh shows (and that it never
// writes or sends), and the two-click patch selector.
#include "editor/MatrixPage.h"
#include "editor/BusGroup.h"
#include "editor/PatchSelector.h"
#include "support/RecordingSink.h"
#include "widgets/LampButton.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

using Bytes = test::RecordingSink::Bytes;

Bytes busMessage(int bus, Byte source, Byte amount, Byte destination)
{
    return {0xF0, 0x10, 0x06, 0x0B, static_cast<Byte>(bus - 1), source, amount, destination, 0xF7};
}

class MatrixPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sender.onMatrixShown = [this](int bus, int amount) { shown = {bus, amount}; };
        sender.onSend6Patch = [this](const ParameterSender::Shown& afterSend) {
            ++wholePatches;
            if (afterSend)
                afterSend();
        };
        page.show();
    }

    // A patch as received: the bus bytes, then the page shown anew.
    void receive(int bus, Byte source, Byte amount, Byte destination)
    {
        const std::size_t s = busOffset(bus);
        patch[s] = source;
        patch[s + 1] = amount;
        patch[s + 2] = destination;
        page.refresh();
    }

    void clickSwitch(int bus) { QTest::mouseClick(page.bus(bus)->busSwitch(), Qt::LeftButton); }

    test::RecordingSink sink;
    PatchBuffer patch{};
    ParameterSender sender{sink, patch};
    PatchEditing editing{patch, sender};
    EditorContext context{editing};
    MatrixPage page{context};
    std::pair<int, int> shown{0, 0};
    int wholePatches = 0;
};

TEST_F(MatrixPageTest, AmountKeysWriteTheRecordAndSendSevenBits)
{
    receive(1, 1, 0, 1);
    QSlider* bar = page.bus(1)->trackBar();
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(patch[105], 255);
    ASSERT_EQ(sink.sent.size(), 1u);
    EXPECT_EQ(sink.sent.back(), busMessage(1, 1, 127, 1));
    EXPECT_EQ(shown, std::make_pair(1, -1));
    EXPECT_EQ(page.bus(1)->valueLabel()->text(), "-1");

    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(patch[105], 63);
    EXPECT_EQ(sink.sent.back(), busMessage(1, 1, 63, 1));
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(patch[105], 193);
    EXPECT_EQ(sink.sent.back(), busMessage(1, 1, 65, 1));

    patch[105] = 255;
    page.refresh();
    EXPECT_EQ(bar->value(), -1);

    // With the output closed the edit is kept and shown, and nothing goes out.
    sink.open = false;
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(patch[105], 0);
    EXPECT_EQ(sink.sent.size(), 3u);
    EXPECT_EQ(shown, std::make_pair(1, 0));
}

TEST_F(MatrixPageTest, SwitchingOffSendsTheRouteAtZeroThenClearsIt)
{
    receive(3, 5, 20, 9);
    clickSwitch(3);
    const std::vector<Bytes> expected = {busMessage(3, 5, 0, 9), busMessage(3, 0, 0, 0)};
    EXPECT_EQ(sink.sent, expected);
    EXPECT_EQ(patch[110], 0);
    EXPECT_EQ(patch[111], 0);
    EXPECT_EQ(patch[112], 0);
    BusGroup* bus = page.bus(3);
    for (QComboBox* list : {bus->SourceList(), bus->destinationList()}) {
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_FALSE(list->isEnabled());
    }
    EXPECT_EQ(bus->trackBar()->value(), 0);
    EXPECT_FALSE(bus->trackBar()->isEnabled());

    receive(3, 5, 0, 9);
    sink.sent.clear();
    clickSwitch(3);
    EXPECT_EQ(sink.sent, std::vector<Bytes>{busMessage(3, 0, 0, 0)});
}

TEST_F(MatrixPageTest, SwitchingOnSendsTheRecordedRouteAndListsTakeChoices)
{
    receive(2, 0, 12, 9);
    BusGroup* bus = page.bus(2);
    EXPECT_FALSE(bus->busSwitch()->isChecked());
    EXPECT_FALSE(bus->destinationList()->isEnabled());
    clickSwitch(2);
    EXPECT_EQ(bus->destinationList()->currentText(), "VCF Frequency");
    EXPECT_EQ(bus->SourceList()->currentIndex(), -1);
    EXPECT_EQ(bus->trackBar()->value(), 12);
    EXPECT_EQ(sink.sent, std::vector<Bytes>{busMessage(2, 0, 12, 9)});

    // The user picks the first source from the keyboard.
    QTest::keyClick(bus->SourceList(), Qt::Key_Home);
    EXPECT_EQ(patch[107], 1);
    EXPECT_EQ(sink.sent.back(), busMessage(2, 1, 12, 9));
    QTest::keyClick(bus->destinationList(), Qt::Key_Down);
    EXPECT_EQ(patch[109], 10);
    EXPECT_EQ(sink.sent.back(), busMessage(2, 1, 12, 10));

    // The controller mapping's toggle acts as a click.
    bus->toggle();
    EXPECT_FALSE(bus->busSwitch()->isChecked());
    EXPECT_EQ(sink.sent.back(), busMessage(2, 0, 0, 0));

    // Bus 1 shows the route it sends as well.
    receive(1, 0, 12, 9);
    clickSwitch(1);
    EXPECT_EQ(page.bus(1)->destinationList()->currentText(), "VCF Frequency");
}

// That a refresh sends and writes nothing on either model is checked on the
// whole editor (EditorWindow, tests/app); here what odd bus bytes show as.
TEST_F(MatrixPageTest, RefreshShowsOddBusBytesAsFarAsTheControlsReach)
{
    receive(4, 3, 40, 2); // bars away from 0 before the next patch
    receive(5, 2, 30, 7);
    patch[busOffset(4) + 1] = 100; // outside -63..+63
    patch[busOffset(5)] = 0;       // off, but still holding an amount
    const PatchBuffer before = patch;
    page.refresh();
    EXPECT_EQ(patch, before);
    EXPECT_EQ(page.bus(4)->trackBar()->value(), -63);
    EXPECT_EQ(page.bus(5)->trackBar()->value(), 0);
    EXPECT_FALSE(page.bus(5)->busSwitch()->isChecked());
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MatrixPageTest, Matrix6SendsTheWholePatchForEveryBusEdit)
{
    sender.setModel(SynthModel::Matrix6);
    receive(6, 4, 10, 3);
    QTest::keyClick(page.bus(6)->trackBar(), Qt::Key_Right);
    QTest::keyClick(page.bus(6)->SourceList(), Qt::Key_Down);
    clickSwitch(6); // the amount to 0, then the cleared bus
    clickSwitch(6);
    EXPECT_EQ(wholePatches, 5);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MatrixPageTest, RightClickOnASwitchOpensItsAssignment)
{
    int opened = -1;
    QObject::connect(&context, &EditorContext::captionMenuRequested,
                     [&opened](int control) { opened = control; });
    QTest::mouseClick(page.bus(3)->busSwitch(), Qt::RightButton);
    EXPECT_EQ(opened, 82);
    EXPECT_FALSE(page.bus(3)->busSwitch()->isChecked());
}

TEST_F(MatrixPageTest, TwoDigitClicksSelectAPatch)
{
    PatchSelector* selector = page.selector();
    int notes = 0;
    QObject::connect(selector, &PatchSelector::playNoteRequested, [&notes] { ++notes; });
    QTest::mouseClick(selector->button(4), Qt::LeftButton);
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(notes, 0);
    QTest::mouseClick(selector->button(2), Qt::LeftButton);
    ASSERT_EQ(sink.sent.size(), 1u);
    EXPECT_EQ(sink.sent[0], (Bytes{0xC0, 42}));
    EXPECT_EQ(notes, 1);
    EXPECT_FALSE(selector->pendingTens());

    sink.open = false; // a closed output is handed nothing
    QTest::mouseClick(selector->button(4), Qt::LeftButton);
    QTest::mouseClick(selector->button(2), Qt::LeftButton);
    EXPECT_EQ(sink.sent.size(), 1u);
}

} // namespace
} // namespace velmora::editor
