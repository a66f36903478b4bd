// The virtual instrument driven the way the program drives it: bytes in,
// bytes out. Whole request-all answers and the injected faults are checked
// where the program meets them: the transfer tests, velmora-syx backup and
// the JACK session.
#include "instrument/VirtualInstrument.h"

#include "protocol/Messages.h"
#include "protocol/PatchLayout.h"
#include "protocol/SysexCodec.h"

#include "support/Placeholder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

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

// Stock 1.11 as the fact sheet has it: Envelope 1 sustain (53) lands on
// Envelope 2 amplitude (65), VCA 2 by Envelope 2 (29) nowhere; whole patches
// and every other edit as usual. Off unless asked for.
TEST(VirtualInstrument, EditsAsFirmware111TakesThem)
{
    Rig rig;
    EXPECT_FALSE(rig.instrument.edits111());
    rig.send(parameterEdit(53, 21));
    rig.send(parameterEdit(29, 5));
    EXPECT_EQ(rig.editByte(offsetOfParameter(53)), 21);
    EXPECT_EQ(rig.editByte(offsetOfParameter(29)), 5);

    rig.instrument.setEdits111(true);
    const Byte amplitude = rig.editByte(offsetOfParameter(65));
    rig.send(parameterEdit(53, 30));
    rig.send(parameterEdit(29, 0x7E)); // -2
    EXPECT_EQ(rig.editByte(offsetOfParameter(53)), 21);
    EXPECT_EQ(rig.editByte(offsetOfParameter(65)), 30);
    EXPECT_NE(amplitude, 30);
    EXPECT_EQ(rig.editByte(offsetOfParameter(29)), 5);
    rig.send(parameterEdit(21, 100));
    EXPECT_EQ(rig.editByte(offsetOfParameter(21)), 100);

    PatchRecord whole = rig.instrument.editBuffer();
    whole[offsetOfParameter(53)] = 40;
    whole[offsetOfParameter(29)] = 0xFE;
    rig.send(patchToEditBuffer(whole));
    EXPECT_EQ(rig.instrument.editBuffer(), whole);

    // A Matrix-6 has no such firmware.
    Rig m6(SynthModel::Matrix6);
    m6.instrument.setEdits111(true);
    m6.send(parameterEditPrefix());
    m6.send(parameterEdit(29, 7));
    EXPECT_EQ(m6.editByte(offsetOfParameter(29)), 7);
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
    // A Matrix-1000 keeps the data and sends its placeholder for the name.
    EXPECT_EQ(unpacked(rig.ask(RequestType::OnePatch, 17).at(0)),
              test::asMatrix1000Sends(odd, 1, 17));
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
    EXPECT_EQ(rig.instrument.editBuffer(), test::asMatrix1000Sends(odd, 0, 0));

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

namespace {

Bytes inquiry(Byte channel)
{
    return {0xF0, 0x7E, channel, 0x06, 0x01, 0xF7};
}

// The global record as a host writes it back: opcode 03, version 03, the
// plain sum.
Bytes globalWrite(std::span<const Byte> record)
{
    return blockMessage(opcode::masterData, 0x03, record);
}

Bytes storeEditBuffer(Byte number, Byte bank, Byte unit = 0)
{
    return {0xF0, 0x10, 0x06, 0x0E, number, bank, unit, 0xF7};
}

PatchRecord marked(PatchRecord record, Byte mark)
{
    record[40] = mark;
    return record;
}

} // namespace

TEST(VirtualInstrument, Matrix1000AnswersTheDeviceInquiryOnItsBasicChannelOnly)
{
    Rig rig;
    rig.send(inquiry(0));
    ASSERT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(rig.sent[0], (Bytes{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x10, 0x06, 0x00, 0x02, 0x00, 0x01,
                                  0x02, 0x00, 0x00, 0xF7}));

    // Another channel, all channels, a malformed inquiry: no answer.
    rig.sent.clear();
    for (const Bytes& m :
         {inquiry(3), inquiry(0x7F), Bytes{0xF0, 0x7E, 0x00, 0x06, 0x01, 0x00, 0xF7},
          Bytes{0xF0, 0x7E, 0x00, 0x06, 0x03, 0xF7}})
        rig.send(m);
    EXPECT_TRUE(rig.sent.empty());

    // The revision bytes can be set; the channel follows setChannel and a
    // global write of byte 11, and survives a change of model.
    rig.instrument.setFirmware({0x31, 0x31, 0x33, 0xC0});
    rig.instrument.setChannel(3);
    rig.send(inquiry(0));
    rig.send(inquiry(3));
    ASSERT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(rig.sent[0][2], 3);
    EXPECT_EQ(Bytes(rig.sent[0].begin() + 10, rig.sent[0].end() - 1),
              (Bytes{0x31, 0x31, 0x33, 0x40}));
    EXPECT_EQ(rig.instrument.global()[11], 3);

    Bytes record(rig.instrument.global().begin(), rig.instrument.global().end());
    record[11] = 9;
    rig.send(globalWrite(record));
    EXPECT_EQ(rig.instrument.channel(), 9);
    rig.sent.clear();
    rig.send(inquiry(9));
    rig.send(programChange(9, 12));
    ASSERT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(rig.sent[0][2], 9);
    EXPECT_EQ(rig.instrument.program(), 12);
    rig.instrument.setModel(SynthModel::Matrix6);
    rig.instrument.setModel(SynthModel::Matrix1000);
    EXPECT_EQ(rig.instrument.channel(), 9);

    // A Matrix-6 is found by its master record, not by the inquiry.
    Rig m6(SynthModel::Matrix6);
    m6.send(inquiry(0));
    m6.send(inquiry(0x7F));
    EXPECT_TRUE(m6.sent.empty());
}

TEST(VirtualInstrument, MemoryProtectIgnoresStoresAndIsSetByAGlobalWrite)
{
    Rig rig;
    EXPECT_FALSE(rig.instrument.memoryProtected());
    Bytes record(rig.instrument.global().begin(), rig.instrument.global().end());
    record[171] = 1;
    record[1] = 50; // vibrato speed

    // Only the whole Matrix-1000 record under the plain sum is taken.
    Bytes endAround = globalWrite(record);
    ASSERT_NE(globalChecksum(record), dumpChecksum(record));
    endAround[endAround.size() - 2] = globalChecksum(record);
    Bytes version2 = globalWrite(record);
    version2[4] = 0x02;
    Bytes shortened = globalWrite(record);
    shortened.erase(shortened.end() - 4, shortened.end() - 2);
    for (const Bytes& m : {endAround, version2, shortened})
        rig.send(m);
    EXPECT_FALSE(rig.instrument.memoryProtected());
    EXPECT_NE(rig.instrument.global()[1], 50);

    rig.send(globalWrite(record));
    EXPECT_TRUE(rig.instrument.memoryProtected());
    const auto answer = rig.ask(RequestType::Global);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0], globalWrite(record));

    // Stores go nowhere and are not answered; the edit buffer still loads.
    const PatchRecord before0 = rig.instrument.patch(0, 7);
    const PatchRecord before1 = rig.instrument.patch(1, 8);
    const PatchRecord odd = marked(before0, 0x77);
    rig.sent.clear();
    rig.send(patchToMemory(7, odd));
    rig.send(patchToEditBuffer(odd));
    rig.send(storeEditBuffer(8, 1));
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_EQ(rig.instrument.patch(0, 7), before0);
    EXPECT_EQ(rig.instrument.patch(1, 8), before1);
    EXPECT_EQ(rig.instrument.editBuffer(), test::asMatrix1000Sends(odd, 0, 0));

    // A global write is taken while protected, so protect can be switched off.
    record[171] = 0;
    rig.send(globalWrite(record));
    EXPECT_FALSE(rig.instrument.memoryProtected());
    rig.send(patchToMemory(7, odd));
    rig.send(storeEditBuffer(8, 1, 0x7F));
    EXPECT_EQ(rig.instrument.patch(0, 7), test::asMatrix1000Sends(odd, 0, 7));
    EXPECT_EQ(rig.instrument.patch(1, 8), test::asMatrix1000Sends(odd, 1, 8));

    // The setter does the same; a Matrix-6 has no such byte here and takes
    // no master write.
    rig.instrument.setMemoryProtect(true);
    EXPECT_EQ(rig.instrument.global()[171], 1);
    Rig m6(SynthModel::Matrix6);
    m6.instrument.setMemoryProtect(true);
    EXPECT_FALSE(m6.instrument.memoryProtected());
    m6.send(patchToMemory(7, odd));
    EXPECT_EQ(m6.instrument.patch(0, 7), odd);
    Bytes master(m6.instrument.global().begin(), m6.instrument.global().end());
    master[1] = 50;
    m6.send(blockMessage(opcode::masterData, 0x02, master));
    EXPECT_NE(m6.instrument.global()[1], 50);
}

TEST(VirtualInstrument, DroppedStoreIsTheNthStoreReceived)
{
    Rig rig;
    const PatchRecord base = rig.instrument.patch(0, 0);
    // Counted from setFaults; a store into a read-only bank counts too.
    rig.send(patchToMemory(0, marked(base, 1)));
    rig.instrument.setFaults({.dropStore = 3});
    rig.send(bankSelect(2));
    rig.send(patchToMemory(0, marked(base, 2))); // 0: read-only bank
    rig.send(bankSelect(0));
    rig.send(patchToMemory(1, marked(base, 3)));  // 1
    rig.send(patchToEditBuffer(marked(base, 4))); // not a store
    rig.send(storeEditBuffer(2, 1));              // 2
    rig.send(patchToMemory(3, marked(base, 5)));  // 3: dropped
    rig.send(patchToMemory(4, marked(base, 6)));  // 4
    EXPECT_TRUE(rig.sent.empty());
    using test::asMatrix1000Sends;
    EXPECT_EQ(rig.instrument.patch(0, 0), asMatrix1000Sends(marked(base, 1), 0, 0));
    EXPECT_NE(rig.instrument.patch(2, 0), asMatrix1000Sends(marked(base, 2), 2, 0));
    EXPECT_EQ(rig.instrument.patch(0, 1), asMatrix1000Sends(marked(base, 3), 0, 1));
    EXPECT_EQ(rig.instrument.patch(1, 2), asMatrix1000Sends(marked(base, 4), 1, 2));
    EXPECT_NE(rig.instrument.patch(0, 3), asMatrix1000Sends(marked(base, 5), 0, 3));
    EXPECT_EQ(rig.instrument.patch(0, 4), asMatrix1000Sends(marked(base, 6), 0, 4));

    Rig m6(SynthModel::Matrix6);
    m6.instrument.setFaults({.dropStore = 0});
    m6.send(patchToMemory(3, marked(base, 5)));
    m6.send(patchToMemory(3, marked(base, 6)));
    EXPECT_EQ(m6.instrument.patch(0, 3), marked(base, 6));
}

TEST(VirtualInstrument, Matrix1000BanksAnswerAndStoreLikeTheUnit)
{
    Rig rig;
    // Request-all after a bank select: that bank's 100 patches numbered
    // 0..99, 80 splits, the global record last.
    rig.send(bankSelect(6));
    const auto all = rig.ask(RequestType::All);
    ASSERT_EQ(all.size(), 181u);
    for (int n = 0; n < 100; ++n) {
        const Bytes& m = all[static_cast<std::size_t>(n)];
        ASSERT_EQ(m.size(), kPatchMessageSize);
        EXPECT_EQ(m[3], opcode::patchToMemory);
        EXPECT_EQ(m[4], n);
        EXPECT_EQ(unpacked(m), rig.instrument.patch(6, n));
    }
    for (std::size_t i = 100; i < 180; ++i)
        EXPECT_EQ(all[i][3], opcode::splitData);

    // The global record: 351 bytes, version 03, the plain 7-bit sum.
    const auto global = rig.ask(RequestType::Global);
    ASSERT_EQ(global.size(), 1u);
    EXPECT_EQ(all.back(), global[0]);
    const Bytes& g = global[0];
    ASSERT_EQ(g.size(), kGlobal1000MessageSize);
    EXPECT_EQ(Bytes(g.begin(), g.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x03, 0x03}));
    const auto block = unpackBlock(g, kGlobal1000Size);
    ASSERT_TRUE(block.checksumOk());
    EXPECT_TRUE(std::ranges::equal(block.block, rig.instrument.global()));
    ASSERT_NE(dumpChecksum(block.block), globalChecksum(block.block));
    EXPECT_EQ(g[g.size() - 2], dumpChecksum(block.block));

    // Banks 2..9 are read-only to both kinds of store.
    const PatchRecord odd = marked(rig.instrument.patch(0, 0), 0x55);
    rig.send(patchToEditBuffer(odd));
    for (Byte bank = 2; bank < 10; ++bank) {
        const PatchRecord before = rig.instrument.patch(bank, 10);
        rig.send(bankSelect(bank));
        rig.send(patchToMemory(10, odd));
        rig.send(storeEditBuffer(10, bank));
        EXPECT_EQ(rig.instrument.patch(bank, 10), before) << int(bank);
    }
    // Into bank 1 from anywhere; not for another unit, nor patch 100.
    rig.send(storeEditBuffer(10, 1, 3));
    rig.send(storeEditBuffer(100, 1));
    EXPECT_NE(rig.instrument.patch(1, 10), odd);
    rig.send(storeEditBuffer(10, 1));
    EXPECT_EQ(rig.instrument.patch(1, 10), test::asMatrix1000Sends(odd, 1, 10));
    EXPECT_EQ(rig.instrument.selectedBank(), 9);
}
