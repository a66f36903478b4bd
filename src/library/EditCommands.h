// The Edit menu's patch commands over the main window's records: Initialize
// copies the initial patch in, Compare swaps the edited patch with the patch
// as last loaded, Randomize draws a new patch, Mutate moves the present one.
// Each ends by refreshing the editor, sending the patch to the instrument's
// edit buffer and playing the test note, as the context provides them.
#pragma once

#include "LibraryContext.h"
#include "PatchCommands.h"

#include <QString>

#include <functional>
#include <optional>

namespace velmora::library {

class EditCommands
{
public:
    explicit EditCommands(LibraryContext& context);

    // Reads the initial patch from `path` ("default.syx" beside the program)
    // and sets InitPatchAvailable accordingly; the message to show when it
    // could not be read.
    std::optional<QString> LoadInitPatch(const QString& path);
    // Gives (or, with nullopt, takes away) the initial patch directly.
    void SetInitPatch(std::optional<PatchBuffer> patch);
    const std::optional<PatchBuffer>& InitPatch() const { return initPatch_; }

    // `aInit`: the initial patch becomes the current patch (the 135 bytes);
    // PatchLoaded is set, every control refreshed, the caption "Velmora".
    // CompareData stays. Nothing happens without an initial patch.
    void Initialize();
    // `aCompare`: switches between the edited patch and CompareData; always
    // plays the test note. Only while PatchLoaded.
    void Compare();
    bool CompareOn() const { return compare_.On(); }
    // `aRandom`: a new patch drawn over the patch controls' bytes; the name
    // and the matrix stay. Only while PatchLoaded.
    void Randomize();
    // `aMutate`: the groups whose factor is above 0. Only while PatchLoaded.
    void Mutate(const MutateFactors& factors);

    // The buses whose switch is ticked in the matrix editor (group 9 of
    // Mutate); when not set, the buses that have a source and a destination.
    std::function<BusSelection()> tickedBuses;
    // Draws come from `source` while it is set (tests); otherwise each
    // Randomize and Mutate seeds a new clock-seeded source.
    void SetRandomSource(RandomSource* source) { random_ = source; }

private:
    // Sends the patch when it may be sent, then plays the note.
    void SendAndPlay(bool always);
    template <typename Command> void WithRandom(Command command);

    LibraryContext& context_;
    std::optional<PatchBuffer> initPatch_;
    CompareState compare_;
    RandomSource* random_ = nullptr;
};

} // namespace velmora::library
