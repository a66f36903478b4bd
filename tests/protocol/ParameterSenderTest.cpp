// Live-edit sends as they reach the output.
#include "ParameterSender.h"
#include "ControlTables.h"
#include "Messages.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

using namespace velmora;
using Bytes = std::vector<Byte>;

namespace {

struct Sender : ::testing::Test
{
    Sender()
    {
        sender.OnParameterShown = [this](int p, int v) { shown.emplace_back(p, v); };
        sender.OnMatrixShown = [this](int b, int a) { shown.emplace_back(b, a); };
        sender.OnSend6Patch = [this] { ++wholePatches; };
    }
    PatchBuffer patch{};
    test::RecordingSink sink;
    ParameterSender sender{sink, patch};
    std::vector<std::pair<int, int>> shown;
    int wholePatches = 0;
};

} // namespace

TEST_F(Sender, ParameterEditsGoOutInSevenBitsAndShowSigned)
{
    patch[86] = SignedToByte(-1); // control 46, parameter 1
    sender.SendByte(46);
    patch[26] = 0x7F; // control 43: the cutoff, parameter 21
    sender.SendByte(43);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{ParameterEdit(1, 0x7F), ParameterEdit(21, 0x7F)}));
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{1, -1}, {21, 127}}));

    // The Matrix-6 needs the edit-enable message before every edit.
    sink.sent.clear();
    sender.SetModel(Model::Matrix6);
    sender.SendParameter(5, 33);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{ParameterEditPrefix(), ParameterEdit(5, 33)}));
}

TEST_F(Sender, NothingGoesOutWhileLoadingOrClosed)
{
    sender.SetLoadingControls(true);
    sender.SendParameter(5, 33);
    sender.SendMatrix(1, 1, 10, 9);
    sender.SetModel(Model::Matrix6);
    sender.SendMatrix(1, 1, 10, 9);
    EXPECT_EQ(wholePatches, 0);
    sender.SetLoadingControls(false);
    sink.open = false;
    sender.SetModel(Model::Matrix1000);
    sender.SendParameter(5, 33);
    sender.SendMatrix(2, 1, 0x7F, 9);
    sender.SendProgramChange(4);
    sender.SendController(1, 64);
    EXPECT_TRUE(sink.sent.empty());
    // The matrix display follows the edit even when nothing could be sent.
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{2, -1}}));
}

TEST_F(Sender, MatrixProgramAndControllerMessages)
{
    sender.SetChannel(3);
    sender.SendMatrix(10, 20, SignedToByte(-63) & 0x7F, 32);
    sender.SendProgramChange(42);
    sender.SendController(1, 127);
    sender.SendController(120, 1); // out of range: nothing
    sender.SendController(7, 128);
    EXPECT_EQ(sink.sent,
              (std::vector<Bytes>{MatrixBus(10, 20, 0x41, 32), {0xC3, 42}, {0xB3, 1, 127}}));
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{10, -63}}));

    sender.SetModel(Model::Matrix6);
    sender.SendMatrix(1, 1, 5, 9);
    EXPECT_EQ(wholePatches, 1);
    EXPECT_EQ(sink.sent.size(), 3u);
}

TEST_F(Sender, ControlEditsGoAsTheModelNeedsThem)
{
    int editBufferSends = 0;
    sender.OnMidiSendPatch = [&] { ++editBufferSends; };
    patch[19] = SignedToByte(-3); // detune, control 42
    patch[87] = SignedToByte(-5); // DCO 1 pulse width by LFO 2, control 47
    patch[88] = 7;                // DCO 2 frequency by LFO 1, control 48
    patch[93] = SignedToByte(-9); // Env 2 -> VCA 2, control 62

    for (int control : {42, 47, 48, 62})
        sender.SendControl(control);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{ParameterEdit(12, 0x7D), ParameterEdit(4, 0x7B),
                                             ParameterEdit(11, 7)}));
    EXPECT_EQ(editBufferSends, 1);
    EXPECT_EQ(wholePatches, 0);
    EXPECT_EQ(shown.back(), (std::pair<int, int>{29, -9}));

    // A Matrix-6 takes detune, negative amounts and Env 2 -> VCA 2 as the
    // whole patch; positive amounts still go as parameters.
    sink.sent.clear();
    sender.SetModel(Model::Matrix6);
    for (int control : {42, 47, 48, 62})
        sender.SendControl(control);
    EXPECT_EQ(wholePatches, 3);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{ParameterEditPrefix(), ParameterEdit(11, 7)}));

    // While the editor fills its controls nothing goes out at all.
    sender.SetLoadingControls(true);
    for (int control : {42, 47, 62})
        sender.SendControl(control);
    EXPECT_EQ(wholePatches, 3);
}
