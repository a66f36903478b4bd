#include "library/InitPatch.h"

#include "library/SysexFiles.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

namespace velmora::library {
namespace {

// Envelope offsets from its trigger mode byte: delay, attack, decay,
// sustain, release, amplitude.
void setEnvelope(PatchBuffer& patch, std::size_t trigger, std::array<Byte, 6> stages)
{
    std::copy(stages.begin(), stages.end(), &patch[trigger + 1]);
}

} // namespace

std::variant<PatchBuffer, std::string> loadInitPatch(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return std::string("Cannot find default.syx");
    auto loaded = readSysexFile(path);
    if (auto* message = std::get_if<std::string>(&loaded))
        return *message;
    // The first patch message of either kind, its bytes as they stand; the
    // carried 135th byte of the initial patch is always 0.
    const SysexFile& file = std::get<SysexFile>(loaded);
    if (file.contents.patches.empty())
        return path.filename().string() + " holds no patch.";
    PatchBuffer patch{};
    unpackBlock(file.contents.patches.front().bytes(file.data), recordOf(patch));
    return patch;
}

PatchBuffer basicPatch()
{
    PatchBuffer patch{};
    constexpr std::string_view name = "INIT    ";
    std::copy(name.begin(), name.end(), patch.begin());

    // The oscillators: sawtooth (waveshape 0, wave enable bit 1), square
    // pulse width for when the pulse is switched on, pitch bend and vibrato
    // on, DCO 2 following the keyboard, no detune, an even mix.
    constexpr Byte saw = 0b10, bendAndVibrato = 0b11, keyboardTracking = 0b10;
    patch[11] = 31;
    patch[12] = bendAndVibrato;
    patch[13] = saw;
    patch[16] = 31;
    patch[17] = bendAndVibrato;
    patch[18] = saw;
    patch[20] = 31;
    patch[23] = keyboardTracking;

    // Filter mostly open, no resonance, following the keyboard.
    patch[26] = 100;
    patch[29] = keyboardTracking;

    // Amplifier: VCA 1 full, VCA 2 driven fully by envelope 2.
    patch[31] = 63;
    patch[93] = 63;

    // LFOs: a vibrato-like triangle and a slower one, full amplitude but
    // routed nowhere; their sample sources on the first source.
    patch[35] = 30;
    patch[40] = 1;
    patch[41] = 63;
    patch[42] = 20;
    patch[47] = 1;
    patch[48] = 63;

    // Envelopes: 1 and 3 a moderate decay to a middle sustain, 2 (the
    // amplifier's) full sustain with a short release.
    setEnvelope(patch, 49, {0, 0, 30, 40, 20, 63});
    setEnvelope(patch, 58, {0, 0, 0, 63, 10, 63});
    setEnvelope(patch, 67, {0, 0, 30, 40, 20, 63});

    // Tracking generator: keyboard tracking through a straight line.
    constexpr Byte keyTrackingSource = 9;
    patch[76] = keyTrackingSource;
    const std::array<Byte, 5> points = {0, 16, 32, 48, 63};
    std::copy(points.begin(), points.end(), &patch[77]);
    return patch;
}

} // namespace velmora::library
