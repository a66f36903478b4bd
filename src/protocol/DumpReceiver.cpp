#include "DumpReceiver.h"

#include "PatchName.h"
#include "PatchTransfers.h"
#include "SysexCodec.h"

#include <algorithm>
#include <array>

namespace velmora {

namespace {

constexpr int kBankEntries = static_cast<int>(kBankPatchCount);
constexpr int kSplitEntries = static_cast<int>(kSplitCount);

std::string NameText(std::span<const Byte> bytes, std::size_t length)
{
    return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

} // namespace

DumpReceiver::DumpReceiver(TransferContext& context, PatchTransfers& sender)
    : context_(context), sender_(sender)
{}

int DumpReceiver::BankMessagesExpected() const
{
    // A Matrix-6 follows its 100 patches with its edit buffer, which is dropped.
    return context_.model == Model::Matrix6 ? kBankEntries + 1 : kBankEntries;
}

int DumpReceiver::SplitMessagesExpected() const
{
    // A Matrix-1000 follows its 50 splits with 30 filler messages.
    return context_.model == Model::Matrix6 ? kSplitEntries : 80;
}

void DumpReceiver::RaiseName(std::span<Byte> name) const
{
    if (context_.model == Model::Matrix6)
        RaiseMatrix6Name(name);
}

bool DumpReceiver::Receiving() const
{
    return context_.flags.BankReceiving || splitReceiving_ || awaitingPatch_;
}

void DumpReceiver::HandleSysex(std::span<const Byte> message)
{
    const auto now = context_.host.Now();
    const DumpKind kind = ClassifyDump(message.size());
    // After a stall the rest of the answer may come any time later, so only
    // a new request or the answer's splits and global end the dropping.
    const bool quietLongEnough = !discardUntilAsked_ && now - lastHeard_ >= kAnswerGap;
    if (discarding_ && (quietLongEnough || (kind != DumpKind::Patch && kind != DumpKind::Other))) {
        discarding_ = false;
        discardUntilAsked_ = false;
    }
    lastHeard_ = now;

    if (kind == DumpKind::Patch) {
        if (context_.flags.BankReceiving)
            HandleBankDump(message);
        else if (!discarding_)
            HandlePatchDump(message);
        return;
    }
    if (kind == DumpKind::Other)
        return;

    // The patch part of a bank answer is over before all of it arrived.
    if (context_.flags.BankReceiving)
        FailBank("The instrument's answer held only " + std::to_string(context_.flags.BankCount) +
                 " of " + std::to_string(BankMessagesExpected()) +
                 " patch messages. The bank was not changed.");
    switch (kind) {
    case DumpKind::Split:
        HandleSplitDump(message);
        break;
    case DumpKind::Global1000:
        HandleGlobalDump(message);
        break;
    case DumpKind::Master6:
        HandleGlobalM6Dump(message);
        break;
    case DumpKind::Patch:
    case DumpKind::Other:
        break;
    }
}

void DumpReceiver::HandlePatchDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    SynthRecords& records = context_.records;
    awaitingPatch_ = false;

    PatchRecord received{};
    const UnpackStatus status = UnpackBlock(message, received);
    std::copy(received.begin(), received.end(), records.CurrentPatch.begin());
    std::copy(received.begin() + kPatchNameLength, received.end(),
              records.CompareData.begin() + kPatchNameLength);
    RaiseName(std::span<Byte>(records.CurrentPatch.data(), kPatchNameLength));

    if (status != UnpackStatus::Ok) {
        host.SetMainCaption("Velmora");
        host.ShowMessage("Checksum error in Patch dump");
        flags.PatchLoaded = false;
    } else {
        host.InitControls();
        host.SetMainCaption(NameText(records.CurrentPatch, kPatchNameLength) + " - Velmora");
        flags.PatchLoaded = true;
        // The Matrix-6 plays from slot 99: put the patch there unless it came from there.
        if (context_.model == Model::Matrix6 && flags.PatchNumber != 99)
            sender_.Send6Patch();
    }
    host.EnableButtons();
}

void DumpReceiver::HandleBankDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    if (flags.BankCount == 0)
        host.OpenProgress("Receiving Patches...", kBankEntries);

    if (flags.BankCount < kBankEntries) {
        const int index = flags.BankCount;
        PatchBuffer& entry = staging_[static_cast<std::size_t>(index)];
        const UnpackStatus status = UnpackBlock(message, RecordOf(entry));
        RaiseName(std::span<Byte>(entry.data(), kPatchNameLength));
        host.SetBankCell(index, NameText(entry, kPatchNameLength));
        if (status != UnpackStatus::Ok) {
            FailBank("Checksum error in Bank dump");
            return;
        }
        host.SetProgress(index);
    }
    ++flags.BankCount;
    if (flags.BankCount >= BankMessagesExpected())
        FinishBank();
}

void DumpReceiver::HandleSplitDump(std::span<const Byte> message)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    // The answer's splits have all arrived; stray ones wait for the next download.
    if (!splitReceiving_ && flags.SplitCount > 0)
        return;

    flags.SplitsReceived = false;
    if (flags.SplitCount == 0) {
        splitReceiving_ = true;
        if (context_.model == Model::Matrix6)
            host.OpenProgress("Receiving Splits...", kSplitEntries);
        else
            host.OpenProgress("Receiving Dummy Splits...", SplitMessagesExpected());
    }

    if (flags.SplitCount < kSplitEntries) {
        const int index = flags.SplitCount;
        SplitRecord& split = context_.records.Splits[static_cast<std::size_t>(index)];
        const UnpackStatus status = UnpackBlock(message, split);
        RaiseName(std::span<Byte>(split.data(), kSplitNameLength));
        host.SetSplitCell(index, NameText(split, kSplitNameLength));
        if (status != UnpackStatus::Ok) {
            FailSplits("Checksum error in Split dump");
            return;
        }
    }
    ++flags.SplitCount;
    host.SetProgress(flags.SplitCount);
    if (flags.SplitCount >= SplitMessagesExpected())
        FinishSplits();
}

void DumpReceiver::HandleGlobalDump(std::span<const Byte> message)
{
    // Unpacked aside so that a bad dump leaves the record as it was.
    std::array<Byte, kGlobal1000Size> block{};
    if (UnpackBlock(message, block, ChecksumRule::Global) == UnpackStatus::Ok) {
        std::copy(block.begin(), block.end(), context_.records.Global.begin());
        context_.flags.GlobalReceived = true;
        context_.host.RefreshGlobals();
    }
    context_.host.EnableButtons();
}

void DumpReceiver::HandleGlobalM6Dump(std::span<const Byte> message)
{
    std::array<Byte, kMaster6Size> block{};
    if (UnpackBlock(message, block) == UnpackStatus::Ok) {
        context_.records.Global = block;
        context_.flags.GlobalReceived = true;
        context_.host.RefreshGlobals();
    } else {
        context_.flags.GlobalReceived = false;
        context_.host.ShowMessage("Checksum error in Master dump");
    }
    context_.host.EnableButtons();
}

void DumpReceiver::BeginBankReceive()
{
    TransferFlags& flags = context_.flags;
    if (flags.BankReceiving || splitReceiving_)
        context_.host.CloseProgress();
    flags.BankReceiving = true;
    flags.BankCount = 0;
    flags.SplitCount = 0;
    flags.BankLoaded = false;
    flags.SplitsReceived = false;
    flags.GlobalReceived = false;
    splitReceiving_ = false;
    discarding_ = false;
    discardUntilAsked_ = false;
    staging_.assign(context_.records.Bank.begin(), context_.records.Bank.end());
    lastHeard_ = context_.host.Now();
}

void DumpReceiver::ExpectPatch()
{
    // The user asked for a patch: what comes now is its answer.
    discarding_ = false;
    discardUntilAsked_ = false;
    awaitingPatch_ = true;
    lastHeard_ = context_.host.Now();
}

void DumpReceiver::FinishBank()
{
    TransferFlags& flags = context_.flags;
    std::copy(staging_.begin(), staging_.end(), context_.records.Bank.begin());
    context_.host.CloseProgress();
    flags.BankLoaded = true;
    flags.BankReceiving = false;
    context_.host.SetBankManagerCaption("Bank Manager");
    context_.host.EnableButtons();
}

void DumpReceiver::FailBank(const std::string& text)
{
    TransferFlags& flags = context_.flags;
    TransferHost& host = context_.host;
    host.CloseProgress();
    if (!text.empty())
        host.ShowMessage(text);
    flags.BankLoaded = false;
    flags.BankReceiving = false;
    // The silence that ends the dropping counts from now, not from the last
    // message heard (which, after a stall, is long ago).
    discarding_ = true;
    lastHeard_ = host.Now();
    // The grid showed each entry as it arrived; show the unchanged bank again.
    const int shown = std::min(flags.BankCount + 1, kBankEntries);
    for (int i = 0; i < shown; ++i)
        host.SetBankCell(
            i, NameText(context_.records.Bank[static_cast<std::size_t>(i)], kPatchNameLength));
    host.EnableButtons();
}

void DumpReceiver::FinishSplits()
{
    context_.host.CloseProgress();
    context_.flags.SplitsReceived = true;
    splitReceiving_ = false;
}

void DumpReceiver::FailSplits(const std::string& text)
{
    context_.host.CloseProgress();
    context_.flags.SplitsReceived = false;
    context_.flags.SplitCount = 0;
    splitReceiving_ = false;
    if (!text.empty())
        context_.host.ShowMessage(text);
}

bool DumpReceiver::CheckStall()
{
    if (!Receiving() || context_.host.Now() - lastHeard_ < kStallTimeout)
        return false;
    EndStalledReceive();
    return true;
}

void DumpReceiver::EndStalledReceive()
{
    const TransferFlags& flags = context_.flags;
    const std::string after = "The instrument stopped answering after ";
    if (flags.BankReceiving) {
        // Patches that still come are the late rest of this answer, never a
        // patch of their own: they must not land in the editor.
        discardUntilAsked_ = true;
        FailBank(after + std::to_string(flags.BankCount) + " of " +
                 std::to_string(BankMessagesExpected()) +
                 " patch messages. The bank was not changed.");
    }
    if (splitReceiving_)
        FailSplits(after + std::to_string(flags.SplitCount) + " of " +
                   std::to_string(SplitMessagesExpected()) +
                   " split messages. The split table holds what arrived and may be incomplete.");
    if (awaitingPatch_) {
        awaitingPatch_ = false;
        context_.host.ShowMessage("The instrument did not answer the patch request. "
                                  "The current patch was not changed.");
    }
}

void DumpReceiver::CancelReceive()
{
    if (context_.flags.BankReceiving)
        FailBank({});
    if (splitReceiving_)
        FailSplits({});
    awaitingPatch_ = false;
}

} // namespace velmora
