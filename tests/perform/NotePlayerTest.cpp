// The test note, chord and long note: the messages, their order and that a
// closed output is told, not sent to.
#include "perform/NotePlayer.h"
#include "support/RecordingSink.h"

#include <QTest>
#include <gtest/gtest.h>

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

    // The long note ends with the note as it is set when it ends.
    sink.sent.clear();
    player.toggleDrone(48);
    EXPECT_TRUE(player.droneOn());
    player.toggleDrone(50);
    EXPECT_FALSE(player.droneOn());
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x92, 48, 100}, {0x82, 50, 100}}));

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
