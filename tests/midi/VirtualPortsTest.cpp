// The built-in port pair: the program's devices against the virtual
// instrument, bytes on the wire both ways.
#include "Messages.h"
#include "MidiInput.h"
#include "MidiOutput.h"
#include "SysexCodec.h"
#include "VirtualBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::midi;

namespace {

struct VirtualPorts : ::testing::Test
{
    VirtualPorts()
    {
        auto owned = std::make_unique<VirtualBackend>();
        backend = owned.get();
        devices.AddBackend(std::move(owned));
        input.SetOnMidiInput([this](TMidiInput& in) {
            if (auto event = in.TakeEvent())
                received.push_back(std::move(*event));
        });
    }
    void Open()
    {
        input.SetProductName(VirtualBackend::kPortName);
        output.SetProductName(VirtualBackend::kPortName);
        ASSERT_TRUE(input.Open());
        input.Start();
        ASSERT_TRUE(output.Open());
    }
    // Lets the answers arrive and be handled.
    void Settle(std::size_t expected)
    {
        QElapsedTimer clock;
        clock.start();
        while (received.size() < expected && clock.elapsed() < 10000) {
            backend->WaitIdle();
            QCoreApplication::processEvents();
        }
    }

    MidiDevices devices;
    VirtualBackend* backend = nullptr;
    TMidiInput input{devices};
    TMidiOutput output{devices};
    std::vector<TMyMidiEvent> received;
};

} // namespace

TEST_F(VirtualPorts, EditsAndRequestsTravelBothWays)
{
    Open();
    output.SendLong(ParameterEdit(5, ToSevenBit(5, 33))); // DCO 1 waveshape
    output.SendLong(Request(RequestType::EditBuffer));
    Settle(1);
    ASSERT_EQ(received.size(), 1u);
    ASSERT_EQ(received[0].SysexSize, kPatchMessageSize);
    PatchRecord record{};
    EXPECT_EQ(UnpackBlock(received[0].SysexData, record), UnpackStatus::Ok);
    EXPECT_EQ(record[10], 33);
    backend->WithInstrument(
        [](VirtualInstrument& instrument) { EXPECT_EQ(instrument.ReceivedLog().size(), 2u); });
}

TEST_F(VirtualPorts, RequestAllArrivesWholeAndInOrder)
{
    // As fast as possible, the whole answer is queued before the first
    // message is handled: every message needs a buffer of its own.
    input.SetSysexBufferSize(512);
    input.SetSysexBufferCount(256);
    Open();
    output.SendLong(Request(RequestType::All));
    Settle(181);
    ASSERT_EQ(received.size(), 181u);
    for (std::size_t i = 0; i < received.size(); ++i) {
        const std::size_t expected = i < 100   ? kPatchMessageSize
                                     : i < 180 ? kSplitMessageSize
                                               : kGlobal1000MessageSize;
        ASSERT_EQ(received[i].SysexSize, expected) << i;
        const DumpKind kind = ClassifyDump(expected);
        EXPECT_TRUE(
            UnpackBlock(received[i].SysexData, DumpBlockLength(kind), DumpChecksumRule(kind))
                .checksumOk())
            << i;
    }
    EXPECT_EQ(input.LostCount(), 0u);
}
