#include "editor/PatchGraphics.h"
#include "editor/PatchDrawing.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace velmora::editor {

void PrintTo(const Point& point, std::ostream* out)
{
    *out << '(' << point.x << ", " << point.y << ')';
}

namespace {

constexpr std::size_t kMix = 20;
constexpr std::size_t kDco1Width = 11;
constexpr std::size_t kDco1Wave = 13;
constexpr std::size_t kDco2Wave = 18;
constexpr Byte kPulseAndSaw = 0x03;

PatchBuffer bothWaves(Byte mix)
{
    PatchBuffer patch{};
    patch[kDco1Wave] = kPulseAndSaw;
    patch[kDco2Wave] = kPulseAndSaw;
    patch[kMix] = mix;
    return patch;
}

std::pair<int, int> span(const std::vector<Trace>& traces)
{
    int low = 1000;
    int high = -1000;
    for (const Trace& trace : traces)
        for (const Point& point : trace.points) {
            low = std::min(low, point.y);
            high = std::max(high, point.y);
        }
    return {low, high};
}

TEST(PatchGraphics, MixSharesTheHeightBetweenTheOscillators)
{
    EXPECT_TRUE(dco1Traces(bothWaves(0)).empty());
    const auto dco2 = dco2Traces(bothWaves(0));
    ASSERT_EQ(dco2.size(), 2u);
    EXPECT_EQ(dco2[0].colour, kAqua);
    EXPECT_EQ(dco2[0].points.size(), 7u);
    EXPECT_EQ(dco2[1].colour, kLime);
    EXPECT_EQ(dco2[1].points.size(), 13u);
    EXPECT_EQ(dco2[1].points.back(), (Point{189, 46}));
    EXPECT_EQ(span(dco2), std::make_pair(4, 46));

    const auto dco1 = dco1Traces(bothWaves(63));
    ASSERT_EQ(dco1.size(), 2u);
    EXPECT_EQ(dco1[1].points.size(), 12u);
    EXPECT_EQ(span(dco1), std::make_pair(4, 46));
    EXPECT_TRUE(dco2Traces(bothWaves(63)).empty());

    // A mix byte beyond the slider draws as all DCO 1.
    EXPECT_EQ(span(dco1Traces(bothWaves(200))), std::make_pair(4, 46));
    EXPECT_TRUE(dco2Traces(bothWaves(200)).empty());
}

TEST(PatchGraphics, PulseWidthIsLimitedTo2Through61)
{
    PatchBuffer patch = bothWaves(63);
    for (const auto& [width, drawn] :
         {std::pair{0, 2}, {1, 2}, {30, 30}, {62, 61}, {63, 61}, {255, 61}}) {
        patch[kDco1Width] = static_cast<Byte>(width);
        const auto traces = dco1Traces(patch);
        EXPECT_EQ(traces.back().points[2].x, drawn) << width;
        EXPECT_EQ(traces.back().points[10].x, drawn + 127) << width;
    }
}

TEST(PatchGraphics, EnvelopeShapes)
{
    PatchBuffer patch{};
    const std::vector<Point> zero = {{1, 49}, {1, 49}, {1, 0}, {1, 49}, {120, 49}, {120, 49}};
    EXPECT_EQ(envelopePoints(patch, 1), zero);

    // Envelope 3: delay 10, attack 20, decay 30, sustain 40, release 50.
    const Byte env3[] = {10, 20, 30, 40, 50};
    std::copy(std::begin(env3), std::end(env3), patch.begin() + 68);
    const std::vector<Point> normal = {{1, 49}, {6, 49}, {16, 0}, {31, 29}, {120, 29}, {145, 49}};
    EXPECT_EQ(envelopePoints(patch, 3), normal);
    patch[75] = 0x01;
    const std::vector<Point> dadr = {{1, 49}, {6, 49}, {16, 0}, {31, 25}, {56, 49}};
    EXPECT_EQ(envelopePoints(patch, 3), dadr);
    EXPECT_EQ(envelopePoints(patch, 2), zero);

    // Bytes at the top of their range (the DADR bit set among them) stay
    // unsigned.
    patch.fill(255);
    const auto top = envelopePoints(patch, 1);
    EXPECT_EQ(top.back(), (Point{128 + 3 * 127, 49}));
}

TEST(PatchGraphics, RampsAndTracking)
{
    PatchBuffer patch{};
    const std::vector<Point> flat = {{0, 1}, {45, 1}};
    EXPECT_EQ(rampPoints(patch, 1), flat);
    patch[82] = 1;
    EXPECT_EQ(rampPoints(patch, 1), flat);
    patch[84] = 63;
    const std::vector<Point> fast = {{0, 1}, {5, 1}, {5, 96}, {36, 1}, {45, 1}};
    EXPECT_EQ(rampPoints(patch, 2), fast);

    const std::vector<Point> bottom = {{5, 49}, {40, 49}, {75, 49}, {110, 49}, {145, 49}};
    EXPECT_EQ(trackingPoints(patch), bottom);
    std::fill(patch.begin() + 77, patch.begin() + 82, Byte{63});
    for (const Point& point : trackingPoints(patch))
        EXPECT_EQ(point.y, 7);
    patch[77] = 255;
    EXPECT_EQ(trackingPoints(patch)[0].y, 49 - 170);
}

TEST(PatchDrawingWidget, RightClickCyclesTheLineColour)
{
    PatchBuffer patch{};
    std::fill(patch.begin() + 77, patch.begin() + 82, Byte{63});
    PatchDrawing tracking(Drawing::Tracking, patch);
    EXPECT_EQ(tracking.objectName(), "pbTRK");
    EXPECT_EQ(tracking.size(), QSize(150, 50));
    EXPECT_EQ(tracking.toolTip(), "Right-click to change line color");
    EXPECT_EQ(tracking.grab().toImage().pixelColor(75, 7), QColor(0, 255, 0));
    QTest::mouseClick(&tracking, Qt::RightButton);
    EXPECT_EQ(tracking.penColor(), QColor(255, 255, 0));
    EXPECT_EQ(tracking.grab().toImage().pixelColor(75, 7), QColor(255, 255, 0));

    PatchDrawing envelope(Drawing::Env2, patch);
    QTest::mouseClick(&envelope, Qt::LeftButton);
    EXPECT_EQ(envelope.penColor(), QColor(0, 255, 0));
    for (const QColor colour : {QColor(255, 255, 0), QColor(255, 0, 0), QColor(255, 255, 255),
                                QColor(0, 255, 255), QColor(0, 255, 0)}) {
        QTest::mouseClick(&envelope, Qt::RightButton);
        EXPECT_EQ(envelope.penColor(), colour);
    }
    QTest::mouseClick(&envelope, Qt::MiddleButton);
    EXPECT_EQ(envelope.penColor(), QColor(0, 255, 0));

    PatchDrawing ramp(Drawing::Ramp1, patch);
    EXPECT_EQ(ramp.size(), QSize(41, 98));
    EXPECT_EQ(ramp.grab().toImage().pixelColor(20, 50), QColor(128, 128, 0));
    PatchDrawing dco(Drawing::Dco1, patch);
    EXPECT_TRUE(dco.toolTip().isEmpty());
}

} // namespace
} // namespace velmora::editor
