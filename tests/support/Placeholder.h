// A Matrix-1000 keeps no names: a record as the unit sends it back carries
// "BNKb: nn" after its bank and number in the name bytes.
#pragma once

#include "protocol/PatchRecord.h"

#include <algorithm>
#include <string>

namespace velmora::test {

inline PatchRecord asMatrix1000Sends(PatchRecord record, int bank, int number)
{
    const std::string name = "BNK" + std::to_string(bank) + ": " + std::to_string(number / 10) +
                             std::to_string(number % 10);
    std::copy_n(name.begin(), kPatchNameLength, record.begin());
    return record;
}

} // namespace velmora::test
