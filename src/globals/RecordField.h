// One value of the global or the split record as a control shows it: where
// the byte sits, the range of the control and whether the byte is signed.
// Reading clamps to the control's range but never touches the record, so a
// value the instrument holds outside that range stays as it is until the
// user moves the control.
#pragma once

#include "PatchRecord.h"

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
constexpr int ReadField(std::span<const Byte> record, const RecordField& field)
{
    const Byte value = record[field.offset];
    return field.isSigned ? ByteToSigned(value, 127) : int(value);
}

// The position a control shows for the byte.
constexpr int ShownField(std::span<const Byte> record, const RecordField& field)
{
    return std::clamp(ReadField(record, field), field.minimum, field.maximum);
}

// Stores a control position (negative ones as two's complement).
constexpr void WriteField(std::span<Byte> record, const RecordField& field, int position)
{
    record[field.offset] = SignedToByte(position);
}

} // namespace velmora::globals
