#include "ControlTables.h"

#include "PatchLayout.h"

namespace velmora {

bool IsUnusedControl(int control)
{
    return control == 40 || control == 41 || (control >= 64 && control <= 69) || control == 90;
}

ControlTables InitControlTables()
{
    ControlTables tables;
    for (int i = 0; i < kControlTableSize; ++i)
        tables.ControlNames[i] = "<not used>";

    for (const PatchField& field : PatchFields()) {
        if (field.control == kNoControl)
            continue;
        const auto i = static_cast<std::size_t>(field.control);
        if (field.control >= kFirstBusSwitchControl) {
            // The bus switches act through the matrix message: no table entry.
            tables.ControlNames[i] =
                "Mod Matrix Bus " + std::to_string(field.control - 79) + " Switch";
            continue;
        }
        if (field.control >= kFirstBusAmountControl) {
            // Bus amounts have a record offset but no parameter number (0).
            tables.PatchOffsets[i] = static_cast<Byte>(field.offset);
            tables.ControlNames[i] =
                "Mod Matrix Bus " + std::to_string(field.control - 69) + " Amount";
            continue;
        }
        tables.ParamNumbers[i] = static_cast<Byte>(field.parameter);
        tables.PatchOffsets[i] = static_cast<Byte>(field.offset);
        tables.ControlNames[i] = field.name;
    }
    return tables;
}

const ControlTables& Controls()
{
    static const ControlTables tables = InitControlTables();
    return tables;
}

} // namespace velmora
