// The meaning of every data byte of a patch record: its instrument parameter
// number, the editor control bound to it, its name and how it is encoded.
// The control tables, the decoders and the command-line tool all read this
// one table.
#pragma once

#include "protocol/PatchRecord.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class FieldKind
{
    Unsigned,    // 0..max
    Signed,      // 8-bit two's complement, -max..+max
    Bits,        // independent switches in the low bits; labels name bit 0, 1, ...
    Choice,      // a small number; labels name 0, 1, ...
    Source,      // 1..20, a modulation source
    BusSource,   // 0 bus off, 1..20 a modulation source
    BusAmount,   // signed, -63..+63
    Destination, // 0 none, 1..32 a destination
};

inline constexpr int kNoParameter = -1;
inline constexpr int kNoControl = -1;

struct PatchField
{
    std::size_t offset;
    int parameter; // instrument parameter number, or kNoParameter
    int control;   // control index of the editor, or kNoControl
    std::string name;
    FieldKind kind;
    int max; // largest documented magnitude for Unsigned and Signed fields
    std::vector<std::string_view> labels;
};

// The 126 data fields, offsets 8..133 in order.
std::span<const PatchField> patchFields();
// The field at a record offset 8..133, or nullptr for the name and beyond.
const PatchField* fieldAt(std::size_t offset);

// A field's value as text: signed values signed, choices by their texts,
// switches by the names of the bits that are set, sources and destinations by
// their list texts. Values outside the documented range are shown as numbers
// with a remark, never changed.
std::string describeFieldValue(const PatchField& field, Byte value);

} // namespace velmora
