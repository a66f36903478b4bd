#include "protocol/DumpReceiver.h"

#include "protocol/PatchName.h"
#include "protocol/PatchTransfers.h"
#include "protocol/SysexCodec.h"
#include "protocol/SysexReader.h"

#include <algorithm>
#include <array>

namespace velmora {

namespace {

constexpr int kBankEntries = static_cast<int>(kBankPatchCount);
constexpr int kSplitEntries = static_cast<int>(kSplitCount);

std::string nameText(std::span<const Byte> bytes, std::size_t length)
{
    return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

} // namespace

DumpReceiver::DumpReceiver(TransferContext& context, PatchTransfers& sender)
    : context_(context), sender_(sender)
{}

std::string DumpReceiver::missingEntries() const
{
    constexpr int kNamed = 2;
    std::vector<int> missing;
    for (int i = 0; i < kBankEntries; ++i)
        if (!placed_[static_cast<std::size_t>(i)])
            missing.push_back(i);
    std::string text;
    const int named = std::min<int>(kNamed, static_cast<int>(missing.size()));
    for (int i = 0; i < named; ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(missing[static_cast<std::size_t>(i)]);
    const int more = static_cast<int>(missing.size()) - named;
    if (more > 0)
        text += " and " + std::to_string(more) + " more";
    return text;
}

int DumpReceiver::splitMessagesExpected() const
{
    // A Matrix-1000 follows its 50 splits with 30 filler messages.
    return context_.model == SynthModel::Matrix6 ? kSplitEntries : 80;
}

void DumpReceiver::raiseName(std::span<Byte> name) const
{
    if (context_.model == SynthModel::Matrix6)
        raiseMatrix6Name(name);
}

void DumpReceiver::nameFromLibrary(std::span<Byte, kPatchRecordSize> record, int entry) const
{
    if (!isPlaceholderName(record.first(kPatchNameLength)))
        return;
    if (const auto name = context_.host.knownName(record, entry)) {
        const std::string held = normaliseName(std::string_view(*name));
        std::copy(held.begin(), held.end(), record.begin());
    }
}

bool DumpReceiver::receiving() const
{
    return context_.flags.bankReceiving || splitReceiving_ || awaitingPatch_;
}

void DumpReceiver::handleSysex(std::span<const Byte> message)
{
    const auto now = context_.host.now();
    const DumpKind kind = classifyMessage(message);
    // After a stall the rest of the answer may come any time later, so only
    // a new request or the answer's splits and global end the dropping.
    const bool quietLongEnough = !discardUntilAsked_ && now - lastHeard_ >= kAnswerGap;
    if (discarding_ && (quietLongEnough || (kind != DumpKind::Patch && kind != DumpKind::Other))) {
        discarding_ = false;
        discardUntilAsked_ = false;
    }
    lastHeard_ = now;

    if (kind == DumpKind::Patch) {
        if (context_.flags.bankReceiving)
            handleBankDump(message);
        else if (!discarding_)
            handlePatchDump(message);
        return;
    }
    if (kind == DumpKind::Other)
        return;

    // The patch part of a bank answer is over: whole but for a Matrix-6's
    // trailing edit buffer, or short of entries. A global record before any
    // patch of it answers an earlier request (start-up's, answered late) and
    // ends nothing.
    const bool earlierAnswer = context_.flags.bankCount == 0 &&
                               (kind == DumpKind::Global1000 || kind == DumpKind::Master6);
    if (context_.flags.bankReceiving && !earlierAnswer) {
        if (context_.flags.bankCount == kBankEntries)
            finishBank();
        else
            failBank(
                "The instrument's answer held only " + std::to_string(context_.flags.bankCount) +
                " of " + std::to_string(kBankEntries) +
                " patch messages (missing: " + missingEntries() + "). The bank was not changed.");
    }
    switch (kind) {
    case DumpKind::Split:
        handleSplitDump(message);
        break;
    case DumpKind::Global1000:
        handleGlobalDump(message);
        break;
    case DumpKind::Master6:
        handleGlobalM6Dump(message);
        break;
    case DumpKind::Patch:
    case DumpKind::Other:
        break;
    }
}

void DumpReceiver::handlePatchDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    SynthRecords& records = context_.records;
    awaitingPatch_ = false;

    PatchRecord received{};
    const UnpackStatus status = unpackBlock(message, received);
    std::copy(received.begin(), received.end(), records.currentPatch.begin());
    std::copy(received.begin() + kPatchNameLength, received.end(),
              records.compareData.begin() + kPatchNameLength);
    raiseName(std::span<Byte>(records.currentPatch.data(), kPatchNameLength));

    if (status != UnpackStatus::Ok) {
        host.setMainCaption("Velmora");
        host.showMessage("Checksum error in Patch dump");
        flags.patchLoaded = false;
    } else {
        nameFromLibrary(recordOf(records.currentPatch), -1);
        host.initControls();
        host.setMainCaption(nameText(records.currentPatch, kPatchNameLength) + " - Velmora");
        flags.patchLoaded = true;
        // The Matrix-6 plays from slot 99: put the patch there unless it came from there.
        if (context_.model == SynthModel::Matrix6 && flags.patchNumber != 99)
            sender_.send6Patch();
    }
    host.enableButtons();
}

void DumpReceiver::handleBankDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    const int number = message[4];
    if (context_.model == SynthModel::Matrix6 && number == kBankEntries) {
        editBufferSeen_ = true;
    } else {
        const auto slot = static_cast<std::size_t>(number);
        if (number >= kBankEntries || placed_[slot])
            return; // refused: not an entry of this answer
        if (flags.bankCount == 0)
            host.openProgress("Receiving Patches...", kBankEntries);
        PatchBuffer& entry = staging_[slot];
        const UnpackStatus status = unpackBlock(message, recordOf(entry));
        raiseName(std::span<Byte>(entry.data(), kPatchNameLength));
        if (status == UnpackStatus::Ok)
            nameFromLibrary(recordOf(entry), number);
        placed_[slot] = true;
        host.setBankCell(number, nameText(entry, kPatchNameLength));
        if (status != UnpackStatus::Ok) {
            failBank("Checksum error in Bank dump");
            return;
        }
        host.setProgress(flags.bankCount);
        ++flags.bankCount;
    }
    if (flags.bankCount == kBankEntries &&
        (context_.model != SynthModel::Matrix6 || editBufferSeen_))
        finishBank();
}

void DumpReceiver::handleSplitDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    // The answer's splits have all arrived; stray ones wait for the next download.
    if (!splitReceiving_ && flags.splitCount > 0)
        return;

    flags.splitsReceived = false;
    if (flags.splitCount == 0) {
        splitReceiving_ = true;
        if (context_.model == SynthModel::Matrix6)
            host.openProgress("Receiving Splits...", kSplitEntries);
        else
            host.openProgress("Receiving Dummy Splits...", splitMessagesExpected());
    }

    if (flags.splitCount < kSplitEntries) {
        const int index = flags.splitCount;
        SplitRecord& split = context_.records.splits[static_cast<std::size_t>(index)];
        const UnpackStatus status = unpackBlock(message, split);
        raiseName(std::span<Byte>(split.data(), kSplitNameLength));
        host.setSplitCell(index, nameText(split, kSplitNameLength));
        if (status != UnpackStatus::Ok) {
            failSplits("Checksum error in Split dump");
            return;
        }
    }
    ++flags.splitCount;
    host.setProgress(flags.splitCount);
    if (flags.splitCount >= splitMessagesExpected())
        finishSplits();
}

void DumpReceiver::handleGlobalDump(std::span<const Byte> message)
{
    // Unpacked aside so that a bad dump leaves the record as it was.
    std::array<Byte, kGlobal1000Size> block{};
    if (unpackBlock(message, block, ChecksumRule::Global) == UnpackStatus::Ok) {
        std::copy(block.begin(), block.end(), context_.records.global.begin());
        context_.flags.globalReceived = true;
        context_.host.refreshGlobals();
    }
    context_.host.enableButtons();
}

void DumpReceiver::handleGlobalM6Dump(std::span<const Byte> message)
{
    std::array<Byte, kMaster6Size> block{};
    if (unpackBlock(message, block, ChecksumRule::Global) == UnpackStatus::Ok) {
        context_.records.global = block;
        context_.flags.globalReceived = true;
        context_.host.refreshGlobals();
    } else {
        context_.flags.globalReceived = false;
        context_.host.showMessage("Checksum error in Master dump");
    }
    context_.host.enableButtons();
}

void DumpReceiver::beginBankReceive()
{
    TransferFlags& flags = context_.flags;
    if (flags.bankReceiving || splitReceiving_)
        context_.host.closeProgress();
    flags.bankReceiving = true;
    flags.bankCount = 0;
    flags.splitCount = 0;
    flags.bankLoaded = false;
    flags.splitsReceived = false;
    flags.globalReceived = false;
    splitReceiving_ = false;
    discarding_ = false;
    discardUntilAsked_ = false;
    staging_.assign(context_.records.bank.begin(), context_.records.bank.end());
    placed_.assign(kBankPatchCount, false);
    editBufferSeen_ = false;
    lastHeard_ = context_.host.now();
}

void DumpReceiver::expectPatch()
{
    // The user asked for a patch: what comes now is its answer.
    discarding_ = false;
    discardUntilAsked_ = false;
    awaitingPatch_ = true;
    lastHeard_ = context_.host.now();
}

void DumpReceiver::finishBank()
{
    TransferFlags& flags = context_.flags;
    std::copy(staging_.begin(), staging_.end(), context_.records.bank.begin());
    context_.host.closeProgress();
    flags.bankLoaded = true;
    flags.bankReceiving = false;
    context_.host.setBankManagerCaption("Bank Manager");
    context_.host.enableButtons();
}

void DumpReceiver::failBank(const std::string& text)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    host.closeProgress();
    if (!text.empty())
        host.showMessage(text);
    flags.bankLoaded = false;
    flags.bankReceiving = false;
    // The silence that ends the dropping counts from now, not from the last
    // message heard (which, after a stall, is long ago).
    discarding_ = true;
    lastHeard_ = host.now();
    // The grid showed each entry as it arrived; show the unchanged bank again.
    for (std::size_t i = 0; i < placed_.size(); ++i)
        if (placed_[i])
            host.setBankCell(static_cast<int>(i),
                             nameText(context_.records.bank[i], kPatchNameLength));
    host.enableButtons();
}

void DumpReceiver::finishSplits()
{
    context_.host.closeProgress();
    context_.flags.splitsReceived = true;
    splitReceiving_ = false;
}

void DumpReceiver::failSplits(const std::string& text)
{
    context_.host.closeProgress();
    context_.flags.splitsReceived = false;
    context_.flags.splitCount = 0;
    splitReceiving_ = false;
    if (!text.empty())
        context_.host.showMessage(text);
}

bool DumpReceiver::checkStall()
{
    if (!receiving() || context_.host.now() - lastHeard_ < kStallTimeout)
        return false;
    endStalledReceive();
    return true;
}

void DumpReceiver::endStalledReceive()
{
    const TransferFlags& flags = context_.flags;
    const std::string after = "The instrument stopped answering after ";
    if (flags.bankReceiving) {
        // Patches that still come are the late rest of this answer, never a
        // patch of their own: they must not land in the editor.
        discardUntilAsked_ = true;
        failBank(after + std::to_string(flags.bankCount) + " of " + std::to_string(kBankEntries) +
                 " patch messages. The bank was not changed.");
    }
    if (splitReceiving_)
        failSplits(after + std::to_string(flags.splitCount) + " of " +
                   std::to_string(splitMessagesExpected()) +
                   " split messages. The split table holds what arrived and may be incomplete.");
    if (awaitingPatch_) {
        awaitingPatch_ = false;
        context_.host.showMessage("The instrument did not answer the patch request. "
                                  "The current patch was not changed.");
    }
}

void DumpReceiver::cancelReceive()
{
    if (context_.flags.bankReceiving)
        failBank({});
    if (splitReceiving_)
        failSplits({});
    awaitingPatch_ = false;
}

} // namespace velmora
