// The transfer engine: dumps coming in from the instrument and the commands
// that move patches, banks and globals to and from it. It works on the
// records the main window owns, sends through the instrument's output and
// does everything visible through a TransferHost, so it runs without
// widgets. Everything runs on one thread (the user-interface thread); the
// pauses between messages block it.
//
// A bank download is received into a staging copy: the bank changes only
// when the whole bank has arrived. A receive that stops hearing from the
// instrument ends after DumpReceiver::kStallTimeout once checkStall is
// called (the UI calls it from a timer, e.g. every half second).
#pragma once

#include "protocol/DumpReceiver.h"
#include "protocol/PatchTransfers.h"
#include "protocol/TransferContext.h"

#include <span>

namespace velmora {

class Transfers
{
public:
    Transfers(SynthRecords& records, MidiSink& output, TransferHost& host);
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    void setModel(SynthModel model) { context_.model = model; }
    SynthModel model() const { return context_.model; }
    void setChannel(int channel) { context_.channel = channel & 0x0F; }
    int channel() const { return context_.channel; }
    // The pause after each stored patch and bank select (bank uploads
    // included); kStorePause unless set.
    void setStorePause(std::chrono::milliseconds pause) { context_.storePause = pause; }
    std::chrono::milliseconds storePause() const { return context_.storePause; }

    // The librarian sets patchLoaded and bankLoaded when it fills the records.
    TransferFlags& flags() { return context_.flags; }
    const TransferFlags& flags() const { return context_.flags; }
    SynthRecords& records() { return context_.records; }

    // Incoming: one whole SysEx message from the instrument input.
    void handleSysex(std::span<const Byte> message) { receiver_.handleSysex(message); }

    // Commands.
    void download();
    // The number stored, once the store went out (see PatchTransfers).
    std::optional<int> storePatch() { return sender_.storePatch(); }
    void midiSendPatch(std::function<void()> sent = {}) { sender_.midiSendPatch(std::move(sent)); }
    void send6Patch(std::function<void()> sent = {}) { sender_.send6Patch(std::move(sent)); }
    // The live sends' pacer: whole patches for the edit buffer queue there.
    void setPacer(OutputPacer* pacer) { context_.pacer = pacer; }
    void sendBank() { sender_.sendBank(); }
    void midiSendBank() { sender_.midiSendBank(); }
    // The bank manager's Download: reset the receive state, then ask the
    // instrument for all its patches, splits and globals.
    void startBankDownload();
    void requestGlobals() { sender_.requestGlobals(); }

    // Receive supervision.
    bool checkStall() { return receiver_.checkStall(); }
    void cancelReceive() { receiver_.cancelReceive(); }
    bool receiving() const { return receiver_.receiving(); }

private:
    TransferContext context_;
    PatchTransfers sender_;
    DumpReceiver receiver_;
};

} // namespace velmora
