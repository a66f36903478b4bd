#include "library/PatchMerge.h"

#include "protocol/PatchLayout.h"

#include <algorithm>
#include <cmath>

namespace velmora::library {
namespace {

int between(int from, int to, double fraction)
{
    return from + static_cast<int>(std::lround(fraction * (to - from)));
}

bool isBusByte(std::size_t offset)
{
    return offset >= busOffset(1) && offset < busOffset(kMatrixBusCount) + 3;
}

} // namespace

void mergeToward(std::span<Byte, kPatchRecordSize> record,
                 std::span<const Byte, kPatchRecordSize> other, double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const bool otherSide = fraction >= 0.5;
    for (const PatchField& field : patchFields()) {
        if (isBusByte(field.offset))
            continue;
        Byte& byte = record[field.offset];
        const Byte target = other[field.offset];
        switch (field.kind) {
        case FieldKind::Unsigned:
            byte = static_cast<Byte>(between(byte, target, fraction));
            break;
        case FieldKind::Signed:
        case FieldKind::BusAmount:
            // Eight-bit two's complement: -1 is 255, and the way from -1 to
            // +1 passes 0, not 128.
            byte =
                signedToByte(between(byteToSigned(byte, 127), byteToSigned(target, 127), fraction));
            break;
        case FieldKind::Bits:
        case FieldKind::Choice:
        case FieldKind::Source:
        case FieldKind::BusSource:
        case FieldKind::Destination:
            if (otherSide)
                byte = target;
            break;
        }
    }
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const std::size_t source = busOffset(bus);
        const bool sameRoute =
            record[source] == other[source] && record[source + 2] == other[source + 2];
        if (sameRoute) {
            record[source + 1] =
                signedToByte(between(byteToSigned(record[source + 1], 127),
                                     byteToSigned(other[source + 1], 127), fraction));
        } else if (otherSide) {
            std::copy_n(other.begin() + static_cast<std::ptrdiff_t>(source), 3,
                        record.begin() + static_cast<std::ptrdiff_t>(source));
        }
    }
}

} // namespace velmora::library
