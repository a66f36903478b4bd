// Reads what a file of SysEx messages holds, however untidy: captures that
// begin with the bank select or the request that asked for them, answers
// with the instrument's splits and global record, other makers' messages,
// stray bytes, messages cut short. Each message is recognised by its header,
// opcode and length; what is not the instruments' is counted and skipped.
// The bytes of every message it takes stay exactly as they stand.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SysexCodec.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

enum class SysexKind
{
    Patch,           // opcode 01: a patch to memory, or an answer; msg[4] is its number
    EditBufferPatch, // opcode 0D: a patch for the edit buffer
    Split,           // opcode 02
    Global1000,      // opcode 03, 351 bytes
    Master6,         // opcode 03, 479 bytes
};

struct ReadMessage
{
    SysexKind kind = SysexKind::Patch;
    std::size_t offset = 0; // of its F0 in the data read
    std::size_t length = 0; // F0 through F7
    int number = -1;        // msg[4] of patches and splits
    // The bank the last bank select before it named (F0 10 06 0A b F7, as a
    // whole-instrument backup puts one before each bank), or -1 when none
    // came before it.
    int bank = -1;
    UnpackStatus checksum = UnpackStatus::Ok;
    std::span<const Byte> bytes(std::span<const Byte> data) const
    {
        return data.subspan(offset, length);
    }
};

struct SysexContents
{
    std::vector<ReadMessage> patches; // both patch kinds, in file order
    std::vector<ReadMessage> splits;
    std::optional<ReadMessage> global; // the last global or master record
    std::size_t otherMessages = 0;     // whole messages that are not ours
    std::size_t cutShort = 0;          // messages without their F7
    std::size_t strayBytes = 0;        // bytes outside any message

    std::size_t badChecksums() const;
    // The patches' numbers when they are distinct and all below `slots`
    // (then each patch goes to the slot it names), else nothing (file order).
    std::optional<std::vector<int>> placement(std::size_t slots = kBankPatchCount) const;
    // "114 messages cut short, 3 other messages": what was skipped, in words;
    // "" when nothing was.
    std::string skippedText() const;
};

SysexContents readSysex(std::span<const Byte> data);

// The numbers of `messages` (patches or splits) when they are distinct and
// all below `slots`, else nothing: the rule of SysexContents::placement for
// any run of messages.
std::optional<std::vector<int>> placementOf(std::span<const ReadMessage> messages,
                                            std::size_t slots);

// What a whole message from an instrument is: its length, its header (F0 10,
// device 06 or the 7F a Matrix-6 also takes) and the opcode of that kind (01
// patch, 02 split, 03 global or master). Anything else, whatever its length,
// is Other: a 275-byte message of another maker is no patch.
DumpKind classifyMessage(std::span<const Byte> message);

} // namespace velmora
