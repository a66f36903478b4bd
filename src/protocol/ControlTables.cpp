#include "protocol/ControlTables.h"

#include "protocol/PatchLayout.h"

namespace velmora {

bool isUnusedControl(int control)
{
    return control == 40 || control == 41 || (control >= 64 && control <= 69) || control == 90;
}

ControlTables initControlTables()
{
    ControlTables tables;
    for (int i = 0; i < kControlTableSize; ++i)
        tables.controlNames[i] = "<not used>";

    for (const PatchField& field : patchFields()) {
        if (field.control == kNoControl)
            continue;
        const auto i = static_cast<std::size_t>(field.control);
        if (field.control >= kFirstBusSwitchControl) {
            // The bus switches act through the matrix message: no table entry.
            tables.controlNames[i] =
                "Mod Matrix Bus " + std::to_string(field.control - 79) + " Switch";
            continue;
        }
        if (field.control >= kFirstBusAmountControl) {
            // Bus amounts have a record offset but no parameter number (0).
            tables.patchOffsets[i] = static_cast<Byte>(field.offset);
            tables.controlNames[i] =
                "Mod Matrix Bus " + std::to_string(field.control - 69) + " Amount";
            continue;
        }
        tables.paramNumbers[i] = static_cast<Byte>(field.parameter);
        tables.patchOffsets[i] = static_cast<Byte>(field.offset);
        tables.controlNames[i] = field.name;
    }
    return tables;
}

const ControlTables& controls()
{
    static const ControlTables tables = initControlTables();
    return tables;
}

} // namespace velmora
