// One value of the global or the split record as a control shows it: where
// the byte sits, the range of the control and whether the byte is signed.
// Reading clamps to the control's range but never touches the record, so a
// value the instrument holds outside that range stays as it is until the
// user moves the control.
#pragma once

#include "protocol/PatchRecord.h"

#include <algorithm>
#include <cstddef>
#include <span>

namespace velmora::globals {

struct RecordField
{
    std::size_t offset;
    int minimum;
    int maximum;
    // Signed bytes hold 8-bit two's complement.
    bool isSigned;
};

// The byte as a number: a signed byte above 127 is the byte minus 256.
constexpr int readField(std::span<const Byte> record, const RecordField& field)
{
    const Byte value = record[field.offset];
    return field.isSigned ? byteToSigned(value, 127) : int(value);
}

// The position a control shows for the byte.
constexpr int shownField(std::span<const Byte> record, const RecordField& field)
{
    return std::clamp(readField(record, field), field.minimum, field.maximum);
}

// Stores a control position (negative ones as two's complement).
constexpr void writeField(std::span<Byte> record, const RecordField& field, int position)
{
    record[field.offset] = signedToByte(position);
}

} // namespace velmora::globals
