#include "TfrmLCD.h"
#include "TLcdDisplay.h"

#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

TEST(TfrmLCD, ShowsParameterOrBusWhetherVisibleOrNot)
{
    TfrmLCD window;
    EXPECT_EQ(window.windowTitle(), "Parameter Display");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    auto* parameter = window.findChild<widgets::TLcdDisplay*>("LCDparameter");
    auto* value = window.findChild<widgets::TLcdDisplay*>("LCDvalue");
    ASSERT_TRUE(parameter && value);

    window.ShowBus(3, -1);
    EXPECT_EQ(parameter->Text(), "3.");
    EXPECT_EQ(value->Text(), "-1");
    window.show();
    window.ShowParameter(21, 127);
    EXPECT_EQ(parameter->Text(), "21");
    EXPECT_EQ(value->Text(), "127");
    // The display draws at any size, down to a single pixel.
    for (const QSize size : {QSize(1, 1), QSize(300, 40)}) {
        value->resize(size);
        EXPECT_FALSE(value->grab().isNull());
    }
}

} // namespace
} // namespace velmora::editor
