// The cycles of the soak: clean ones, faulted ones, and what each must end with.
#include "Soak.h"

#include "Messages.h"

#include <algorithm>
#include <cstdio>

namespace velmora::soak {

using namespace std::chrono_literals;

namespace {

// The stall fault holds the answer past the engine's 3 s stall watch, but
// for less than a second after it fires: the rest of the answer is then
// still dropped as the tail of the failed one.
constexpr auto kStall = std::chrono::milliseconds(3800);
// A kill mid-answer: the instrument holds the answer until it is killed.
constexpr auto kKillStall = std::chrono::milliseconds(60000);
constexpr int kPatches = static_cast<int>(kBankPatchCount);

std::string StallText(int arrived)
{
    return "The instrument stopped answering after " + std::to_string(arrived) +
           " of 100 patch messages. The bank was not changed.";
}

std::string GoneText(const std::string& port)
{
    return "The MIDI port \"" + port + "\" is no longer available.";
}

} // namespace

void Soak::RunCycle(int cycle, const Fault& fault)
{
    cycle_ = cycle;
    ++figures_.cycles;
    note_.clear();
    problems_.clear();
    injected_ = false;
    undelivered_ = 0;
    notReceived_ = 0;
    const auto start = Clock::now();
    const int xrunsBefore = jack_.Xruns();
    const FaultKind after =
        fault.kind == FaultKind::None ? std::exchange(pending_, FaultKind::None) : FaultKind::None;
    if (fault.kind != FaultKind::None)
        RunFaultedCycle(fault);
    else if (RunCleanCycle() && after != FaultKind::None)
        ++figures_.survived[static_cast<std::size_t>(after)];
    const std::string trouble = JackTrouble(jack_.Xruns() - xrunsBefore);
    const std::string verdict = problems_.empty() ? note_ : Judge(trouble, after);
    if (!problems_.empty() && !broken_)
        Resync();

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("cycle %d (%.1f s%s): %s\n", cycle, seconds,
                trouble.empty() ? "" : (", " + trouble).c_str(), verdict.c_str());
    std::fflush(stdout);
}

std::string Soak::JackTrouble(int xruns)
{
    std::string trouble = xruns > 0 ? std::to_string(xruns) + " JACK xruns" : "";
    const auto add = [&trouble](const std::string& text) {
        trouble += (trouble.empty() ? "" : ", ") + text;
    };
    if (undelivered_ > 0)
        add(std::to_string(undelivered_) +
            " messages of an answer had not reached the input when it failed");
    if (notReceived_ > 0)
        add(std::to_string(notReceived_) + " messages of an upload never reached the instrument");
    // Connections to the instrument beyond the soak's own, made during the
    // cycle or still there.
    const int foreign = std::max(jack_.InstrumentConnections() - 2 * sessions_, 0);
    std::string peers;
    const int now = jack_.ConnectionsNow(peers);
    if (foreign > foreignConnects_ || now > 2)
        add("another program on the instrument's ports (" + (now > 2 ? peers : jack_.LastPeer()) +
            ")");
    foreignConnects_ = std::max(foreign, foreignConnects_);
    return trouble;
}

std::string Soak::Judge(const std::string& jackTrouble, FaultKind after)
{
    pending_ = FaultKind::None;
    // A JACK client that misses a cycle loses that cycle's MIDI, and another
    // program talking to the instrument gets answers that reach the soak
    // too: what the transport may have caused then is not held against
    // Velmora, unless the program's own data changed.
    const bool jacksDoing = !jackTrouble.empty() &&
                            std::all_of(problems_.begin(), problems_.end(),
                                        [](const Problem& problem) { return problem.transport; });
    if (jacksDoing) {
        figures_.jackLosses.push_back("cycle " + std::to_string(cycle_) + " (" + jackTrouble +
                                      "): " + problems_.front().text);
        if (injected_ || after != FaultKind::None)
            ++figures_.unjudged;
        return "DISTURBED BY JACK";
    }
    for (const Problem& problem : problems_)
        figures_.failures.push_back("cycle " + std::to_string(cycle_) + ": " + problem.text);
    return "FAILED";
}

bool Soak::DownloadAndEdit()
{
    phase_ = "download";
    if (const std::string problem = Download(); !problem.empty()) {
        Fail("download: " + problem);
        return false;
    }
    if (!Compare(instrumentBank_, "download"))
        return false;
    phase_ = "edit";
    Edit();
    return true;
}

bool Soak::UploadChecked()
{
    phase_ = "upload";
    bank_ = Random(0, 1);
    // The instrument tells with each command's answer how many messages its
    // input has had: what went out and never arrived was lost by JACK.
    Arm("");
    const std::uint64_t receivedBefore = child_->ReceivedAtCommand();
    const std::size_t sentBefore = session_->MessagesSent();
    if (const std::string problem = Upload(bank_); !problem.empty()) {
        Fail("upload: " + problem);
        return false;
    }
    session_->Drain();
    Arm("");
    const std::uint64_t sent = session_->MessagesSent() - sentBefore;
    const std::uint64_t arrived = child_->ReceivedAtCommand() - receivedBefore;
    if (arrived < sent)
        notReceived_ += sent - arrived;
    instrumentBank_ = ProgramBank();
    return true;
}

bool Soak::RunCleanCycle()
{
    if (!DownloadAndEdit() || !UploadChecked())
        return false;
    phase_ = "read-back";
    if (const std::string problem = Download(); !problem.empty()) {
        Fail("read-back: " + problem);
        return false;
    }
    if (!Compare(instrumentBank_, "read-back"))
        return false;
    note_ = std::to_string(edits_) + " patches edited (" + std::to_string(editedBytes_) +
            " bytes), bank " + std::to_string(bank_) + " uploaded and read back byte-identical";
    return true;
}

void Soak::Resync()
{
    // What the instrument holds is unknown after a failed cycle: take it as
    // it is, so that one failure does not fail every later cycle too.
    WaitForQuiet();
    phase_ = "download after a failure";
    if (Download().empty())
        instrumentBank_ = ProgramBank();
}

void Soak::RunFaultedCycle(const Fault& fault)
{
    const bool upfront = !fault.inReadBack && fault.kind != FaultKind::Kill;
    if (!upfront && !DownloadAndEdit())
        return;
    if (fault.inReadBack && !UploadChecked())
        return;

    ++figures_.injected[static_cast<std::size_t>(fault.kind)];
    injected_ = true;
    phase_ = FaultName(fault.kind);
    const SynthRecords& records = session_->Records();
    const auto bank = records.Bank;
    const PatchBuffer currentPatch = records.CurrentPatch;
    std::string expected;
    const std::string problem = FaultStep(fault, expected);
    if (fault.kind != FaultKind::Kill) {
        // A stalled answer goes on once the stall is over.
        WaitForQuiet(fault.kind == FaultKind::Stall ? armedAt_ + kStall + 500ms
                                                    : Clock::time_point{});
        Arm("");
    }

    bool survived = true;
    if (problem != expected) {
        Fail(note_ + ": ended with \"" + problem + "\", not \"" + expected + "\"");
        survived = false;
    }
    // The bank is compared in all its 135 bytes a patch.
    if (session_->Records().Bank != bank) {
        Fail(note_ + ": the program's bank changed", false);
        survived = false;
    }
    if (session_->Records().CurrentPatch != currentPatch) {
        Fail(note_ + ": the program's current patch changed", false);
        survived = false;
    }
    if (fault.kind == FaultKind::Kill)
        Restart();
    if (survived)
        pending_ = fault.kind;
    note_ += ": \"" + problem + "\", bank and current patch unchanged";
}

std::string Soak::FaultStep(const Fault& fault, std::string& expected)
{
    const int at = Random(1, kPatches - 2);
    const std::string where = " at patch " + std::to_string(at) + " of the " +
                              (fault.inReadBack ? "read-back" : "download");
    note_ = FaultName(fault.kind) + where;
    switch (fault.kind) {
    case FaultKind::BadChecksum:
        Arm("--bad-checksum " + std::to_string(at));
        expected = "Checksum error in Bank dump";
        return Download();
    case FaultKind::Drop:
        Arm("--drop " + std::to_string(at));
        expected = "The instrument's answer held only 99 of 100 patch messages. "
                   "The bank was not changed.";
        return Download();
    case FaultKind::Stall:
        Arm("--stall " + std::to_string(at) + ":" + std::to_string(kStall.count()));
        expected = StallText(at);
        return Download();
    case FaultKind::Kill:
        if (fault.inReadBack) {
            // Held mid-answer, then killed: the answer just stops.
            Arm("--stall " + std::to_string(at) + ":" + std::to_string(kKillStall.count()));
            expected = StallText(at);
            return Download(at, [this] { child_->Kill(); });
        } else {
            // Killed once this many patches of the upload went out.
            const int killAt = Random(1, kPatches - 2);
            note_ = std::string(FaultName(fault.kind)) + " after patch " + std::to_string(killAt) +
                    " of the upload";
            expected = GoneText(devices_.OutputName(outDevice_));
            return Upload(Random(0, 1), killAt);
        }
    case FaultKind::None:
        break;
    }
    return {};
}

} // namespace velmora::soak
