#include "support/DemoPatches.h"

#include "protocol/PatchLayout.h"

#include <random>
#include <string>

namespace velmora::demo {

PatchBuffer demoPatch(std::uint32_t seed)
{
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };

    PatchBuffer patch{};
    std::string number = std::to_string(seed % 1000);
    number.insert(0, 3 - number.size(), '0');
    const std::string name = "DEMO " + number;
    std::copy(name.begin(), name.end(), patch.begin());

    for (const PatchField& field : patchFields()) {
        const int labels = static_cast<int>(field.labels.size());
        int value = 0;
        switch (field.kind) {
        case FieldKind::Unsigned:
            value = pick(0, field.max);
            break;
        case FieldKind::Signed:
        case FieldKind::BusAmount:
            value = pick(-field.max, field.max);
            break;
        case FieldKind::Bits:
            value = pick(0, (1 << labels) - 1);
            break;
        case FieldKind::Choice:
            value = pick(0, labels - 1);
            break;
        case FieldKind::Source:
            value = pick(1, 20);
            break;
        case FieldKind::BusSource:
            value = pick(0, 20);
            break;
        case FieldKind::Destination:
            value = pick(0, 32);
            break;
        }
        patch[field.offset] = signedToByte(value);
    }
    patch[kPatchRecordSize] = static_cast<Byte>(seed % 256);
    return patch;
}

std::vector<Byte> demoRawBank(std::uint32_t firstSeed)
{
    std::vector<Byte> bank;
    bank.reserve(kBankPatchCount * kPatchBufferSize);
    for (std::uint32_t k = 0; k < kBankPatchCount; ++k) {
        const PatchBuffer patch = demoPatch(firstSeed + k);
        bank.insert(bank.end(), patch.begin(), patch.end());
    }
    return bank;
}

} // namespace velmora::demo
