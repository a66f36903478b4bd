// The virtual instrument driven the way the program drives it: bytes in,
// bytes out.
#include "VirtualInstrument.h"

#include "Messages.h"
#include "PatchLayout.h"
#include "PatchName.h"
#include "SysexCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

Bytes ToBytes(const auto& range)
{
    return Bytes(std::ranges::begin(range), std::ranges::end(range));
}

bool ChecksumOk(const Bytes& m, ChecksumRule rule = ChecksumRule::Dump)
{
    return UnpackBlock(m, (m.size() - kDumpHeaderSize - 2) / 2, rule).checksumOk();
}

} // namespace

TEST(VirtualInstrument, ProgramChangeLoadsPatchOfSelectedBankAndRequestsAnswerIt)
{
    Rig rig;
    rig.Send(BankSelect(3));
    rig.Send(ProgramChange(0, 42));
    rig.Send(ProgramChange(5, 7)); // another channel: ignored
    const auto answer = rig.Ask(RequestType::EditBuffer);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(Bytes(answer[0].begin(), answer[0].begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x01, 42}));
    EXPECT_EQ(Unpacked(answer[0]), rig.instrument.Patch(3, 42));
    EXPECT_NE(rig.instrument.Patch(3, 42), rig.instrument.Patch(0, 42));

    rig.instrument.SetChannel(5);
    rig.Send(ProgramChange(5, 7));
    EXPECT_EQ(rig.instrument.Program(), 7);
    EXPECT_EQ(rig.instrument.EditBuffer(), rig.instrument.Patch(3, 7));

    const Bytes one = rig.Ask(RequestType::OnePatch, 99).at(0);
    EXPECT_EQ(one[4], 99);
    EXPECT_EQ(Unpacked(one), rig.instrument.Patch(3, 99));
    EXPECT_TRUE(rig.Ask(RequestType::OnePatch, 100).empty());
}

TEST(VirtualInstrument, ParameterAndBusEditsLandAtTheirOffsets)
{
    Rig rig;
    const std::size_t signedAt = OffsetOfParameter(1); // DCO 1 frequency by LFO 1
    rig.Send(ParameterEdit(1, 0x41));                  // 7-bit -63
    EXPECT_EQ(rig.EditByte(signedAt), 0xC1);
    rig.Send(ParameterEdit(1, 0x05));
    EXPECT_EQ(rig.EditByte(signedAt), 0x05);
    rig.Send(ParameterEdit(21, 100)); // the cutoff is never negative
    EXPECT_EQ(rig.EditByte(OffsetOfParameter(21)), 100);
    rig.Send(ParameterEdit(0, 63));
    EXPECT_EQ(rig.EditByte(OffsetOfParameter(0)), 63);

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

    Rig m1000; // needs no prefix, and one does no harm
    m1000.Send(ParameterEditPrefix());
    m1000.Send(ParameterEdit(0, 15));
    m1000.Send(ParameterEdit(0, 16));
    EXPECT_EQ(m1000.EditByte(at), 16);
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
    const SplitRecord split = {0x7E, 'A', 'B', 'C', 'D', 'E', 36, 37, 0xF4};
    rig.Send(SplitData(49, split));
    EXPECT_EQ(rig.instrument.Split(49), split);
    rig.Send(SplitMode(true));
    EXPECT_TRUE(rig.instrument.InSplitMode());
    rig.Send(SplitMode(false));
    EXPECT_FALSE(rig.instrument.InSplitMode());

    Rig m6(Model::Matrix6);
    m6.Send(BankSelect(1)); // ignored: the one bank stays selected
    m6.Send(PatchToMemory(99, odd));
    EXPECT_EQ(m6.instrument.Patch(0, 99), odd);
}

TEST(VirtualInstrument, RequestAllAnswersEveryPatchSplitAndGlobalInOrder)
{
    for (const Model model : {Model::Matrix1000, Model::Matrix6}) {
        SCOPED_TRACE(ModelName(model));
        const bool m6 = model == Model::Matrix6;
        const int bank = m6 ? 0 : 4;
        Rig rig(model);
        PatchRecord named = rig.instrument.Patch(bank, 3);
        std::copy_n("@AZ 09-_", 8, named.begin());
        rig.instrument.SetPatch(bank, 3, named);
        rig.Send(BankSelect(Byte(bank)));

        const auto all = rig.Ask(RequestType::All);
        const std::size_t patches = m6 ? 101 : 100;
        const std::size_t splits = m6 ? 50 : 80;
        ASSERT_EQ(all.size(), patches + splits + 1);
        for (std::size_t i = 0; i < all.size(); ++i) {
            SCOPED_TRACE(i);
            const bool isPatch = i < patches;
            const bool isSplit = !isPatch && i < patches + splits;
            const std::size_t block = isPatch   ? kPatchRecordSize
                                      : isSplit ? kSplitRecordSize
                                      : m6      ? kMaster6Size
                                                : kGlobal1000Size;
            ASSERT_EQ(all[i].size(), BlockMessageSize(block));
            EXPECT_EQ(all[i][3], isPatch ? 0x01 : isSplit ? 0x02 : 0x03);
            EXPECT_EQ(all[i][4], isPatch && i < 100 ? i : isSplit ? i - patches : all[i][4]);
            const bool global = !isPatch && !isSplit;
            UnpackResult r = UnpackBlock(all[i], block,
                                         global && !m6 ? ChecksumRule::Global : ChecksumRule::Dump);
            ASSERT_TRUE(r.checksumOk());

            // Matrix-6 names go in six bits; raising them gives the held names back.
            const std::span<Byte> name(r.block.data(), isPatch   ? kPatchNameLength
                                                       : isSplit ? kSplitNameLength
                                                                 : 0);
            if (m6) {
                EXPECT_TRUE(std::ranges::all_of(name, [](Byte b) { return b < 64; }));
                RaiseMatrix6Name(name);
            }
            Bytes held = r.block; // the Matrix-6 extra patch and the filler splits
            if (isPatch && i < 100)
                held = ToBytes(rig.instrument.Patch(bank, int(i)));
            else if (isSplit && i - patches < 50)
                held = ToBytes(rig.instrument.Split(int(i - patches)));
            else if (global)
                held = ToBytes(rig.instrument.Global());
            EXPECT_EQ(r.block, held);
        }
        EXPECT_EQ(rig.Ask(RequestType::Global), std::vector<Bytes>{all.back()});
    }
}

TEST(VirtualInstrument, FaultsCorruptTheNthDumpAndDropTheNthMessage)
{
    Rig rig;
    rig.instrument.SetFaults({.badChecksumDump = 2, .dropMessage = 100});
    const auto all = rig.Ask(RequestType::All);
    ASSERT_EQ(all.size(), 180u);
    EXPECT_EQ(all[100].size(), kSplitMessageSize); // patch 99, then split 1: split 0 dropped
    EXPECT_EQ(all[100][4], 1);
    for (std::size_t i = 0; i < all.size() - 1; ++i)
        EXPECT_EQ(ChecksumOk(all[i]), i != 2) << i;
    EXPECT_TRUE(ChecksumOk(all.back(), ChecksumRule::Global));

    // Counting starts again at SetFaults.
    rig.instrument.SetFaults({.badChecksumDump = 0});
    EXPECT_FALSE(ChecksumOk(rig.Ask(RequestType::EditBuffer).at(0)));
    EXPECT_TRUE(ChecksumOk(rig.Ask(RequestType::EditBuffer).at(0)));
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
