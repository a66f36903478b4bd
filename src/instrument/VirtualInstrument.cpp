#include "instrument/VirtualInstrument.h"

#include "instrument/FactoryContents.h"
#include "protocol/Messages.h"
#include "protocol/PatchLayout.h"
#include "protocol/SysexCodec.h"

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
// The Matrix-6 answers "request all" with one patch message past its 100
// patches: the edit buffer, under this number.
constexpr Byte kMatrix6EditBufferNumber = 100;
// Matrix-1000 only: F0 10 06 0E n bank id F7 stores the edit buffer as patch
// n of the bank. The id is the unit's number in group mode, 7F any unit, 0
// when group mode is off; this unit is never in group mode.
constexpr Byte kStoreEditBuffer = 0x0E;
constexpr std::size_t kStoreEditBufferSize = 8;
constexpr Byte kAnyUnit = 0x7F;
// The version byte (msg[4]) of a Matrix-1000 global record.
constexpr Byte kGlobal1000Version = 0x03;
constexpr Byte kBankUnlock = 0x0C;
constexpr std::size_t kBankLockOffset = 165;
constexpr Byte kBankLockBit = 0x80;
constexpr Byte kMatrix6MasterVersion = 0x02;

// The universal device inquiry, F0 7E ch 06 01 F7, and its answer,
// F0 7E ch 06 02 10 06 00 02 00 r1 r2 r3 r4 F7: manufacturer 10, family
// 06 00, member 02 00 (Matrix-1000), four revision bytes.
constexpr Byte kUniversalNonRealtime = 0x7E;
constexpr Byte kGeneralInformation = 0x06;
constexpr Byte kIdentityRequest = 0x01;
constexpr Byte kIdentityReply = 0x02;
constexpr std::size_t kIdentityRequestSize = 6;
constexpr std::size_t kIdentityReplySize = 15;

constexpr int kPatchNumbers = static_cast<int>(kBankPatchCount);
constexpr int kSplitNumbers = static_cast<int>(kSplitCount);

int bankCountOf(SynthModel model)
{
    return model == SynthModel::Matrix1000 ? VirtualInstrument::kMatrix1000BankCount : 1;
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

Factory buildFactory(SynthModel model)
{
    Factory f;
    const int banks = bankCountOf(model);
    f.patches.reserve(static_cast<std::size_t>(banks * kPatchNumbers));
    for (int bank = 0; bank < banks; ++bank) {
        for (int n = 0; n < kPatchNumbers; ++n)
            f.patches.push_back(factoryPatch(model, bank, n));
    }
    for (int i = 0; i < kSplitNumbers; ++i)
        f.splits[static_cast<std::size_t>(i)] = factorySplit(model, i);
    if (model == SynthModel::Matrix1000) {
        for (int i = kSplitNumbers; i < VirtualInstrument::kMatrix1000SplitsSent; ++i)
            f.filler.push_back(factorySplit(model, i));
    }
    f.global = factoryGlobal(model);
    return f;
}

const Factory& factoryOf(SynthModel model)
{
    static const Factory matrix1000 = buildFactory(SynthModel::Matrix1000);
    static const Factory matrix6 = buildFactory(SynthModel::Matrix6);
    return model == SynthModel::Matrix1000 ? matrix1000 : matrix6;
}

// Parameter number -> record offset and whether the field is signed, for the
// parameter numbers a single-parameter edit can carry.
struct ParameterTarget
{
    int offset = -1; // -1: no such parameter
    bool isSigned = false;
};

std::array<ParameterTarget, 128> buildParameterTargets()
{
    std::array<ParameterTarget, 128> targets{};
    for (const PatchField& field : patchFields()) {
        if (field.parameter >= 0 && field.parameter < 128)
            targets[static_cast<std::size_t>(field.parameter)] = {static_cast<int>(field.offset),
                                                                  field.kind == FieldKind::Signed};
    }
    return targets;
}

const ParameterTarget& targetOf(Byte parameter)
{
    static const std::array<ParameterTarget, 128> targets = buildParameterTargets();
    return targets[parameter & 0x7F];
}

// A 7-bit two's complement value as the record's 8-bit byte.
Byte sevenBitSignedToByte(Byte v)
{
    return signedToByte(v >= 64 ? int(v) - 128 : int(v));
}

bool isDataByte(Byte b)
{
    return b < 0x80;
}

} // namespace

struct VirtualInstrument::State
{
    SynthModel model = SynthModel::Matrix1000;
    Firmware firmware = kDefaultFirmware;

    std::vector<PatchRecord> patches;
    PatchRecord edit{};
    std::array<SplitRecord, kSplitCount> splits{};
    std::vector<Byte> global;
    int bank = 0;
    int program = 0;
    bool splitMode = false;
    bool editArmed = false; // a Matrix-6 edit-enable prefix came last
    bool edits111 = false;  // parameter edits as stock 1.11 takes them

    Output output;
    Faults faults;
    std::int64_t messagesProduced = 0;
    std::int64_t dumpsProduced = 0;
    std::int64_t storesReceived = 0;

    std::vector<std::vector<Byte>> log;
    std::size_t logLimit = kDefaultLogLimit;

    void reset(SynthModel m)
    {
        model = m;
        const Factory& f = factoryOf(m);
        patches = f.patches;
        splits = f.splits;
        global = f.global;
        bank = 0;
        program = 0;
        edit = patches.front();
        splitMode = false;
        editArmed = false;
    }

    int bankCount() const { return bankCountOf(model); }

    // Byte 11 of both models' records. Only its low four bits count.
    int channel() const { return global[kGlobalBasicChannel] & 0x0F; }

    bool memoryProtected() const
    {
        return model == SynthModel::Matrix1000 && global[kGlobalMemoryProtect] != 0;
    }

    PatchRecord& patchAt(int b, int n)
    {
        return patches[static_cast<std::size_t>(b * kPatchNumbers + n)];
    }
    const PatchRecord& patchAt(int b, int n) const
    {
        return patches[static_cast<std::size_t>(b * kPatchNumbers + n)];
    }

    void remember(std::span<const Byte> message)
    {
        if (log.size() >= logLimit)
            log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(log.size() / 2 + 1));
        log.emplace_back(message.begin(), message.end());
    }

    // --- sending ---

    void emitMessage(std::span<const Byte> message)
    {
        const std::int64_t index = messagesProduced++;
        if (faults.dropMessage >= 0 && index == faults.dropMessage)
            return;
        if (output)
            output(message);
    }

    // One dump: the block packed into a block message under opcode `op`,
    // number `number`, with its checksum.
    void emitDump(Byte op, Byte number, std::span<const Byte> block)
    {
        std::array<Byte, kMaster6MessageSize> buffer;
        const std::size_t length = writeBlockMessage(op, number, block, buffer.data());
        Byte& checksum = buffer[length - 2];
        const std::int64_t index = dumpsProduced++;
        if (faults.badChecksumDump >= 0 && index == faults.badChecksumDump)
            checksum = static_cast<Byte>((checksum + 1) & 0x7F);
        emitMessage(std::span<const Byte>(buffer.data(), length));
    }

    // A Matrix-6 sends its names in six bits; the memory keeps them whole.
    void sixBitName(std::span<Byte> name) const
    {
        if (model == SynthModel::Matrix6) {
            for (Byte& b : name)
                b &= 0x3F;
        }
    }

    // A Matrix-1000 keeps no names: every patch it sends is called "BNKb: nn"
    // after the bank and the number it goes under.
    PatchRecord named(int inBank, int number, const PatchRecord& record) const
    {
        PatchRecord sent = record;
        if (model == SynthModel::Matrix1000) {
            const std::string placeholder = "BNK" + std::to_string(inBank % 10) + ": " +
                                            std::to_string(number / 10 % 10) +
                                            std::to_string(number % 10);
            std::copy_n(placeholder.begin(), kPatchNameLength, sent.begin());
        }
        return sent;
    }

    void emitPatch(Byte number, const PatchRecord& record)
    {
        PatchRecord sent = named(bank, number, record);
        sixBitName(std::span<Byte>(sent.data(), kPatchNameLength));
        emitDump(opcode::patchToMemory, number, sent);
    }

    void emitSplit(Byte number, const SplitRecord& record)
    {
        SplitRecord sent = record;
        sixBitName(std::span<Byte>(sent.data(), kSplitNameLength));
        emitDump(opcode::splitData, number, sent);
    }

    // Like the units: the plain sum, and the record's version in msg[4]
    // (03 from a Matrix-1000, 02 from a Matrix-6).
    void emitGlobal()
    {
        emitDump(opcode::masterData,
                 model == SynthModel::Matrix1000 ? kGlobal1000Version : kMatrix6MasterVersion,
                 global);
    }

    void emitAll()
    {
        for (int n = 0; n < kPatchNumbers; ++n)
            emitPatch(static_cast<Byte>(n), patchAt(bank, n));
        if (model == SynthModel::Matrix6)
            emitPatch(kMatrix6EditBufferNumber, edit);
        for (int n = 0; n < kSplitNumbers; ++n)
            emitSplit(static_cast<Byte>(n), splits[static_cast<std::size_t>(n)]);
        if (model == SynthModel::Matrix1000) {
            const std::vector<SplitRecord>& filler = factoryOf(model).filler;
            for (std::size_t i = 0; i < filler.size(); ++i)
                emitSplit(static_cast<Byte>(kSplitNumbers + static_cast<int>(i)), filler[i]);
        }
        emitGlobal();
    }

    // --- receiving ---

    void handleSysex(std::span<const Byte> m, bool armed)
    {
        // F0 10 dd op ... F7, nothing but data bytes in between.
        if (m.size() < 5 || m.back() != kSysexEnd)
            return;
        if (!std::all_of(m.begin() + 1, m.end() - 1, isDataByte))
            return;
        if (m[1] == kUniversalNonRealtime) {
            handleUniversal(m);
            return;
        }
        if (m[1] != kManufacturer)
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
        case opcode::parameterPrefix:
            if (m.size() == 5)
                editArmed = true;
            break;
        case opcode::parameter:
            if (m.size() == 7 && (armed || model == SynthModel::Matrix1000))
                applyParameter(m[4], m[5]);
            break;
        case opcode::matrixBus:
            if (m.size() == 9 && m[4] < kMatrixBusCount) {
                const std::size_t at = busOffset(m[4] + 1);
                edit[at] = m[5];
                edit[at + 1] = sevenBitSignedToByte(m[6]);
                edit[at + 2] = m[7];
            }
            break;
        case opcode::patchToEditBuffer:
            if (m.size() == kPatchMessageSize) {
                PatchRecord record;
                if (unpackBlock(m, record) == UnpackStatus::Ok)
                    edit = record;
            }
            break;
        case opcode::patchToMemory:
            if (m.size() == kPatchMessageSize)
                storePatch(m);
            break;
        case kStoreEditBuffer:
            if (m.size() == kStoreEditBufferSize && model == SynthModel::Matrix1000)
                storeEditBuffer(m[4], m[5], m[6]);
            break;
        case opcode::masterData:
            writeGlobal(m);
            break;
        case opcode::splitData:
            if (m.size() == kSplitMessageSize && m[4] < kSplitNumbers) {
                SplitRecord record;
                if (unpackBlock(m, record) == UnpackStatus::Ok)
                    splits[m[4]] = record;
            }
            break;
        case opcode::bankSelect:
            // Selecting a bank also turns the bank lock on (top bit of
            // global byte 165); 0C turns it off and leaves the bank selected.
            if (m.size() == 6 && m[4] < bankCount() && model == SynthModel::Matrix1000) {
                bank = m[4];
                global[kBankLockOffset] |= kBankLockBit;
            }
            break;
        case kBankUnlock:
            if (m.size() == 5 && model == SynthModel::Matrix1000)
                global[kBankLockOffset] &= static_cast<Byte>(~kBankLockBit);
            break;
        case opcode::request:
            if (m.size() == 7)
                answer(m[4], m[5]);
            break;
        default:
            break;
        }
    }

    void applyParameter(Byte parameter, Byte value)
    {
        if (edits111 && model == SynthModel::Matrix1000) {
            constexpr Byte kVca2ByEnvelope2 = 29;
            constexpr Byte kEnvelope1Sustain = 53;
            constexpr Byte kEnvelope2Amplitude = 65;
            if (parameter == kVca2ByEnvelope2)
                return;
            if (parameter == kEnvelope1Sustain)
                parameter = kEnvelope2Amplitude;
        }
        const ParameterTarget& target = targetOf(parameter);
        if (target.offset < 0)
            return;
        edit[static_cast<std::size_t>(target.offset)] =
            target.isSigned ? sevenBitSignedToByte(value) : value;
    }

    // Every store received counts towards the dropped-store fault, whether
    // or not it would have been written; true when this one is dropped.
    bool storeDropped()
    {
        const std::int64_t index = storesReceived++;
        return faults.dropStore >= 0 && index == faults.dropStore;
    }

    // Whether patch memory in the bank can be written now. Read-only banks
    // and memory protect refuse without a word, as the units do: they send
    // nothing back for a store. What a real unit does with a store aimed at a
    // ROM bank is not known; taking it nowhere is the cautious reading.
    bool writable(int toBank) const
    {
        if (memoryProtected())
            return false;
        return model != SynthModel::Matrix1000 || toBank < kMatrix1000WritableBanks;
    }

    void storePatch(std::span<const Byte> m)
    {
        if (storeDropped())
            return;
        const int number = m[4];
        if (number >= kPatchNumbers || !writable(bank))
            return;
        PatchRecord record;
        if (unpackBlock(m, record) == UnpackStatus::Ok)
            patchAt(bank, number) = record;
    }

    void storeEditBuffer(Byte number, Byte toBank, Byte unit)
    {
        if (storeDropped())
            return;
        if (number >= kPatchNumbers || toBank >= bankCount() || (unit != 0 && unit != kAnyUnit))
            return;
        if (writable(toBank))
            patchAt(toBank, number) = edit;
    }

    // A global write: the whole record, as the unit sends it, under the
    // plain sum (every dump taken from a real unit carries it; none carries
    // the end-around sum, so a unit is not assumed to accept that). Basic
    // channel and memory protect take effect at once. Whether memory protect
    // also blocks this write is not known; it does not here, so a host can
    // switch protect off again. Whether a Matrix-6 takes its master record
    // back is not known either: it is ignored there.
    void writeGlobal(std::span<const Byte> m)
    {
        if (model != SynthModel::Matrix1000 || m.size() != kGlobal1000MessageSize ||
            m[4] != kGlobal1000Version)
            return;
        std::array<Byte, kGlobal1000Size> record;
        if (unpackBlock(m, record, ChecksumRule::Dump) == UnpackStatus::Ok)
            global.assign(record.begin(), record.end());
    }

    // Only a Matrix-1000 answers the device inquiry; a Matrix-6 is told by
    // its master record instead. Whether a Matrix-1000 answers an inquiry to
    // all channels (7F) is not known, so this one answers only one on its
    // basic channel: a host that finds it that way finds a real unit too.
    void handleUniversal(std::span<const Byte> m)
    {
        if (m.size() != kIdentityRequestSize || m[3] != kGeneralInformation ||
            m[4] != kIdentityRequest || model != SynthModel::Matrix1000)
            return;
        if (m[2] != channel()) // 7F (all channels) included
            return;
        const std::array<Byte, kIdentityReplySize> reply{kSysexStart,
                                                         kUniversalNonRealtime,
                                                         static_cast<Byte>(channel()),
                                                         kGeneralInformation,
                                                         kIdentityReply,
                                                         kManufacturer,
                                                         kDevice,
                                                         0x00,
                                                         0x02,
                                                         0x00,
                                                         firmware[0],
                                                         firmware[1],
                                                         firmware[2],
                                                         firmware[3],
                                                         kSysexEnd};
        emitMessage(reply);
    }

    void answer(Byte type, Byte number)
    {
        switch (static_cast<RequestType>(type)) {
        case RequestType::All:
            emitAll();
            break;
        case RequestType::OnePatch:
            if (number < kPatchNumbers)
                emitPatch(number, patchAt(bank, number));
            break;
        case RequestType::Global:
            emitGlobal();
            break;
        case RequestType::EditBuffer:
            emitPatch(static_cast<Byte>(program), edit);
            break;
        default:
            break;
        }
    }

    void handleChannel(std::span<const Byte> m)
    {
        if ((m[0] & 0x0F) != channel())
            return;
        // Program change: loads the patch of the selected bank. Notes,
        // controllers and the rest are only logged.
        if ((m[0] & 0xF0) == 0xC0 && m.size() == 2 && m[1] < kPatchNumbers) {
            program = m[1];
            edit = patchAt(bank, program);
        }
    }
};

VirtualInstrument::VirtualInstrument(SynthModel model) : state_(std::make_unique<State>())
{
    state_->reset(model);
}

VirtualInstrument::~VirtualInstrument() = default;
VirtualInstrument::VirtualInstrument(VirtualInstrument&&) noexcept = default;
VirtualInstrument& VirtualInstrument::operator=(VirtualInstrument&&) noexcept = default;

SynthModel VirtualInstrument::model() const
{
    return state_->model;
}

void VirtualInstrument::setModel(SynthModel model)
{
    const int channel = state_->channel();
    state_->reset(model);
    state_->global[kGlobalBasicChannel] = static_cast<Byte>(channel);
}

int VirtualInstrument::channel() const
{
    return state_->channel();
}

void VirtualInstrument::setChannel(int channel)
{
    if (channel >= 0 && channel < 16)
        state_->global[kGlobalBasicChannel] = static_cast<Byte>(channel);
}

VirtualInstrument::Firmware VirtualInstrument::firmware() const
{
    return state_->firmware;
}

void VirtualInstrument::setFirmware(const Firmware& firmware)
{
    for (std::size_t i = 0; i < firmware.size(); ++i)
        state_->firmware[i] = firmware[i] & 0x7F;
}

bool VirtualInstrument::edits111() const
{
    return state_->edits111;
}

void VirtualInstrument::setEdits111(bool on)
{
    state_->edits111 = on;
}

bool VirtualInstrument::memoryProtected() const
{
    return state_->memoryProtected();
}

void VirtualInstrument::setMemoryProtect(bool on)
{
    if (state_->model == SynthModel::Matrix1000)
        state_->global[kGlobalMemoryProtect] = on ? 1 : 0;
}

void VirtualInstrument::setOutput(Output output)
{
    state_->output = std::move(output);
}

void VirtualInstrument::setFaults(const Faults& faults)
{
    state_->faults = faults;
    state_->messagesProduced = 0;
    state_->dumpsProduced = 0;
    state_->storesReceived = 0;
}

void VirtualInstrument::receive(std::span<const Byte> message)
{
    State& s = *state_;
    s.remember(message);
    // The edit-enable prefix arms only the message right after it.
    const bool armed = std::exchange(s.editArmed, false);
    if (message.empty())
        return;
    const Byte status = message[0];
    if (status == kSysexStart)
        s.handleSysex(message, armed);
    else if (status >= 0x80 && status < 0xF0)
        s.handleChannel(message);
}

const std::vector<std::vector<Byte>>& VirtualInstrument::receivedLog() const
{
    return state_->log;
}

void VirtualInstrument::clearLog()
{
    state_->log.clear();
}

std::size_t VirtualInstrument::logLimit() const
{
    return state_->logLimit;
}

void VirtualInstrument::setLogLimit(std::size_t maxMessages)
{
    state_->logLimit = std::max<std::size_t>(1, maxMessages);
    if (state_->log.size() > state_->logLimit)
        state_->log.erase(state_->log.begin(),
                          state_->log.end() - static_cast<std::ptrdiff_t>(state_->logLimit));
}

int VirtualInstrument::bankCount() const
{
    return state_->bankCount();
}

namespace {

void checkPatchAddress(int banks, int bank, int number)
{
    if (bank < 0 || bank >= banks || number < 0 || number >= kPatchNumbers)
        throw std::out_of_range("no patch " + std::to_string(number) + " in bank " +
                                std::to_string(bank));
}

} // namespace

PatchRecord VirtualInstrument::patch(int bank, int number) const
{
    checkPatchAddress(state_->bankCount(), bank, number);
    return state_->named(bank, number, state_->patchAt(bank, number));
}

void VirtualInstrument::setPatch(int bank, int number, const PatchRecord& record)
{
    checkPatchAddress(state_->bankCount(), bank, number);
    state_->patchAt(bank, number) = record;
}

PatchRecord VirtualInstrument::editBuffer() const
{
    return state_->named(state_->bank, state_->program, state_->edit);
}

SplitRecord VirtualInstrument::split(int number) const
{
    if (number < 0 || number >= kSplitNumbers)
        throw std::out_of_range("no split " + std::to_string(number));
    return state_->splits[static_cast<std::size_t>(number)];
}

std::span<const Byte> VirtualInstrument::global() const
{
    return state_->global;
}

int VirtualInstrument::selectedBank() const
{
    return state_->bank;
}

int VirtualInstrument::program() const
{
    return state_->program;
}

bool VirtualInstrument::inSplitMode() const
{
    return state_->splitMode;
}

} // namespace velmora
