#include "protocol/PatchLayout.h"

#include "protocol/ModulationLists.h"

#include <string>

namespace velmora {
namespace {

using K = FieldKind;
constexpr int N = kNoControl;

const std::vector<std::string_view> kFixedMods = {"Pitch Bend", "Vibrato"};
const std::vector<std::string_view> kKeyboardMods = {"Portamento", "Keyboard Tracking"};
const std::vector<std::string_view> kLfoTrigger = {"Free", "Single", "Multi", "External"};
const std::vector<std::string_view> kLfoWave = {"Triangle", "Saw Up", "Saw Down", "Square",
                                                "Random",   "Noise",  "Sampled"};
const std::vector<std::string_view> kEnvTrigger = {"Reset", "Multi", "External"};
const std::vector<std::string_view> kEnvLfoTrigger = {"Gated", "LFO 1 Trigger"};
const std::vector<std::string_view> kEnvMode = {"DADR", "Free Run"};
const std::vector<std::string_view> kRampMode = {"Single", "Multi", "External", "Gated"};

std::vector<PatchField> buildFields()
{
    std::vector<PatchField> f = {
        {8, 48, N, "Keyboard Mode", K::Choice, 0, {"Reassign", "Rotate", "Unison", "Rero"}},
        {9, 0, 0, "DCO 1 Frequency", K::Unsigned, 63, {}},
        {10, 5, 1, "DCO 1 Waveshape", K::Unsigned, 63, {}},
        {11, 3, 2, "DCO 1 Pulsewidth", K::Unsigned, 63, {}},
        {12, 7, N, "DCO 1 Fixed Modulations", K::Bits, 0, {"Pitch Bend (Lever 1)", "Vibrato"}},
        {13, 6, N, "DCO 1 Waveform", K::Bits, 0, {"Pulse", "Saw"}},
        {14, 10, 3, "DCO 2 Frequency", K::Unsigned, 63, {}},
        {15, 15, 4, "DCO 2 Waveshape", K::Unsigned, 63, {}},
        {16, 13, 5, "DCO 2 Pulsewidth", K::Unsigned, 63, {}},
        {17, 17, N, "DCO 2 Fixed Modulations", K::Bits, 0, kFixedMods},
        {18, 16, N, "DCO 2 Waveform", K::Bits, 0, {"Pulse", "Saw", "Noise"}},
        {19, 12, 42, "DCO 2 Detune", K::Signed, 31, {}},
        {20, 20, 6, "Dco Mix", K::Unsigned, 63, {}},
        {21, 8, N, "DCO 1 Portamento", K::Bits, 0, {"Portamento"}},
        {22, 9, N, "DCO 1 Key Click", K::Bits, 0, {"Click"}},
        {23, 18, N, "DCO 2 Keyboard Modulations", K::Bits, 0, kKeyboardMods},
        {24, 19, N, "DCO 2 Key Click", K::Bits, 0, {"Click"}},
        {25, 2, N, "DCO Sync", K::Choice, 0, {"Off", "Soft", "Medium", "Hard"}},
        {26, 21, 43, "VCF Cutoff Frequency", K::Unsigned, 127, {}},
        {27, 24, 8, "VCF Resonance", K::Unsigned, 63, {}},
        {28, 25, N, "VCF Fixed Modulations", K::Bits, 0, kFixedMods},
        {29, 26, N, "VCF Keyboard Modulations", K::Bits, 0, kKeyboardMods},
        {30, 30, 7, "VCF Fm", K::Unsigned, 63, {}},
        {31, 27, 13, "VCA 1 Level", K::Unsigned, 63, {}},
        {32, 44, 39, "Portamento Rate", K::Unsigned, 63, {}},
        {33, 46, N, "Portamento Mode", K::Choice, 0, {"Slope", "Time", "Expo 1", "Expo 2"}},
        {34, 47, N, "Portamento Legato", K::Bits, 0, {"Legato"}},
        {35, 80, 9, "LFO 1 Frequency", K::Unsigned, 63, {}},
        {36, 86, N, "LFO 1 Trigger Mode", K::Choice, 0, kLfoTrigger},
        {37, 87, N, "LFO 1 Lag", K::Bits, 0, {"Lag"}},
        {38, 82, N, "LFO 1 Waveform", K::Choice, 0, kLfoWave},
        {39, 83, 44, "LFO 1 Retrigger", K::Unsigned, 31, {}},
        {40, 88, N, "LFO 1 Sample Source", K::Source, 0, {}},
        {41, 84, 10, "LFO 1 Amplitude", K::Unsigned, 63, {}},
        {42, 90, 11, "LFO 2 Frequency", K::Unsigned, 63, {}},
        {43, 96, N, "LFO 2 Trigger Mode", K::Choice, 0, kLfoTrigger},
        {44, 97, N, "LFO 2 Lag", K::Bits, 0, {"Lag"}},
        {45, 92, N, "LFO 2 Waveform", K::Choice, 0, kLfoWave},
        {46, 93, 45, "LFO 2 Retrigger", K::Unsigned, 31, {}},
        {47, 98, N, "LFO 2 Sample Source", K::Source, 0, {}},
        {48, 94, 12, "LFO 2 Amplitude", K::Unsigned, 63, {}},
    };

    // The three envelopes share one layout; only their numbers differ.
    struct Env
    {
        std::size_t offset;
        int firstParam, triggerParam, lfoParam, modeParam, firstControl;
    };
    const Env envs[] = {
        {49, 50, 57, 59, 58, 14}, {58, 60, 67, 69, 68, 20}, {67, 70, 77, 79, 78, 26}};
    const char* stages[] = {"Delay", "Attack", "Decay", "Sustain", "Release", "Amplitude"};
    for (int e = 0; e < 3; ++e) {
        const Env& env = envs[e];
        const std::string prefix = "Envelope " + std::to_string(e + 1) + " ";
        f.push_back(
            {env.offset, env.triggerParam, N, prefix + "Trigger Mode", K::Bits, 0, kEnvTrigger});
        for (int s = 0; s < 6; ++s)
            f.push_back({env.offset + 1 + std::size_t(s),
                         env.firstParam + s,
                         env.firstControl + s,
                         prefix + stages[s],
                         K::Unsigned,
                         63,
                         {}});
        f.push_back(
            {env.offset + 7, env.lfoParam, N, prefix + "LFO Trigger", K::Bits, 0, kEnvLfoTrigger});
        f.push_back({env.offset + 8, env.modeParam, N, prefix + "Mode", K::Bits, 0, kEnvMode});
    }

    f.push_back({76, 33, N, "Tracking Generator Input", K::Source, 0, {}});
    for (int p = 0; p < 5; ++p)
        f.push_back({77 + std::size_t(p),
                     34 + p,
                     34 + p,
                     "Tracking Generator Point " + std::to_string(p + 1),
                     K::Unsigned,
                     63,
                     {}});

    const std::vector<PatchField> rest = {
        {82, 40, 32, "Ramp 1 Speed", K::Unsigned, 63, {}},
        {83, 41, N, "Ramp 1 Mode", K::Choice, 0, kRampMode},
        {84, 42, 33, "Ramp 2 Speed", K::Unsigned, 63, {}},
        {85, 43, N, "Ramp 2 Mode", K::Choice, 0, kRampMode},
        {86, 1, 46, "DCO 1 Frequency by LFO 1", K::Signed, 63, {}},
        {87, 4, 47, "DCO 1 Pulsewidth by LFO 2", K::Signed, 63, {}},
        {88, 11, 48, "DCO 2 Frequency by LFO 1", K::Signed, 63, {}},
        {89, 14, 49, "DCO 2 Pulsewidth by LFO 2", K::Signed, 63, {}},
        {90, 22, 50, "VCF Cutoff Frequency by Envelope 1", K::Signed, 63, {}},
        {91, 23, 51, "VCF Cutoff Frequency by Aftertouch", K::Signed, 63, {}},
        {92, 28, 61, "VCA 1 Amplitude by Velocity", K::Signed, 63, {}},
        {93, 29, 62, "VCA 2 Amplitude by Envelope 2", K::Signed, 63, {}},
        {94, 56, 58, "Envelope 1 Amplitude by Velocity", K::Signed, 63, {}},
        {95, 66, 59, "Envelope 2 Amplitude by Velocity", K::Signed, 63, {}},
        {96, 76, 60, "Envelope 3 Amplitude by Velocity", K::Signed, 63, {}},
        {97, 85, 55, "LFO 1 Amplitude by Ramp 1", K::Signed, 63, {}},
        {98, 95, 57, "LFO 2 Amplitude by Ramp 2", K::Signed, 63, {}},
        {99, 45, 63, "Portamento Rate by Velocity", K::Signed, 63, {}},
        {100, 31, 52, "VCF Fm by Envelope 3", K::Signed, 63, {}},
        {101, 32, 53, "VCF Fm by Aftertouch", K::Signed, 63, {}},
        {102, 81, 54, "LFO 1 Frequency by Aftertouch", K::Signed, 63, {}},
        {103, 91, 56, "LFO 2 Frequency by Keyboard Tracking", K::Signed, 63, {}},
    };
    f.insert(f.end(), rest.begin(), rest.end());

    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const std::size_t at = busOffset(bus);
        const std::string prefix = "Bus " + std::to_string(bus) + " ";
        const int k = bus - 1;
        f.push_back({at, kNoParameter, 80 + k, prefix + "Source", K::BusSource, 0, {}});
        f.push_back({at + 1, kNoParameter, 70 + k, prefix + "Amount", K::BusAmount, 63, {}});
        f.push_back({at + 2, kNoParameter, N, prefix + "Destination", K::Destination, 0, {}});
    }
    return f;
}

const std::vector<PatchField>& fields()
{
    static const std::vector<PatchField> fields = buildFields();
    return fields;
}

std::string outOfRange(int value)
{
    return std::to_string(value) + " (out of range)";
}

std::string signedText(int value)
{
    return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
}

} // namespace

std::span<const PatchField> patchFields()
{
    return fields();
}

const PatchField* fieldAt(std::size_t offset)
{
    if (offset < kPatchNameLength || offset >= kPatchRecordSize)
        return nullptr;
    return &fields()[offset - kPatchNameLength];
}

std::string describeFieldValue(const PatchField& field, Byte value)
{
    switch (field.kind) {
    case FieldKind::Unsigned:
        return value <= field.max ? std::to_string(value) : outOfRange(value);
    case FieldKind::Signed:
    case FieldKind::BusAmount: {
        const int v = byteToSigned(value);
        return v >= -field.max && v <= field.max
                   ? signedText(v)
                   : signedText(v) + " (out of range, byte " + std::to_string(value) + ")";
    }
    case FieldKind::Choice:
        return value < field.labels.size() ? std::string(field.labels[value]) : outOfRange(value);
    case FieldKind::Bits: {
        std::string text;
        unsigned rest = value;
        for (std::size_t bit = 0; bit < field.labels.size(); ++bit) {
            if (value & (1u << bit)) {
                text += text.empty() ? "" : ", ";
                text += field.labels[bit];
                rest &= ~(1u << bit);
            }
        }
        if (rest != 0)
            return (text.empty() ? "" : text + ", ") + "other bits " + std::to_string(rest) +
                   " (out of range)";
        return text.empty() ? "off" : text;
    }
    case FieldKind::Source:
    case FieldKind::BusSource: {
        if (value == 0 && field.kind == FieldKind::BusSource)
            return "off";
        const std::string_view text = modSourceText(value);
        return text.empty() ? outOfRange(value) : std::string(text);
    }
    case FieldKind::Destination: {
        if (value == 0)
            return "none";
        const std::string_view text = modDestinationText(value);
        return text.empty() ? outOfRange(value) : std::string(text);
    }
    }
    return std::to_string(value);
}

} // namespace velmora
