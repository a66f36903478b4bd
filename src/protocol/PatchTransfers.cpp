#include "protocol/PatchTransfers.h"

#include "protocol/Messages.h"
#include "protocol/OutputPacer.h"

#include <algorithm>

namespace velmora {

namespace {

// Closes the progress window however the loop it guards ends (the output
// may throw).
class ProgressGuard
{
public:
    ProgressGuard(TransferHost& host, const std::string& caption, int maximum) : host_(host)
    {
        host_.openProgress(caption, maximum);
    }
    ~ProgressGuard() { host_.closeProgress(); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    TransferHost& host_;
};

constexpr Byte kWorkingSlot = 99;

} // namespace

PatchTransfers::PatchTransfers(TransferContext& context) : context_(context) {}

void PatchTransfers::send(std::span<const Byte> message)
{
    if (context_.pacer != nullptr) {
        // The live edits still owed go first, whole; the transfer then starts
        // on a cable that is through with them.
        context_.pacer->settle(
            [this](std::chrono::milliseconds duration) { context_.host.pause(duration); });
        cableFree_ = std::max(cableFree_, context_.pacer->readyAt());
    }
    context_.output.sendLong(message);
    cableFree_ = std::max(cableFree_, context_.host.now()) + cableTime(message.size());
}

void PatchTransfers::sendEditPatch(
    std::vector<std::pair<std::vector<Byte>, std::chrono::milliseconds>> parts,
    std::function<void()> sent)
{
    if (context_.pacer != nullptr) {
        OutputPacer::Parts paced;
        for (auto& [bytes, pause] : parts)
            paced.push_back({std::move(bytes), pause});
        context_.pacer->sendWholePatch(std::move(paced), std::move(sent));
        return;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        send(parts[i].first);
        if (i + 1 < parts.size())
            pauseForStore();
    }
    if (sent)
        sent();
}

void PatchTransfers::pauseForStore()
{
    const auto until = cableFree_ + context_.storePause;
    const auto now = context_.host.now();
    if (until > now)
        context_.host.pause(std::chrono::ceil<std::chrono::milliseconds>(until - now));
}

void PatchTransfers::sendProgramChange(int program)
{
    send(programChange(context_.channel, static_cast<Byte>(program)));
}

bool PatchTransfers::download()
{
    if (!context_.output.isOpen())
        return false;
    TransferFlags& flags = context_.flags;
    flags.patchLoaded = false;
    bool requested = false;
    if (context_.model == SynthModel::Matrix1000) {
        send(request(RequestType::EditBuffer));
        requested = true;
    } else {
        const auto number = context_.host.askPatchNumber(
            {"Download from Matrix-6(R)", "Patch # (00-99)", 99, 2, flags.patchNumber});
        if (number) {
            flags.patchNumber = *number;
            send(request(RequestType::OnePatch, static_cast<Byte>(*number)));
            requested = true;
        }
    }
    context_.host.enableButtons();
    return requested;
}

std::optional<int> PatchTransfers::storePatch()
{
    TransferFlags& flags = context_.flags;
    flags.patchNumber = -1;
    const bool m1000 = context_.model == SynthModel::Matrix1000;
    const auto number =
        m1000 ? context_.host.askPatchNumber(
                    {"Upload To Matrix-1000", "Patch # (000-199)", 199, 3, flags.patchNumber})
              : context_.host.askPatchNumber(
                    {"Upload To Matrix-6(R)", "Patch # (00-99)", 99, 2, flags.patchNumber});
    if (!number)
        return std::nullopt;
    flags.patchNumber = *number;
    if (!context_.output.isOpen())
        return std::nullopt;

    const BankedNumber where = splitPatchNumber(*number);
    if (m1000)
        send(bankSelect(where.bank));
    send(patchToMemory(where.number, recordOf(context_.records.currentPatch)));
    pauseForStore();
    sendProgramChange(where.number);
    context_.host.enableButtons();
    return *number;
}

void PatchTransfers::midiSendPatch(std::function<void()> sent)
{
    if (context_.model == SynthModel::Matrix6) {
        send6Patch(std::move(sent));
        return;
    }
    if (context_.output.isOpen() && context_.flags.patchLoaded)
        sendEditPatch(
            {{patchToEditBuffer(recordOf(context_.records.currentPatch)), kEditPatchPause1000}},
            std::move(sent));
}

void PatchTransfers::send6Patch(std::function<void()> sent)
{
    if (!context_.output.isOpen() || !context_.flags.patchLoaded)
        return;
    // A store like any other: a unit given a longer pause after each stored
    // patch gets it here too.
    const auto pause = std::max(kEditPatchPause6, context_.storePause);
    sendEditPatch({{patchToMemory(kWorkingSlot, recordOf(context_.records.currentPatch)), pause},
                   {programChange(context_.channel, kWorkingSlot), std::chrono::milliseconds(0)}},
                  std::move(sent));
}

void PatchTransfers::sendBank()
{
    TransferFlags& flags = context_.flags;
    if (context_.model == SynthModel::Matrix1000) {
        const auto bank = context_.host.askUploadBank();
        flags.bankChoice = bank ? *bank : -1;
        if (!bank)
            return;
    } else {
        flags.bankChoice = 0;
    }
    // Not guarded by the open flag: a closed output reports its own error.
    send(bankSelect(static_cast<Byte>(flags.bankChoice)));
    pauseForStore();
    midiSendBank();
    context_.host.enableButtons();
}

void PatchTransfers::midiSendBank()
{
    if (!context_.output.isOpen() || !context_.flags.bankLoaded)
        return;
    ProgressGuard progress(context_.host, "Sending Bank...", static_cast<int>(kBankPatchCount) - 1);
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        send(patchToMemory(static_cast<Byte>(n), recordOf(context_.records.bank[n])));
        context_.host.setProgress(static_cast<int>(n));
        pauseForStore();
    }
}

bool PatchTransfers::requestAll()
{
    if (!context_.output.isOpen())
        return false;
    send(request(RequestType::All));
    return true;
}

void PatchTransfers::requestGlobals()
{
    context_.flags.globalReceived = false;
    if (context_.output.isOpen())
        send(request(RequestType::Global));
}

} // namespace velmora
