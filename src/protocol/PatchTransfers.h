// The sending side of transfers: the Download and Upload commands with their
// number dialog, whole-patch sends, the bank upload with its progress window
// and the requests that start a bank or global receive. Every pause goes
// through the host. Senders stay silent while the output is closed, except
// the bank select of a bank upload, which the output then refuses with its
// own exception.
#pragma once

#include "TransferContext.h"

namespace velmora {

class PatchTransfers
{
public:
    explicit PatchTransfers(TransferContext& context);

    // Matrix-1000: request the edit buffer. Matrix-6: ask the patch number,
    // then request that patch. True when a request went out.
    bool Download();
    // Ask a patch number and store CurrentPatch there on the instrument, then
    // select it. Sends even when PatchLoaded is false.
    void StorePatch();
    // CurrentPatch to the edit buffer (Matrix-1000) or through Send6Patch.
    void MidiSendPatch();
    // Matrix-6: CurrentPatch into slot 99, then select program 99.
    void Send6Patch();
    // Bank upload: choose the bank, select it, then MidiSendBank.
    void SendBank();
    // The 100 bank entries as patch-to-memory messages 0..99.
    void MidiSendBank();
    // The request-all message that a bank receive answers. True when sent.
    bool RequestAll();
    // The global request; GlobalReceived is cleared.
    void RequestGlobals();

private:
    void Send(std::span<const Byte> message);
    void SendProgramChange(int program);

    TransferContext& context_;
};

} // namespace velmora
