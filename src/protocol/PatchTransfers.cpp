#include "PatchTransfers.h"

#include "Messages.h"

namespace velmora {

namespace {

// Closes the progress window however the loop it guards ends (the output
// may throw).
class ProgressGuard
{
public:
    ProgressGuard(TransferHost& host, const std::string& caption, int maximum) : host_(host)
    {
        host_.OpenProgress(caption, maximum);
    }
    ~ProgressGuard() { host_.CloseProgress(); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    TransferHost& host_;
};

constexpr Byte kWorkingSlot = 99;

} // namespace

PatchTransfers::PatchTransfers(TransferContext& context) : context_(context) {}

void PatchTransfers::Send(std::span<const Byte> message)
{
    context_.output.SendLong(message);
}

void PatchTransfers::SendProgramChange(int program)
{
    Send(ProgramChange(context_.channel, static_cast<Byte>(program)));
}

bool PatchTransfers::Download()
{
    if (!context_.output.IsOpen())
        return false;
    TransferFlags& flags = context_.flags;
    flags.PatchLoaded = false;
    bool requested = false;
    if (context_.model == Model::Matrix1000) {
        Send(Request(RequestType::EditBuffer));
        requested = true;
    } else {
        const auto number = context_.host.AskPatchNumber(
            {"Download from Matrix-6(R)", "Patch # (00-99)", 99, 2, flags.PatchNumber});
        if (number) {
            flags.PatchNumber = *number;
            Send(Request(RequestType::OnePatch, static_cast<Byte>(*number)));
            requested = true;
        }
    }
    context_.host.EnableButtons();
    return requested;
}

void PatchTransfers::StorePatch()
{
    TransferFlags& flags = context_.flags;
    flags.PatchNumber = -1;
    const bool m1000 = context_.model == Model::Matrix1000;
    const auto number =
        m1000 ? context_.host.AskPatchNumber(
                    {"Upload To Matrix-1000", "Patch # (000-199)", 199, 3, flags.PatchNumber})
              : context_.host.AskPatchNumber(
                    {"Upload To Matrix-6(R)", "Patch # (00-99)", 99, 2, flags.PatchNumber});
    if (!number)
        return;
    flags.PatchNumber = *number;
    if (!context_.output.IsOpen())
        return;

    const BankedNumber where = SplitPatchNumber(*number);
    if (m1000)
        Send(BankSelect(where.bank));
    Send(PatchToMemory(where.number, RecordOf(context_.records.CurrentPatch)));
    context_.host.Pause(kStorePause);
    SendProgramChange(where.number);
    context_.host.EnableButtons();
}

void PatchTransfers::MidiSendPatch()
{
    if (context_.model == Model::Matrix6) {
        Send6Patch();
        return;
    }
    if (context_.output.IsOpen() && context_.flags.PatchLoaded)
        Send(PatchToEditBuffer(RecordOf(context_.records.CurrentPatch)));
}

void PatchTransfers::Send6Patch()
{
    if (!context_.output.IsOpen() || !context_.flags.PatchLoaded)
        return;
    Send(PatchToMemory(kWorkingSlot, RecordOf(context_.records.CurrentPatch)));
    context_.host.Pause(kStorePause);
    SendProgramChange(kWorkingSlot);
}

void PatchTransfers::SendBank()
{
    TransferFlags& flags = context_.flags;
    if (context_.model == Model::Matrix1000) {
        const auto bank = context_.host.AskUploadBank();
        flags.BankChoice = bank ? *bank : -1;
        if (!bank)
            return;
    } else {
        flags.BankChoice = 0;
    }
    // Not guarded by the open flag: a closed output reports its own error.
    Send(BankSelect(static_cast<Byte>(flags.BankChoice)));
    context_.host.Pause(kStorePause);
    MidiSendBank();
    context_.host.EnableButtons();
}

void PatchTransfers::MidiSendBank()
{
    if (!context_.output.IsOpen() || !context_.flags.BankLoaded)
        return;
    ProgressGuard progress(context_.host, "Sending Bank...", static_cast<int>(kBankPatchCount) - 1);
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        Send(PatchToMemory(static_cast<Byte>(n), RecordOf(context_.records.Bank[n])));
        context_.host.SetProgress(static_cast<int>(n));
        context_.host.Pause(kStorePause);
    }
}

bool PatchTransfers::RequestAll()
{
    if (!context_.output.IsOpen())
        return false;
    Send(Request(RequestType::All));
    return true;
}

void PatchTransfers::RequestGlobals()
{
    context_.flags.GlobalReceived = false;
    if (context_.output.IsOpen())
        Send(Request(RequestType::Global));
}

} // namespace velmora
