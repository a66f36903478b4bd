#include "globals/GlobalParameters.h"

#include <algorithm>

namespace velmora::globals {

int shownGlobal(std::span<const Byte> record, GlobalField field)
{
    return shownField(record, fieldOf(field));
}

bool changeGlobal(std::span<Byte> record, GlobalField field, int position, MidiSink& output,
                  int channel)
{
    const RecordField where = fieldOf(field);
    position = std::clamp(position, where.minimum, where.maximum);
    writeField(record, where, position);
    if (!output.isOpen())
        return false;
    output.sendLong(registeredParameterMessage(channel, parameterOf(field), position));
    return true;
}

} // namespace velmora::globals
