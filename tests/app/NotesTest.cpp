// Every note Velmora sounds ends, on the channel and key it sounds on: the
// Play commands, the keyboard window, the picking dialogs and the sequencer,
// driven through the main window's actions and the windows' own controls
// against the built-in instrument, whose log must pair each note-on with a
// later note-off. The MIDI-out lamp goes dark with the last note.
#include "app/WindowRig.h"
#include "perform/KeyboardWindow.h"
#include "perform/NoteDialog.h"
#include "perform/NotePlayer.h"
#include "perform/SequencerWindow.h"
#include "support/NoteLog.h"
#include "widgets/Led.h"
#include "widgets/PanelSwitch.h"
#include "widgets/PianoKeyboard.h"

#include <QDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora;
using Log = std::vector<std::vector<Byte>>;

namespace {

// Past the end of a test note or chord started now.
constexpr int kNotesOverMs = perform::NotePlayer::kNoteLengthMs + 300;

// The keyboard window's keys: C of octave 3 is note 36, white keys 20 wide.
QPoint keyboardKey(int white)
{
    return {white * 20 + 10, 100};
}
// The picking dialogs' keys: C of octave 1 is note 12, white keys 10 wide;
// x 295 is note 62, 305 is 64.
constexpr int kPick62 = 295;
constexpr int kPick64 = 305;

// What All Notes Off sends on a channel for the test note and chord.
Log panic(int channel, std::uint8_t note, std::array<std::uint8_t, 3> chord)
{
    const auto off = static_cast<Byte>(0x80 + channel);
    const auto control = static_cast<Byte>(0xB0 + channel);
    return {{off, note, 100},     {off, chord[0], 100}, {off, chord[1], 100},
            {off, chord[2], 100}, {control, 123, 0},    {control, 121, 0}};
}

struct NotesRig
{
    test::ProgramFolder folder;
    test::WindowRig rig;
    widgets::Led* lamp = nullptr;

    NotesRig()
    {
        EXPECT_TRUE(rig.window->startUp());
        rig.window->show();
        lamp = test::child<widgets::Led>(*rig.window, "ledMidiOut");
        rig.clearLog();
    }

    void play(const char* action) { rig.action(QLatin1String(action))->trigger(); }
    test::NoteCheck notes() { return test::checkNotes(rig.received()); }
    // The instrument channel, 1..16, set in the MIDI setup dialog.
    void setChannel(int channel)
    {
        test::whenShown<QDialog>([channel](QDialog& dialog) {
            test::child<QSpinBox>(dialog, "seChannel")->setValue(channel);
            dialog.accept();
        });
        play("aMidiSetup");
    }
    // Picks in the Set Note or Set Chord dialog, then OK.
    void pick(const char* action, std::vector<int> xs, const char* ok)
    {
        test::whenShown<QDialog>([xs, ok](QDialog& dialog) {
            QWidget* keys = test::child(dialog, "Keys");
            for (const int x : xs)
                QTest::mouseClick(keys, Qt::LeftButton, {}, QPoint(x, 60));
            test::child<QPushButton>(dialog, QLatin1String(ok))->click();
        });
        play(action);
    }
    widgets::PianoKeyboard* keyboard()
    {
        play("aKeyboard");
        auto* window = test::child<perform::KeyboardWindow>(*rig.window, "frmKeys");
        return test::child<widgets::PianoKeyboard>(*window, "Keys");
    }
};

} // namespace

TEST(Notes, PlayCommandsEndEachNoteOnItsOwnKeyAndChannel)
{
    NotesRig r;

    // The same note twice within its second, a chord that repeats a note, a
    // long note while the test note changes, and a note and the long note
    // while the channel changes.
    r.play("aNote");
    QTest::qWait(300);
    r.play("aNote");
    r.pick("aSetChord", {kPick62, kPick62, kPick64}, "OKBtn");
    r.play("aChord");
    r.play("aDrone"); // note 60
    r.pick("aSetNote", {kPick64, kPick62}, "Button1");
    r.play("aNote"); // note 62
    EXPECT_TRUE(r.lamp->active());
    r.setChannel(4);
    r.play("aNote");
    r.play("aDrone"); // ends 60 on channel 1
    QTest::qWait(kNotesOverMs);
    auto check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // A test note on the key the long note holds: the long note goes on
    // sounding past the test note's second, until it is switched off.
    r.rig.clearLog();
    r.play("aDrone"); // note 62 on channel 4
    r.play("aNote");
    QTest::qWait(kNotesOverMs);
    check = r.notes();
    EXPECT_TRUE(check.faults.empty()) << check.describe();
    EXPECT_TRUE(check.sounds(3, 62));
    EXPECT_TRUE(r.lamp->active());
    r.play("aDrone");
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // All Notes Off while the long note, a note and a chord (its later notes
    // still due) sound on two channels: each ends where it sounds before the
    // command's own messages, and no timer sends anything afterwards, not
    // even to a note played after it on the same key.
    r.rig.clearLog();
    r.play("aDrone");
    r.play("aNote");
    r.setChannel(2);
    r.play("aChord");
    r.play("aNotesOff");
    Log log = r.rig.received();
    const Log tail = panic(1, 62, {62, 62, 64});
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(Log(log.end() - 6, log.end()), tail);
    check = test::checkNotes(Log(log.begin(), log.end() - 6));
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());
    r.rig.clearLog();
    QTest::qWait(500);
    r.play("aNote");
    QTest::qWait(kNotesOverMs);
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_EQ(r.rig.received().size(), 2u);
    EXPECT_FALSE(r.lamp->active());

    // Closing the main window ends the notes that sound before the output
    // closes.
    r.rig.clearLog();
    r.play("aDrone");
    r.play("aChord");
    QTest::qWait(50);
    r.rig.window->close();
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());
}

TEST(Notes, TheKeyboardWindowEndsEveryKeyItPlays)
{
    NotesRig r;
    widgets::PianoKeyboard* keys = r.keyboard();

    // A slide over three keys, out of the keyboard and back onto a fourth,
    // let go outside the window.
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(0));
    QTest::mouseMove(keys, keyboardKey(1));
    QTest::mouseMove(keys, keyboardKey(2));
    QTest::mouseMove(keys, QPoint(-20, 100));
    QTest::mouseMove(keys, QPoint(400, 300));
    QTest::mouseMove(keys, keyboardKey(3));
    EXPECT_TRUE(r.lamp->active());
    QTest::mouseRelease(keys, Qt::LeftButton, {}, QPoint(900, 300));
    auto check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_EQ(r.rig.received().size(), 8u);
    EXPECT_FALSE(r.lamp->active());

    // The channel changed while a key is held: the note-off goes where the
    // note-on went.
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(14));
    r.setChannel(5);
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keyboardKey(14));
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // The window closed while a key is held: the key ends, and the rest of
    // the gesture plays nothing.
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(14));
    keys->window()->close();
    const std::size_t sent = r.rig.received().size();
    QTest::mouseMove(keys, keyboardKey(15));
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keyboardKey(15));
    EXPECT_EQ(r.rig.received().size(), sent);
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // The key of the long note, played and let go on the keyboard: the long
    // note goes on until it is switched off.
    keys = r.keyboard();
    r.play("aDrone"); // note 60 on channel 5
    QTest::mouseClick(keys, Qt::LeftButton, {}, keyboardKey(14));
    check = r.notes();
    EXPECT_TRUE(check.faults.empty()) << check.describe();
    EXPECT_TRUE(check.sounds(4, 60));
    EXPECT_TRUE(r.lamp->active());
    r.play("aDrone");
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // All Notes Off while a key is held: the key ends first; its release
    // later sends nothing.
    r.rig.clearLog();
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(16));
    r.play("aNotesOff");
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keyboardKey(16));
    Log log = r.rig.received();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(Log(log.begin() + 2, log.end()), panic(4, 60, {60, 65, 69}));
    check = test::checkNotes(Log(log.begin(), log.begin() + 2));
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // The main window closed while a key is held.
    r.rig.clearLog();
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(17));
    r.rig.window->close();
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_EQ(r.rig.received().size(), 2u);
}

TEST(Notes, TheSequencersNotesEndWhateverChangesWhileItRuns)
{
    NotesRig r;
    r.play("aSequencer");
    r.rig.clearLog(); // the envelopes' trigger modes
    auto* seq = test::child<perform::SequencerWindow>(*r.rig.window, "frmSeq");
    const auto control = [seq](const char* name) { return test::child(*seq, name); };
    const auto start = [&] {
        QTest::mouseClick(test::child<QPushButton>(*seq, "btnPlay"), Qt::LeftButton);
        EXPECT_TRUE(seq->playing());
    };

    // While it runs: a step's note, the tempo, the octave and the channel
    // change; the long note and a held key sound on keys the steps play.
    start();
    QTest::qWait(450);
    test::child<QSlider>(*seq, "Bar3")->setValue(70);
    test::child<QSlider>(*seq, "tbTempo")->setValue(555); // 50 ms a step
    auto* octave = test::child<widgets::PanelSwitch>(*seq, "swOctave");
    QTest::mouseClick(octave, Qt::LeftButton, {}, QPoint(octave->width() / 2, 4));
    QTest::qWait(200);
    r.setChannel(3);
    r.play("aDrone"); // note 60 on channel 3; an octave up, step 1 plays 72
    QTest::mouseClick(octave, Qt::LeftButton, {},
                      QPoint(octave->width() / 2, octave->height() / 2));
    widgets::PianoKeyboard* keys = r.keyboard();
    QTest::mousePress(keys, Qt::LeftButton, {}, keyboardKey(16)); // 64, step 3 is now 70
    test::child<QSlider>(*seq, "Bar3")->setValue(64);
    QTest::qWait(600);
    auto check = r.notes();
    EXPECT_TRUE(check.faults.empty()) << check.describe();
    EXPECT_TRUE(check.sounds(2, 60));
    EXPECT_TRUE(check.sounds(2, 64));
    QTest::mouseClick(control("btnStop"), Qt::LeftButton);
    EXPECT_FALSE(seq->playing());
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keyboardKey(16));
    r.play("aDrone");
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
    EXPECT_FALSE(r.lamp->active());

    // Stopped by closing its window, by loading a sequence, by closing the
    // main window.
    start();
    QTest::qWait(200);
    seq->close();
    EXPECT_FALSE(seq->playing());
    r.play("aSequencer");
    start();
    QTest::qWait(200);
    const std::string file = r.folder.dir().write(
        "Scale.vms", {60, 62, 64, 65, 67, 69, 71, 72, 0, 0, 0, 0, 0, 0, 0, 0, 50, 0, 0, 0});
    r.rig.window->openFile(QString::fromStdString(file));
    EXPECT_FALSE(seq->playing());
    start();
    QTest::qWait(200);
    r.rig.window->close();
    EXPECT_FALSE(seq->playing());
    check = r.notes();
    EXPECT_TRUE(check.clean()) << check.describe();
}
