// The sending side of transfers: the Download and Upload commands with their
// number dialog, whole-patch sends, the bank upload with its progress window
// and the requests that start a bank or global receive. Every pause goes
// through the host. Senders stay silent while the output is closed, except
// the bank select of a bank upload, which the output then refuses with its
// own exception.
#pragma once

#include "protocol/TransferContext.h"

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace velmora {

class PatchTransfers
{
public:
    explicit PatchTransfers(TransferContext& context);

    // Matrix-1000: request the edit buffer. Matrix-6: ask the patch number,
    // then request that patch. True when a request went out.
    bool download();
    // Ask a patch number and store currentPatch there on the instrument, then
    // select it. Sends even when patchLoaded is false. The number stored
    // (0..199 on a Matrix-1000, 0..99 on a Matrix-6) once the store went out.
    std::optional<int> storePatch();
    // currentPatch to the edit buffer (Matrix-1000) or through send6Patch.
    // With a pacer the patch waits its turn there, and `sent` is called once
    // it went out; without one it goes at once.
    void midiSendPatch(std::function<void()> sent = {});
    // Matrix-6: currentPatch into slot 99, then select program 99.
    void send6Patch(std::function<void()> sent = {});
    // Bank upload: choose the bank, select it, then midiSendBank.
    void sendBank();
    // The 100 bank entries as patch-to-memory messages 0..99.
    void midiSendBank();
    // The request-all message that a bank receive answers. True when sent.
    bool requestAll();
    // The global request; globalReceived is cleared.
    void requestGlobals();

private:
    void send(std::span<const Byte> message);
    // A patch for the edit buffer: its messages and the pause after each.
    void sendEditPatch(std::vector<std::pair<std::vector<Byte>, std::chrono::milliseconds>> parts,
                       std::function<void()> sent);
    void sendProgramChange(int program);
    // Waits until what was sent has left the cable, then the store pause
    // (TransferContext::storePause) more: an
    // interface that buffers takes a patch in no time, but the instrument
    // only has it once all its bytes have crossed at 3,125 bytes a second.
    void pauseForStore();

    TransferContext& context_;
    TransferHost::Clock::time_point cableFree_{}; // when the last message sent is through
};

} // namespace velmora
