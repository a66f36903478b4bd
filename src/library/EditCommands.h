// The Edit menu's patch commands over the main window's records: Initialize
// copies the initial patch in, Compare swaps the edited patch with the patch
// as last loaded, Randomize draws a new patch, Mutate moves the present one.
// Each ends by refreshing the editor, sending the patch to the instrument's
// edit buffer and playing the test note, through the context's signals.
#pragma once

#include "library/LibraryContext.h"
#include "library/PatchCommands.h"

#include <QString>

#include <functional>
#include <optional>

namespace velmora::library {

class EditCommands
{
public:
    explicit EditCommands(LibraryContext& context);

    // Reads the initial patch from `path` ("default.syx" beside the program)
    // and sets initPatchAvailable accordingly; the message to show when it
    // could not be read.
    std::optional<QString> loadInitPatch(const QString& path);
    // Gives (or, with nullopt, takes away) the initial patch directly.
    void setInitPatch(std::optional<PatchBuffer> patch);
    const std::optional<PatchBuffer>& initPatch() const { return initPatch_; }

    // `aInit`: the initial patch becomes the current patch (the 135 bytes);
    // patchLoaded is set, every control refreshed, the caption "Velmora".
    // compareData stays. Nothing happens without an initial patch.
    void initialize();
    // `aCompare`: switches between the edited patch and compareData; always
    // plays the test note. Only while patchLoaded.
    void compare();
    bool compareOn() const { return compare_.isOn(); }
    // The editor's history takes a Compare back with the patch it showed.
    const CompareState& compareState() const { return compare_; }
    void setCompareState(const CompareState& state) { compare_ = state; }
    // `aRandom`: a new patch drawn over the patch controls' bytes; the name
    // and the matrix stay, and so does every locked group. Only while
    // patchLoaded.
    void randomize(const GroupLocks& locks = {});
    // `aMutate`: the groups whose factor is above 0 and that are not locked.
    // Only while patchLoaded.
    void mutate(const MutateFactors& factors, const GroupLocks& locks = {});
    // `aMerge`: the current patch moved `fraction` of the way toward
    // `other` (mergeToward). Only while patchLoaded.
    void merge(std::span<const Byte, kPatchRecordSize> other, double fraction);

    // Asks for the buses whose switch is ticked in the matrix editor (group
    // 9 of Mutate); without it, the buses that have a source and a
    // destination.
    void setTickedBuses(std::function<BusSelection()> ticked) { tickedBuses_ = std::move(ticked); }
    // Draws come from `source` while it is set (tests); otherwise each
    // Randomize and Mutate seeds a new clock-seeded source.
    void setRandomSource(RandomSource* source) { random_ = source; }

private:
    // Sends the patch when it may be sent, then plays the note.
    void sendAndPlay(bool always);
    template <typename Command> void withRandom(Command command);

    LibraryContext& context_;
    std::optional<PatchBuffer> initPatch_;
    CompareState compare_;
    RandomSource* random_ = nullptr;
    std::function<BusSelection()> tickedBuses_;
};

} // namespace velmora::library
