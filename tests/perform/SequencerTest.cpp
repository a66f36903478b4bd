// The step sequencer window driven through its real controls with a recording
// output: the step order both ways, mutes, octave, the pattern's file and the
// notes kept within MIDI's range; and the LED to darken as the steps go.
#include "ParameterSender.h"
#include "PatchEditing.h"
#include "RecordingSink.h"
#include "Sequence.h"
#include "TIACheckControl.h"
#include "TSwitch.h"
#include "TVrLed.h"
#include "TempDir.h"
#include "TfrmSeq.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>

using namespace velmora;
using perform::Sequence;
using perform::TfrmSeq;
using test::RecordingSink;
using Bytes = RecordingSink::Bytes;

namespace {

const Bytes kGolden = {0x28, 0x2A, 0x2C, 0x2E, 0x30, 0x32, 0x34, 0x36, 0x00, 0x00,
                       0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFA, 0x00, 0x00, 0x00};

struct SeqRig
{
    RecordingSink sink;
    int channel = 2;
    QString folder = QStringLiteral("Sequences");
    TfrmSeq seq{sink, [this] { return channel; }, folder};
    std::vector<QString> told;
    std::deque<std::optional<QString>> answers;
    std::vector<TfrmSeq::FileRequest> requests;

    SeqRig()
    {
        seq.OnMessage = [this](const QString& text) { told.push_back(text); };
        seq.OnOpenDialog = seq.OnSaveDialog = [this](const TfrmSeq::FileRequest& request) {
            requests.push_back(request);
            auto answer = answers.front();
            answers.pop_front();
            return answer;
        };
        seq.show();
        seq.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&seq));
    }
    template <typename T> T* Child(const QString& name) { return seq.findChild<T*>(name); }
    QSlider* Bar(int n) { return Child<QSlider>(QStringLiteral("Bar%1").arg(n)); }
    QString Label(int n) { return Child<QLabel>(QStringLiteral("Label%1").arg(n))->text(); }
    bool Led(int n) { return Child<widgets::TVrLed>(QStringLiteral("LED%1").arg(n))->Active(); }
    // Clicks the top or bottom cell of a switch.
    void Flip(const char* name, bool top)
    {
        auto* sw = Child<widgets::TSwitch>(QLatin1String(name));
        QTest::mouseClick(sw, Qt::LeftButton, {},
                          QPoint(sw->width() / 2, top ? 4 : sw->height() - 4));
    }
    // The note numbers of the note-ons sent by `ticks` steps, after checking
    // that each one's note-off follows it at once.
    std::vector<int> Play(int ticks)
    {
        sink.sent.clear();
        for (int i = 0; i < ticks; ++i)
            seq.TimerTimer();
        std::vector<int> notes;
        for (std::size_t i = 0; i + 1 < sink.sent.size(); i += 2) {
            EXPECT_EQ(sink.sent[i][0], 0x90 + channel);
            EXPECT_EQ(sink.sent[i + 1],
                      (Bytes{static_cast<std::uint8_t>(0x80 + channel), sink.sent[i][1], 100}));
            notes.push_back(sink.sent[i][1]);
        }
        return notes;
    }
};

} // namespace

// The order of the steps both ways and the notes kept within MIDI's range are
// played by the window below (and end to end in tests/e2e/SequencerJackTest.cpp).
TEST(Sequence, TheLedToDarkenIsTheOneLitBeforeAlsoAcrossAChangeOfWay)
{
    Sequence sequence;
    sequence.SetDirection(Sequence::Direction::Backward);
    EXPECT_FALSE(sequence.Advance().darkenStep);
    sequence.SetDirection(Sequence::Direction::Forward);
    EXPECT_EQ(sequence.Advance().darkenStep, 0); // step 8
    EXPECT_EQ(sequence.Advance().darkenStep, 7); // step 1
}

// The fresh scale, mutes by key and an octave up also reach the instrument end
// to end (tests/e2e/SequencerJackTest.cpp).
TEST(Sequencer, AFreshWindowPlaysItsBarsWithMutesAndOctave)
{
    SeqRig rig;
    std::vector<int> topics;
    rig.seq.OnHelp = [&](int topic) { topics.push_back(topic); };
    QTest::keyClick(&rig.seq, Qt::Key_F1);
    rig.seq.Action("aShortcuts")->trigger();
    EXPECT_EQ(topics, (std::vector<int>{1014, 1019}));

    // Steps 2 and 5 muted by a click and by key 5: their LEDs still light, and
    // the step before goes dark.
    QTest::mouseClick(rig.Child<widgets::TIACheckControl>("Mute1"), Qt::LeftButton);
    QTest::keyClick(&rig.seq, Qt::Key_5);
    EXPECT_TRUE(rig.Child<widgets::TIACheckControl>("Mute4")->isChecked());
    EXPECT_EQ(rig.Play(2), (std::vector<int>{60}));
    EXPECT_TRUE(rig.Led(2));
    EXPECT_FALSE(rig.Led(1));
    EXPECT_EQ(rig.Play(6), (std::vector<int>{64, 65, 69, 71, 72}));
    QTest::keyClick(&rig.seq, Qt::Key_5); // unmuted again
    EXPECT_FALSE(rig.seq.State().Muted(4));

    // Octave up with a bar at 100; then down, and backward from the start.
    rig.seq.StopSeq();
    rig.Bar(1)->setValue(100);
    EXPECT_EQ(rig.Label(1), "100");
    rig.Flip("swOctave", true);
    EXPECT_EQ(rig.Play(1), (std::vector<int>{112}));
    rig.Flip("swOctave", false);
    rig.Flip("swMode", false);
    rig.seq.StopSeq();
    EXPECT_EQ(rig.Play(4), (std::vector<int>{88, 60, 59, 57}));
}

TEST(Sequencer, PlayAndStopFromButtonsMenuAndTimer)
{
    SeqRig rig;
    auto* play = rig.Child<QPushButton>("btnPlay");
    auto* stop = rig.Child<QPushButton>("btnStop");
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_EQ(rig.seq.Timer().ThreadPriority(), QThread::TimeCriticalPriority);
    rig.Child<QSlider>("tbTempo")->setValue(605); // the fastest: about every 10 ms
    EXPECT_EQ(rig.seq.Timer().Interval(), 0);

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(rig.seq.Playing());
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(rig.seq.Action("aPlay")->text(), "&Stop");
    QTRY_VERIFY_WITH_TIMEOUT(rig.sink.sent.size() >= 6, 5000);
    EXPECT_EQ(rig.sink.sent[0], (Bytes{0x92, 60, 100}));
    EXPECT_EQ(rig.sink.sent[2], (Bytes{0x92, 62, 100}));

    // Stopping darkens every LED; playing again starts at step 1.
    QTest::keyClick(&rig.seq, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(rig.seq.Playing());
    EXPECT_EQ(rig.seq.Action("aPlay")->text(), "&Play");
    for (int n = 1; n <= 8; ++n)
        EXPECT_FALSE(rig.Led(n));
    EXPECT_EQ(rig.Play(1), (std::vector<int>{60}));

    // Without an output: told, and still stopped. Closing the window stops.
    rig.seq.StopSeq();
    rig.sink.open = false;
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(rig.told, (std::vector<QString>{"No Midi Out port available"}));
    EXPECT_FALSE(rig.seq.Playing());
    rig.sink.open = true;
    rig.seq.StartSeq();
    rig.seq.close();
    EXPECT_FALSE(rig.seq.Playing());
}

TEST(Sequencer, SaveAndOpenThroughTheMenu)
{
    test::TempDir dir;
    SeqRig rig;
    for (int n = 1; n <= 8; ++n)
        rig.Bar(n)->setValue(38 + 2 * n);
    QTest::keyClick(&rig.seq, Qt::Key_3);
    QTest::keyClick(&rig.seq, Qt::Key_8);
    rig.Child<QSlider>("tbTempo")->setValue(355);
    rig.answers.push_back(QString::fromStdString(dir.Path("mine.vms")));
    rig.seq.Action("aSave")->trigger();
    EXPECT_EQ(dir.Read("mine.vms"), kGolden);
    EXPECT_EQ(rig.requests[0].folder, "Sequences");
    EXPECT_EQ(rig.requests[0].fileName, "Sequence");
    EXPECT_EQ(rig.requests[0].defaultSuffix, "vms");
    EXPECT_EQ(rig.seq.windowTitle(), "mine.vms - Sequencer");
    EXPECT_EQ(rig.folder, QString::fromStdString(dir.Dir().string()) + "/");

    // Out-of-range values, loaded while playing: stopped, limited, shown,
    // and playing again from step 1 after the Open command.
    rig.answers.push_back(QString::fromStdString(
        dir.Write("wild.vms",
                  {0x10, 0xFF, 50, 51, 52, 53, 54, 55, 1, 7, 0, 0, 0, 0, 0, 0, 0x10, 0x27, 0, 0})));
    rig.seq.StartSeq();
    rig.seq.TimerTimer();
    rig.seq.Action("aOpen")->trigger();
    EXPECT_EQ(rig.requests[1].fileName, "*.vms");
    EXPECT_EQ(rig.seq.windowTitle(), "wild.vms - Sequencer");
    EXPECT_TRUE(rig.seq.Playing());
    EXPECT_EQ(rig.seq.State().CurrentStep(), 0);
    EXPECT_EQ(rig.Bar(1)->value(), 32);
    EXPECT_EQ(rig.Label(1), "32");
    EXPECT_EQ(rig.Label(2), "127");
    EXPECT_TRUE(rig.Child<widgets::TIACheckControl>("Mute0")->isChecked());
    EXPECT_FALSE(rig.Child<widgets::TIACheckControl>("Mute1")->isChecked());
    EXPECT_EQ(rig.Child<QSlider>("tbTempo")->value(), 5);
    EXPECT_EQ(rig.seq.Timer().Interval(), 600);
    rig.seq.StopSeq();

    // A short file changes nothing but the folder.
    rig.answers.push_back(QString::fromStdString(dir.Write("short.vms", {1, 2})));
    rig.seq.OpenSequence();
    EXPECT_EQ(rig.told, (std::vector<QString>{"short.vms is too short for a Velmora sequence "
                                              "file (.vms): 20 bytes expected, 2 found."}));
    EXPECT_EQ(rig.Label(1), "32");
    // A negative period is the fastest.
    rig.answers.push_back(QString::fromStdString(dir.Write("fast.vms", Bytes(20, 0xFF))));
    rig.seq.OpenSequence();
    EXPECT_EQ(rig.Child<QSlider>("tbTempo")->value(), 605);
}

TEST(Sequencer, OpeningSetsTheEnvelopesMultiBitsAndSendsThem)
{
    RecordingSink sink;
    PatchBuffer patch{};
    patch[49] = 0x01;
    patch[58] = 0x02;
    patch[67] = 0x05;
    ParameterSender sender(sink, patch);
    editor::PatchEditing editing(patch, sender);
    QString folder;
    TfrmSeq seq(
        sink, [] { return 0; }, folder);
    int refreshed = 0;
    seq.OpenForPatch(editing, [&] {
        ++refreshed;
        EXPECT_EQ(sink.sent.size(), 3u); // sent before the controls show them
    });
    EXPECT_EQ(patch[49], 0x03);
    EXPECT_EQ(patch[58], 0x02);
    EXPECT_EQ(patch[67], 0x07);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x06, 57, 0x03, 0xF7},
                                             {0xF0, 0x10, 0x06, 0x06, 67, 0x02, 0xF7},
                                             {0xF0, 0x10, 0x06, 0x06, 77, 0x07, 0xF7}}));
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(seq.isVisible());
}
