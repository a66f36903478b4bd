// A substitute Matrix-1000 or Matrix-6: it keeps its own patches, splits and
// global record, applies every message the program sends and answers every
// request the way the instrument does. Velmora uses it as the built-in port
// pair on machines without MIDI hardware, and tests drive it directly.
//
// It is a synchronous state machine: Receive takes one whole message, updates
// the memory and, for a request, calls the output once per answer message, in
// order, before it returns. Nothing it receives can make it fail: messages it
// does not understand (wrong length, unknown opcode, bytes with the top bit
// set inside a SysEx, channel messages on another channel) are logged and
// otherwise ignored.
//
// Thread-safety: none of its own. One instance is used from one thread at a
// time; the output runs on the thread that called Receive and must not call
// back into the same instance. To hand answers to another thread, let the
// output feed a PacedLink.
#pragma once

#include "Model.h"
#include "PatchRecord.h"

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
    // from within Receive.
    using Output = std::function<void(std::span<const Byte> message)>;

    // Faults to inject, for tests. Counts start at 0 when SetFaults is called;
    // -1 is off.
    struct Faults
    {
        // The Nth dump (patch, split or global, counted in the order they are
        // produced, dropped ones included) goes out with a wrong checksum.
        int badChecksumDump = -1;
        // The Nth message that would be sent is not sent at all.
        int dropMessage = -1;
    };

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

    explicit VirtualInstrument(Model model = Model::Matrix1000);
    ~VirtualInstrument();
    // A moved-from instrument may only be assigned to or destroyed.
    VirtualInstrument(VirtualInstrument&&) noexcept;
    VirtualInstrument& operator=(VirtualInstrument&&) noexcept;
    VirtualInstrument(const VirtualInstrument&) = delete;
    VirtualInstrument& operator=(const VirtualInstrument&) = delete;

    Model GetModel() const;
    // Switches the model and fills the memory with that model's own contents:
    // factory patches, splits and global record, bank 0, program 0 in the
    // edit buffer, split mode off. Channel, output, faults and log stay.
    void SetModel(Model model);

    // The MIDI channel (0..15) it listens on for program changes; default 0.
    // Other values are ignored.
    int Channel() const;
    void SetChannel(int channel);

    void SetOutput(Output output);
    void SetFaults(const Faults& faults);

    // One whole message: a SysEx F0..F7 or a channel message.
    void Receive(std::span<const Byte> message);

    // Every message received, in order, whole bytes (at most LogLimit of the
    // most recent ones).
    const std::vector<std::vector<Byte>>& ReceivedLog() const;
    void ClearLog();
    std::size_t LogLimit() const;
    void SetLogLimit(std::size_t maxMessages); // at least 1

    // Memory, for tests. Bank and number out of range raise std::out_of_range.
    // SetPatch writes any bank, the read-only ones included.
    int BankCount() const;
    PatchRecord Patch(int bank, int number) const;
    void SetPatch(int bank, int number, const PatchRecord& record);
    PatchRecord EditBuffer() const;
    SplitRecord Split(int number) const;
    std::span<const Byte> Global() const; // 172 bytes (Matrix-1000) or 236 (Matrix-6)
    int SelectedBank() const;
    int Program() const;
    bool InSplitMode() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace velmora
