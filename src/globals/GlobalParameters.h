// The three values of the instrument's global record that the program edits
// (master tune, transpose, bend range) and the message that tells the
// instrument about a change. No widgets: GlobalControls shows these on the
// main window.
#pragma once

#include "globals/RecordField.h"
#include "protocol/Messages.h"
#include "protocol/MidiSink.h"

#include <array>

namespace velmora::globals {

enum class GlobalField
{
    MasterTune,
    Transpose,
    BendRange,
};

inline constexpr std::array<GlobalField, 3> kGlobalFields{
    GlobalField::MasterTune, GlobalField::Transpose, GlobalField::BendRange};

// Same offsets in the Matrix-1000 global dump and the Matrix-6 master dump.
constexpr RecordField fieldOf(GlobalField field)
{
    switch (field) {
    case GlobalField::MasterTune:
        return {8, -31, 31, true};
    case GlobalField::Transpose:
        return {34, -24, 24, true};
    case GlobalField::BendRange:
        break;
    }
    return {164, 1, 24, false};
}

constexpr RegisteredParameter parameterOf(GlobalField field)
{
    switch (field) {
    case GlobalField::MasterTune:
        return RegisteredParameter::FineTuning;
    case GlobalField::Transpose:
        return RegisteredParameter::Transposition;
    case GlobalField::BendRange:
        break;
    }
    return RegisteredParameter::BendRange;
}

// The position a bar shows for the record (clamped; the record is not touched).
int shownGlobal(std::span<const Byte> record, GlobalField field);

// A move of a bar to `position`: the record byte is written, and with the
// output open the registered-parameter message goes out on `channel` as one
// 7-byte string with running status. Returns whether it was sent.
bool changeGlobal(std::span<Byte> record, GlobalField field, int position, MidiSink& output,
                  int channel);

} // namespace velmora::globals
