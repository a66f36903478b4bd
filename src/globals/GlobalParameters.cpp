#include "GlobalParameters.h"

#include <algorithm>

namespace velmora::globals {

int ShownGlobal(std::span<const Byte> record, GlobalField field)
{
    return ShownField(record, FieldOf(field));
}

bool ChangeGlobal(std::span<Byte> record, GlobalField field, int position, MidiSink& output,
                  int channel)
{
    const RecordField where = FieldOf(field);
    position = std::clamp(position, where.minimum, where.maximum);
    WriteField(record, where, position);
    if (!output.IsOpen())
        return false;
    output.SendLong(RegisteredParameterMessage(channel, ParameterOf(field), position));
    return true;
}

} // namespace velmora::globals
