// The user's settings as they are kept between runs in "velmora.ini": MIDI
// ports and channels, the instrument model, the Setup menu switches, the
// test note and chord, the last folders of each kind of file and the nine
// mutate factors. During the run the main window holds one of these.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace velmora {

struct Settings
{
    static constexpr int kNoSecondInput = -1;
    static constexpr int kMatrix1000 = 2;
    static constexpr int kMatrix6 = 0;

    // Every member starts at the value a key missing from the file reads as,
    // so this is also what a first run starts from: a Matrix-1000, no second
    // input, auto-play on, a test note and chord in the middle of the keyboard.

    // [MIDI]
    int model = kMatrix1000;
    int in1 = 0;
    QString device1; // empty: the name of the device that `in1` selects
    int in2 = kNoSecondInput;
    QString device2; // empty: keep the second input's present device
    int out = 0;
    QString deviceOut; // empty: the name of the device that `out` selects
    int channel = 0;   // instrument channel, 0 = MIDI channel 1
    int channel2 = 0;  // keyboard channel: 0 = any, 1..16 = only that one
    int bufferCount = 32;
    int bufferSize = 512;
    bool thruMode = false;
    bool ccMapping = false;

    // [PROGRAM]
    bool autoPlay = true;
    // Edits go out while a control moves; off, when it is let go.
    bool realTimeSends = true;
    // After an upload, read back what was written and compare.
    bool checkUploads = true;
    // Milliseconds the instrument is given after each stored patch (and bank
    // select), and after a global write: longer for a unit that needs it.
    static constexpr int kMinStorePause = 10;
    static constexpr int kMaxStorePause = 2000;
    static constexpr int kMinGlobalWritePause = 100;
    static constexpr int kMaxGlobalWritePause = 5000;
    int storePause = 12;
    int globalWritePause = 300;
    int note = 60;
    int chord1 = 60;
    int chord2 = 65;
    int chord3 = 69;

    // [DIRECTORIES]: relative names are taken from the current folder.
    QString patchPath = QStringLiteral("Patches");
    QString bankPath = QStringLiteral("Banks");
    QString sequencePath = QStringLiteral("Sequences");
    QString splitPath = QStringLiteral("Splits");

    // [LIBRARY] Every patch and bank received goes into the patch library too.
    bool addDownloads = false;

    // [MUTATE] "Section1".."Section9": factor 0 (off) .. 10 (max) per group.
    std::array<std::uint8_t, 9> mutate{};
    // The groups Randomize and Mutate leave alone ("Lock1".."Lock9").
    std::array<bool, 9> locks{};

    bool operator==(const Settings&) const = default;
};

} // namespace velmora
