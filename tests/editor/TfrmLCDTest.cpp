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
    const auto* parameter = window.findChild<widgets::TLcdDisplay*>("LCDparameter");
    const auto* value = window.findChild<widgets::TLcdDisplay*>("LCDvalue");
    ASSERT_TRUE(parameter && value);

    window.ShowBus(3, -1);
    EXPECT_EQ(parameter->Text(), "3.");
    EXPECT_EQ(value->Text(), "-1");
    window.show();
    window.ShowParameter(21, 127);
    EXPECT_EQ(parameter->Text(), "21");
    EXPECT_EQ(value->Text(), "127");
}

} // namespace
} // namespace velmora::editor
