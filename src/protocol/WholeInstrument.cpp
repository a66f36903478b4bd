#include "protocol/WholeInstrument.h"

#include "protocol/SysexCodec.h"
#include "protocol/SysexReader.h"

#include <algorithm>
#include <exception>

namespace velmora {

namespace {

// The answer to the global request that whole-instrument work starts with.
constexpr const char* kBadGlobal = "The global record came damaged (wrong length or checksum), "
                                   "or the instrument is not a Matrix-1000.";

bool isGood1000Global(std::span<const Byte> message)
{
    return classifyMessage(message) == DumpKind::Global1000 &&
           unpackBlock(message, kGlobal1000Size, ChecksumRule::Global).checksumOk();
}

constexpr std::size_t kBankLockOffset = 165;
constexpr std::size_t kMemoryProtectOffset = 171;
constexpr Byte kBankLockBit = 0x80;
constexpr Byte kGlobal1000Version = 0x03;
constexpr Byte kBankUnlock = 0x0C;
constexpr int kBanks1000 = 10;
constexpr int kPatches = static_cast<int>(kBankPatchCount);
constexpr int kSplits = static_cast<int>(kSplitCount);
// A Matrix-6 takes at least this long between SysEx messages.
constexpr std::chrono::milliseconds kMatrix6Gap{20};

bool isInstruments(std::span<const Byte> m)
{
    return m.size() >= 6 && m[0] == kSysexStart && m[1] == kManufacturer && m[2] == kDevice;
}

Message bankUnlock()
{
    return {kSysexStart, kManufacturer, kDevice, kBankUnlock, kSysexEnd};
}

std::string counted(int n, const char* one, const char* many)
{
    std::string digits = std::to_string(n);
    if (n >= 1000)
        digits.insert(digits.size() - 3, ",");
    return digits + ' ' + (n == 1 ? one : many);
}

std::vector<Byte> recordIn(std::span<const Byte> message, std::size_t size, ChecksumRule rule)
{
    std::vector<Byte> record(size);
    if (unpackBlock(message, record, rule) == UnpackStatus::TooShort)
        return {};
    return record;
}

} // namespace

// --- PacedQueue ---

void PacedQueue::add(Message message, std::chrono::milliseconds pauseAfter)
{
    queue_.push_back({std::move(message), pauseAfter});
}

void PacedQueue::sendDue(WholeClock::time_point now)
{
    while (!queue_.empty() && now >= readyAt_) {
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        output_.sendLong(entry.message);
        const Byte op = entry.message.size() > 3 ? entry.message[3] : 0;
        if (op == opcode::patchToMemory || op == opcode::splitData || op == opcode::masterData)
            ++stores_;
        cableFree_ = std::max(cableFree_, now) + cableTime(entry.message.size());
        readyAt_ = cableFree_ + entry.pauseAfter;
    }
}

std::optional<WholeClock::time_point> PacedQueue::nextDue() const
{
    if (queue_.empty())
        return std::nullopt;
    return readyAt_;
}

// --- AllAnswer ---

bool AllAnswer::take(std::span<const Byte> m)
{
    if (!isInstruments(m))
        return false;
    const Byte op = m[3];
    if (op != opcode::patchToMemory && op != opcode::splitData && op != opcode::masterData)
        return false;
    // An answer starts with its patches and ends on its global record: one
    // that comes first answers an earlier request (start-up's, say).
    if (op == opcode::masterData && messages.empty())
        return false;
    const int index = static_cast<int>(messages.size());
    messages.emplace_back(m.begin(), m.end());
    const auto checked = [&](DumpKind kind, const char* what) {
        const bool good =
            classifyMessage(m) == kind &&
            unpackBlock(m, dumpBlockLength(kind), dumpChecksumRule(kind)).checksumOk();
        if (!good && badChecksum.empty())
            badChecksum = std::string(what) +
                          (kind == DumpKind::Global1000 || kind == DumpKind::Master6
                               ? ""
                               : " " + std::to_string(m[4])) +
                          " came damaged (wrong length or checksum)";
        return good;
    };
    if (op == opcode::patchToMemory) {
        if (checked(DumpKind::Patch, "Patch") && m[4] < kPatches && patchAt[m[4]] < 0) {
            patchAt[m[4]] = index;
            ++patches;
        }
    } else if (op == opcode::splitData) {
        // A Matrix-1000 sends filler splits whose number and form vary: kept,
        // never counted or checked.
        if (model == SynthModel::Matrix6 && checked(DumpKind::Split, "Split") && m[4] < kSplits &&
            splitAt[m[4]] < 0) {
            splitAt[m[4]] = index;
            ++splits;
        }
    } else {
        const DumpKind kind =
            model == SynthModel::Matrix1000 ? DumpKind::Global1000 : DumpKind::Master6;
        checked(kind, model == SynthModel::Matrix1000 ? "The global record" : "The master record");
        globalAt = index;
    }
    return true;
}

std::vector<Byte> AllAnswer::patchRecord(int n) const
{
    const int at = patchAt[static_cast<std::size_t>(n)];
    return at < 0 ? std::vector<Byte>{}
                  : recordIn(messages[static_cast<std::size_t>(at)], kPatchRecordSize,
                             ChecksumRule::Dump);
}

std::vector<Byte> AllAnswer::splitRecord(int n) const
{
    const int at = splitAt[static_cast<std::size_t>(n)];
    return at < 0 ? std::vector<Byte>{}
                  : recordIn(messages[static_cast<std::size_t>(at)], kSplitRecordSize,
                             ChecksumRule::Dump);
}

std::vector<Byte> AllAnswer::globalRecord() const
{
    if (globalAt < 0)
        return {};
    return recordIn(messages[static_cast<std::size_t>(globalAt)],
                    model == SynthModel::Matrix1000 ? kGlobal1000Size : kMaster6Size,
                    ChecksumRule::Global);
}

bool bankLockOf(std::span<const Byte> global)
{
    return global.size() > kBankLockOffset && (global[kBankLockOffset] & kBankLockBit) != 0;
}

bool memoryProtectOf(std::span<const Byte> global)
{
    return global.size() > kMemoryProtectOffset && global[kMemoryProtectOffset] != 0;
}

Message globalWriteWithProtect(std::span<const Byte> global, bool on)
{
    std::vector<Byte> record(global.begin(), global.end());
    record.resize(kGlobal1000Size);
    record[kMemoryProtectOffset] = on ? 1 : 0;
    return blockMessage(opcode::masterData, kGlobal1000Version, record);
}

// --- WholeMachine ---

WholeMachine::WholeMachine(SynthModel model, MidiSink& output, WholeTiming timing)
    : model_(model), queue_(output), timing_(timing)
{}

void WholeMachine::send(Message message, std::chrono::milliseconds pauseAfter)
{
    if (model_ == SynthModel::Matrix6)
        pauseAfter = std::max(pauseAfter, kMatrix6Gap);
    queue_.add(std::move(message), pauseAfter);
}

void WholeMachine::expectAnswer(WholeClock::time_point now)
{
    awaiting_ = true;
    lastHeard_ = now;
}

bool WholeMachine::take(std::span<const Byte> message, WholeClock::time_point now)
{
    if (status_ != WholeStatus::Running || !isInstruments(message))
        return false;
    lastHeard_ = now;
    if (draining_) {
        // The answer cannot be stopped: it is let through, and over with
        // the global record that ends it.
        if (message[3] == opcode::masterData) {
            draining_ = false;
            awaiting_ = false;
            wrapUp();
        }
        return true;
    }
    if (awaiting_)
        answer(message, now);
    finishIfSent();
    return true;
}

void WholeMachine::tick(WholeClock::time_point now)
{
    if (status_ != WholeStatus::Running)
        return;
    const bool sending = !queue_.empty();
    try {
        queue_.sendDue(now);
        // An answer is waited for from when the last message went.
        if (sending && queue_.empty())
            lastHeard_ = now;
    } catch (const std::exception& e) {
        queue_.clear();
        draining_ = false;
        awaiting_ = false;
        ending_ = WholeStatus::Failed;
        problem_ = std::string("The MIDI output failed: ") + e.what();
        status_ = WholeStatus::Failed;
        return;
    }
    if (draining_) {
        if (now - lastHeard_ >= timing_.drainQuiet) {
            draining_ = false;
            awaiting_ = false;
            wrapUp();
        }
    } else if (!ending_ && awaiting_ && queue_.empty() &&
               now - lastHeard_ >= timing_.stallTimeout) {
        awaiting_ = false;
        stop(WholeStatus::Failed, "The instrument stopped answering (" + phase_ + ").");
    } else if (!ending_) {
        idle(now);
    }
    finishIfSent();
}

void WholeMachine::cancel(WholeClock::time_point /*now*/)
{
    if (status_ == WholeStatus::Running && !ending_)
        stop(WholeStatus::Cancelled);
}

void WholeMachine::stop(WholeStatus status, std::string problem)
{
    ending_ = status;
    problem_ = std::move(problem);
    // An answer runs once its request went: it cannot be stopped.
    const bool answerRunning = awaiting_ && queue_.empty();
    queue_.clear();
    if (answerRunning) {
        draining_ = true;
        phase_ = "Letting the instrument finish its answer";
    } else {
        awaiting_ = false;
        wrapUp();
    }
    finishIfSent();
}

void WholeMachine::finishIfSent()
{
    if (ending_ && !draining_ && queue_.empty())
        status_ = *ending_;
}

// --- InstrumentBackup ---

InstrumentBackup::InstrumentBackup(SynthModel model, MidiSink& output, WholeTiming timing)
    : WholeMachine(model, output, timing)
{}

void InstrumentBackup::start(WholeClock::time_point now)
{
    banks_.clear();
    if (model_ == SynthModel::Matrix1000) {
        setProgress(0, kBanks1000 * kPatches);
        setPhase("Reading the global record");
        readingGlobal_ = true;
        send(request(RequestType::Global));
        expectAnswer(now);
    } else {
        setProgress(0, kPatches + kSplits);
        askBank(now);
    }
    tick(now);
}

void InstrumentBackup::showBankPhase()
{
    const AllAnswer& answer = banks_.back();
    if (model_ == SynthModel::Matrix6) {
        setPhase(answer.patches < kPatches
                     ? "Receiving patches: " + std::to_string(answer.patches) + " of 100"
                     : "Receiving splits: " + std::to_string(answer.splits) + " of 50");
        setProgress(answer.patches + answer.splits, kPatches + kSplits);
        return;
    }
    setPhase("Bank " + std::to_string(bank_) + " (" + std::to_string(bank_ + 1) +
             " of 10): " + std::to_string(answer.patches) + " of 100 patches");
    setProgress(bank_ * kPatches + answer.patches, kBanks1000 * kPatches);
}

void InstrumentBackup::askBank(WholeClock::time_point now)
{
    banks_.push_back(AllAnswer(model_));
    masterAsked_ = false;
    if (model_ == SynthModel::Matrix1000) {
        send(bankSelect(static_cast<Byte>(bank_)), timing().storePause);
        bankSelected_ = true;
    } else {
        send(parameterEditPrefix());
    }
    send(request(RequestType::All));
    expectAnswer(now);
    showBankPhase();
}

void InstrumentBackup::answer(std::span<const Byte> message, WholeClock::time_point now)
{
    if (readingGlobal_) {
        if (message[3] != opcode::masterData)
            return;
        answerOver();
        readingGlobal_ = false;
        if (!isGood1000Global(message)) {
            stop(WholeStatus::Failed, kBadGlobal);
            return;
        }
        firstGlobal_.assign(message.begin(), message.end());
        const std::vector<Byte> record = recordIn(message, kGlobal1000Size, ChecksumRule::Global);
        lockWasOn_ = bankLockOf(record);
        protectOn_ = memoryProtectOf(record);
        askBank(now);
        return;
    }
    AllAnswer& answer = banks_.back();
    answer.take(message);
    showBankPhase();
    if (!answer.badChecksum.empty()) {
        stop(WholeStatus::Failed,
             (model_ == SynthModel::Matrix1000 ? "Bank " + std::to_string(bank_) + ": " : "") +
                 answer.badChecksum + ".");
        return;
    }
    if (answer.hasGlobal())
        bankComplete(now);
}

void InstrumentBackup::idle(WholeClock::time_point now)
{
    // A Matrix-6 may leave the master record out of its answer.
    if (model_ != SynthModel::Matrix6 || !awaitingAnswer() || banks_.empty() || masterAsked_)
        return;
    const AllAnswer& answer = banks_.back();
    if (answer.patches == kPatches && answer.splits == kSplits &&
        now - lastHeard() >= timing().masterGrace) {
        masterAsked_ = true;
        setPhase("Asking for the master record");
        send(request(RequestType::Global));
        expectAnswer(now);
    }
}

void InstrumentBackup::bankComplete(WholeClock::time_point now)
{
    answerOver();
    const AllAnswer& answer = banks_.back();
    std::vector<int> missing;
    for (int n = 0; n < kPatches; ++n)
        if (answer.patchAt[static_cast<std::size_t>(n)] < 0)
            missing.push_back(n);
    if (model_ == SynthModel::Matrix6 && answer.splits < kSplits) {
        stop(WholeStatus::Failed, "Only " + std::to_string(answer.splits) +
                                      " of the 50 splits came from the instrument.");
        return;
    }
    if (!missing.empty()) {
        stop(WholeStatus::Failed,
             (model_ == SynthModel::Matrix1000 ? "Bank " + std::to_string(bank_) + ": only "
                                               : std::string("Only ")) +
                 std::to_string(answer.patches) + " of 100 patches came (patch " +
                 std::to_string(missing.front()) + " was first to be missing).");
        return;
    }
    if (model_ == SynthModel::Matrix1000 && bank_ + 1 < kBanks1000) {
        ++bank_;
        askBank(now);
        return;
    }
    setProgress(maximum(), maximum());
    setPhase("Done");
    stop(WholeStatus::Done);
}

void InstrumentBackup::wrapUp()
{
    // 0A turned the bank lock on; it goes off again if it was off before.
    if (model_ == SynthModel::Matrix1000 && bankSelected_ && !lockWasOn_)
        send(bankUnlock(), timing().storePause);
}

std::vector<Byte> InstrumentBackup::file() const
{
    std::vector<Byte> bytes;
    if (status() != WholeStatus::Done)
        return bytes;
    for (std::size_t b = 0; b < banks_.size(); ++b) {
        if (model_ == SynthModel::Matrix1000) {
            const Message select = bankSelect(static_cast<Byte>(b));
            bytes.insert(bytes.end(), select.begin(), select.end());
        }
        for (const Message& m : banks_[b].messages)
            bytes.insert(bytes.end(), m.begin(), m.end());
    }
    bytes.insert(bytes.end(), firstGlobal_.begin(), firstGlobal_.end());
    return bytes;
}

std::string InstrumentBackup::summary() const
{
    if (model_ == SynthModel::Matrix6)
        return "Matrix-6 backup: 100 patches, 50 splits and the master record.";
    std::string text = "Matrix-1000 backup: banks 0 to 9 (1,000 patches) and the global "
                       "record. Memory protect is ";
    text += protectOn_ ? "on." : "off.";
    if (lockWasOn_)
        text += " Bank lock was on, so it stays on: bank 9 is now selected and locked.";
    return text;
}

// --- reading a backup ---

int BackupContents::bankCount() const
{
    return static_cast<int>(std::ranges::count_if(banks, [](const auto& b) { return !b.empty(); }));
}

std::string BackupContents::describe() const
{
    std::string text;
    if (model == SynthModel::Matrix6) {
        text = "Matrix-6 backup: " + std::string(hasBank(0) ? "100 patches" : "no patches") +
               (splits.empty() ? ", no splits" : ", 50 splits") +
               (global.empty() ? " and no master record." : " and the master record.");
    } else {
        std::vector<int> held;
        for (int b = 0; b < static_cast<int>(banks.size()); ++b)
            if (hasBank(b))
                held.push_back(b);
        if (held.size() == 1) {
            text = "Matrix-1000 backup: bank " + std::to_string(held.front());
        } else {
            bool run = true;
            for (std::size_t i = 1; i < held.size(); ++i)
                run = run && held[i] == held[i - 1] + 1;
            text = "Matrix-1000 backup: banks ";
            if (run) {
                text += std::to_string(held.front()) + " to " + std::to_string(held.back());
            } else {
                for (std::size_t i = 0; i < held.size(); ++i)
                    text += (i == 0                 ? ""
                             : i + 1 == held.size() ? " and "
                                                    : ", ") +
                            std::to_string(held[i]);
            }
        }
        text += " (" + counted(static_cast<int>(held.size()) * kPatches, "patch", "patches") + ")" +
                (global.empty() ? ", no global record." : " and the global record.");
    }
    if (!faults.empty())
        text += ' ' + faults;
    return text;
}

std::optional<BackupContents> readBackup(std::span<const Byte> data)
{
    const SysexContents read = readSysex(data);
    BackupContents contents;
    const bool selects =
        std::ranges::any_of(read.patches, [](const auto& m) { return m.bank >= 0; });
    const bool master6 = read.global && read.global->kind == SysexKind::Master6;
    contents.model =
        master6 || (!selects && !read.splits.empty() && read.splits.size() <= kSplitCount)
            ? SynthModel::Matrix6
            : SynthModel::Matrix1000;
    const int bankCount = contents.model == SynthModel::Matrix1000 && selects ? kBanks1000 : 1;
    contents.banks.resize(static_cast<std::size_t>(bankCount));
    std::vector<std::vector<int>> at(static_cast<std::size_t>(bankCount),
                                     std::vector<int>(kBankPatchCount, -1));
    std::vector<int> damaged;
    for (std::size_t i = 0; i < read.patches.size(); ++i) {
        const ReadMessage& m = read.patches[i];
        const int bank = bankCount == 1 ? 0 : m.bank;
        if (m.kind != SysexKind::Patch || bank < 0 || m.number >= kPatches)
            continue;
        if (m.checksum != UnpackStatus::Ok) {
            if (damaged.empty() || damaged.back() != bank)
                damaged.push_back(bank);
            continue;
        }
        at[static_cast<std::size_t>(bank)][static_cast<std::size_t>(m.number)] =
            static_cast<int>(i);
    }
    std::vector<int> partial;
    for (int b = 0; b < bankCount; ++b) {
        const auto& slots = at[static_cast<std::size_t>(b)];
        const auto have = std::ranges::count_if(slots, [](int i) { return i >= 0; });
        if (have == kPatches) {
            for (int i : slots) {
                const auto bytes = read.patches[static_cast<std::size_t>(i)].bytes(data);
                contents.banks[static_cast<std::size_t>(b)].emplace_back(bytes.begin(),
                                                                         bytes.end());
            }
        } else if (have > 0 || std::ranges::count(damaged, b) > 0) {
            partial.push_back(b);
        }
    }
    if (contents.model == SynthModel::Matrix6) {
        std::vector<Message> splits(kSplitCount);
        int good = 0;
        for (const ReadMessage& m : read.splits) {
            if (m.checksum == UnpackStatus::Ok && m.number < kSplits &&
                splits[static_cast<std::size_t>(m.number)].empty()) {
                const auto bytes = m.bytes(data);
                splits[static_cast<std::size_t>(m.number)].assign(bytes.begin(), bytes.end());
                ++good;
            }
        }
        if (good == kSplits)
            contents.splits = std::move(splits);
    }
    if (read.global && read.global->checksum == UnpackStatus::Ok) {
        const auto bytes = read.global->bytes(data);
        contents.global.assign(bytes.begin(), bytes.end());
    }
    for (std::size_t i = 0; i < partial.size(); ++i)
        contents.faults +=
            (i == 0 ? "Not whole, so left out: bank " : ", bank ") + std::to_string(partial[i]);
    if (!contents.faults.empty())
        contents.faults += '.';
    if (contents.bankCount() == 0)
        return std::nullopt;
    return contents;
}

// --- InstrumentRestore ---

InstrumentRestore::InstrumentRestore(BackupContents backup, RestoreChoice choice, MidiSink& output,
                                     WholeTiming timing)
    : WholeMachine(backup.model, output, timing), backup_(std::move(backup)),
      choice_(std::move(choice))
{
    if (model_ == SynthModel::Matrix6) {
        choice_.banks.clear();
        if (choice_.patches && backup_.hasBank(0))
            choice_.banks.push_back(0);
        choice_.splits = choice_.splits && !backup_.splits.empty();
        choice_.master = choice_.master && !backup_.global.empty();
    } else {
        std::erase_if(choice_.banks, [&](int b) { return b < 0 || b > 1 || !backup_.hasBank(b); });
        choice_.splits = false;
        choice_.master = false;
    }
}

void InstrumentRestore::start(WholeClock::time_point now)
{
    int entries = static_cast<int>(choice_.banks.size()) * kPatches +
                  (choice_.splits ? kSplits : 0) + (choice_.master ? 1 : 0);
    setProgress(0, choice_.check ? 2 * entries : entries);
    if (model_ == SynthModel::Matrix1000) {
        setPhase("Reading the global record");
        readingGlobal_ = true;
        send(request(RequestType::Global));
        expectAnswer(now);
    } else {
        writeAll(now);
    }
    tick(now);
}

void InstrumentRestore::proceed(bool switchProtectOff, WholeClock::time_point now)
{
    if (!waitingForDecision_)
        return;
    waitingForDecision_ = false;
    if (switchProtectOff) {
        switchedOff_ = true;
        protectSwitched_ = true;
        setPhase("Switching memory protect off");
        send(
            globalWriteWithProtect(recordIn(global_, kGlobal1000Size, ChecksumRule::Global), false),
            timing().globalPause);
    }
    writeAll(now);
    tick(now);
}

void InstrumentRestore::writeAll(WholeClock::time_point now)
{
    const std::chrono::milliseconds pause = timing().storePause;
    for (int bank : choice_.banks) {
        if (model_ == SynthModel::Matrix1000) {
            send(bankSelect(static_cast<Byte>(bank)), pause);
            bankSelected_ = true;
        }
        for (const Message& patch : backup_.banks[static_cast<std::size_t>(bank)])
            send(patch, pause);
        if (model_ == SynthModel::Matrix1000)
            send(bankUnlock(), pause);
    }
    if (choice_.splits)
        for (const Message& split : backup_.splits)
            send(split, pause);
    if (choice_.master)
        send(backup_.global, timing().globalPause);
    written_ = static_cast<int>(choice_.banks.size()) * kPatches + (choice_.splits ? kSplits : 0) +
               (choice_.master ? 1 : 0);
    // A global write queued before the patches is counted when it goes.
    storesBefore_ = storesSent() + (switchedOff_ ? 1 : 0);
    writing_ = true;
    setPhase(
        model_ == SynthModel::Matrix1000
            ? "Writing " + std::string(choice_.banks.size() == 1 ? "bank " : "banks ") +
                  (choice_.banks.size() == 1 ? std::to_string(choice_.banks.front()) : "0 and 1")
            : "Writing the patches");
    // The write is timed by the queue; progress follows it in readBack's
    // phase. The check starts once everything went.
    checking_ = 0;
    if (choice_.check && written_ > 0) {
        readBack(now);
    } else {
        finish();
    }
}

void InstrumentRestore::readBack(WholeClock::time_point now)
{
    answer_ = AllAnswer(model_);
    masterAsked_ = false;
    if (model_ == SynthModel::Matrix1000) {
        send(bankSelect(static_cast<Byte>(choice_.banks[checking_])), timing().storePause);
    } else {
        send(parameterEditPrefix());
    }
    send(request(RequestType::All));
    // The stall watch starts when the request is through: until then the
    // queue still sends the patches.
    expectAnswer(now);
}

void InstrumentRestore::answer(std::span<const Byte> message, WholeClock::time_point now)
{
    if (readingGlobal_) {
        if (message[3] != opcode::masterData)
            return;
        answerOver();
        readingGlobal_ = false;
        if (!isGood1000Global(message)) {
            stop(WholeStatus::Failed, kBadGlobal + std::string(" Nothing was written."));
            return;
        }
        global_.assign(message.begin(), message.end());
        const std::vector<Byte> record = recordIn(message, kGlobal1000Size, ChecksumRule::Global);
        protectOn_ = memoryProtectOf(record);
        lockWasOn_ = bankLockOf(record);
        if (*protectOn_) {
            waitingForDecision_ = true;
            setPhase("Memory protect is on");
            return;
        }
        writeAll(now);
        return;
    }
    answer_.take(message);
    const int done = static_cast<int>(checks_.size()) * kPatches + answer_.patches;
    setProgress(written_ + done, maximum());
    setPhase(model_ == SynthModel::Matrix1000
                 ? "Checking bank " + std::to_string(choice_.banks[checking_]) + ": " +
                       std::to_string(answer_.patches) + " of 100 patches read back"
                 : "Checking: " + std::to_string(answer_.patches) + " of 100 patches read back");
    if (answer_.hasGlobal())
        answerComplete(now);
}

void InstrumentRestore::answerComplete(WholeClock::time_point now)
{
    answerOver();
    compare();
    if (model_ == SynthModel::Matrix1000 && checking_ + 1 < choice_.banks.size()) {
        ++checking_;
        readBack(now);
        return;
    }
    finish();
}

void InstrumentRestore::compare()
{
    const std::vector<Byte> global = answer_.globalRecord();
    std::optional<bool> protect;
    if (model_ == SynthModel::Matrix1000 && !global.empty())
        protect = memoryProtectOf(global);
    const auto patchCheck = [&](int bank) {
        UploadCheck check;
        check.model = model_;
        check.kind = UploadCheck::Kind::Patches;
        check.bank = model_ == SynthModel::Matrix1000 ? bank : -1;
        check.memoryProtect = protect;
        const auto& sent = backup_.banks[static_cast<std::size_t>(bank)];
        for (int n = 0; n < kPatches; ++n)
            check.compare(
                n,
                recordIn(sent[static_cast<std::size_t>(n)], kPatchRecordSize, ChecksumRule::Dump),
                answer_.patchRecord(n));
        checks_.push_back(std::move(check));
    };
    if (model_ == SynthModel::Matrix1000) {
        patchCheck(choice_.banks[checking_]);
        return;
    }
    if (!choice_.banks.empty())
        patchCheck(0);
    if (choice_.splits) {
        UploadCheck check;
        check.model = model_;
        check.kind = UploadCheck::Kind::Splits;
        for (int n = 0; n < kSplits; ++n)
            check.compare(n,
                          recordIn(backup_.splits[static_cast<std::size_t>(n)], kSplitRecordSize,
                                   ChecksumRule::Dump),
                          answer_.splitRecord(n));
        checks_.push_back(std::move(check));
    }
    if (choice_.master) {
        UploadCheck check;
        check.model = model_;
        check.kind = UploadCheck::Kind::Global;
        check.compare(0, recordIn(backup_.global, kMaster6Size, ChecksumRule::Global), global);
        checks_.push_back(std::move(check));
    }
}

void InstrumentRestore::finish()
{
    setProgress(maximum(), maximum());
    setPhase("Done");
    stop(WholeStatus::Done);
}

void InstrumentRestore::wrapUp()
{
    if (model_ != SynthModel::Matrix1000 || global_.empty())
        return;
    // Program changes behave normally again, as after a bank upload.
    if (bankSelected_)
        send(bankUnlock(), timing().storePause);
    if (switchedOff_) {
        switchedOff_ = false;
        send(globalWriteWithProtect(recordIn(global_, kGlobal1000Size, ChecksumRule::Global), true),
             timing().globalPause);
    }
}

void InstrumentRestore::idle(WholeClock::time_point now)
{
    if (writing_) {
        const int stores = storesSent() - storesBefore_;
        setProgress(std::min(stores, written_), maximum());
        if (model_ == SynthModel::Matrix1000 && !choice_.banks.empty()) {
            const std::size_t index =
                std::min(static_cast<std::size_t>(stores / kPatches), choice_.banks.size() - 1);
            setPhase(
                "Writing bank " + std::to_string(choice_.banks[index]) + ": " +
                std::to_string(std::min(stores - static_cast<int>(index) * kPatches, kPatches)) +
                " of 100 patches");
        } else {
            setPhase("Writing: " + std::to_string(std::min(stores, written_)) + " of " +
                     std::to_string(written_));
        }
        if (stores >= written_)
            writing_ = false;
    }
    // A Matrix-6 may end its answer with the splits.
    if (model_ == SynthModel::Matrix6 && awaitingAnswer() && answer_.splits == kSplits &&
        !answer_.hasGlobal() && now - lastHeard() >= timing().masterGrace)
        answerComplete(now);
}

bool InstrumentRestore::verified() const
{
    return !checks_.empty() && std::ranges::all_of(checks_, &UploadCheck::passed);
}

std::string InstrumentRestore::summary() const
{
    std::string text;
    if (model_ == SynthModel::Matrix1000) {
        text = "Restored " + std::string(choice_.banks.size() == 1 ? "bank " : "banks ") +
               (choice_.banks.size() == 1 ? std::to_string(choice_.banks.front()) : "0 and 1") +
               '.';
    } else {
        std::vector<std::string> parts;
        if (!choice_.banks.empty())
            parts.emplace_back("the 100 patches");
        if (choice_.splits)
            parts.emplace_back("the 50 splits");
        if (choice_.master)
            parts.emplace_back("the master record");
        text = "Restored ";
        for (std::size_t i = 0; i < parts.size(); ++i)
            text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
        text += '.';
    }
    for (const UploadCheck& check : checks_)
        text += '\n' + describeCheck(check);
    if (!choice_.check)
        text += " It was not read back to be checked.";
    if (protectSwitched_)
        text += "\nMemory protect was switched off for the restore and on again after.";
    return text;
}

// --- BankReadBack ---

BankReadBack::BankReadBack(SynthModel model, int bank, std::vector<std::vector<Byte>> sent,
                           MidiSink& output, WholeTiming timing)
    : WholeMachine(model, output, timing), bank_(bank), sent_(std::move(sent))
{}

void BankReadBack::start(WholeClock::time_point now)
{
    answer_ = AllAnswer(model_);
    setProgress(0, kPatches);
    setPhase(model_ == SynthModel::Matrix1000 ? "Checking bank " + std::to_string(bank_)
                                              : std::string("Checking the bank"));
    if (model_ == SynthModel::Matrix1000)
        send(bankSelect(static_cast<Byte>(bank_)), timing().storePause);
    else
        send(parameterEditPrefix());
    send(request(RequestType::All));
    expectAnswer(now);
    tick(now);
}

void BankReadBack::answer(std::span<const Byte> message, WholeClock::time_point /*now*/)
{
    answer_.take(message);
    setProgress(answer_.patches, kPatches);
    setPhase((model_ == SynthModel::Matrix1000 ? "Checking bank " + std::to_string(bank_)
                                               : std::string("Checking the bank")) +
             ": " + std::to_string(answer_.patches) + " of 100 patches read back");
    if (answer_.hasGlobal())
        complete();
}

void BankReadBack::idle(WholeClock::time_point now)
{
    // A Matrix-6 may end its answer with the splits.
    if (model_ == SynthModel::Matrix6 && awaitingAnswer() && answer_.splits == kSplits &&
        !answer_.hasGlobal() && now - lastHeard() >= timing().masterGrace)
        complete();
}

void BankReadBack::complete()
{
    answerOver();
    check_ = UploadCheck{};
    check_.model = model_;
    check_.bank = model_ == SynthModel::Matrix1000 ? bank_ : -1;
    const std::vector<Byte> global = answer_.globalRecord();
    if (model_ == SynthModel::Matrix1000 && !global.empty())
        check_.memoryProtect = memoryProtectOf(global);
    for (int n = 0; n < kPatches; ++n)
        check_.compare(n, sent_.at(static_cast<std::size_t>(n)), answer_.patchRecord(n));
    setProgress(kPatches, kPatches);
    stop(WholeStatus::Done);
}

void BankReadBack::wrapUp()
{
    if (model_ == SynthModel::Matrix1000)
        send(bankUnlock(), timing().storePause);
}

} // namespace velmora
