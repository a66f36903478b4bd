// The matrix page driven through its real controls: what each bus edit
// writes into the patch and sends, what a refresh shows (and that it never
// writes or sends), and the two-click patch selector.
#include "MatrixPage.h"
#include "BusGroup.h"
#include "PatchSelector.h"
#include "RecordingSink.h"
#include "TIACheckControl.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

using Bytes = test::RecordingSink::Bytes;

Bytes BusMessage(int bus, Byte source, Byte amount, Byte destination)
{
    return {0xF0, 0x10, 0x06, 0x0B, static_cast<Byte>(bus - 1), source, amount, destination, 0xF7};
}

class MatrixPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sender.OnMatrixShown = [this](int bus, int amount) { shown = {bus, amount}; };
        sender.OnSend6Patch = [this] { ++wholePatches; };
        page.show();
    }

    // A patch as received: the bus bytes, then the page shown anew.
    void Receive(int bus, Byte source, Byte amount, Byte destination)
    {
        const std::size_t s = BusOffset(bus);
        patch[s] = source;
        patch[s + 1] = amount;
        patch[s + 2] = destination;
        page.Refresh();
    }

    void ClickSwitch(int bus) { QTest::mouseClick(page.Bus(bus)->Switch(), Qt::LeftButton); }

    test::RecordingSink sink;
    PatchBuffer patch{};
    ParameterSender sender{sink, patch};
    PatchEditing editing{patch, sender};
    EditorContext context{editing, {}, {}, {}};
    MatrixPage page{context};
    std::pair<int, int> shown{0, 0};
    int wholePatches = 0;
};

TEST_F(MatrixPageTest, AmountKeysWriteTheRecordAndSendSevenBits)
{
    Receive(1, 1, 0, 1);
    QSlider* bar = page.Bus(1)->TrackBar();
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(patch[105], 255);
    ASSERT_EQ(sink.sent.size(), 1u);
    EXPECT_EQ(sink.sent.back(), BusMessage(1, 1, 127, 1));
    EXPECT_EQ(shown, std::make_pair(1, -1));
    EXPECT_EQ(page.Bus(1)->ValueLabel()->text(), "-1");

    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(patch[105], 63);
    EXPECT_EQ(sink.sent.back(), BusMessage(1, 1, 63, 1));
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(patch[105], 193);
    EXPECT_EQ(sink.sent.back(), BusMessage(1, 1, 65, 1));

    patch[105] = 255;
    page.Refresh();
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
    Receive(3, 5, 20, 9);
    ClickSwitch(3);
    const std::vector<Bytes> expected = {BusMessage(3, 5, 0, 9), BusMessage(3, 0, 0, 0)};
    EXPECT_EQ(sink.sent, expected);
    EXPECT_EQ(patch[110], 0);
    EXPECT_EQ(patch[111], 0);
    EXPECT_EQ(patch[112], 0);
    BusGroup* bus = page.Bus(3);
    for (QComboBox* list : {bus->SourceList(), bus->DestinationList()}) {
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_FALSE(list->isEnabled());
    }
    EXPECT_EQ(bus->TrackBar()->value(), 0);
    EXPECT_FALSE(bus->TrackBar()->isEnabled());

    Receive(3, 5, 0, 9);
    sink.sent.clear();
    ClickSwitch(3);
    EXPECT_EQ(sink.sent, std::vector<Bytes>{BusMessage(3, 0, 0, 0)});
}

TEST_F(MatrixPageTest, SwitchingOnSendsTheRecordedRouteAndListsTakeChoices)
{
    Receive(2, 0, 12, 9);
    BusGroup* bus = page.Bus(2);
    EXPECT_FALSE(bus->Switch()->isChecked());
    EXPECT_FALSE(bus->DestinationList()->isEnabled());
    ClickSwitch(2);
    EXPECT_EQ(bus->DestinationList()->currentText(), "VCF Frequency");
    EXPECT_EQ(bus->SourceList()->currentIndex(), -1);
    EXPECT_EQ(bus->TrackBar()->value(), 12);
    EXPECT_EQ(sink.sent, std::vector<Bytes>{BusMessage(2, 0, 12, 9)});

    // The user picks the first source from the keyboard.
    QTest::keyClick(bus->SourceList(), Qt::Key_Home);
    EXPECT_EQ(patch[107], 1);
    EXPECT_EQ(sink.sent.back(), BusMessage(2, 1, 12, 9));
    QTest::keyClick(bus->DestinationList(), Qt::Key_Down);
    EXPECT_EQ(patch[109], 10);
    EXPECT_EQ(sink.sent.back(), BusMessage(2, 1, 12, 10));

    // The controller mapping's toggle acts as a click.
    bus->Toggle();
    EXPECT_FALSE(bus->Switch()->isChecked());
    EXPECT_EQ(sink.sent.back(), BusMessage(2, 0, 0, 0));

    // Bus 1 shows the route it sends as well.
    Receive(1, 0, 12, 9);
    ClickSwitch(1);
    EXPECT_EQ(page.Bus(1)->DestinationList()->currentText(), "VCF Frequency");
}

// That a refresh sends and writes nothing on either model is checked on the
// whole editor (EditorWindow, tests/app); here what odd bus bytes show as.
TEST_F(MatrixPageTest, RefreshShowsOddBusBytesAsFarAsTheControlsReach)
{
    Receive(4, 3, 40, 2); // bars away from 0 before the next patch
    Receive(5, 2, 30, 7);
    patch[BusOffset(4) + 1] = 100; // outside -63..+63
    patch[BusOffset(5)] = 0;       // off, but still holding an amount
    const PatchBuffer before = patch;
    page.Refresh();
    EXPECT_EQ(patch, before);
    EXPECT_EQ(page.Bus(4)->TrackBar()->value(), -63);
    EXPECT_EQ(page.Bus(5)->TrackBar()->value(), 0);
    EXPECT_FALSE(page.Bus(5)->Switch()->isChecked());
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MatrixPageTest, Matrix6SendsTheWholePatchForEveryBusEdit)
{
    sender.SetModel(Model::Matrix6);
    Receive(6, 4, 10, 3);
    QTest::keyClick(page.Bus(6)->TrackBar(), Qt::Key_Right);
    QTest::keyClick(page.Bus(6)->SourceList(), Qt::Key_Down);
    ClickSwitch(6); // the amount to 0, then the cleared bus
    ClickSwitch(6);
    EXPECT_EQ(wholePatches, 5);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MatrixPageTest, RightClickOnASwitchOpensItsAssignment)
{
    int opened = -1;
    context.captionMenu = [&opened](int control) { opened = control; };
    QTest::mouseClick(page.Bus(3)->Switch(), Qt::RightButton);
    EXPECT_EQ(opened, 82);
    EXPECT_FALSE(page.Bus(3)->Switch()->isChecked());
}

TEST_F(MatrixPageTest, TwoDigitClicksSelectAPatch)
{
    PatchSelector* selector = page.Selector();
    int notes = 0;
    selector->OnPlayNote = [&notes] { ++notes; };
    QTest::mouseClick(selector->Button(4), Qt::LeftButton);
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(notes, 0);
    QTest::mouseClick(selector->Button(2), Qt::LeftButton);
    ASSERT_EQ(sink.sent.size(), 1u);
    EXPECT_EQ(sink.sent[0], (Bytes{0xC0, 42}));
    EXPECT_EQ(notes, 1);
    EXPECT_FALSE(selector->PendingTens());

    sink.open = false; // a closed output is handed nothing
    QTest::mouseClick(selector->Button(4), Qt::LeftButton);
    QTest::mouseClick(selector->Button(2), Qt::LeftButton);
    EXPECT_EQ(sink.sent.size(), 1u);
}

} // namespace
} // namespace velmora::editor
