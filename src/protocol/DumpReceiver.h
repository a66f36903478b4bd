// The receiving side of transfers: every SysEx message from the instrument
// input is taken by its header, opcode and length as a patch, bank entry,
// split or global dump, checked, unpacked into the records and shown; other
// messages (another maker's, another program's requests) are ignored.
//
// A bank answer's patches go to the entries their numbers name (the
// instruments number them 0..99); one whose number does not fit, or names an
// entry already received, is refused. A Matrix-6 follows its 100 patches
// with its edit buffer under number 100, which is dropped.
//
// Beyond the plain handlers it guards the receives that span many messages:
// - A bank is received into a staging copy and copied into the bank only
//   when all of it has arrived; a failed receive leaves the bank as it was
//   and repaints the grid cells it had overwritten.
// - After a bank receive fails (checksum error, stall, cancel, short
//   answer), the rest of that answer is discarded: 275-byte messages are
//   ignored until a split or global dump arrives (the next part of the
//   answer), the user requests a patch or a bank, or SysEx has been silent
//   for kAnswerGap since the failure or the last message. They can
//   therefore never be taken as single patches (which a Matrix-6 would
//   write to slot 99).
// - A split message after a completed split receive is ignored until the
//   next bank download.
// - A receive that gets no SysEx for kStallTimeout fails with a message
//   (checkStall, driven by a timer); cancelReceive ends it at once.
#pragma once

#include "protocol/TransferContext.h"

#include <chrono>
#include <span>
#include <string>
#include <vector>

namespace velmora {

class PatchTransfers;

class DumpReceiver
{
public:
    // No SysEx for this long ends a running receive as failed.
    static constexpr std::chrono::seconds kStallTimeout{3};
    // SysEx silence this long ends the discarding of a failed bank answer.
    static constexpr std::chrono::seconds kAnswerGap{1};

    DumpReceiver(TransferContext& context, PatchTransfers& sender);

    // One whole SysEx message, F0..F7.
    void handleSysex(std::span<const Byte> message);

    // A bank download starts: flags and counts are reset, the stall watch
    // runs from now.
    void beginBankReceive();
    // A single patch was requested; the stall watch runs from now.
    void expectPatch();

    // Ends a receive that has heard nothing for kStallTimeout and tells the
    // user. True when it ended one.
    bool checkStall();
    // The progress window's Cancel: ends a running receive without a message.
    void cancelReceive();

    // A bank or split receive runs, or a requested patch is awaited.
    bool receiving() const;
    // The rest of a failed bank answer is being dropped.
    bool discarding() const { return discarding_; }

private:
    void handlePatchDump(std::span<const Byte> message);
    void handleBankDump(std::span<const Byte> message);
    void handleSplitDump(std::span<const Byte> message);
    void handleGlobalDump(std::span<const Byte> message);
    void handleGlobalM6Dump(std::span<const Byte> message);

    // The entries of a bank answer still missing, as "37" or "12, 37 and 3 more".
    std::string missingEntries() const;
    int splitMessagesExpected() const;
    // Received names: the Matrix-6 sends six bits per character.
    void raiseName(std::span<Byte> name) const;
    // A placeholder name replaced by the one the host's library knows.
    void nameFromLibrary(std::span<Byte, kPatchRecordSize> record, int entry) const;

    void finishBank();
    // `text` empty: no message.
    void failBank(const std::string& text);
    void finishSplits();
    void failSplits(const std::string& text);
    void endStalledReceive();

    TransferContext& context_;
    PatchTransfers& sender_;
    std::vector<PatchBuffer> staging_;
    std::vector<bool> placed_ =
        std::vector<bool>(kBankPatchCount); // entries of the running bank answer that arrived
    bool editBufferSeen_ = false;
    bool splitReceiving_ = false;
    bool awaitingPatch_ = false;
    bool discarding_ = false;
    bool discardUntilAsked_ = false; // after a stall: no silence ends the dropping
    // When SysEx last arrived, or a receive was started.
    TransferHost::Clock::time_point lastHeard_{};
};

} // namespace velmora
