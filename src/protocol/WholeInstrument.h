// Whole-instrument backup and restore, and the read-back that checks a bank
// upload. Each is a step machine without Qt: it sends through a MidiSink, is
// handed every SysEx message that comes in together with the time, and is
// ticked so it can send what is due and notice an instrument that stopped
// answering. The main window drives them from its SysEx tap and a timer,
// velmora-syx from its event loop; both get the same messages on the wire.
//
// Matrix-1000 backup: the global record first (04 03 00), for the bank lock
// (byte 165, top bit) and memory protect (byte 171); then for each bank b:
// 0A b, 04 00 00 and the answer, 100 patches (placed by msg[4]), the filler
// splits (neither counted nor measured) and the global record that always
// ends it. 0A turns the bank lock on, so 0C goes out at the end when it was
// off before. Matrix-6: 05, 04 00 00: 100 patches, 50 splits and the master
// record, which is asked for on its own (04 03 00) when it does not follow.
//
// The backup file keeps every message as the instrument sent it: for each
// bank a bank select (F0 10 06 0A b F7) and its answer, then the global
// record read first (so a reader taking the last global gets the settings as
// they were before the backup). A Matrix-6 backup is its answer alone.
//
// Restore writes the chosen writable parts back, each patch with the store
// pause after it, and reads every bank written back to compare it with what
// was sent (UploadCheck). Memory protect (Matrix-1000) is read first; the
// caller decides whether it is switched off for the restore (a
// read-modify-write of the record read, byte 171 only) and on again after.
#pragma once

#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "protocol/SynthModel.h"
#include "protocol/TransferContext.h"
#include "protocol/UploadCheck.h"

#include <chrono>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

using WholeClock = std::chrono::steady_clock;

// The pauses and waits of whole-instrument work.
struct WholeTiming
{
    // After each stored patch or split and after a bank select: the one pause
    // the bank upload uses, so one setting can change both.
    std::chrono::milliseconds storePause = kStorePause;
    // After a global record written: no document names one; 300 ms is what
    // a global editor that works with real units waits.
    std::chrono::milliseconds globalPause{300};
    // An answer that brings nothing for this long has stopped.
    std::chrono::milliseconds stallTimeout{3000};
    // A Matrix-6 whose master record does not follow its splits within this
    // is asked for it on its own.
    std::chrono::milliseconds masterGrace{1000};
    // A cancelled or failed answer is over when nothing more came for this.
    std::chrono::milliseconds drainQuiet{500};
};

// Messages to send, each going out once the one before has crossed the
// cable and its pause has passed.
class PacedQueue
{
public:
    explicit PacedQueue(MidiSink& output) : output_(output) {}
    void add(Message message, std::chrono::milliseconds pauseAfter = {});
    void clear() { queue_.clear(); }
    bool empty() const { return queue_.empty(); }
    // Sends every message whose time has come. Throws what the output throws.
    void sendDue(WholeClock::time_point now);
    // When the next message may go (nothing when none waits).
    std::optional<WholeClock::time_point> nextDue() const;
    // Patches, splits and global records sent so far.
    int storesSent() const { return stores_; }

private:
    struct Entry
    {
        Message message;
        std::chrono::milliseconds pauseAfter;
    };
    MidiSink& output_;
    std::deque<Entry> queue_;
    WholeClock::time_point readyAt_{};
    WholeClock::time_point cableFree_{};
    int stores_ = 0;
};

// One answer to request-all as it comes in, every message kept as received.
struct AllAnswer
{
    explicit AllAnswer(SynthModel of = SynthModel::Matrix1000) : model(of) {}

    SynthModel model;
    std::vector<Message> messages;
    std::vector<int> patchAt = std::vector<int>(kBankPatchCount, -1); // index into messages
    std::vector<int> splitAt = std::vector<int>(kSplitCount, -1);
    int globalAt = -1;
    int patches = 0;
    int splits = 0;
    // The first message that failed its checksum, in words ("" when none).
    std::string badChecksum;

    // Takes an answer message (op 01, 02 or 03 of the instrument); false for
    // anything else.
    bool take(std::span<const Byte> message);
    bool hasGlobal() const { return globalAt >= 0; }
    // The record of a patch, split or the global (empty when it did not come).
    std::vector<Byte> patchRecord(int n) const;
    std::vector<Byte> splitRecord(int n) const;
    std::vector<Byte> globalRecord() const;
};

// The global record's flags the machines look at (Matrix-1000).
bool bankLockOf(std::span<const Byte> global1000);
bool memoryProtectOf(std::span<const Byte> global1000);
// The record with memory protect set to `on`, nothing else changed, as the
// op 03 / version 03 message that writes it.
Message globalWriteWithProtect(std::span<const Byte> global1000, bool on);

enum class WholeStatus
{
    Running,
    Done,
    Failed,
    Cancelled,
};

// Steps every machine shares: the output queue, the stall watch and the
// draining of an answer that cannot be stopped.
class WholeMachine
{
public:
    WholeMachine(SynthModel model, MidiSink& output, WholeTiming timing);
    virtual ~WholeMachine() = default;
    WholeMachine(const WholeMachine&) = delete;
    WholeMachine& operator=(const WholeMachine&) = delete;

    // Sends the first messages.
    virtual void start(WholeClock::time_point now) = 0;

    // Every SysEx message from the instrument; true when the machine took it
    // (everything that looks like the instrument's while it runs).
    bool take(std::span<const Byte> message, WholeClock::time_point now);
    // Sends what is due and watches for a stall.
    void tick(WholeClock::time_point now);
    // Stops asking; an answer that runs is let through, then the bank lock
    // is put back. Nothing is kept.
    void cancel(WholeClock::time_point now);

    WholeStatus status() const { return status_; }
    bool finished() const { return status_ != WholeStatus::Running; }
    // When tick next has something to send (nothing when it waits for the
    // instrument).
    std::optional<WholeClock::time_point> nextDue() const { return queue_.nextDue(); }
    int position() const { return position_; }
    int maximum() const { return maximum_; }
    // What is being done, for the progress window ("Bank 3 of 10: 45 of 100
    // patches").
    const std::string& phase() const { return phase_; }
    // Why it failed, in plain words ("" unless Failed).
    const std::string& problem() const { return problem_; }
    SynthModel model() const { return model_; }

protected:
    // A request whose answer comes next: the stall watch starts when it is
    // sent; every message then goes to answer().
    void send(Message message, std::chrono::milliseconds pauseAfter = {});
    void expectAnswer(WholeClock::time_point now);
    bool awaitingAnswer() const { return awaiting_; }
    void answerOver() { awaiting_ = false; }
    // Ends the run: what still has to go out (the wrap-up) goes first.
    void stop(WholeStatus status, std::string problem = {});
    void setPhase(std::string phase) { phase_ = std::move(phase); }
    void setProgress(int position, int maximum)
    {
        position_ = position;
        maximum_ = maximum;
    }
    const WholeTiming& timing() const { return timing_; }
    WholeClock::time_point lastHeard() const { return lastHeard_; }
    int storesSent() const { return queue_.storesSent(); }

    // A message of the answer waited for.
    virtual void answer(std::span<const Byte> message, WholeClock::time_point now) = 0;
    // Called on every tick while running and not draining.
    virtual void idle(WholeClock::time_point /*now*/) {}
    // The messages that put the instrument back as it was (bank lock,
    // memory protect), queued when the run stops early.
    virtual void wrapUp() {}

    SynthModel model_;

private:
    void finishIfSent();

    PacedQueue queue_;
    WholeTiming timing_;
    WholeStatus status_ = WholeStatus::Running;
    std::optional<WholeStatus> ending_;
    bool awaiting_ = false;
    bool draining_ = false;
    WholeClock::time_point lastHeard_{};
    int position_ = 0;
    int maximum_ = 0;
    std::string phase_;
    std::string problem_;
};

class InstrumentBackup : public WholeMachine
{
public:
    InstrumentBackup(SynthModel model, MidiSink& output, WholeTiming timing = {});
    void start(WholeClock::time_point now) override;

    // When Done: the file's bytes and what they hold in a sentence or two.
    std::vector<Byte> file() const;
    std::string summary() const;
    // The answers, bank by bank (one for a Matrix-6), and the global record
    // read first (Matrix-1000).
    const std::vector<AllAnswer>& banks() const { return banks_; }

private:
    void answer(std::span<const Byte> message, WholeClock::time_point now) override;
    void idle(WholeClock::time_point now) override;
    void wrapUp() override;
    void askBank(WholeClock::time_point now);
    void bankComplete(WholeClock::time_point now);
    void showBankPhase();

    static constexpr int kBanks1000 = 10;
    bool readingGlobal_ = false;
    Message firstGlobal_;
    bool lockWasOn_ = false;
    bool protectOn_ = false;
    bool bankSelected_ = false;
    int bank_ = 0;
    bool masterAsked_ = false;
    std::vector<AllAnswer> banks_;
};

// What a backup file holds, read with the tolerant reader: the patches of
// each bank placed by the bank select before them, splits and the global or
// master record. Only parts that are whole and intact count.
struct BackupContents
{
    SynthModel model = SynthModel::Matrix1000;
    // Per bank (ten on a Matrix-1000, one on a Matrix-6): the 100 patch
    // messages in patch order, or empty when the bank is not whole.
    std::vector<std::vector<Message>> banks;
    std::vector<Message> splits; // 50 in order, or empty (Matrix-6)
    Message global;              // the last global or master record, or empty
    // Banks that came partly or with faults, in words ("" when none).
    std::string faults;

    bool hasBank(int bank) const
    {
        return bank >= 0 && bank < static_cast<int>(banks.size()) &&
               !banks[static_cast<std::size_t>(bank)].empty();
    }
    int bankCount() const;
    // "Matrix-1000 backup: banks 0 to 9 (1,000 patches) and the global record."
    std::string describe() const;
};

// Nothing when the data holds no whole bank.
std::optional<BackupContents> readBackup(std::span<const Byte> data);

// What a restore writes.
struct RestoreChoice
{
    std::vector<int> banks; // Matrix-1000: 0 and/or 1
    bool patches = true;    // Matrix-6
    bool splits = true;     // Matrix-6
    bool master = false;    // Matrix-6: its write-back is untested on a real unit
    bool check = true;      // read back and compare what was written
};

class InstrumentRestore : public WholeMachine
{
public:
    InstrumentRestore(BackupContents backup, RestoreChoice choice, MidiSink& output,
                      WholeTiming timing = {});
    // Matrix-1000: reads the global record first; then it waits in
    // needsDecision() when memory protect is on.
    void start(WholeClock::time_point now) override;
    bool needsDecision() const { return waitingForDecision_; }
    // Memory protect is on: switch it off for the restore (and on after) or
    // restore as it is.
    void proceed(bool switchProtectOff, WholeClock::time_point now);
    // Memory protect as read (Matrix-1000), once read.
    std::optional<bool> memoryProtect() const { return protectOn_; }

    // The checks, one per part written (when checking), and all of it in
    // plain words.
    const std::vector<UploadCheck>& checks() const { return checks_; }
    bool verified() const;
    std::string summary() const;

private:
    void answer(std::span<const Byte> message, WholeClock::time_point now) override;
    void idle(WholeClock::time_point now) override;
    void wrapUp() override;
    void answerComplete(WholeClock::time_point now);
    void writeAll(WholeClock::time_point now);
    void readBack(WholeClock::time_point now);
    void compare();
    void finish();

    BackupContents backup_;
    RestoreChoice choice_;
    bool readingGlobal_ = false;
    bool waitingForDecision_ = false;
    std::optional<bool> protectOn_;
    bool lockWasOn_ = false;
    bool switchedOff_ = false;
    bool protectSwitched_ = false;
    bool bankSelected_ = false;
    bool writing_ = false;
    int storesBefore_ = 0;
    Message global_;           // as read (Matrix-1000)
    std::size_t checking_ = 0; // index into choice_.banks being read back
    bool masterAsked_ = false;
    AllAnswer answer_;
    std::vector<UploadCheck> checks_;
    int written_ = 0;
};

// Reads one bank back after a bank upload and compares it with what was
// sent: 0A b, 04 00 00 on a Matrix-1000 (then 0C when `unlock`), 05, 04 00
// 00 on a Matrix-6. The answer's global record tells memory protect.
class BankReadBack : public WholeMachine
{
public:
    // `sent`: the 100 patch records (134 bytes or more each) as uploaded;
    // `bank` the Matrix-1000 bank (ignored on a Matrix-6).
    BankReadBack(SynthModel model, int bank, std::vector<std::vector<Byte>> sent, MidiSink& output,
                 WholeTiming timing = {});
    void start(WholeClock::time_point now) override;
    const UploadCheck& check() const { return check_; }

private:
    void answer(std::span<const Byte> message, WholeClock::time_point now) override;
    void idle(WholeClock::time_point now) override;
    void wrapUp() override;
    void complete();

    int bank_;
    std::vector<std::vector<Byte>> sent_;
    AllAnswer answer_;
    UploadCheck check_;
};

} // namespace velmora
