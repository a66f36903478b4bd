// The virtual instrument driven the way the program drives it: bytes in,
// bytes out. Whole request-all answers and the injected faults are checked
// where the program meets them: the transfer tests, velmora-syx backup and
// the JACK session.
#include "instrument/VirtualInstrument.h"

#include "protocol/Messages.h"
#include "protocol/PatchLayout.h"
#include "protocol/SysexCodec.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using Bytes = std::vector<Byte>;

namespace {

// An instrument whose answers are collected.
struct Rig
{
    explicit Rig(SynthModel model = SynthModel::Matrix1000) : instrument(model)
    {
        instrument.setOutput(
            [this](std::span<const Byte> m) { sent.emplace_back(m.begin(), m.end()); });
    }
    void send(const Bytes& m) { instrument.receive(m); }
    std::vector<Bytes> ask(RequestType type, Byte number = 0)
    {
        sent.clear();
        send(request(type, number));
        return sent;
    }
    Byte editByte(std::size_t at) const { return instrument.editBuffer()[at]; }

    VirtualInstrument instrument;
    std::vector<Bytes> sent;
};

std::size_t offsetOfParameter(int parameter)
{
    const auto fields = patchFields();
    return std::ranges::find(fields, parameter, &PatchField::parameter)->offset;
}

PatchRecord unpacked(const Bytes& message)
{
    PatchRecord record{};
    EXPECT_EQ(unpackBlock(message, record), UnpackStatus::Ok);
    return record;
}

} // namespace

TEST(VirtualInstrument, ProgramChangeOnItsChannelLoadsFromTheSelectedBank)
{
    Rig rig;
    rig.send(bankSelect(3));
    rig.send(programChange(0, 42));
    rig.send(programChange(5, 7)); // another channel: ignored
    EXPECT_EQ(rig.instrument.program(), 42);
    rig.instrument.setChannel(5);
    rig.send(programChange(5, 7));
    EXPECT_EQ(rig.instrument.program(), 7);
    EXPECT_EQ(rig.instrument.editBuffer(), rig.instrument.patch(3, 7));

    // Requests answer from the selected bank; there is no patch 100.
    EXPECT_EQ(unpacked(rig.ask(RequestType::OnePatch, 99).at(0)), rig.instrument.patch(3, 99));
    EXPECT_EQ(unpacked(rig.ask(RequestType::All).at(0)), rig.instrument.patch(3, 0));
    EXPECT_TRUE(rig.ask(RequestType::OnePatch, 100).empty());
}

TEST(VirtualInstrument, ParameterAndBusEditsLandAtTheirOffsets)
{
    Rig rig;
    const std::size_t signedAt = offsetOfParameter(1); // DCO 1 frequency by LFO 1
    rig.send(parameterEdit(1, 0x41));                  // 7-bit -63
    EXPECT_EQ(rig.editByte(signedAt), 0xC1);
    rig.send(parameterEdit(21, 100)); // the cutoff is never negative
    EXPECT_EQ(rig.editByte(offsetOfParameter(21)), 100);

    const PatchRecord before = rig.instrument.editBuffer();
    for (Byte unknown : {39, 49, 89, 99, 127})
        rig.send(parameterEdit(unknown, 5));
    rig.send({0xF0, 0x10, 0x06, 0x0B, 10, 1, 1, 1, 0xF7}); // no bus 11
    EXPECT_EQ(rig.instrument.editBuffer(), before);

    rig.send(matrixBus(3, 5, 0x7F, 9));
    const PatchRecord edit = rig.instrument.editBuffer();
    EXPECT_EQ(Bytes(edit.begin() + busOffset(3), edit.begin() + busOffset(3) + 3),
              (Bytes{5, 0xFF, 9}));
}

TEST(VirtualInstrument, Matrix6AppliesAnEditOnlyRightAfterThePrefix)
{
    Rig rig(SynthModel::Matrix6);
    const std::size_t at = offsetOfParameter(0);
    rig.send(parameterEdit(0, 11));
    EXPECT_NE(rig.editByte(at), 11);
    rig.send(parameterEditPrefix());
    rig.send(parameterEdit(0, 12));
    rig.send(parameterEdit(0, 13)); // the prefix armed one edit only
    EXPECT_EQ(rig.editByte(at), 12);
    rig.send(parameterEditPrefix());
    rig.send(request(RequestType::Global)); // anything in between disarms
    rig.send(parameterEdit(0, 14));
    EXPECT_EQ(rig.editByte(at), 12);
}

TEST(VirtualInstrument, StoresOnlyWithGoodChecksumAndIntoWritableBanks)
{
    Rig rig;
    PatchRecord odd = rig.instrument.patch(0, 0);
    odd[0] = 0x01; // odd name bytes and out-of-range data pass through unchanged
    odd[3] = 0xC5;
    odd[40] = 0xFE;
    rig.send(bankSelect(1));
    rig.send(patchToMemory(17, odd));
    EXPECT_EQ(unpacked(rig.ask(RequestType::OnePatch, 17).at(0)), odd);
    rig.send(bankSelect(2)); // read-only bank
    rig.send(patchToMemory(17, odd));
    EXPECT_NE(rig.instrument.patch(2, 17), odd);
    rig.send(bankSelect(10)); // no such bank: bank 2 stays selected
    EXPECT_EQ(rig.instrument.selectedBank(), 2);

    rig.send(bankSelect(0));
    std::vector<Bytes> spoiled = {patchToMemory(5, odd), patchToEditBuffer(odd),
                                  splitData(48, SplitRecord{})};
    for (Bytes& m : spoiled) {
        m[m.size() - 2] ^= 0x01;
        rig.send(m);
    }
    EXPECT_NE(rig.instrument.patch(0, 5), odd);
    EXPECT_NE(rig.instrument.editBuffer(), odd);
    EXPECT_NE(rig.instrument.split(48), SplitRecord{});

    rig.send(patchToEditBuffer(odd));
    EXPECT_EQ(rig.instrument.editBuffer(), odd);

    Rig m6(SynthModel::Matrix6);
    m6.send(bankSelect(1)); // ignored: the one bank stays selected
    m6.send(patchToMemory(99, odd));
    EXPECT_EQ(m6.instrument.patch(0, 99), odd);
}

TEST(VirtualInstrument, ContentsAreDeterministicAndWithinDocumentedRanges)
{
    const VirtualInstrument a;
    VirtualInstrument b(SynthModel::Matrix6);
    b.setModel(SynthModel::Matrix1000);
    for (int bank = 0; bank < a.bankCount(); ++bank) {
        for (int n = 0; n < 100; ++n) {
            const PatchRecord p = a.patch(bank, n);
            ASSERT_EQ(p, b.patch(bank, n));
            for (std::size_t at = kPatchNameLength; at < kPatchRecordSize; ++at) {
                const PatchField* field = fieldAt(at);
                ASSERT_EQ(describeFieldValue(*field, p[at]).find("out of range"), std::string::npos)
                    << bank << "/" << n << " " << field->name;
            }
        }
    }
}
