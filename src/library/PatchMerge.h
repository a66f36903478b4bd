// Merge: the current patch moved a chosen fraction of the way toward a
// second patch, field by field, for exploring between two sounds. Numbers
// move by the fraction (signed amounts as signed numbers), rounded to the
// nearest step; switches, lists and sources cannot be half one thing and
// half another, so they take the second patch's setting from half way on.
// A matrix bus moves as a whole: its amount slides when both patches route
// the same source to the same destination, otherwise the bus takes one
// side's route with its amount. The name stays.
#pragma once

#include "protocol/PatchRecord.h"

#include <span>

namespace velmora::library {

// `fraction` 0 leaves `record` as it is, 1 gives `other`'s values (the name
// apart); values between are clamped to 0..1.
void mergeToward(std::span<Byte, kPatchRecordSize> record,
                 std::span<const Byte, kPatchRecordSize> other, double fraction);

} // namespace velmora::library
