// The step sequencer window driven through its real controls with a recording
// output: the step order both ways, mutes, octave, the pattern's file and the
// notes kept within MIDI's range; and the LED to darken as the steps go.
#include "editor/PatchEditing.h"
#include "library/FileDialogs.h"
#include "perform/Sequence.h"
#include "perform/SequencerWindow.h"
#include "protocol/ParameterSender.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"
#include "widgets/LampButton.h"
#include "widgets/Led.h"
#include "widgets/PanelSwitch.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>

using namespace velmora;
using perform::Sequence;
using perform::SequencerWindow;
using test::RecordingSink;
using Bytes = RecordingSink::Bytes;

namespace {

const Bytes kGolden = {0x28, 0x2A, 0x2C, 0x2E, 0x30, 0x32, 0x34, 0x36, 0x00, 0x00,
                       0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFA, 0x00, 0x00, 0x00};

// File dialogs that answer Open and Save from a script, keeping the requests.
struct ScriptedDialogs : library::FileDialogs
{
    std::deque<std::optional<QString>> answers;
    std::vector<library::FileRequest> requests;

    std::optional<library::FileChoice> open(const library::FileRequest& request) override
    {
        return next(request);
    }
    std::optional<library::FileChoice> save(const library::FileRequest& request) override
    {
        return next(request);
    }
    std::optional<library::FileChoice> next(const library::FileRequest& request)
    {
        requests.push_back(request);
        const auto answer = answers.front();
        answers.pop_front();
        return answer ? std::optional<library::FileChoice>({*answer, 0}) : std::nullopt;
    }
};

struct SeqRig
{
    RecordingSink sink;
    int channel = 2;
    QString folder = QStringLiteral("Sequences");
    SequencerWindow seq{sink, folder};
    std::vector<QString> told;
    ScriptedDialogs dialogs;
    std::deque<std::optional<QString>>& answers = dialogs.answers;
    std::vector<library::FileRequest>& requests = dialogs.requests;

    SeqRig()
    {
        seq.setChannel(channel);
        QObject::connect(&seq, &SequencerWindow::messageReported,
                         [this](const QString& text) { told.push_back(text); });
        seq.setFileDialogs(&dialogs);
        seq.show();
        seq.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&seq));
    }
    template <typename T> T* child(const QString& name) { return seq.findChild<T*>(name); }
    QSlider* bar(int n) { return child<QSlider>(QStringLiteral("Bar%1").arg(n)); }
    QString label(int n) { return child<QLabel>(QStringLiteral("Label%1").arg(n))->text(); }
    bool led(int n) { return child<widgets::Led>(QStringLiteral("LED%1").arg(n))->active(); }
    // Clicks the top or bottom cell of a switch.
    void flip(const char* name, bool top)
    {
        auto* sw = child<widgets::PanelSwitch>(QLatin1String(name));
        QTest::mouseClick(sw, Qt::LeftButton, {},
                          QPoint(sw->width() / 2, top ? 4 : sw->height() - 4));
    }
    // The note numbers of the note-ons sent by `ticks` steps, after checking
    // that each one's note-off follows it at once.
    std::vector<int> play(int ticks)
    {
        sink.sent.clear();
        for (int i = 0; i < ticks; ++i)
            seq.playStep();
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
    sequence.setDirection(Sequence::Direction::Backward);
    EXPECT_FALSE(sequence.advance().darkenStep);
    sequence.setDirection(Sequence::Direction::Forward);
    EXPECT_EQ(sequence.advance().darkenStep, 0); // step 8
    EXPECT_EQ(sequence.advance().darkenStep, 7); // step 1
}

// The fresh scale, mutes by key and an octave up also reach the instrument end
// to end (tests/e2e/SequencerJackTest.cpp).
TEST(Sequencer, AFreshWindowPlaysItsBarsWithMutesAndOctave)
{
    SeqRig rig;
    std::vector<int> topics;
    QObject::connect(&rig.seq, &SequencerWindow::helpRequested,
                     [&](int topic) { topics.push_back(topic); });
    QTest::keyClick(&rig.seq, Qt::Key_F1);
    rig.seq.action("aShortcuts")->trigger();
    EXPECT_EQ(topics, (std::vector<int>{1014, 1019}));

    // Steps 2 and 5 muted by a click and by key 5: their LEDs still light, and
    // the step before goes dark.
    QTest::mouseClick(rig.child<widgets::LampButton>("Mute1"), Qt::LeftButton);
    QTest::keyClick(&rig.seq, Qt::Key_5);
    EXPECT_TRUE(rig.child<widgets::LampButton>("Mute4")->isChecked());
    EXPECT_EQ(rig.play(2), (std::vector<int>{60}));
    EXPECT_TRUE(rig.led(2));
    EXPECT_FALSE(rig.led(1));
    EXPECT_EQ(rig.play(6), (std::vector<int>{64, 65, 69, 71, 72}));
    QTest::keyClick(&rig.seq, Qt::Key_5); // unmuted again
    EXPECT_FALSE(rig.seq.state().muted(4));

    // Octave up with a bar at 100; then down, and backward from the start.
    rig.seq.stopSeq();
    rig.bar(1)->setValue(100);
    EXPECT_EQ(rig.label(1), "100");
    rig.flip("swOctave", true);
    EXPECT_EQ(rig.play(1), (std::vector<int>{112}));
    rig.flip("swOctave", false);
    rig.flip("swMode", false);
    rig.seq.stopSeq();
    EXPECT_EQ(rig.play(4), (std::vector<int>{88, 60, 59, 57}));
}

TEST(Sequencer, PlayAndStopFromButtonsMenuAndTimer)
{
    SeqRig rig;
    auto* play = rig.child<QPushButton>("btnPlay");
    auto* stop = rig.child<QPushButton>("btnStop");
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_EQ(rig.seq.timer().threadPriority(), QThread::TimeCriticalPriority);
    rig.child<QSlider>("tbTempo")->setValue(605); // the fastest: about every 10 ms
    EXPECT_EQ(rig.seq.timer().interval(), 0);

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(rig.seq.playing());
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(rig.seq.action("aPlay")->text(), "&Stop");
    QTRY_VERIFY_WITH_TIMEOUT(rig.sink.sent.size() >= 6, 5000);
    EXPECT_EQ(rig.sink.sent[0], (Bytes{0x92, 60, 100}));
    EXPECT_EQ(rig.sink.sent[2], (Bytes{0x92, 62, 100}));

    // Stopping darkens every LED; playing again starts at step 1.
    QTest::keyClick(&rig.seq, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(rig.seq.playing());
    EXPECT_EQ(rig.seq.action("aPlay")->text(), "&Play");
    for (int n = 1; n <= 8; ++n)
        EXPECT_FALSE(rig.led(n));
    EXPECT_EQ(rig.play(1), (std::vector<int>{60}));

    // Without an output: told, and still stopped. Closing the window stops.
    rig.seq.stopSeq();
    rig.sink.open = false;
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(rig.told, (std::vector<QString>{"No Midi Out port available"}));
    EXPECT_FALSE(rig.seq.playing());
    rig.sink.open = true;
    rig.seq.startSeq();
    rig.seq.close();
    EXPECT_FALSE(rig.seq.playing());
}

TEST(Sequencer, SaveAndOpenThroughTheMenu)
{
    test::TempDir dir;
    SeqRig rig;
    for (int n = 1; n <= 8; ++n)
        rig.bar(n)->setValue(38 + 2 * n);
    QTest::keyClick(&rig.seq, Qt::Key_3);
    QTest::keyClick(&rig.seq, Qt::Key_8);
    rig.child<QSlider>("tbTempo")->setValue(355);
    rig.answers.push_back(QString::fromStdString(dir.path("mine.vms")));
    rig.seq.action("aSave")->trigger();
    EXPECT_EQ(dir.read("mine.vms"), kGolden);
    EXPECT_EQ(rig.requests[0].folder, "Sequences");
    EXPECT_EQ(rig.requests[0].fileName, "Sequence");
    EXPECT_EQ(rig.requests[0].defaultSuffix, "vms");
    EXPECT_EQ(rig.seq.windowTitle(), "mine.vms - Sequencer");
    EXPECT_EQ(rig.folder, QString::fromStdString(dir.dir().string()) + "/");

    // Out-of-range values, loaded while playing: stopped, limited, shown,
    // and playing again from step 1 after the Open command.
    rig.answers.push_back(QString::fromStdString(
        dir.write("wild.vms",
                  {0x10, 0xFF, 50, 51, 52, 53, 54, 55, 1, 7, 0, 0, 0, 0, 0, 0, 0x10, 0x27, 0, 0})));
    rig.seq.startSeq();
    rig.seq.playStep();
    rig.seq.action("aOpen")->trigger();
    EXPECT_EQ(rig.requests[1].fileName, "*.vms");
    EXPECT_EQ(rig.seq.windowTitle(), "wild.vms - Sequencer");
    EXPECT_TRUE(rig.seq.playing());
    EXPECT_EQ(rig.seq.state().currentStep(), 0);
    EXPECT_EQ(rig.bar(1)->value(), 32);
    EXPECT_EQ(rig.label(1), "32");
    EXPECT_EQ(rig.label(2), "127");
    EXPECT_TRUE(rig.child<widgets::LampButton>("Mute0")->isChecked());
    EXPECT_FALSE(rig.child<widgets::LampButton>("Mute1")->isChecked());
    EXPECT_EQ(rig.child<QSlider>("tbTempo")->value(), 5);
    EXPECT_EQ(rig.seq.timer().interval(), 600);
    rig.seq.stopSeq();

    // A short file changes nothing but the folder.
    rig.answers.push_back(QString::fromStdString(dir.write("short.vms", {1, 2})));
    rig.seq.openSequence();
    EXPECT_EQ(rig.told, (std::vector<QString>{"short.vms is too short for a Velmora sequence "
                                              "file (.vms): 20 bytes expected, 2 found."}));
    EXPECT_EQ(rig.label(1), "32");
    // A negative period is the fastest.
    rig.answers.push_back(QString::fromStdString(dir.write("fast.vms", Bytes(20, 0xFF))));
    rig.seq.openSequence();
    EXPECT_EQ(rig.child<QSlider>("tbTempo")->value(), 605);
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
    SequencerWindow seq(sink, folder);
    int refreshed = 0;
    seq.openForPatch(editing, [&] {
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
