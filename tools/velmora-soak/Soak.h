// The soak: Velmora's transfer engine (as velmora-syx runs it) against
// velmora-instrument over JACK, cycle after cycle. A cycle downloads the
// bank, edits some patches, uploads the bank and reads it back; a faulted
// cycle has the instrument send a bad checksum, drop a message, stall, or die
// in the middle, and must end with the engine's own error and the program's
// data as they were before. The instrument is started again after it died,
// and its ports are opened again by name.
#pragma once

#include "velmora-soak/InstrumentChild.h"
#include "velmora-soak/JackWatch.h"
#include "velmora-syx/SyxTransfers.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace velmora::soak {

enum class FaultKind
{
    None,
    BadChecksum, // a patch dump of an answer with a wrong checksum
    Drop,        // a patch dump of an answer not sent
    Stall,       // the answer pauses past the stall watch
    Kill,        // the instrument process killed mid-transfer
};
inline constexpr int kFaultKinds = 5;
const char* faultName(FaultKind kind);

struct Fault
{
    FaultKind kind = FaultKind::None;
    // The read-back download is hit (or, for a kill, it rather than the upload).
    bool inReadBack = false;
};

struct Figures
{
    int cycles = 0;
    std::array<int, kFaultKinds> injected{};
    std::array<int, kFaultKinds> survived{};
    std::uint64_t bytesCompared = 0;
    int bankReads = 0;
    int restarts = 0;
    // What went wrong, one line each; empty when all went right.
    std::vector<std::string> failures;
    // Cycles that JACK disturbed (it lost messages in xruns or under load,
    // or other programs talked to the instrument), one line each, and the
    // faults that were therefore not judged.
    std::vector<std::string> jackLosses;
    int unjudged = 0;
};

class Soak
{
public:
    using Clock = std::chrono::steady_clock;

    // `name`: the instrument's ports are "NAME in" and "NAME out"; `jack`
    // watches them.
    Soak(std::string instrumentPath, std::string name, std::uint32_t seed, const JackWatch& jack);
    ~Soak();
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    // Starts the instrument and opens its ports; "" or what failed.
    std::string start();
    // One cycle; its failures go into the figures.
    void runCycle(int cycle, const Fault& fault);

    const Figures& results() const { return figures_; }
    // A faulted cycle has not yet been followed by a clean one.
    bool faultPending() const { return pending_ != FaultKind::None; }
    // The instrument could not be started again: no cycle can run.
    bool broken() const { return broken_; }
    // What the cycle under way does now, for the watchdog's report.
    const char* phase() const { return phase_.load(); }
    pid_t instrumentPid() const { return child_ ? child_->pid() : -1; }
    long instrumentPeakKiB() const { return child_ ? child_->peakKiB() : 0; }

private:
    using Bank = std::array<PatchRecord, kBankPatchCount>;

    static Bank factoryBank();
    int random(int low, int high);

    std::string startInstrument();
    std::string openSession();
    // Whether the instrument's ports are still listed by the MIDI system.
    bool portsListed();
    void restart();

    // "" when the whole answer arrived, else the engine's message. `then`
    // runs once `stopAt` patches have arrived (for a kill mid-answer).
    std::string download(int stopAt = -1, const std::function<void()>& then = {});
    // "" when the upload went out, else the error.
    std::string upload(int bank, int killAt = -1);
    // Pumps events until SysEx has been silent for a while, and not before
    // `notBefore`; problems reported meanwhile are failures.
    void waitForQuiet(Clock::time_point notBefore = {});
    void arm(const std::string& command);

    void edit();
    Bank programBank() const;
    bool compare(const Bank& expected, const std::string& what);
    // A problem of the cycle under way. `transport`: a message lost by the
    // transport could cause it (not so when the program's data changed).
    void fail(const std::string& text, bool transport = true);
    // A cycle with problems: held against Velmora, or put down to JACK
    // (`jackTrouble` says what JACK did, "" when nothing). The verdict shown
    // for the cycle.
    std::string judge(const std::string& jackTrouble, FaultKind after);
    // What JACK did in the cycle that can lose or add messages: xruns, an
    // answer or an upload that arrived short, or other programs connected
    // to the instrument. "" when nothing.
    std::string jackTrouble(int xruns);

    // Download, compare with what the instrument holds, edit. False on failure.
    bool downloadAndEdit();
    // Upload into a random bank; the instrument then holds the program's bank.
    bool uploadChecked();
    bool runCleanCycle();
    // After a failed clean cycle: takes the instrument's bank as it is now.
    void resync();
    void runFaultedCycle(const Fault& fault);
    // The faulted transfer; its outcome and the error it must end with.
    std::string faultStep(const Fault& fault, std::string& expected);

    std::string instrumentPath_;
    std::string name_;
    const JackWatch& jack_;
    int sessions_ = 0;        // sessions opened: each connects to both instrument ports
    int foreignConnects_ = 0; // connections to the instrument by other programs so far
    std::mt19937 random_;
    std::unique_ptr<InstrumentChild> child_;
    midi::MidiDevices devices_;
    midi::MidiBackend* backend_ = nullptr;
    int inDevice_ = -1;
    int outDevice_ = -1;
    std::unique_ptr<syx::TransferSession> session_;
    // What the instrument holds in the bank it has selected: the bank a
    // download gets. An upload selects the bank it fills.
    Bank instrumentBank_{};
    int cycle_ = 0;
    bool broken_ = false;
    Clock::time_point armedAt_{}; // when the last fault command was taken
    bool armed_ = false;          // a fault command is in force
    // Messages missing from an unfaulted answer when it reached the input,
    // in the cycle under way.
    std::size_t undelivered_ = 0;
    // Messages of an upload that the instrument's input never had.
    std::uint64_t notReceived_ = 0;
    // The cycle under way: its edits, the bank it uploads to, what it did.
    int edits_ = 0;
    int editedBytes_ = 0;
    int bank_ = 0;
    std::string note_;
    struct Problem
    {
        std::string text;
        bool transport;
    };
    std::vector<Problem> problems_;
    bool injected_ = false;               // the cycle's fault was injected
    FaultKind pending_ = FaultKind::None; // survived once the next cycle is clean
    Figures figures_;
    std::atomic<const char*> phase_{"starting"};
};

} // namespace velmora::soak
