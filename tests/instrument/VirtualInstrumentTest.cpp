// The virtual instrument driven the way the program drives it: bytes in,
// bytes out. Whole request-all answers and the injected faults are checked
// where the program meets them: the transfer tests, velmora-syx backup and
// the JACK session.
#include "VirtualInstrument.h"

#include "Messages.h"
#include "PatchLayout.h"
#include "SysexCodec.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using Bytes = std::vector<Byte>;

namespace {

// An instrument whose answers are collected.
struct Rig
{
    explicit Rig(Model model = Model::Matrix1000) : instrument(model)
    {
        instrument.SetOutput(
            [this](std::span<const Byte> m) { sent.emplace_back(m.begin(), m.end()); });
    }
    void Send(const Bytes& m) { instrument.Receive(m); }
    std::vector<Bytes> Ask(RequestType type, Byte number = 0)
    {
        sent.clear();
        Send(Request(type, number));
        return sent;
    }
    Byte EditByte(std::size_t at) const { return instrument.EditBuffer()[at]; }

    VirtualInstrument instrument;
    std::vector<Bytes> sent;
};

std::size_t OffsetOfParameter(int parameter)
{
    const auto fields = PatchFields();
    return std::ranges::find(fields, parameter, &PatchField::parameter)->offset;
}

PatchRecord Unpacked(const Bytes& message)
{
    PatchRecord record{};
    EXPECT_EQ(UnpackBlock(message, record), UnpackStatus::Ok);
    return record;
}

} // namespace

TEST(VirtualInstrument, ProgramChangeOnItsChannelLoadsFromTheSelectedBank)
{
    Rig rig;
    rig.Send(BankSelect(3));
    rig.Send(ProgramChange(0, 42));
    rig.Send(ProgramChange(5, 7)); // another channel: ignored
    EXPECT_EQ(rig.instrument.Program(), 42);
    rig.instrument.SetChannel(5);
    rig.Send(ProgramChange(5, 7));
    EXPECT_EQ(rig.instrument.Program(), 7);
    EXPECT_EQ(rig.instrument.EditBuffer(), rig.instrument.Patch(3, 7));

    // Requests answer from the selected bank; there is no patch 100.
    EXPECT_EQ(Unpacked(rig.Ask(RequestType::OnePatch, 99).at(0)), rig.instrument.Patch(3, 99));
    EXPECT_EQ(Unpacked(rig.Ask(RequestType::All).at(0)), rig.instrument.Patch(3, 0));
    EXPECT_TRUE(rig.Ask(RequestType::OnePatch, 100).empty());
}

TEST(VirtualInstrument, ParameterAndBusEditsLandAtTheirOffsets)
{
    Rig rig;
    const std::size_t signedAt = OffsetOfParameter(1); // DCO 1 frequency by LFO 1
    rig.Send(ParameterEdit(1, 0x41));                  // 7-bit -63
    EXPECT_EQ(rig.EditByte(signedAt), 0xC1);
    rig.Send(ParameterEdit(21, 100)); // the cutoff is never negative
    EXPECT_EQ(rig.EditByte(OffsetOfParameter(21)), 100);

    const PatchRecord before = rig.instrument.EditBuffer();
    for (Byte unknown : {39, 49, 89, 99, 127})
        rig.Send(ParameterEdit(unknown, 5));
    rig.Send({0xF0, 0x10, 0x06, 0x0B, 10, 1, 1, 1, 0xF7}); // no bus 11
    EXPECT_EQ(rig.instrument.EditBuffer(), before);

    rig.Send(MatrixBus(3, 5, 0x7F, 9));
    const PatchRecord edit = rig.instrument.EditBuffer();
    EXPECT_EQ(Bytes(edit.begin() + BusOffset(3), edit.begin() + BusOffset(3) + 3),
              (Bytes{5, 0xFF, 9}));
}

TEST(VirtualInstrument, Matrix6AppliesAnEditOnlyRightAfterThePrefix)
{
    Rig rig(Model::Matrix6);
    const std::size_t at = OffsetOfParameter(0);
    rig.Send(ParameterEdit(0, 11));
    EXPECT_NE(rig.EditByte(at), 11);
    rig.Send(ParameterEditPrefix());
    rig.Send(ParameterEdit(0, 12));
    rig.Send(ParameterEdit(0, 13)); // the prefix armed one edit only
    EXPECT_EQ(rig.EditByte(at), 12);
    rig.Send(ParameterEditPrefix());
    rig.Send(Request(RequestType::Global)); // anything in between disarms
    rig.Send(ParameterEdit(0, 14));
    EXPECT_EQ(rig.EditByte(at), 12);
}

TEST(VirtualInstrument, StoresOnlyWithGoodChecksumAndIntoWritableBanks)
{
    Rig rig;
    PatchRecord odd = rig.instrument.Patch(0, 0);
    odd[0] = 0x01; // odd name bytes and out-of-range data pass through unchanged
    odd[3] = 0xC5;
    odd[40] = 0xFE;
    rig.Send(BankSelect(1));
    rig.Send(PatchToMemory(17, odd));
    EXPECT_EQ(Unpacked(rig.Ask(RequestType::OnePatch, 17).at(0)), odd);
    rig.Send(BankSelect(2)); // read-only bank
    rig.Send(PatchToMemory(17, odd));
    EXPECT_NE(rig.instrument.Patch(2, 17), odd);
    rig.Send(BankSelect(10)); // no such bank: bank 2 stays selected
    EXPECT_EQ(rig.instrument.SelectedBank(), 2);

    rig.Send(BankSelect(0));
    std::vector<Bytes> spoiled = {PatchToMemory(5, odd), PatchToEditBuffer(odd),
                                  SplitData(48, SplitRecord{})};
    for (Bytes& m : spoiled) {
        m[m.size() - 2] ^= 0x01;
        rig.Send(m);
    }
    EXPECT_NE(rig.instrument.Patch(0, 5), odd);
    EXPECT_NE(rig.instrument.EditBuffer(), odd);
    EXPECT_NE(rig.instrument.Split(48), SplitRecord{});

    rig.Send(PatchToEditBuffer(odd));
    EXPECT_EQ(rig.instrument.EditBuffer(), odd);

    Rig m6(Model::Matrix6);
    m6.Send(BankSelect(1)); // ignored: the one bank stays selected
    m6.Send(PatchToMemory(99, odd));
    EXPECT_EQ(m6.instrument.Patch(0, 99), odd);
}

TEST(VirtualInstrument, ContentsAreDeterministicAndWithinDocumentedRanges)
{
    const VirtualInstrument a;
    VirtualInstrument b(Model::Matrix6);
    b.SetModel(Model::Matrix1000);
    for (int bank = 0; bank < a.BankCount(); ++bank) {
        for (int n = 0; n < 100; ++n) {
            const PatchRecord p = a.Patch(bank, n);
            ASSERT_EQ(p, b.Patch(bank, n));
            for (std::size_t at = kPatchNameLength; at < kPatchRecordSize; ++at) {
                const PatchField* field = FieldAt(at);
                ASSERT_EQ(DescribeFieldValue(*field, p[at]).find("out of range"), std::string::npos)
                    << bank << "/" << n << " " << field->name;
            }
        }
    }
}
