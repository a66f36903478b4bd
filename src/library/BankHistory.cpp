#include "library/BankHistory.h"

#include "library/BankTableModel.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace velmora::library {

// One entry's or split's bytes before and after a step, and whether its
// cell showed a name.
template <typename Record> struct Change
{
    int index = 0;
    Record before{};
    Record after{};
    bool filledBefore = false;
    bool filledAfter = false;
};

namespace {

template <typename Record, std::size_t N>
std::vector<Change<Record>>
changesOf(const std::array<Record, N>& before, const std::array<Record, N>& after,
          const std::vector<bool>& filledBefore, const BankTableModel& cells)
{
    std::vector<Change<Record>> changes;
    for (std::size_t k = 0; k < N; ++k) {
        const int index = static_cast<int>(k);
        const bool filled = cells.isFilled(index);
        if (before[k] != after[k] || filledBefore[k] != filled)
            changes.push_back({index, before[k], after[k], filledBefore[k], filled});
    }
    changes.shrink_to_fit();
    return changes;
}

} // namespace

// A step: only what changed, and the flags and caption on either side.
class BankStep : public QUndoCommand
{
public:
    struct Scalars
    {
        bool bankLoaded = false;
        bool splitsReceived = false;
        QString caption;
    };

    BankStep(BankHistory& history, const QString& name, std::vector<Change<PatchBuffer>> entries,
             std::vector<Change<SplitRecord>> splits, Scalars before, Scalars after)
        : QUndoCommand(name), history_(history), entries_(std::move(entries)),
          splits_(std::move(splits)), before_(std::move(before)), after_(std::move(after))
    {}

    // Nothing in the bank or the split table changed: no step.
    bool empty() const { return entries_.empty() && splits_.empty(); }

    void undo() override { apply(false); }
    void redo() override
    {
        // The push: the change has already been made.
        if (pushed_) {
            pushed_ = false;
            return;
        }
        apply(true);
    }

    std::size_t footprint() const
    {
        const auto textBytes = [](const QString& text) {
            return static_cast<std::size_t>(text.capacity()) * sizeof(QChar);
        };
        return sizeof(*this) + entries_.capacity() * sizeof(entries_.front()) +
               splits_.capacity() * sizeof(splits_.front()) + textBytes(text()) +
               textBytes(before_.caption) + textBytes(after_.caption);
    }

private:
    void apply(bool forward)
    {
        BankHistory::Target& target = history_.target_;
        history_.applying_ = true;
        for (const auto& change : entries_) {
            target.records.bank[static_cast<std::size_t>(change.index)] =
                forward ? change.after : change.before;
            target.bankCells.setFilledState(change.index,
                                            forward ? change.filledAfter : change.filledBefore);
        }
        for (const auto& change : splits_) {
            target.records.splits[static_cast<std::size_t>(change.index)] =
                forward ? change.after : change.before;
            target.splitCells.setFilledState(change.index,
                                             forward ? change.filledAfter : change.filledBefore);
        }
        const Scalars& state = forward ? after_ : before_;
        target.flags.bankLoaded = state.bankLoaded;
        target.flags.splitsReceived = state.splitsReceived;
        target.setCaption(state.caption);
        target.shown();
        history_.applying_ = false;
    }

    BankHistory& history_;
    std::vector<Change<PatchBuffer>> entries_;
    std::vector<Change<SplitRecord>> splits_;
    Scalars before_;
    Scalars after_;
    bool pushed_ = true;
};

BankHistory::BankHistory(Target target, QObject* parent)
    : QObject(parent), target_(std::move(target)), stack_(new QUndoStack(this))
{
    stack_->setUndoLimit(kStepLimit);
}

BankHistory::~BankHistory() = default;

BankHistory::Snapshot BankHistory::take() const
{
    Snapshot snapshot;
    snapshot.bank = target_.records.bank;
    snapshot.splits = target_.records.splits;
    snapshot.bankFilled = target_.bankCells.filledEntries();
    snapshot.splitFilled = target_.splitCells.filledEntries();
    snapshot.bankLoaded = target_.flags.bankLoaded;
    snapshot.splitsReceived = target_.flags.splitsReceived;
    snapshot.caption = target_.caption();
    return snapshot;
}

void BankHistory::begin(const QString& name)
{
    if (applying_)
        return;
    if (depth_++ > 0)
        return;
    open_ = take();
    openName_ = name;
}

void BankHistory::end()
{
    if (applying_ || depth_ == 0 || --depth_ > 0)
        return;
    const Snapshot before = std::move(*open_);
    open_.reset();
    const SynthRecords& records = target_.records;
    auto step = std::make_unique<BankStep>(
        *this, openName_,
        changesOf(before.bank, records.bank, before.bankFilled, target_.bankCells),
        changesOf(before.splits, records.splits, before.splitFilled, target_.splitCells),
        BankStep::Scalars{before.bankLoaded, before.splitsReceived, before.caption},
        BankStep::Scalars{target_.flags.bankLoaded, target_.flags.splitsReceived,
                          target_.caption()});
    if (!step->empty())
        stack_->push(step.release());
}

void BankHistory::record(const QString& name, const std::function<void()>& change)
{
    begin(name);
    struct Ender
    {
        BankHistory& history;
        ~Ender() { history.end(); }
    } ender{*this};
    change();
}

void BankHistory::undo()
{
    if (!isOpen())
        stack_->undo();
}

void BankHistory::redo()
{
    if (!isOpen())
        stack_->redo();
}

std::size_t BankHistory::footprint() const
{
    std::size_t bytes = 0;
    for (int i = 0; i < stack_->count(); ++i)
        bytes += static_cast<const BankStep*>(stack_->command(i))->footprint();
    return bytes;
}

} // namespace velmora::library
