// Checking an upload: after patches, splits or the global record went to the
// instrument, Velmora reads them back and compares them with what it sent.
// This is the comparison and the sentence that tells the result; reading
// back is the caller's.
//
// A Matrix-1000 keeps no names: every patch it sends carries "BNKb: nn" in
// the eight name bytes, so those are left out of a patch comparison there.
// Every other byte counts, values outside the documented ranges included:
// what was sent is what must come back.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SynthModel.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// Whether a patch record read back equals the one sent (both 134 bytes or
// more; only the first 134 count).
bool samePatchAsSent(SynthModel model, std::span<const Byte> sent, std::span<const Byte> readBack);

// What a checked upload found, entry by entry. An entry is a patch or split
// number as the instrument counts them (0..99, 0..49) or 0 for the global
// record.
struct UploadCheck
{
    enum class Kind
    {
        Patches,
        Splits,
        Global,
    };

    SynthModel model = SynthModel::Matrix1000;
    Kind kind = Kind::Patches;
    // The Matrix-1000 bank written (0..9), or -1 when none applies (a
    // Matrix-6, splits, the global record).
    int bank = -1;
    // How many entries were sent.
    int sent = 0;
    // Entries that came back different, and entries that did not come back
    // at all, in ascending order.
    std::vector<int> differing;
    std::vector<int> missing;
    // What was uploaded as the musician knows it ("Patch 112", "Split 3");
    // empty: it is said from the kind, the bank and the count.
    std::string label;
    // What the instrument's global record said when it was read (Matrix-1000
    // byte 171), if it was.
    std::optional<bool> memoryProtect;

    int matching() const
    {
        return sent - static_cast<int>(differing.size()) - static_cast<int>(missing.size());
    }
    bool passed() const { return differing.empty() && missing.empty(); }

    // Records one entry: `readBack` empty means it did not come back.
    void compare(int entry, std::span<const Byte> sentRecord, std::span<const Byte> readBack);
};

// The result in plain words, e.g. "Bank 0 verified: 100 of 100 patches as
// sent." or "Bank 1: 97 of 100 patches as sent; 12, 40 and 77 differ. ..."
// followed by the likely reason.
std::string describeCheck(const UploadCheck& check);

} // namespace velmora
