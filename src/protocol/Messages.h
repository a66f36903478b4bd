// Builders for every message the program sends to the instrument, byte for
// byte. SysEx messages come back whole (F0 .. F7) ready for a long send;
// channel messages that go out as short sends come back as ShortMessage.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace velmora {

using Message = std::vector<Byte>;

namespace opcode {
inline constexpr Byte patchToMemory = 0x01;
inline constexpr Byte splitData = 0x02;
inline constexpr Byte masterData = 0x03; // the global record (Matrix-1000) or master (Matrix-6)
inline constexpr Byte request = 0x04;
inline constexpr Byte parameterPrefix = 0x05; // Matrix-6 only
inline constexpr Byte parameter = 0x06;
inline constexpr Byte bankSelect = 0x0A;
inline constexpr Byte matrixBus = 0x0B;
inline constexpr Byte bankLockOff = 0x0C; // Matrix-1000 only
inline constexpr Byte patchToEditBuffer = 0x0D;
} // namespace opcode

// What a request message asks for (its first data byte).
enum class RequestType : Byte
{
    All = 0x00,
    OnePatch = 0x01,
    Global = 0x03,
    EditBuffer = 0x04,
};

// F0 10 06 op n, the packed block, its dumpChecksum, F7 written into `out`,
// which must hold blockMessageSize(block.size()) bytes. Returns the length.
std::size_t writeBlockMessage(Byte op, Byte number, std::span<const Byte> block, Byte* out);
Message blockMessage(Byte op, Byte number, std::span<const Byte> block);

Message patchToEditBuffer(std::span<const Byte, kPatchRecordSize> record);
// n: 0..99 within the selected bank.
Message patchToMemory(Byte n, std::span<const Byte, kPatchRecordSize> record);
Message splitData(Byte n, std::span<const Byte, kSplitRecordSize> split);

// The "version" byte (msg[4]) of a global record: which model's layout it is.
namespace recordVersion {
inline constexpr Byte global1000 = 0x03;
inline constexpr Byte master6 = 0x02;
} // namespace recordVersion
// F0 10 06 03 03, the 172 bytes packed, the plain sum, F7: 351 bytes. The
// form the Matrix-1000 sends its global record in and takes it back in.
Message globalData(std::span<const Byte, kGlobal1000Size> record);
// The same for a Matrix-6 master record (version 02, 479 bytes). Only for
// files: whether a Matrix-6 takes its master record back is not known.
Message master6Data(std::span<const Byte, kMaster6Size> record);

// The record byte of a parameter in the seven bits the message can carry.
// Signed values go as 7-bit two's complement (record FF -> 7F, C1 -> 41);
// the filter cutoff (parameter 21, 0..127) goes as it is. Bytes outside every
// documented range are cut to their low seven bits, so a value can never
// break the message's framing.
Byte toSevenBit(Byte parameter, Byte recordValue);
// The number the parameter display shows for a sent 7-bit value: parameter
// 12 (DCO 2 detune) is negative from 32, parameter 21 never, others from 64.
int displayValue(Byte parameter, Byte sevenBitValue);

Message parameterEdit(Byte parameter, Byte sevenBitValue); // F0 10 06 06 p v F7
Message parameterEditPrefix();                             // F0 10 06 05 F7
// bus 1..10; amount already in 7-bit form; source and destination 0 for a bus
// switched off.
Message matrixBus(int bus, Byte source, Byte amount, Byte destination);
Message bankSelect(Byte bank);
// Matrix-1000: F0 10 06 0C F7, bank lock off (the bank stays selected), so
// that a single patch request and program changes act on that bank as usual.
Message bankLockOff();
Message request(RequestType type, Byte number = 0);
// Split mode on (the editor opens) or off (it closes). Device byte 02.
Message splitMode(bool on);

// A patch number 0..199 as the bank (0 or 1) and the number within it.
struct BankedNumber
{
    Byte bank;
    Byte number;
};
BankedNumber splitPatchNumber(int patchNumber);

// Channel messages. `channel` is the instrument channel 0..15.
struct ShortMessage
{
    Byte status;
    Byte data1;
    Byte data2;
    bool operator==(const ShortMessage&) const = default;
};

Message programChange(int channel, Byte program);
// Only controllers 1..119 with values 0..127 are sent; anything else gives none.
std::optional<ShortMessage> controlChange(int channel, int controller, int value);
// Velocity 100, as the test note and chord play.
ShortMessage noteOn(int channel, Byte note);
ShortMessage noteOff(int channel, Byte note);
ShortMessage noteOn(int channel, Byte note, Byte velocity);
ShortMessage noteOff(int channel, Byte note, Byte velocity);
// Note off for the note and the three chord notes, then all notes off (7B)
// and reset all controllers (79).
std::vector<ShortMessage> allNotesOff(int channel, Byte note, std::array<Byte, 3> chord);

enum class RegisteredParameter : Byte
{
    BendRange = 0,
    FineTuning = 1,
    Transposition = 2,
};
// B0+ch 64 r 65 00 06 x, one message with running status. Fine tuning and
// transposition travel as value + 64, the bend range unchanged.
Message registeredParameterMessage(int channel, RegisteredParameter parameter, int value);

} // namespace velmora
