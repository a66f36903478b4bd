#include "VirtualInstrument.h"

#include "FactoryContents.h"
#include "Messages.h"
#include "PatchLayout.h"
#include "SysexCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace velmora {
namespace {

constexpr Byte kSplitModeDevice = 0x02;
constexpr Byte kSplitModeOpcode = 0x0D;
constexpr Byte kSplitModeOn = 0x02;
constexpr Byte kSplitModeOff = 0x01;
constexpr Byte kGlobalDumpOpcode = 0x03;
// The Matrix-6 answers "request all" with one patch message past its 100
// patches: the edit buffer, under this number.
constexpr Byte kMatrix6EditBufferNumber = 100;
constexpr int kPatchNumbers = static_cast<int>(kBankPatchCount);
constexpr int kSplitNumbers = static_cast<int>(kSplitCount);

int BankCountOf(Model model)
{
    return model == Model::Matrix1000 ? VirtualInstrument::kMatrix1000BankCount : 1;
}

// What a model's memory holds when it is switched on. Built once per model
// and copied, so constructing an instrument costs a copy, not a generation.
struct Factory
{
    std::vector<PatchRecord> patches; // bank after bank
    std::array<SplitRecord, kSplitCount> splits{};
    std::vector<SplitRecord> filler; // Matrix-1000 only: splits 50..79 of "request all"
    std::vector<Byte> global;
};

Factory BuildFactory(Model model)
{
    Factory f;
    const int banks = BankCountOf(model);
    f.patches.reserve(static_cast<std::size_t>(banks * kPatchNumbers));
    for (int bank = 0; bank < banks; ++bank) {
        for (int n = 0; n < kPatchNumbers; ++n)
            f.patches.push_back(FactoryPatch(model, bank, n));
    }
    for (int i = 0; i < kSplitNumbers; ++i)
        f.splits[static_cast<std::size_t>(i)] = FactorySplit(model, i);
    if (model == Model::Matrix1000) {
        for (int i = kSplitNumbers; i < VirtualInstrument::kMatrix1000SplitsSent; ++i)
            f.filler.push_back(FactorySplit(model, i));
    }
    f.global = FactoryGlobal(model);
    return f;
}

const Factory& FactoryOf(Model model)
{
    static const Factory matrix1000 = BuildFactory(Model::Matrix1000);
    static const Factory matrix6 = BuildFactory(Model::Matrix6);
    return model == Model::Matrix1000 ? matrix1000 : matrix6;
}

// Parameter number -> record offset and whether the field is signed, for the
// parameter numbers a single-parameter edit can carry.
struct ParameterTarget
{
    int offset = -1; // -1: no such parameter
    bool isSigned = false;
};

std::array<ParameterTarget, 128> BuildParameterTargets()
{
    std::array<ParameterTarget, 128> targets{};
    for (const PatchField& field : PatchFields()) {
        if (field.parameter >= 0 && field.parameter < 128)
            targets[static_cast<std::size_t>(field.parameter)] = {static_cast<int>(field.offset),
                                                                  field.kind == FieldKind::Signed};
    }
    return targets;
}

const ParameterTarget& TargetOf(Byte parameter)
{
    static const std::array<ParameterTarget, 128> targets = BuildParameterTargets();
    return targets[parameter & 0x7F];
}

// A 7-bit two's complement value as the record's 8-bit byte.
Byte SevenBitSignedToByte(Byte v)
{
    return SignedToByte(v >= 64 ? int(v) - 128 : int(v));
}

bool IsDataByte(Byte b)
{
    return b < 0x80;
}

} // namespace

struct VirtualInstrument::State
{
    Model model = Model::Matrix1000;
    int channel = 0;

    std::vector<PatchRecord> patches;
    PatchRecord edit{};
    std::array<SplitRecord, kSplitCount> splits{};
    std::vector<Byte> global;
    int bank = 0;
    int program = 0;
    bool splitMode = false;
    bool editArmed = false; // a Matrix-6 edit-enable prefix came last

    Output output;
    Faults faults;
    std::int64_t messagesProduced = 0;
    std::int64_t dumpsProduced = 0;

    std::vector<std::vector<Byte>> log;
    std::size_t logLimit = kDefaultLogLimit;

    void Reset(Model m)
    {
        model = m;
        const Factory& f = FactoryOf(m);
        patches = f.patches;
        splits = f.splits;
        global = f.global;
        bank = 0;
        program = 0;
        edit = patches.front();
        splitMode = false;
        editArmed = false;
    }

    int BankCount() const { return BankCountOf(model); }

    PatchRecord& PatchAt(int b, int n)
    {
        return patches[static_cast<std::size_t>(b * kPatchNumbers + n)];
    }
    const PatchRecord& PatchAt(int b, int n) const
    {
        return patches[static_cast<std::size_t>(b * kPatchNumbers + n)];
    }

    void Log(std::span<const Byte> message)
    {
        if (log.size() >= logLimit)
            log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(log.size() / 2 + 1));
        log.emplace_back(message.begin(), message.end());
    }

    // --- sending ---

    void Emit(std::span<const Byte> message)
    {
        const std::int64_t index = messagesProduced++;
        if (faults.dropMessage >= 0 && index == faults.dropMessage)
            return;
        if (output)
            output(message);
    }

    // One dump: the block packed into a block message under opcode `op`,
    // number `number`, with the checksum of `rule`.
    void EmitDump(Byte op, Byte number, std::span<const Byte> block, ChecksumRule rule)
    {
        std::array<Byte, kMaster6MessageSize> buffer;
        const std::size_t length = WriteBlockMessage(op, number, block, buffer.data());
        Byte& checksum = buffer[length - 2];
        if (rule == ChecksumRule::Global)
            checksum = GlobalChecksum(block);
        const std::int64_t index = dumpsProduced++;
        if (faults.badChecksumDump >= 0 && index == faults.badChecksumDump)
            checksum = static_cast<Byte>((checksum + 1) & 0x7F);
        Emit(std::span<const Byte>(buffer.data(), length));
    }

    // A Matrix-6 sends its names in six bits; the memory keeps them whole.
    void SixBitName(std::span<Byte> name) const
    {
        if (model == Model::Matrix6) {
            for (Byte& b : name)
                b &= 0x3F;
        }
    }

    void EmitPatch(Byte number, const PatchRecord& record)
    {
        PatchRecord sent = record;
        SixBitName(std::span<Byte>(sent.data(), kPatchNameLength));
        EmitDump(opcode::PatchToMemory, number, sent, ChecksumRule::Dump);
    }

    void EmitSplit(Byte number, const SplitRecord& record)
    {
        SplitRecord sent = record;
        SixBitName(std::span<Byte>(sent.data(), kSplitNameLength));
        EmitDump(opcode::SplitData, number, sent, ChecksumRule::Dump);
    }

    void EmitGlobal()
    {
        EmitDump(kGlobalDumpOpcode, 0x00, global,
                 model == Model::Matrix1000 ? ChecksumRule::Global : ChecksumRule::Dump);
    }

    void EmitAll()
    {
        for (int n = 0; n < kPatchNumbers; ++n)
            EmitPatch(static_cast<Byte>(n), PatchAt(bank, n));
        if (model == Model::Matrix6)
            EmitPatch(kMatrix6EditBufferNumber, edit);
        for (int n = 0; n < kSplitNumbers; ++n)
            EmitSplit(static_cast<Byte>(n), splits[static_cast<std::size_t>(n)]);
        if (model == Model::Matrix1000) {
            const std::vector<SplitRecord>& filler = FactoryOf(model).filler;
            for (std::size_t i = 0; i < filler.size(); ++i)
                EmitSplit(static_cast<Byte>(kSplitNumbers + static_cast<int>(i)), filler[i]);
        }
        EmitGlobal();
    }

    // --- receiving ---

    void HandleSysex(std::span<const Byte> m, bool armed)
    {
        // F0 10 dd op ... F7, nothing but data bytes in between.
        if (m.size() < 5 || m.back() != kSysexEnd || m[1] != kManufacturer)
            return;
        if (!std::all_of(m.begin() + 1, m.end() - 1, IsDataByte))
            return;
        const Byte device = m[2];
        const Byte op = m[3];
        if (device == kSplitModeDevice) {
            if (m.size() == 6 && op == kSplitModeOpcode) {
                if (m[4] == kSplitModeOn)
                    splitMode = true;
                else if (m[4] == kSplitModeOff)
                    splitMode = false;
            }
            return;
        }
        if (device != kDevice)
            return;

        switch (op) {
        case opcode::ParameterPrefix:
            if (m.size() == 5)
                editArmed = true;
            break;
        case opcode::Parameter:
            if (m.size() == 7 && (armed || model == Model::Matrix1000))
                ApplyParameter(m[4], m[5]);
            break;
        case opcode::MatrixBus:
            if (m.size() == 9 && m[4] < kMatrixBusCount) {
                const std::size_t at = BusOffset(m[4] + 1);
                edit[at] = m[5];
                edit[at + 1] = SevenBitSignedToByte(m[6]);
                edit[at + 2] = m[7];
            }
            break;
        case opcode::PatchToEditBuffer:
            if (m.size() == kPatchMessageSize) {
                PatchRecord record;
                if (UnpackBlock(m, record) == UnpackStatus::Ok)
                    edit = record;
            }
            break;
        case opcode::PatchToMemory:
            if (m.size() == kPatchMessageSize)
                StorePatch(m);
            break;
        case opcode::SplitData:
            if (m.size() == kSplitMessageSize && m[4] < kSplitNumbers) {
                SplitRecord record;
                if (UnpackBlock(m, record) == UnpackStatus::Ok)
                    splits[m[4]] = record;
            }
            break;
        case opcode::BankSelect:
            if (m.size() == 6 && m[4] < BankCount())
                bank = m[4];
            break;
        case opcode::Request:
            if (m.size() == 7)
                Answer(m[4], m[5]);
            break;
        default:
            break;
        }
    }

    void ApplyParameter(Byte parameter, Byte value)
    {
        const ParameterTarget& target = TargetOf(parameter);
        if (target.offset < 0)
            return;
        edit[static_cast<std::size_t>(target.offset)] =
            target.isSigned ? SevenBitSignedToByte(value) : value;
    }

    void StorePatch(std::span<const Byte> m)
    {
        const int number = m[4];
        if (number >= kPatchNumbers)
            return;
        if (model == Model::Matrix1000 && bank >= kMatrix1000WritableBanks)
            return;
        PatchRecord record;
        if (UnpackBlock(m, record) == UnpackStatus::Ok)
            PatchAt(bank, number) = record;
    }

    void Answer(Byte type, Byte number)
    {
        switch (static_cast<RequestType>(type)) {
        case RequestType::All:
            EmitAll();
            break;
        case RequestType::OnePatch:
            if (number < kPatchNumbers)
                EmitPatch(number, PatchAt(bank, number));
            break;
        case RequestType::Global:
            EmitGlobal();
            break;
        case RequestType::EditBuffer:
            EmitPatch(static_cast<Byte>(program), edit);
            break;
        default:
            break;
        }
    }

    void HandleChannel(std::span<const Byte> m)
    {
        if ((m[0] & 0x0F) != channel)
            return;
        // Program change: loads the patch of the selected bank. Notes,
        // controllers and the rest are only logged.
        if ((m[0] & 0xF0) == 0xC0 && m.size() == 2 && m[1] < kPatchNumbers) {
            program = m[1];
            edit = PatchAt(bank, program);
        }
    }
};

VirtualInstrument::VirtualInstrument(Model model) : state_(std::make_unique<State>())
{
    state_->Reset(model);
}

VirtualInstrument::~VirtualInstrument() = default;
VirtualInstrument::VirtualInstrument(VirtualInstrument&&) noexcept = default;
VirtualInstrument& VirtualInstrument::operator=(VirtualInstrument&&) noexcept = default;

Model VirtualInstrument::GetModel() const
{
    return state_->model;
}

void VirtualInstrument::SetModel(Model model)
{
    state_->Reset(model);
}

int VirtualInstrument::Channel() const
{
    return state_->channel;
}

void VirtualInstrument::SetChannel(int channel)
{
    if (channel >= 0 && channel < 16)
        state_->channel = channel;
}

void VirtualInstrument::SetOutput(Output output)
{
    state_->output = std::move(output);
}

void VirtualInstrument::SetFaults(const Faults& faults)
{
    state_->faults = faults;
    state_->messagesProduced = 0;
    state_->dumpsProduced = 0;
}

void VirtualInstrument::Receive(std::span<const Byte> message)
{
    State& s = *state_;
    s.Log(message);
    // The edit-enable prefix arms only the message right after it.
    const bool armed = std::exchange(s.editArmed, false);
    if (message.empty())
        return;
    const Byte status = message[0];
    if (status == kSysexStart)
        s.HandleSysex(message, armed);
    else if (status >= 0x80 && status < 0xF0)
        s.HandleChannel(message);
}

const std::vector<std::vector<Byte>>& VirtualInstrument::ReceivedLog() const
{
    return state_->log;
}

void VirtualInstrument::ClearLog()
{
    state_->log.clear();
}

std::size_t VirtualInstrument::LogLimit() const
{
    return state_->logLimit;
}

void VirtualInstrument::SetLogLimit(std::size_t maxMessages)
{
    state_->logLimit = std::max<std::size_t>(1, maxMessages);
    if (state_->log.size() > state_->logLimit)
        state_->log.erase(state_->log.begin(),
                          state_->log.end() - static_cast<std::ptrdiff_t>(state_->logLimit));
}

int VirtualInstrument::BankCount() const
{
    return state_->BankCount();
}

namespace {

void CheckPatchAddress(int banks, int bank, int number)
{
    if (bank < 0 || bank >= banks || number < 0 || number >= kPatchNumbers)
        throw std::out_of_range("no patch " + std::to_string(number) + " in bank " +
                                std::to_string(bank));
}

} // namespace

PatchRecord VirtualInstrument::Patch(int bank, int number) const
{
    CheckPatchAddress(state_->BankCount(), bank, number);
    return state_->PatchAt(bank, number);
}

void VirtualInstrument::SetPatch(int bank, int number, const PatchRecord& record)
{
    CheckPatchAddress(state_->BankCount(), bank, number);
    state_->PatchAt(bank, number) = record;
}

PatchRecord VirtualInstrument::EditBuffer() const
{
    return state_->edit;
}

SplitRecord VirtualInstrument::Split(int number) const
{
    if (number < 0 || number >= kSplitNumbers)
        throw std::out_of_range("no split " + std::to_string(number));
    return state_->splits[static_cast<std::size_t>(number)];
}

std::span<const Byte> VirtualInstrument::Global() const
{
    return state_->global;
}

int VirtualInstrument::SelectedBank() const
{
    return state_->bank;
}

int VirtualInstrument::Program() const
{
    return state_->program;
}

bool VirtualInstrument::InSplitMode() const
{
    return state_->splitMode;
}

} // namespace velmora
