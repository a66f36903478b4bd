// A substitute Matrix-1000 or Matrix-6: it keeps its own patches, splits and
// global record, applies every message the program sends and answers every
// request the way the instrument does. Velmora uses it as the built-in port
// pair on machines without MIDI hardware, and tests drive it directly.
//
// It is a synchronous state machine: `receive` takes one whole message, updates
// the memory and, for a request, calls the output once per answer message, in
// order, before it returns. Nothing it receives can make it fail: messages it
// does not understand (wrong length, unknown opcode, bytes with the top bit
// set inside a SysEx, channel messages on another channel) are logged and
// otherwise ignored.
//
// Thread-safety: none of its own. One instance is used from one thread at a
// time; the output runs on the thread that called `receive` and must not call
// back into the same instance. To hand answers to another thread, let the
// output feed a PacedLink.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SynthModel.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace velmora {

class VirtualInstrument
{
public:
    // Where answers go: one whole message at a time, called synchronously
    // from within `receive`.
    using Output = std::function<void(std::span<const Byte> message)>;

    // Faults to inject, for tests. Counts start at 0 when setFaults is called;
    // -1 is off.
    struct Faults
    {
        // The Nth dump (patch, split or global, counted in the order they are
        // produced, dropped ones included) goes out with a wrong checksum.
        int badChecksumDump = -1;
        // The Nth message that would be sent is not sent at all.
        int dropMessage = -1;
        // The Nth patch store received (patch to memory, or the edit buffer
        // stored into memory; counted whether or not it would have been
        // written) is ignored without a word, as a unit that missed it would.
        int dropStore = -1;
    };

    // Four revision bytes a Matrix-1000 puts in its device inquiry answer.
    using Firmware = std::array<Byte, 4>;
    // Their encoding is not documented anywhere, so whoever reads them must
    // treat them as opaque. The default stands for 1.20, the one firmware
    // known to answer the inquiry, as one digit a byte.
    static constexpr Firmware kDefaultFirmware{0x01, 0x02, 0x00, 0x00};

    // Banks of 100 patches: ten on the Matrix-1000 (only 0 and 1 can be
    // written), one on the Matrix-6.
    static constexpr int kMatrix1000BankCount = 10;
    static constexpr int kMatrix1000WritableBanks = 2;
    // A Matrix-1000 answering "request all" sends this many split messages:
    // its 50 splits and then filler.
    static constexpr int kMatrix1000SplitsSent = 80;
    // The received log keeps at most this many messages unless changed; when
    // it is full the oldest half is dropped.
    static constexpr std::size_t kDefaultLogLimit = 20000;

    explicit VirtualInstrument(SynthModel model = SynthModel::Matrix1000);
    ~VirtualInstrument();
    // A moved-from instrument may only be assigned to or destroyed.
    VirtualInstrument(VirtualInstrument&&) noexcept;
    VirtualInstrument& operator=(VirtualInstrument&&) noexcept;
    VirtualInstrument(const VirtualInstrument&) = delete;
    VirtualInstrument& operator=(const VirtualInstrument&) = delete;

    SynthModel model() const;
    // Switches the model and fills the memory with that model's own contents:
    // factory patches, splits and global record, bank 0, program 0 in the
    // edit buffer, split mode off, memory protect off. Channel, firmware,
    // output, faults and log stay.
    void setModel(SynthModel model);

    // The basic MIDI channel (0..15): program changes and the device inquiry
    // answer on it. It is byte 11 of the global record, so a global write
    // changes it too; default 0. Other values are ignored.
    int channel() const;
    void setChannel(int channel);

    // The revision bytes of the device inquiry answer; only the low seven bits
    // of each are kept.
    Firmware firmware() const;
    void setFirmware(const Firmware& firmware);

    // Memory protect (Matrix-1000 global byte 171): while it is on, patch
    // stores are ignored. The Matrix-6 keeps it elsewhere (where is not
    // known), so there this is always off and setting it does nothing.
    bool memoryProtected() const;
    void setMemoryProtect(bool on);

    // Parameter edits (op 06) as stock Matrix-1000 firmware 1.11 takes them:
    // parameter 53 (Envelope 1 sustain) changes parameter 65 (Envelope 2
    // amplitude) instead, and parameter 29 (VCA 2 by Envelope 2) is not
    // taken. Off by default: every edit reaches its parameter, as on 1.13
    // and later. A Matrix-1000 only; whole patches are never affected.
    bool edits111() const;
    void setEdits111(bool on);

    void setOutput(Output output);
    void setFaults(const Faults& faults);

    // One whole message: a SysEx F0..F7 or a channel message.
    void receive(std::span<const Byte> message);

    // Every message received, in order, whole bytes (at most logLimit of the
    // most recent ones).
    const std::vector<std::vector<Byte>>& receivedLog() const;
    void clearLog();
    std::size_t logLimit() const;
    void setLogLimit(std::size_t maxMessages); // at least 1

    // Memory, for tests. Bank and number out of range raise std::out_of_range.
    // setPatch writes any bank, the read-only ones included. A Matrix-1000
    // keeps no names: its patches read back with the name it sends, "BNKb: nn"
    // after their bank and number (the edit buffer's after the selected ones).
    int bankCount() const;
    PatchRecord patch(int bank, int number) const;
    void setPatch(int bank, int number, const PatchRecord& record);
    PatchRecord editBuffer() const;
    SplitRecord split(int number) const;
    std::span<const Byte> global() const; // 172 bytes (Matrix-1000) or 236 (Matrix-6)
    int selectedBank() const;
    int program() const;
    bool inSplitMode() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace velmora
