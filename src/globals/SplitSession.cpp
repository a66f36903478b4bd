#include "globals/SplitSession.h"

#include "protocol/Messages.h"
#include "protocol/PatchName.h"

#include <algorithm>

namespace velmora::globals {

std::string splitName(std::u32string_view typed)
{
    return normaliseName(typed, kSplitNameLength);
}

SplitSession::SplitSession(SplitRecord& entry, int split, MidiSink& output, int channel,
                           Pause pause)
    : entry_(entry), working_(entry), backup_(entry), split_(split), output_(output),
      channel_(channel), pause_(std::move(pause))
{}

void SplitSession::setMode(bool on)
{
    if (!output_.isOpen())
        return;
    output_.sendLong(splitMode(on));
    if (!on)
        return;
    pause_(kModePause);
    output_.sendLong(programChange(channel_, static_cast<Byte>(split_)));
}

void SplitSession::sendSplit()
{
    if (output_.isOpen())
        output_.sendLong(splitData(static_cast<Byte>(split_), working_));
}

void SplitSession::change(SplitField field, int position)
{
    const RecordField where = fieldOf(field);
    writeField(working_, where, std::clamp(position, where.minimum, where.maximum));
    sendSplit();
}

void SplitSession::accept(std::string_view name)
{
    std::fill_n(working_.begin(), kSplitNameLength, Byte{' '});
    std::copy_n(name.begin(), std::min(name.size(), kSplitNameLength), working_.begin());
    entry_ = working_;
    sendSplit();
    if (output_.isOpen())
        pause_(kModePause);
    setMode(false);
}

void SplitSession::cancel()
{
    working_ = backup_;
    sendSplit();
    if (output_.isOpen())
        pause_(kModePause);
    setMode(false);
}

} // namespace velmora::globals
