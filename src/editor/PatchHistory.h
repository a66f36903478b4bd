// The editor's history: every change to the current patch is a step that
// Undo takes back and Redo makes again, on a QUndoStack. A step holds the
// patch before and after it (135 bytes each), so going back gives the bytes
// exactly as they were, odd bytes of a received dump included. Steps are
// recorded after the fact: the history keeps the patch as of its last step
// and compares the present patch with it. Consecutive edits of one control
// merge into one step (a drag, a held arrow key, a burst of wheel steps)
// while they follow each other closely or the mouse button stays down.
#pragma once

#include "protocol/PatchRecord.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QUndoStack;

namespace velmora::editor {

class PatchHistory : public QObject
{
    Q_OBJECT

public:
    // What made a step; Randomize Again takes back a Randomize or Mutate.
    enum class Kind
    {
        Edit,
        Whole,
        Randomize,
        Mutate,
    };
    // How a step put back is taken over: `send` is false while Randomize
    // Again replaces a draw, which sends its own patch.
    using Applied = std::function<void(bool send)>;

    // What a step changes besides the patch, put back with it: called with
    // true when the step is undone, false when it is redone.
    using Side = std::function<void(bool undone)>;

    static constexpr int kUndoLimit = 1000;
    // Edits of one control further apart than this are steps of their own
    // (the control let go and taken up again), unless the gesture is held.
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMergeGap{1000};

    // `applied` refreshes the editor and sends the patch after Undo or Redo
    // put a patch back.
    PatchHistory(PatchBuffer& patch, Applied applied, QObject* parent = nullptr);
    ~PatchHistory() override;

    QUndoStack& stack() { return *stack_; }

    // True while the user's gesture goes on (a mouse button held down); the
    // main window asks the application, tests leave it off.
    void setGestureHeld(std::function<bool()> held) { held_ = std::move(held); }
    // The clock the merge gap is measured on (tests set their own).
    void setClock(std::function<Clock::time_point()> now) { now_ = std::move(now); }
    Clock::time_point now() const { return now_(); }
    bool gestureHeld() const { return held_ && held_(); }

    // The change since the last step becomes a step named `name` (nothing
    // when the patch did not change). Steps of the same `key` (0 and up)
    // merge while no other step, Undo or Redo comes between them and they
    // follow within kMergeGap or the gesture is held; -1 never merges.
    void record(const QString& name, int key = -1, Kind kind = Kind::Whole, Side side = {});
    // True while Undo or Redo puts a patch back: no step is recorded then.
    bool applying() const { return applying_; }
    // True when the step Undo would take back is a Randomize or Mutate.
    bool lastIsDraw() const;
    // The kind of the step Undo would take back (Edit when there is none).
    Kind lastKind() const;
    // Takes back the last Randomize or Mutate without sending it, then runs
    // `draw` with its kind; the step `draw` records takes the old one's
    // place, so Randomize Again is one step.
    void redraw(const std::function<void(Kind)>& draw);

    // The bytes the history holds, for the memory figure of the benchmark.
    std::size_t memoryBytes() const;

    // An edit by a control, as PatchEditing reports it: a step named after
    // the control, merging with the edits of the same control before it.
    void recordEdit(std::size_t offset, int which);
    // The step name for that edit: the field's name ("VCF Cutoff
    // Frequency"), the bus for its switch, or "Edit".
    static QString editName(std::size_t offset, int which);

    // Applies a step's patch; used by the steps themselves.
    void apply(const PatchBuffer& patch);

private:
    PatchBuffer& patch_;
    // The patch as of the last step, undone or redone.
    PatchBuffer last_;
    Applied applied_;
    QUndoStack* stack_;
    std::function<bool()> held_;
    std::function<Clock::time_point()> now_ = [] { return Clock::now(); };
    bool applying_ = false;
    bool quiet_ = false;
    // Raised by every Undo and Redo: a step recorded after one never
    // merges with a step made before it.
    int epoch_ = 0;
};

} // namespace velmora::editor
