// The cycles of the soak: clean ones, faulted ones, and what each must end with.
#include "velmora-soak/Soak.h"

#include "protocol/Messages.h"

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

std::string stallText(int arrived)
{
    return "The instrument stopped answering after " + std::to_string(arrived) +
           " of 100 patch messages. The bank was not changed.";
}

std::string goneText(const std::string& port)
{
    return "The MIDI port \"" + port + "\" is no longer available.";
}

} // namespace

void Soak::runCycle(int cycle, const Fault& fault)
{
    cycle_ = cycle;
    ++figures_.cycles;
    note_.clear();
    problems_.clear();
    injected_ = false;
    undelivered_ = 0;
    notReceived_ = 0;
    const auto start = Clock::now();
    const int xrunsBefore = jack_.xruns();
    const FaultKind after =
        fault.kind == FaultKind::None ? std::exchange(pending_, FaultKind::None) : FaultKind::None;
    if (fault.kind != FaultKind::None)
        runFaultedCycle(fault);
    else if (runCleanCycle() && after != FaultKind::None)
        ++figures_.survived[static_cast<std::size_t>(after)];
    const std::string trouble = jackTrouble(jack_.xruns() - xrunsBefore);
    const std::string verdict = problems_.empty() ? note_ : judge(trouble, after);
    if (!problems_.empty() && !broken_)
        resync();

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("cycle %d (%.1f s%s): %s\n", cycle, seconds,
                trouble.empty() ? "" : (", " + trouble).c_str(), verdict.c_str());
    std::fflush(stdout);
}

std::string Soak::jackTrouble(int xruns)
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
    const int foreign = std::max(jack_.instrumentConnections() - 2 * sessions_, 0);
    std::string peers;
    const int now = jack_.connectionsNow(peers);
    if (foreign > foreignConnects_ || now > 2)
        add("another program on the instrument's ports (" + (now > 2 ? peers : jack_.lastPeer()) +
            ")");
    foreignConnects_ = std::max(foreign, foreignConnects_);
    return trouble;
}

std::string Soak::judge(const std::string& jackTrouble, FaultKind after)
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

bool Soak::downloadAndEdit()
{
    phase_ = "download";
    if (const std::string problem = download(); !problem.empty()) {
        fail("download: " + problem);
        return false;
    }
    if (!compare(instrumentBank_, "download"))
        return false;
    phase_ = "edit";
    edit();
    return true;
}

bool Soak::uploadChecked()
{
    phase_ = "upload";
    bank_ = random(0, 1);
    // The instrument tells with each command's answer how many messages its
    // input has had: what went out and never arrived was lost by JACK.
    arm("");
    const std::uint64_t receivedBefore = child_->receivedAtCommand();
    const std::size_t sentBefore = session_->messagesSent();
    if (const std::string problem = upload(bank_); !problem.empty()) {
        fail("upload: " + problem);
        return false;
    }
    session_->drain();
    arm("");
    const std::uint64_t sent = session_->messagesSent() - sentBefore;
    const std::uint64_t arrived = child_->receivedAtCommand() - receivedBefore;
    if (arrived < sent)
        notReceived_ += sent - arrived;
    instrumentBank_ = programBank();
    return true;
}

bool Soak::runCleanCycle()
{
    if (!downloadAndEdit() || !uploadChecked())
        return false;
    phase_ = "read-back";
    if (const std::string problem = download(); !problem.empty()) {
        fail("read-back: " + problem);
        return false;
    }
    if (!compare(instrumentBank_, "read-back"))
        return false;
    note_ = std::to_string(edits_) + " patches edited (" + std::to_string(editedBytes_) +
            " bytes), bank " + std::to_string(bank_) + " uploaded and read back byte-identical";
    return true;
}

void Soak::resync()
{
    // What the instrument holds is unknown after a failed cycle: take it as
    // it is, so that one failure does not fail every later cycle too.
    waitForQuiet();
    phase_ = "download after a failure";
    if (download().empty())
        instrumentBank_ = programBank();
}

void Soak::runFaultedCycle(const Fault& fault)
{
    const bool upfront = !fault.inReadBack && fault.kind != FaultKind::Kill;
    if (!upfront && !downloadAndEdit())
        return;
    if (fault.inReadBack && !uploadChecked())
        return;

    ++figures_.injected[static_cast<std::size_t>(fault.kind)];
    injected_ = true;
    phase_ = faultName(fault.kind);
    const SynthRecords& records = session_->records();
    const auto bank = records.bank;
    const PatchBuffer currentPatch = records.currentPatch;
    std::string expected;
    const std::string problem = faultStep(fault, expected);
    if (fault.kind != FaultKind::Kill) {
        // A stalled answer goes on once the stall is over.
        waitForQuiet(fault.kind == FaultKind::Stall ? armedAt_ + kStall + 500ms
                                                    : Clock::time_point{});
        arm("");
    }

    bool survived = true;
    if (problem != expected) {
        fail(note_ + ": ended with \"" + problem + "\", not \"" + expected + "\"");
        survived = false;
    }
    // The bank is compared in all its 135 bytes a patch.
    if (session_->records().bank != bank) {
        fail(note_ + ": the program's bank changed", false);
        survived = false;
    }
    if (session_->records().currentPatch != currentPatch) {
        fail(note_ + ": the program's current patch changed", false);
        survived = false;
    }
    if (fault.kind == FaultKind::Kill)
        restart();
    if (survived)
        pending_ = fault.kind;
    note_ += ": \"" + problem + "\", bank and current patch unchanged";
}

std::string Soak::faultStep(const Fault& fault, std::string& expected)
{
    const int at = random(1, kPatches - 2);
    const std::string where = " at patch " + std::to_string(at) + " of the " +
                              (fault.inReadBack ? "read-back" : "download");
    note_ = faultName(fault.kind) + where;
    switch (fault.kind) {
    case FaultKind::BadChecksum:
        arm("--bad-checksum " + std::to_string(at));
        expected = "Checksum error in Bank dump";
        return download();
    case FaultKind::Drop:
        arm("--drop " + std::to_string(at));
        expected = "The instrument's answer held only 99 of 100 patch messages (missing: " +
                   std::to_string(at) + "). The bank was not changed.";
        return download();
    case FaultKind::Stall:
        arm("--stall " + std::to_string(at) + ":" + std::to_string(kStall.count()));
        expected = stallText(at);
        return download();
    case FaultKind::Kill:
        if (fault.inReadBack) {
            // Held mid-answer, then killed: the answer just stops.
            arm("--stall " + std::to_string(at) + ":" + std::to_string(kKillStall.count()));
            expected = stallText(at);
            return download(at, [this] { child_->kill(); });
        } else {
            // Killed once this many patches of the upload went out.
            const int killAt = random(1, kPatches - 2);
            note_ = std::string(faultName(fault.kind)) + " after patch " + std::to_string(killAt) +
                    " of the upload";
            expected = goneText(devices_.outputName(outDevice_));
            return upload(random(0, 1), killAt);
        }
    case FaultKind::None:
        break;
    }
    return {};
}

} // namespace velmora::soak
