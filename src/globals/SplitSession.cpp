#include "SplitSession.h"

#include "Messages.h"
#include "PatchName.h"

#include <algorithm>

namespace velmora::globals {

std::string SplitName(std::u32string_view typed)
{
    return NormaliseName(typed, kSplitNameLength);
}

SplitSession::SplitSession(SplitRecord& entry, int split, MidiSink& output, int channel,
                           Pause pause)
    : entry_(entry), working_(entry), backup_(entry), split_(split), output_(output),
      channel_(channel), pause_(std::move(pause))
{}

void SplitSession::SetMode(bool on)
{
    if (!output_.IsOpen())
        return;
    output_.SendLong(SplitMode(on));
    if (!on)
        return;
    pause_(kModePause);
    output_.SendLong(ProgramChange(channel_, static_cast<Byte>(split_)));
}

void SplitSession::SendSplit()
{
    if (output_.IsOpen())
        output_.SendLong(SplitData(static_cast<Byte>(split_), working_));
}

void SplitSession::Change(SplitField field, int position)
{
    const RecordField where = FieldOf(field);
    WriteField(working_, where, std::clamp(position, where.minimum, where.maximum));
    SendSplit();
}

void SplitSession::Accept(std::string_view name)
{
    std::fill_n(working_.begin(), kSplitNameLength, Byte{' '});
    std::copy_n(name.begin(), std::min(name.size(), kSplitNameLength), working_.begin());
    entry_ = working_;
    SendSplit();
    if (output_.IsOpen())
        pause_(kModePause);
    SetMode(false);
}

void SplitSession::Cancel()
{
    working_ = backup_;
    SendSplit();
    if (output_.IsOpen())
        pause_(kModePause);
    SetMode(false);
}

} // namespace velmora::globals
