// The editor history's rules for steps, on a bare patch: which edits merge
// into one step and what Undo puts back.
#include "editor/PatchHistory.h"

#include <QUndoStack>
#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

struct Rig
{
    Rig()
    {
        history.setClock([this] { return now; });
    }
    // The control at `offset` set to `value`, as PatchEditing reports it.
    void edit(std::size_t offset, Byte value)
    {
        patch[offset] = value;
        history.recordEdit(offset, 0);
    }
    int steps() { return history.stack().index(); }

    PatchBuffer patch{};
    PatchHistory::Clock::time_point now{};
    int applied = 0;
    PatchHistory history{patch, [this](bool) { ++applied; }};
};

TEST(PatchHistory, EditsOfOneControlMergeUntilSomethingComesBetween)
{
    Rig rig;
    for (Byte v = 1; v <= 20; ++v)
        rig.edit(26, v);
    EXPECT_EQ(rig.steps(), 1);
    EXPECT_EQ(rig.history.stack().undoText(), "VCF Cutoff Frequency");
    rig.edit(27, 5);
    rig.edit(26, 30);
    EXPECT_EQ(rig.steps(), 3);

    // Let go and taken up again later: a step of its own, unless still held.
    rig.now += PatchHistory::kMergeGap * 2;
    rig.edit(26, 31);
    EXPECT_EQ(rig.steps(), 4);
    rig.history.setGestureHeld([] { return true; });
    rig.now += PatchHistory::kMergeGap * 2;
    rig.edit(26, 32);
    EXPECT_EQ(rig.steps(), 4);

    // After an undo the same control starts afresh, and Undo gives back
    // exactly the bytes before the step.
    rig.history.stack().undo();
    EXPECT_EQ(rig.patch[26], 30);
    EXPECT_EQ(rig.applied, 1);
    rig.edit(26, 40);
    EXPECT_EQ(rig.steps(), 4);
    rig.history.stack().undo();
    EXPECT_EQ(rig.patch[26], 30);

    // Moved back where it was: no step is left.
    rig.edit(40, 9);
    rig.edit(40, 0);
    EXPECT_EQ(rig.steps(), 3);
}

} // namespace
} // namespace velmora::editor
