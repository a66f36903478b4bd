// The transfer engine: dumps coming in from the instrument and the commands
// that move patches, banks and globals to and from it. It works on the
// records the main window owns, sends through the instrument's output and
// does everything visible through a TransferHost, so it runs without
// widgets. Everything runs on one thread (the user-interface thread); the
// pauses between messages block it.
//
// A bank download is received into a staging copy: the bank changes only
// when the whole bank has arrived. A receive that stops hearing from the
// instrument ends after DumpReceiver::kStallTimeout once CheckStall is
// called (the UI calls it from a timer, e.g. every half second).
#pragma once

#include "DumpReceiver.h"
#include "PatchTransfers.h"
#include "TransferContext.h"

#include <span>

namespace velmora {

class Transfers
{
public:
    Transfers(SynthRecords& records, MidiSink& output, TransferHost& host);
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    void SetModel(Model model) { context_.model = model; }
    Model GetModel() const { return context_.model; }
    void SetChannel(int channel) { context_.channel = channel & 0x0F; }
    int Channel() const { return context_.channel; }

    // The librarian sets PatchLoaded and BankLoaded when it fills the records.
    TransferFlags& Flags() { return context_.flags; }
    const TransferFlags& Flags() const { return context_.flags; }
    SynthRecords& Records() { return context_.records; }

    // Incoming: one whole SysEx message from the instrument input.
    void HandleSysex(std::span<const Byte> message) { receiver_.HandleSysex(message); }

    // Commands.
    void Download();
    void StorePatch() { sender_.StorePatch(); }
    void MidiSendPatch() { sender_.MidiSendPatch(); }
    void Send6Patch() { sender_.Send6Patch(); }
    void SendBank() { sender_.SendBank(); }
    void MidiSendBank() { sender_.MidiSendBank(); }
    // The bank manager's Download: reset the receive state, then ask the
    // instrument for all its patches, splits and globals.
    void StartBankDownload();
    void RequestGlobals() { sender_.RequestGlobals(); }

    // Receive supervision.
    bool CheckStall() { return receiver_.CheckStall(); }
    void CancelReceive() { receiver_.CancelReceive(); }
    bool Receiving() const { return receiver_.Receiving(); }

private:
    TransferContext context_;
    PatchTransfers sender_;
    DumpReceiver receiver_;
};

} // namespace velmora
