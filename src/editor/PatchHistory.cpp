#include "editor/PatchHistory.h"

#include "editor/PatchEditing.h"
#include "protocol/PatchLayout.h"

#include <QUndoStack>

namespace velmora::editor {
namespace {

// One step: the patch before and after it.
class PatchStep : public QUndoCommand
{
public:
    PatchStep(PatchHistory& history, const PatchBuffer& before, const PatchBuffer& after,
              const QString& name, int key, PatchHistory::Kind kind, int epoch,
              PatchHistory::Side side)
        : QUndoCommand(name), history_(history), before_(before), after_(after), key_(key),
          kind_(kind), epoch_(epoch), side_(std::move(side)), at_(history.now())
    {}

    int id() const override { return key_; }
    PatchHistory::Kind kind() const { return kind_; }

    bool mergeWith(const QUndoCommand* other) override
    {
        // Only steps share an id, and only edits of one control have one.
        const auto* next = static_cast<const PatchStep*>(other);
        if (next->epoch_ != epoch_)
            return false;
        if (next->at_ - at_ > PatchHistory::kMergeGap && !history_.gestureHeld())
            return false;
        after_ = next->after_;
        at_ = next->at_;
        // A control moved back where it was leaves no step behind.
        setObsolete(after_ == before_);
        return true;
    }

    void undo() override
    {
        if (side_)
            side_(true);
        history_.apply(before_);
    }
    void redo() override
    {
        // The first redo is the push: the patch is there already.
        if (pushed_) {
            if (side_)
                side_(false);
            history_.apply(after_);
        }
        pushed_ = true;
    }

    std::size_t memoryBytes() const
    {
        return sizeof(*this) + static_cast<std::size_t>(text().capacity()) * sizeof(QChar);
    }

private:
    PatchHistory& history_;
    PatchBuffer before_;
    PatchBuffer after_;
    int key_;
    PatchHistory::Kind kind_;
    int epoch_;
    PatchHistory::Side side_;
    // When the last edit merged into the step was made.
    PatchHistory::Clock::time_point at_;
    bool pushed_ = false;
};

const PatchStep* stepAt(const QUndoStack& stack, int index)
{
    return dynamic_cast<const PatchStep*>(stack.command(index));
}

} // namespace

PatchHistory::PatchHistory(PatchBuffer& patch, Applied applied, QObject* parent)
    : QObject(parent), patch_(patch), last_(patch), applied_(std::move(applied)),
      stack_(new QUndoStack(this))
{
    stack_->setUndoLimit(kUndoLimit);
}

PatchHistory::~PatchHistory() = default;

void PatchHistory::record(const QString& name, int key, Kind kind, Side side)
{
    if (applying_ || patch_ == last_)
        return;
    const PatchBuffer before = last_;
    last_ = patch_;
    stack_->push(new PatchStep(*this, before, patch_, name, key < 0 ? -1 : key, kind, epoch_,
                               std::move(side)));
}

bool PatchHistory::lastIsDraw() const
{
    const PatchStep* step = stepAt(*stack_, stack_->index() - 1);
    return step != nullptr && (step->kind() == Kind::Randomize || step->kind() == Kind::Mutate);
}

PatchHistory::Kind PatchHistory::lastKind() const
{
    const PatchStep* step = stepAt(*stack_, stack_->index() - 1);
    return step != nullptr ? step->kind() : Kind::Edit;
}

void PatchHistory::redraw(const std::function<void(Kind)>& draw)
{
    if (!lastIsDraw())
        return;
    const Kind kind = lastKind();
    quiet_ = true;
    stack_->undo();
    quiet_ = false;
    draw(kind);
}

void PatchHistory::apply(const PatchBuffer& patch)
{
    ++epoch_;
    applying_ = true;
    patch_ = patch;
    last_ = patch;
    if (applied_)
        applied_(!quiet_);
    applying_ = false;
}

std::size_t PatchHistory::memoryBytes() const
{
    std::size_t bytes = sizeof(*this);
    for (int i = 0; i < stack_->count(); ++i)
        if (const PatchStep* step = stepAt(*stack_, i))
            bytes += step->memoryBytes();
    return bytes;
}

void PatchHistory::recordEdit(std::size_t offset, int which)
{
    // 512 keys a byte: its own control, its eight bits and the two below.
    record(editName(offset, which), static_cast<int>(offset) * 512 + which, Kind::Edit);
}

QString PatchHistory::editName(std::size_t offset, int which)
{
    if (which == PatchEditing::kBusSwitch)
        return tr("Bus %1").arg((offset - kFirstBusOffset) / 3 + 1);
    if (which == PatchEditing::kTrackingCurve)
        return tr("Tracking Preset");
    if (const PatchField* field = fieldAt(offset))
        return QString::fromStdString(field->name);
    return tr("Edit");
}

} // namespace velmora::editor
