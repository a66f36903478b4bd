// The state of transfers that the menus, the librarian and the send paths
// read: what the records hold and how far a running receive has got.
#pragma once

namespace velmora {

struct TransferFlags
{
    // currentPatch may be sent (a good patch dump or the librarian put it there).
    bool patchLoaded = false;
    // Bank may be sent (a completed bank receive or the librarian filled it).
    bool bankLoaded = false;
    // The last split of an answer has arrived.
    bool splitsReceived = false;
    bool globalReceived = false;
    // The initial patch was read at start, so Initialize has a patch to give.
    bool initPatchAvailable = false;
    // A bank receive runs: 275-byte messages are bank entries.
    bool bankReceiving = false;
    // Bank entries (0..101) and split messages (0..80) of the current answer.
    int bankCount = 0;
    int splitCount = 0;
    // The number last taken from the patch-number dialog; -1 after a
    // cancelled upload.
    int patchNumber = 0;
    // 0 or 1 from the bank upload dialog; -1 when cancelled.
    int bankChoice = 0;
};

} // namespace velmora
