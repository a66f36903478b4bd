// The widget set driven as a user drives it: clicks and keys on real
// controls, offscreen.
#include "widgets/ClickGauge.h"
#include "widgets/LampButton.h"
#include "widgets/PanelSwitch.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using velmora::widgets::ClickGauge;
using velmora::widgets::LampButton;
using velmora::widgets::PanelSwitch;
using Kind = LampButton::Kind;

TEST(GaugeTest, PressSetsIgnoresOrClampsAndReports)
{
    ClickGauge gauge;
    gauge.resize(12, 126);
    gauge.setMaxValue(63);
    gauge.setPosition(10);
    QSignalSpy reported(&gauge, &ClickGauge::mouseDown);

    QTest::mouseClick(&gauge, Qt::LeftButton, {}, QPoint(5, 0));
    EXPECT_EQ(gauge.position(), 63);

    QTest::mouseClick(&gauge, Qt::RightButton, {}, QPoint(5, 64));
    EXPECT_EQ(gauge.position(), 31);

    // Below the bottom: ignored, but still reported.
    QTest::mouseClick(&gauge, Qt::LeftButton, {}, QPoint(5, 140));
    EXPECT_EQ(gauge.position(), 31);

    // Above the top: the maximum.
    gauge.setPosition(5);
    QTest::mouseClick(&gauge, Qt::LeftButton, {}, QPoint(5, -10));
    EXPECT_EQ(gauge.position(), 63);

    ASSERT_EQ(reported.count(), 4);
    EXPECT_EQ(reported.at(0).at(0).toInt(), 63);
    EXPECT_EQ(reported.at(2).at(0).toInt(), 31);

    // Two pixels a step; half steps round to even.
    for (const auto& [y, position] : {std::pair{1, 63}, {3, 61}, {5, 61}, {126, 0}}) {
        QTest::mouseClick(&gauge, Qt::LeftButton, {}, QPoint(5, y));
        EXPECT_EQ(gauge.position(), position) << y;
    }
}

TEST(CheckControlTest, RadioItemsExcludeWithinTheirGroup)
{
    QWidget panel;
    LampButton off("Off", Kind::Radio, &panel);
    LampButton soft("Soft", Kind::Radio, &panel);
    LampButton other("Other", Kind::Radio, &panel);
    other.setGroupIndex(2);
    off.setChecked(true);
    other.setChecked(true);
    for (auto* item : {&off, &soft, &other})
        item->resize(item->sizeHint());

    QSignalSpy offChanges(&off, &LampButton::changeState);
    QSignalSpy softChanges(&soft, &LampButton::changeState);
    QTest::mouseClick(&soft, Qt::LeftButton);
    EXPECT_TRUE(soft.isChecked());
    EXPECT_FALSE(off.isChecked());
    EXPECT_TRUE(other.isChecked()); // another group
    ASSERT_EQ(offChanges.count(), 1);
    EXPECT_FALSE(offChanges.at(0).at(0).toBool());
    ASSERT_EQ(softChanges.count(), 1);
    EXPECT_TRUE(softChanges.at(0).at(0).toBool());

    // A click on the checked item keeps it checked and reports nothing.
    QTest::mouseClick(&soft, Qt::LeftButton);
    EXPECT_TRUE(soft.isChecked());
    EXPECT_EQ(softChanges.count(), 1);

    // The program checking an item reports too.
    off.setChecked(true);
    EXPECT_FALSE(soft.isChecked());
    EXPECT_EQ(offChanges.count(), 2);
    EXPECT_EQ(softChanges.count(), 2);
}

TEST(CheckControlTest, CheckItemClicksOnlyForTheUser)
{
    LampButton box("Pulse");
    box.resize(box.sizeHint());
    bool checkedWhenClicked = false;
    QObject::connect(&box, &LampButton::userToggled, [&] { checkedWhenClicked = box.isChecked(); });
    QSignalSpy clicks(&box, &LampButton::userToggled);

    box.setChecked(true);
    box.setChecked(false);
    EXPECT_EQ(clicks.count(), 0);

    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(checkedWhenClicked);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(box.isChecked());
}

TEST(SwitchTest, ClickPicksNearestAndKeysStep)
{
    PanelSwitch lever(3, Qt::Horizontal);
    lever.resize(90, 20);
    QSignalSpy changes(&lever, &PanelSwitch::changed);

    QTest::mouseClick(&lever, Qt::LeftButton, {}, QPoint(85, 10));
    EXPECT_EQ(lever.position(), 2);
    QTest::mouseClick(&lever, Qt::LeftButton, {}, QPoint(46, 10));
    EXPECT_EQ(lever.position(), 1);
    QTest::keyClick(&lever, Qt::Key_Left);
    QTest::keyClick(&lever, Qt::Key_Left); // already at the end
    EXPECT_EQ(lever.position(), 0);
    lever.setPosition(7);
    EXPECT_EQ(lever.position(), 2);
    EXPECT_EQ(changes.count(), 4);
}

} // namespace
