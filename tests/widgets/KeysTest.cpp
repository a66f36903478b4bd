// The on-screen keyboard: where a point lands in either orientation, the
// velocity it plays with, a slide across the keys and the pressed key shown
// inverted.
#include "widgets/PianoKeyboard.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using velmora::widgets::hitTest;
using velmora::widgets::KeyboardOrientation;
using velmora::widgets::KeyLayout;
using velmora::widgets::PianoKeyboard;

// Every event of a keyboard, as "on 36 101" / "off 36 0".
struct Recorder
{
    std::vector<std::string> log;

    explicit Recorder(PianoKeyboard& keys)
    {
        QObject::connect(&keys, &PianoKeyboard::notePressed,
                         [this](int note, int velocity) { add("on", note, velocity); });
        QObject::connect(&keys, &PianoKeyboard::noteReleased,
                         [this](int note, int velocity) { add("off", note, velocity); });
    }
    void add(const char* what, int note, int velocity)
    {
        log.push_back(std::string(what) + ' ' + std::to_string(note) + ' ' +
                      std::to_string(velocity));
    }
};

QRgb pixelAt(PianoKeyboard& keys, QPoint point)
{
    return keys.grab().toImage().pixel(point);
}

TEST(KeysTest, BlackKeysAreOddAndCentred)
{
    EXPECT_EQ((KeyLayout{20, 3, 761, 105}.blackWidth()), 13);
    EXPECT_EQ((KeyLayout{20, 3, 761, 105}.blackHalf()), 6);
    EXPECT_EQ((KeyLayout{10, 3, 200, 50}.blackWidth()), 7);
    EXPECT_EQ((KeyLayout{10, 3, 200, 50}.blackHalf()), 3);
}

TEST(KeysTest, HitTestFindsNoteAndVelocity)
{
    const KeyLayout layout; // noteWidth 10, baseOctave 3, 200 x 50: black keys 30 long
    EXPECT_EQ(hitTest(layout, 10, 5, true).note, 37);  // just right of the first separator
    EXPECT_EQ(hitTest(layout, 7, 5, true).note, 37);   // C#, from C's side
    EXPECT_EQ(hitTest(layout, 10, 30, true).note, 38); // below the black keys
    EXPECT_EQ(hitTest(layout, 29, 5, true).note, 40);  // E and F have none between them
    EXPECT_EQ(hitTest(layout, 30, 5, true).note, 41);

    EXPECT_EQ(hitTest(layout, 5, 0, true).velocity, 0);
    EXPECT_EQ(hitTest(layout, 5, 49, true).velocity, 127 * 49 / 50);
    const auto black = hitTest(layout, 7, 15, true); // black keys scale by their own length
    EXPECT_TRUE(black.black);
    EXPECT_EQ(black.velocity, 15 * 127 / 30);
}

TEST(KeysTest, SlideReleasesEachKeyBeforeTheNext)
{
    PianoKeyboard keys;
    Recorder recorder(keys);
    QTest::mousePress(&keys, Qt::LeftButton, {}, QPoint(5, 40));
    QTest::mouseMove(&keys, QPoint(8, 40)); // still C
    QTest::mouseMove(&keys, QPoint(25, 40));
    QTest::mouseMove(&keys, QPoint(199, 40)); // the right edge is outside
    EXPECT_TRUE(keys.isPressed(40));
    QTest::mouseRelease(&keys, Qt::LeftButton, {}, QPoint(199, 40));
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"on 36 101", "off 36 0", "on 40 101", "off 40 0"}));
    EXPECT_FALSE(keys.isPressed(40));
    EXPECT_EQ(keys.currentNote(), -1);

    // A second button coming up ends nothing.
    recorder.log.clear();
    QTest::mousePress(&keys, Qt::LeftButton, {}, QPoint(5, 40));
    QTest::mouseClick(&keys, Qt::RightButton, {}, QPoint(5, 40));
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"on 36 101"}));
    QTest::mouseRelease(&keys, Qt::LeftButton, {}, QPoint(5, 40));
    EXPECT_EQ(recorder.log.size(), 2u);
}

TEST(KeysTest, VerticalKeyboardStartsAtTheBottom)
{
    PianoKeyboard keys;
    keys.setOrientation(KeyboardOrientation::kbVertical);
    keys.resize(50, 200);
    Recorder recorder(keys);
    QTest::mouseClick(&keys, Qt::LeftButton, {}, QPoint(40, 199));
    QTest::mouseClick(&keys, Qt::LeftButton, {}, QPoint(5, 189)); // 10 up, in the black zone
    keys.setVelocityMode(false);
    QTest::mouseClick(&keys, Qt::LeftButton, {}, QPoint(40, 129)); // 70 up: the next C
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"on 36 101", "off 36 0", "on 37 21",
                                                      "off 37 0", "on 48 127", "off 48 0"}));
}

TEST(KeysTest, PressedKeysAreDrawnInverted)
{
    for (const auto orientation :
         {KeyboardOrientation::kbHorizontal, KeyboardOrientation::kbVertical}) {
        PianoKeyboard keys;
        keys.setOrientation(orientation);
        const bool horizontal = orientation == KeyboardOrientation::kbHorizontal;
        keys.resize(horizontal ? QSize(200, 50) : QSize(50, 200));
        const auto at = [&](int pos, int depth) {
            return horizontal ? QPoint(pos, depth) : QPoint(depth, 199 - pos);
        };
        EXPECT_EQ(pixelAt(keys, at(5, 40)), qRgb(255, 255, 255));
        EXPECT_EQ(pixelAt(keys, at(10, 10)), qRgb(0, 0, 0));

        QTest::mousePress(&keys, Qt::LeftButton, {}, at(5, 40)); // C: both parts turn dark
        EXPECT_EQ(pixelAt(keys, at(5, 40)), qRgb(0, 0, 0));
        EXPECT_EQ(pixelAt(keys, at(4, 10)), qRgb(0, 0, 0));
        EXPECT_EQ(pixelAt(keys, at(10, 10)), qRgb(0, 0, 0)); // C# stays as it was
        QTest::mouseMove(&keys, at(10, 10));
        EXPECT_EQ(pixelAt(keys, at(5, 40)), qRgb(255, 255, 255));
        EXPECT_EQ(pixelAt(keys, at(10, 10)), qRgb(255, 255, 255));
        QTest::mouseRelease(&keys, Qt::LeftButton, {}, at(10, 10));
        EXPECT_EQ(pixelAt(keys, at(10, 10)), qRgb(0, 0, 0));
    }
}

} // namespace
