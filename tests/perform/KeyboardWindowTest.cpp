// The keyboard window and the Set Note / Set Chord dialogs, played with the
// mouse: the bytes that go out, and what the dialogs write back.
#include "perform/KeyboardWindow.h"
#include "perform/ChordDialog.h"
#include "perform/NoteDialog.h"
#include "protocol/ParameterSender.h"
#include "support/RecordingSink.h"
#include "support/WidgetTesting.h"
#include "widgets/LevelBar.h"
#include "widgets/PianoKeyboard.h"

#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using velmora::ParameterSender;
using velmora::PatchBuffer;
using velmora::perform::ChordDialog;
using velmora::perform::KeyboardWindow;
using velmora::perform::NoteDialog;
using velmora::test::child;
using velmora::test::RecordingSink;
using velmora::widgets::LevelBar;
using velmora::widgets::PianoKeyboard;
using Bytes = RecordingSink::Bytes;
using Sent = std::vector<Bytes>;

// An output that fails as a device does once it is closed.
struct FailingSink : RecordingSink
{
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        if (!open)
            throw std::runtime_error("MIDI Output device not open");
        RecordingSink::sendShort(status, data1, data2);
    }
};

struct KeyboardWindowTest : ::testing::Test
{
    FailingSink sink;
    PatchBuffer patch{};
    ParameterSender sender{sink, patch};
    std::vector<bool> lamp;

    void SetUp() override { sender.setChannel(2); }
};

TEST_F(KeyboardWindowTest, KeysRibbonAndTranspose)
{
    KeyboardWindow window(sink, sender);
    QObject::connect(&window, &KeyboardWindow::ledChanged,
                     [this](bool lit) { lamp.push_back(lit); });
    auto* keys = child<PianoKeyboard>(window, "Keys");
    auto* lvlVelocity = child<LevelBar>(window, "lvlVelocity");
    auto* tbTranspose = child<QSlider>(window, "tbTranspose");
    auto* iModwheel = child(window, "iModwheel");

    // A slide from C to E, 100 pixels deep into keys 105 long: velocity 120.
    QTest::mousePress(keys, Qt::LeftButton, {}, QPoint(10, 100));
    EXPECT_EQ(lvlVelocity->position(), 120);
    QTest::mouseMove(keys, QPoint(30, 100));
    QTest::mouseMove(keys, QPoint(50, 100));
    EXPECT_EQ(sink.sent.size(), 5u);
    QTest::mouseRelease(keys, Qt::LeftButton, {}, QPoint(50, 100));
    EXPECT_EQ(sink.sent, (Sent{{0x92, 36, 120},
                               {0x82, 36, 120},
                               {0x92, 38, 120},
                               {0x82, 38, 120},
                               {0x92, 40, 120},
                               {0x82, 40, 120}}));
    EXPECT_EQ(lamp, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(lvlVelocity->position(), 0);

    // One octave up; the top row plays as softly as a note-on can.
    sink.sent.clear();
    QTest::keyClick(tbTranspose, Qt::Key_Right);
    EXPECT_EQ(keys->baseOctave(), 4);
    QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(10, 0));
    EXPECT_EQ(sink.sent, (Sent{{0x92, 48, 1}, {0x82, 48, 1}}));

    sink.sent.clear();
    QTest::mouseClick(iModwheel, Qt::LeftButton, {}, QPoint(0, 9));
    QTest::mouseClick(iModwheel, Qt::LeftButton, {}, QPoint(254, 9));
    EXPECT_EQ(sink.sent, (Sent{{0xB2, 1, 1}, {0xB2, 1, 0}, {0xB2, 1, 127}, {0xB2, 1, 0}}));
}

TEST_F(KeyboardWindowTest, FailingOutputIsToldOnceTheKeyIsLetGo)
{
    KeyboardWindow window(sink, sender);
    auto* keys = child<PianoKeyboard>(window, "Keys");
    QStringList told;
    QObject::connect(&window, &KeyboardWindow::errorOccurred,
                     [&](const QString& text) { told << text; });
    sink.open = false;
    QTest::mousePress(keys, Qt::LeftButton, {}, QPoint(10, 100));
    QTest::mouseMove(keys, QPoint(30, 100));
    QCoreApplication::processEvents();
    EXPECT_TRUE(told.isEmpty());
    QTest::mouseRelease(keys, Qt::LeftButton, {}, QPoint(30, 100));
    QTRY_COMPARE(told, QStringList{"MIDI Output device not open"});
    EXPECT_EQ(keys->currentNote(), -1);
}

TEST_F(KeyboardWindowTest, SetNotePicksWithFullVelocity)
{
    int note = 60;
    {
        NoteDialog dialog(sink, 2, note);
        QObject::connect(&dialog, &NoteDialog::ledChanged,
                         [this](bool lit) { lamp.push_back(lit); });
        QTest::mouseClick(child(dialog, "Keys"), Qt::LeftButton, {},
                          QPoint(305, 60)); // E of octave 4
        EXPECT_EQ(sink.sent, (Sent{{0x92, 64, 127}, {0x82, 64, 127}}));
        EXPECT_EQ(lamp, (std::vector<bool>{true, false}));
        QTest::mouseClick(child<QPushButton>(dialog, "Button2"), Qt::LeftButton);
    }
    EXPECT_EQ(note, 60);

    NoteDialog dialog(sink, 2, note);
    auto* keys = child(dialog, "Keys");
    QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(305, 60));
    QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(325, 60));
    QTest::mouseClick(child<QPushButton>(dialog, "Button1"), Qt::LeftButton);
    EXPECT_EQ(note, 67);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(KeyboardWindowTest, SetChordFourthClickReplacesTheFirst)
{
    int chord1 = 60, chord2 = 65, chord3 = 69;
    ChordDialog dialog(sink, 2, chord1, chord2, chord3);
    auto* keys = child(dialog, "Keys");
    auto* okBtn = child<QPushButton>(dialog, "OKBtn");
    EXPECT_FALSE(okBtn->isEnabled());
    for (const int x : {295, 305, 315})
        QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(x, 60));
    EXPECT_TRUE(okBtn->isEnabled());
    QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(325, 60));
    EXPECT_TRUE(okBtn->isEnabled());
    EXPECT_EQ(sink.sent.size(), 8u);
    EXPECT_EQ(sink.sent.at(6), (Bytes{0x92, 67, 127}));
    EXPECT_EQ(chord1, 60); // nothing is written before OK
    QTest::mouseClick(okBtn, Qt::LeftButton);
    EXPECT_EQ(chord1, 67);
    EXPECT_EQ(chord2, 64);
    EXPECT_EQ(chord3, 65);
}

} // namespace
