#include "editor/ParameterDisplayWindow.h"
#include "widgets/LcdDisplay.h"

#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

TEST(ParameterDisplay, ShowsParameterOrBusWhetherVisibleOrNot)
{
    ParameterDisplayWindow window;
    EXPECT_EQ(window.windowTitle(), "Parameter Display");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    auto* parameter = window.findChild<widgets::LcdDisplay*>("LCDparameter");
    auto* value = window.findChild<widgets::LcdDisplay*>("LCDvalue");
    ASSERT_TRUE(parameter && value);

    window.showBus(3, -1);
    EXPECT_EQ(parameter->text(), "3.");
    EXPECT_EQ(value->text(), "-1");
    window.show();
    window.showParameter(21, 127);
    EXPECT_EQ(parameter->text(), "21");
    EXPECT_EQ(value->text(), "127");
    // The display draws at any size, down to a single pixel.
    for (const QSize size : {QSize(1, 1), QSize(300, 40)}) {
        value->resize(size);
        EXPECT_FALSE(value->grab().isNull());
    }
}

} // namespace
} // namespace velmora::editor
