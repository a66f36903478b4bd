// The test note, chord and long note: the messages, their order and that a
// closed output is told, not sent to.
#include "perform/NotePlayer.h"
#include "support/RecordingSink.h"

#include <QTest>
#include <gtest/gtest.h>

#include <set>

using velmora::perform::NotePlayer;
using velmora::test::RecordingSink;
using Bytes = RecordingSink::Bytes;

TEST(NotePlayer, NotesChordsAndTheLongNote)
{
    RecordingSink sink;
    NotePlayer player(sink);
    player.setChannel(2);
    std::vector<bool> lamp;
    QObject::connect(&player, &NotePlayer::ledChanged, [&](bool lit) { lamp.push_back(lit); });

    player.playNote(60);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x92, 60, 100}}));
    QTRY_COMPARE_WITH_TIMEOUT(sink.sent.size(), std::size_t{2}, 3000);
    EXPECT_EQ(sink.sent.back(), (Bytes{0x82, 60, 100}));
    EXPECT_EQ(lamp, (std::vector<bool>{true, false}));

    sink.sent.clear();
    player.playChord({60, 65, 69});
    QTRY_COMPARE_WITH_TIMEOUT(sink.sent.size(), std::size_t{6}, 3000);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x92, 60, 100},
                                             {0x92, 65, 100},
                                             {0x92, 69, 100},
                                             {0x82, 60, 100},
                                             {0x82, 65, 100},
                                             {0x82, 69, 100}}));

    // The long note ends the note that sounds, on its channel, though the
    // test note and the channel changed meanwhile; so does a test note.
    sink.sent.clear();
    player.toggleDrone(48);
    EXPECT_TRUE(player.droneOn());
    player.setChannel(3);
    player.toggleDrone(50);
    EXPECT_FALSE(player.droneOn());
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x92, 48, 100}, {0x82, 48, 100}}));
    sink.sent.clear();
    player.playNote(62);
    player.setChannel(2);
    QTRY_COMPARE_WITH_TIMEOUT(sink.sent.size(), std::size_t{2}, 3000);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x93, 62, 100}, {0x83, 62, 100}}));

    // Shut-down ends whatever still sounds at once, and nothing follows.
    sink.sent.clear();
    player.playNote(60);
    player.playChord({64, 67, 71});
    player.toggleDrone(36);
    player.endAll();
    QTest::qWait(NotePlayer::kNoteLengthMs + 100);
    std::multiset<Bytes> ons, offs;
    for (const Bytes& m : sink.sent)
        ((m[0] & 0xF0) == 0x90 ? ons : offs).insert(Bytes{m[1]});
    EXPECT_EQ(ons, offs);
    EXPECT_FALSE(player.droneOn());
    EXPECT_EQ(lamp.back(), false);

    // A closed output is told about and sent nothing.
    sink.open = false;
    sink.sent.clear();
    QString told;
    QObject::connect(&player, &NotePlayer::errorOccurred,
                     [&](const QString& text) { told = text; });
    player.playNote(60);
    player.toggleDrone(60);
    EXPECT_EQ(told, "No Midi Out port available");
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_FALSE(player.droneOn());
}
