// Parameters that a single-parameter edit (op 06) does not reach on an
// instrument's stock firmware, so a live edit of them goes as the whole patch
// (a Matrix-1000's edit buffer, a Matrix-6's working slot):
//
// - Matrix-1000 1.11, the last factory firmware: parameter 53 (Envelope 1
//   sustain) changes parameter 65 (Envelope 2 amplitude) instead, and
//   parameter 29 (VCA 2 by Envelope 2) cannot be set at all.
// - Matrix-6 up to 2.13: parameter 29 cannot be set (2.14 fixed it).
//
// Later firmware (1.13 and up, 2.14 and up) takes them directly, but which
// firmware a unit runs cannot be told: a Matrix-6 does not answer the device
// inquiry, and the revision bytes of a Matrix-1000's answer have no
// documented encoding. So no firmware counts as taking them, and these
// parameters always go as the whole patch; the whole patch is right on every
// firmware, only slower.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SynthModel.h"

#include <algorithm>
#include <array>

namespace velmora {

struct UnreachedParameter
{
    SynthModel model;
    Byte parameter;
};

inline constexpr std::array<UnreachedParameter, 3> kUnreachedParameters{{
    {SynthModel::Matrix1000, 29},
    {SynthModel::Matrix1000, 53},
    {SynthModel::Matrix6, 29},
}};

// Whether a live edit of `parameter` must go as the whole patch on `model`.
constexpr bool needsWholePatch(SynthModel model, Byte parameter)
{
    return std::ranges::any_of(kUnreachedParameters, [&](const UnreachedParameter& entry) {
        return entry.model == model && entry.parameter == parameter;
    });
}

} // namespace velmora
